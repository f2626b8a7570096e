#include "base/Pausas.h"

#include <QtGlobal>

#include <algorithm>

Pausas Pausas::divididas(int divisor) const
{
    if (divisor <= 1)
        return *this;
    Pausas p = *this;
    for (int *ms :
         {&p.leituraRequisicaoMs, &p.antesDoStatusMs, &p.gravacaoRespostaMs, &p.intervaloGravacaoMs, &p.margemEntregaMs,
          &p.arquivoIncompletoMs, &p.novaTentativaPastaMs, &p.verificacaoPastaMs, &p.mensagemFalhaMs, &p.finalZ3TefMs,
          &p.statusBridgeMs, &p.finalVantorMs, &p.passoVantorMs, &p.antesDeInstalarMs})
        *ms = std::max(1, *ms / divisor);
    return p;
}

Pausas Pausas::doAmbiente()
{
    return Pausas().divididas(qEnvironmentVariableIntValue("Z3_PAUSAS_DIVISOR"));
}
