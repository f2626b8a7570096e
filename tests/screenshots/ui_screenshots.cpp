// Puts the operator window into each of its typical states and saves a PNG of
// each, so the screens can be looked at without a display:
//   ui_screenshots OUTPUT_FOLDER
#include "JanelaQml.h"
#include "TestSupport.h"
#include "app/Seletores.h"

#include <QApplication>
#include <QDir>
#include <QQmlProperty>
#include <QTest>

#include <cstdio>

namespace {

void espera(int ms)
{
    // Lets transitions (popups, pages) end before the grab.
    QTest::qWait(ms);
}

bool salva(JanelaQml &janela, const QString &pasta, const QString &nome)
{
    espera(50);
    const QImage imagem = janela.janela()->grabWindow();
    const QString caminho = pasta + QLatin1Char('/') + nome + QStringLiteral(".png");
    const bool ok = !imagem.isNull() && imagem.save(caminho);
    if (imagem.isNull())
        std::printf("null grab\n");
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(caminho));
    return ok;
}

void limpaTela(Janela &j)
{
    j.mostrarTela(Janela::Tela::Limpa);
    j.mostrarTela(Janela::Tela::AutonomoFechado);
    j.mostrarBotao(Janela::Botao::Sim, false);
    j.mostrarBotao(Janela::Botao::Nao, false);
}

QObject *abrePopup(JanelaQml &janela, const QString &nome)
{
    QObject *popup = nullptr;
    (void)QTest::qWaitFor([&] { return (popup = janela.popup(nome)) != nullptr; }, 5000);
    espera(1500);
    return popup;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString pasta = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(pasta);

    testsupport::writeConfig({});
    seletores::substituir([](seletores::Tipo) { return QString(); });
    Janela j;
    JanelaQml janela(&j);
    if (!janela.carregada())
        return 1;
    QQuickWindow *w = janela.janela();
    w->show();
    (void)QTest::qWaitForWindowExposed(w);
    bool ok = true;

    j.repousar();
    ok &= salva(janela, pasta, QStringLiteral("01-idle"));

    limpaTela(j);
    j.mostrarTitulo(QStringLiteral("Venda Crédito"));
    j.mostrarMensagem(QStringLiteral("Digite o valor da venda"));
    Janela::Campo valor;
    valor.moeda = true;
    valor.inicial = Janela::formatarValor(QStringLiteral("123456"));
    j.abrirCampo(valor);
    for (auto b : {Janela::Botao::Ok, Janela::Botao::Voltar, Janela::Botao::Cancelar})
        j.mostrarBotao(b, true);
    ok &= salva(janela, pasta, QStringLiteral("02-collect-amount"));

    limpaTela(j);
    j.mostrarTitulo(QStringLiteral("Senha do supervisor"));
    j.mostrarMensagem(QStringLiteral("Digite a senha e tecle ENTRA"));
    Janela::Campo senha;
    senha.senha = true;
    senha.inicial = QStringLiteral("1234");
    j.abrirCampo(senha);
    j.mostrarTela(Janela::Tela::AguardandoResposta);
    ok &= salva(janela, pasta, QStringLiteral("03-collect-password"));

    limpaTela(j);
    j.mostrarTitulo(QStringLiteral("Forma de pagamento"));
    j.mostrarMensagem(QStringLiteral("Selecione uma opção:"));
    j.abrirLista({QStringLiteral("1 - À vista"), QStringLiteral("2 - Parcelado pelo estabelecimento"),
                  QStringLiteral("3 - Parcelado pela administradora"), QStringLiteral("4 - Pré-datado")},
                 1);
    for (auto b : {Janela::Botao::Ok, Janela::Botao::Voltar, Janela::Botao::Cancelar})
        j.mostrarBotao(b, true);
    ok &= salva(janela, pasta, QStringLiteral("04-option-list"));

    limpaTela(j);
    j.mostrarMenuOperacoes();
    ok &= salva(janela, pasta, QStringLiteral("05-autonomous-menu"));

    limpaTela(j);
    j.repousar();
    j.avisarErro(QStringLiteral("Transação negada pela administradora do cartão"));
    ok &= salva(janela, pasta, QStringLiteral("06-error-banner"));
    j.avisar(QStringLiteral("Transação aprovada"));
    ok &= salva(janela, pasta, QStringLiteral("07-success-banner"));
    janela.item(QStringLiteral("faixaAviso"))->setVisible(false);

    limpaTela(j);
    j.mostrarSobre(QStringLiteral("Z3_TEFZoduvud versão 01.23.04 - S.O.: Debian GNU/Linux 12 (bookworm)\n\n"
                                  "HostName: caixa-01\n\n------- Interfaces de rede -------\n\n"
                                  "eth0: MAC[ 52:54:00:12:34:56 ] IP[ 192.168.0.10 ]"));
    ok &= salva(janela, pasta, QStringLiteral("08-about"));

    limpaTela(j);
    j.repousar();
    j.abrirConfiguracoes();
    QObject *config = abrePopup(janela, QStringLiteral("config"));
    if (!config)
        return 1;
    QObject *paginas = config->findChild<QObject *>(QStringLiteral("swipeView"));
    const char *const abas[] = {"geral", "troca-arquivos", "atualizacao", "personalizacao", "impressao"};
    for (int i = 0; i < 5; ++i) {
        QQmlProperty::write(paginas, QStringLiteral("currentIndex"), i);
        espera(600);
        ok &= salva(janela, pasta,
                    QStringLiteral("%1-config-%2").arg(9 + i, 2, 10, QLatin1Char('0')).arg(QLatin1String(abas[i])));
    }
    QMetaObject::invokeMethod(config->findChild<QObject *>(QStringLiteral("btn_salvar")), "clicked"); // Salvar
    ok &= salva(janela, pasta, QStringLiteral("14-config-saved"));
    QMetaObject::invokeMethod(config, "close");
    espera(400);
    janela.item(QStringLiteral("faixaAviso"))->setVisible(false);

    j.avisarPendencia(QStringLiteral("000123"));
    QObject *aviso = abrePopup(janela, QStringLiteral("aviso"));
    if (!aviso)
        return 1;
    ok &= salva(janela, pasta, QStringLiteral("15-pending-notice"));
    QQuickItem *confirmar = aviso->findChild<QQuickItem *>(QStringLiteral("botaoConfirmar"));
    janela.clica(confirmar);
    ok &= salva(janela, pasta, QStringLiteral("16-pending-notice-refused"));
    QMetaObject::invokeMethod(aviso, "close");
    espera(400);

    limpaTela(j);
    j.mostrarTitulo(QStringLiteral("Processo de verificação"));
    j.mostrarMensagem(QStringLiteral("Nova versão disponível: 01.24.00\n\nDeseja baixar atualização agora?"));
    j.mostrarBotao(Janela::Botao::Sim, true);
    j.mostrarBotao(Janela::Botao::Nao, true);
    ok &= salva(janela, pasta, QStringLiteral("17-update-offer"));

    return ok ? 0 : 1;
}
