// Puts the operator window into each of its typical states and saves a PNG of
// each, so the screens can be looked at without a display:
//   ui_screenshots OUTPUT_FOLDER
#include "JanelaQml.h"
#include "TestController.h"
#include "TestSupport.h"
#include "backends/Seletores.h"

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

void limpaTela(TestController &c)
{
    emit c.disableButtonOK(true);
    emit c.disableButtonVoltar(true);
    emit c.disableButtonCancelar(true);
    emit c.disableTextField(true);
    emit c.disableListView(true);
    emit c.disableButtonAutonomoOk(true);
    emit c.disableButtonAutonomoCancelar(true);
    emit c.disableImage(true);
    emit c.formatValue(false);
    emit c.setTextFieldPasswordMode(false);
    emit c.clearTextFieldInputMask();
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
    TestController c;
    JanelaQml janela(&c);
    if (!janela.carregada())
        return 1;
    QQuickWindow *w = janela.janela();
    w->show();
    (void)QTest::qWaitForWindowExposed(w);
    bool ok = true;

    c.onFinishThread();
    ok &= salva(janela, pasta, QStringLiteral("01-idle"));

    limpaTela(c);
    emit c.firstTextChanged(QStringLiteral("Venda Crédito"));
    emit c.textChanged(QStringLiteral("Digite o valor da venda"));
    emit c.disableProgressBar(true);
    emit c.disableTextField(false);
    emit c.formatValue(true);
    emit c.textfiledChanged(c.formataValor(QStringLiteral("123456")));
    emit c.disableButtonOK(false);
    emit c.disableButtonVoltar(false);
    emit c.disableButtonCancelar(false);
    ok &= salva(janela, pasta, QStringLiteral("02-collect-amount"));

    limpaTela(c);
    emit c.firstTextChanged(QStringLiteral("Senha do supervisor"));
    emit c.textChanged(QStringLiteral("Digite a senha e tecle ENTRA"));
    emit c.setTextFieldPasswordMode(true);
    emit c.textfiledChanged(QStringLiteral("1234"));
    emit c.disableTextField(false);
    emit c.disableButtonOK(false);
    emit c.disableButtonCancelar(false);
    ok &= salva(janela, pasta, QStringLiteral("03-collect-password"));

    limpaTela(c);
    emit c.firstTextChanged(QStringLiteral("Forma de pagamento"));
    emit c.textChanged(QStringLiteral("Selecione uma opção:"));
    emit c.clearItemsList();
    for (const char *item :
         {"1 - À vista", "2 - Parcelado pelo estabelecimento", "3 - Parcelado pela administradora", "4 - Pré-datado"})
        emit c.addItemList(QString::fromUtf8(item));
    emit c.sendTypeOperation(0);
    emit c.disableListView(false);
    emit c.disableButtonOK(false);
    emit c.disableButtonVoltar(false);
    emit c.disableButtonCancelar(false);
    QQmlProperty::write(janela.objeto(QStringLiteral("list")), QStringLiteral("currentIndex"), 1);
    ok &= salva(janela, pasta, QStringLiteral("04-option-list"));

    limpaTela(c);
    c.initComponentAutonomo();
    ok &= salva(janela, pasta, QStringLiteral("05-autonomous-menu"));

    limpaTela(c);
    c.onFinishThread();
    emit c.showMessageError(QStringLiteral("Transação negada pela administradora do cartão"));
    ok &= salva(janela, pasta, QStringLiteral("06-error-banner"));
    emit c.showMessage(QStringLiteral("Transação aprovada"));
    ok &= salva(janela, pasta, QStringLiteral("07-success-banner"));
    janela.item(QStringLiteral("rectangle2"))->setVisible(false);

    limpaTela(c);
    c.showEnviromentInfo();
    ok &= salva(janela, pasta, QStringLiteral("08-about"));

    limpaTela(c);
    c.onFinishThread();
    c.slotShowConfigs();
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
    QMetaObject::invokeMethod(config->findChild<QObject *>(QStringLiteral("button")), "clicked"); // Salvar
    ok &= salva(janela, pasta, QStringLiteral("14-config-saved"));
    QMetaObject::invokeMethod(config, "close");
    espera(400);
    janela.item(QStringLiteral("rectangle2"))->setVisible(false);

    c.slotShowAviso();
    QObject *aviso = abrePopup(janela, QStringLiteral("aviso"));
    if (!aviso)
        return 1;
    ok &= salva(janela, pasta, QStringLiteral("15-pending-notice"));
    QQuickItem *confirmar = aviso->findChild<QQuickItem *>(QStringLiteral("botaoConfirmar"));
    janela.clica(confirmar);
    ok &= salva(janela, pasta, QStringLiteral("16-pending-notice-refused"));
    QMetaObject::invokeMethod(aviso, "close");
    espera(400);

    limpaTela(c);
    emit c.firstTextChanged(QStringLiteral("Processo de verificação"));
    emit c.textChanged(QStringLiteral("Nova versão disponível: 01.24.00\n\nDeseja baixar atualização agora?"));
    emit c.disableButtonUpdaterSim(true);
    emit c.disableButtonUpdaterNao(true);
    ok &= salva(janela, pasta, QStringLiteral("17-update-offer"));

    return ok ? 0 : 1;
}
