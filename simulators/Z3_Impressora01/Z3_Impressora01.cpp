// Stand-in for the receipt printer library. It prints nothing: every job, from
// opening the connection to closing it, is kept and written as one JSON file
// into the spool folder named by "Z3_SIM_IMPRESSORA" (job-0001.json, ...), with
// the connection parameters, the exact text bytes (Base64 and as UTF-8 text)
// and the cut. Every call goes to the call log ("Z3_SIM_LOG"); the scenario's
// "impressora_abre_conexao" is the code AbreConexaoImpressora answers.
#include "../common/SimLog.h"
#include "receipts/Z3_Impressora_Api.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>

#include <type_traits>

namespace {

struct Trabalho
{
    QMutex mutex;
    bool aberta = false;
    QJsonObject conexao;
    QByteArray texto;
    QJsonArray textos; // the arguments of each ImpressaoTexto
    QJsonArray cortes;
};

Trabalho &trabalho()
{
    static Trabalho t;
    return t;
}

void gravarTrabalho(Trabalho &t)
{
    const QString pasta = qEnvironmentVariable("Z3_SIM_IMPRESSORA");
    if (pasta.isEmpty())
        return;
    QDir().mkpath(pasta);
    const QDir dir(pasta);
    QString nome;
    for (int n = dir.entryList({QStringLiteral("job-*.json")}, QDir::Files).size() + 1;; ++n) {
        nome = dir.filePath(QStringLiteral("job-%1.json").arg(n, 4, 10, QLatin1Char('0')));
        if (!QFile::exists(nome))
            break;
    }
    // Whole or not at all under its name: a test reads a job as soon as it appears.
    QSaveFile f(nome);
    if (!f.open(QIODevice::WriteOnly))
        return;
    const QJsonObject job{{QStringLiteral("conexao"), t.conexao},
                          {QStringLiteral("texto_base64"), QString::fromLatin1(t.texto.toBase64())},
                          {QStringLiteral("texto"), QString::fromUtf8(t.texto)},
                          {QStringLiteral("impressoes"), t.textos},
                          {QStringLiteral("cortes"), t.cortes}};
    f.write(QJsonDocument(job).toJson(QJsonDocument::Indented));
    f.commit();
}

} // namespace

#define Z3_EXPORT extern "C" Q_DECL_EXPORT

Z3_EXPORT int AbreConexaoImpressora(int tipo, const char *modelo, const char *conexao, int parametro)
{
    simlog::registrar("AbreConexaoImpressora", {tipo, simlog::texto(modelo), simlog::texto(conexao), parametro});
    const int resultado = simlog::cenario().value(QStringLiteral("impressora_abre_conexao")).toInt(0);
    QMutexLocker l(&trabalho().mutex);
    Trabalho &t = trabalho();
    t.aberta = resultado == 0;
    t.conexao = QJsonObject{{QStringLiteral("tipo"), tipo},
                            {QStringLiteral("modelo"), simlog::texto(modelo)},
                            {QStringLiteral("conexao"), simlog::texto(conexao)},
                            {QStringLiteral("parametro"), parametro}};
    t.texto.clear();
    t.textos = QJsonArray();
    t.cortes = QJsonArray();
    return resultado;
}

Z3_EXPORT int ImpressaoTexto(const char *dados, int posicao, int estilo, int tamanho)
{
    simlog::registrar("ImpressaoTexto", {simlog::texto(dados), posicao, estilo, tamanho});
    QMutexLocker l(&trabalho().mutex);
    Trabalho &t = trabalho();
    if (!t.aberta)
        return -4;
    const QByteArray bytes(dados ? dados : "");
    t.texto += bytes;
    t.textos.append(QJsonArray{QString::fromLatin1(bytes.toBase64()), posicao, estilo, tamanho});
    return 0;
}

#ifndef Z3_SIM_SEM_CORTE
Z3_EXPORT int Corte(int avanco)
{
    simlog::registrar("Corte", {avanco});
    QMutexLocker l(&trabalho().mutex);
    Trabalho &t = trabalho();
    if (!t.aberta)
        return -4;
    t.cortes.append(avanco);
    return 0;
}
static_assert(std::is_same<decltype(&Corte), z3impressora::Corte_t>::value, "signature");
#endif

Z3_EXPORT int FechaConexaoImpressora()
{
    simlog::registrar("FechaConexaoImpressora", {});
    QMutexLocker l(&trabalho().mutex);
    Trabalho &t = trabalho();
    if (!t.aberta)
        return -4;
    gravarTrabalho(t);
    t.aberta = false;
    return 0;
}

static_assert(std::is_same<decltype(&AbreConexaoImpressora), z3impressora::AbreConexaoImpressora_t>::value,
              "signature");
static_assert(std::is_same<decltype(&ImpressaoTexto), z3impressora::ImpressaoTexto_t>::value, "signature");
static_assert(std::is_same<decltype(&FechaConexaoImpressora), z3impressora::FechaConexaoImpressora_t>::value,
              "signature");
