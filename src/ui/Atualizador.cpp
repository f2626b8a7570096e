#include "ui/Atualizador.h"

#include "ui/Base_Controller.h"

#include <QLibrary>

Atualizador::Atualizador()
{
    // Versions beginning with "99." are the homologation line, served under its own product.
    m_produto =
        Base_Controller::versao().startsWith(QLatin1String("99.")) ? QStringLiteral("TEF_1362") : QStringLiteral("TEF");
    m_arquitetura = QStringLiteral("x86");
    m_nomeInstalador = QStringLiteral("%1-v%2.exe").arg(Base_Controller::nomeAplicacao(), Base_Controller::versao());
}

Atualizador::~Atualizador()
{
    if (m_lib) {
        if (m_lib->isLoaded())
            m_lib->unload();
        delete m_lib;
    }
}

void Atualizador::executar(int modo)
{
    // The actions land with the updater binding; until then an action ends at
    // once, as a finished one would.
    Q_UNUSED(modo)
}
