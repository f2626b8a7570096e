// Stand-in for the customer display library. It draws nothing: it keeps what the
// display would show and, when "Z3_SIM_DISPLAY" names a file, writes that screen
// there as JSON after every change. Every call goes to the call log ("Z3_SIM_LOG").
#include "../common/SimLog.h"
#include "backends/Z3_Vitra_Api.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

#include <type_traits>

namespace {

struct Display
{
    QMutex mutex;
    bool conectado = false;
    QJsonArray tela; // what is drawn, in drawing order
};

Display &display()
{
    static Display d;
    return d;
}

void gravarTela()
{
    const QString caminho = qEnvironmentVariable("Z3_SIM_DISPLAY");
    if (caminho.isEmpty())
        return;
    QFile f(caminho);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(QJsonDocument(QJsonObject{{QStringLiteral("conectado"), display().conectado},
                                          {QStringLiteral("tela"), display().tela}})
                    .toJson(QJsonDocument::Compact));
}

int desenhar(const QJsonObject &item)
{
    Display &d = display();
    if (!d.conectado)
        return -1;
    d.tela.append(item);
    gravarTela();
    return 0;
}

} // namespace

#define Z3_EXPORT extern "C" Q_DECL_EXPORT

Z3_EXPORT int AbreConexaoDisplay(const char *conexao)
{
    simlog::registrar("AbreConexaoDisplay", {simlog::texto(conexao)});
    QMutexLocker l(&display().mutex);
    // A scenario may refuse the connection to exercise the caller's failure path.
    const int resultado = simlog::cenario().value(QStringLiteral("vitra_abre_conexao")).toInt(0);
    display().conectado = resultado == 0;
    return resultado;
}

Z3_EXPORT int InicializaDisplay()
{
    simlog::registrar("InicializaDisplay", {});
    QMutexLocker l(&display().mutex);
    if (!display().conectado)
        return -1;
    display().tela = QJsonArray();
    gravarTela();
    return 0;
}

Z3_EXPORT int Reinicializar()
{
    simlog::registrar("Reinicializar", {});
    QMutexLocker l(&display().mutex);
    display().tela = QJsonArray();
    gravarTela();
    return 0;
}

Z3_EXPORT int DesconectarDisplay()
{
    simlog::registrar("DesconectarDisplay", {});
    QMutexLocker l(&display().mutex);
    display().conectado = false;
    gravarTela();
    return 0;
}

Z3_EXPORT const char *ObterVersaoFirmware()
{
    simlog::registrar("ObterVersaoFirmware", {});
    return "Z3-VITRA-SIM 1.0";
}

Z3_EXPORT int AlteraEstilo(const char *estilo)
{
    simlog::registrar("AlteraEstilo", {simlog::texto(estilo)});
    return 0;
}

Z3_EXPORT int ApresentaImagemDisplay(const char *caminho, int x, int y, int largura)
{
    simlog::registrar("ApresentaImagemDisplay", {simlog::texto(caminho), x, y, largura});
    QMutexLocker l(&display().mutex);
    return desenhar(QJsonObject{{QStringLiteral("imagem"), simlog::texto(caminho)}});
}

Z3_EXPORT int ApresentaQrCode(const char *qrCode, int tamanho, int x, int y)
{
    // The caller passes Latin-1; the log shows it as such.
    const QString texto = QString::fromLatin1(qrCode ? qrCode : "");
    simlog::registrar("ApresentaQrCode", {texto, tamanho, x, y});
    QMutexLocker l(&display().mutex);
    return desenhar(QJsonObject{{QStringLiteral("qrcode"), texto}});
}

Z3_EXPORT int ApresentaListaCompras(const char *descricao, const char *valor)
{
    simlog::registrar("ApresentaListaCompras", {simlog::texto(descricao), simlog::texto(valor)});
    QMutexLocker l(&display().mutex);
    return desenhar(QJsonObject{{QStringLiteral("item"), simlog::texto(descricao)},
                                {QStringLiteral("valor"), simlog::texto(valor)}});
}

Z3_EXPORT int CarregaImagemDisplay(const char *caminho)
{
    simlog::registrar("CarregaImagemDisplay", {simlog::texto(caminho)});
    return 0;
}

Z3_EXPORT int ObtemConexao()
{
    simlog::registrar("ObtemConexao", {});
    QMutexLocker l(&display().mutex);
    return display().conectado ? 0 : 1;
}

Z3_EXPORT int InicializaLayoutPagamento()
{
    simlog::registrar("InicializaLayoutPagamento", {});
    return 0;
}

Z3_EXPORT int AdicionaFormaPagamento(const char *forma, const char *valor)
{
    simlog::registrar("AdicionaFormaPagamento", {simlog::texto(forma), simlog::texto(valor)});
    QMutexLocker l(&display().mutex);
    return desenhar(QJsonObject{{QStringLiteral("forma_pagamento"), simlog::texto(forma)},
                                {QStringLiteral("valor"), simlog::texto(valor)}});
}

Z3_EXPORT int ApresentaTextoColorido(const char *texto, int estilo, int tamanho, int x, int y, const char *cor)
{
    simlog::registrar("ApresentaTextoColorido", {simlog::texto(texto), estilo, tamanho, x, y, simlog::texto(cor)});
    QMutexLocker l(&display().mutex);
    return desenhar(
        QJsonObject{{QStringLiteral("texto"), simlog::texto(texto)}, {QStringLiteral("cor"), simlog::texto(cor)}});
}

static_assert(std::is_same<decltype(&AbreConexaoDisplay), z3vitra::AbreConexaoDisplay_t>::value, "signature");
static_assert(std::is_same<decltype(&InicializaDisplay), z3vitra::InicializaDisplay_t>::value, "signature");
static_assert(std::is_same<decltype(&DesconectarDisplay), z3vitra::DesconectarDisplay_t>::value, "signature");
static_assert(std::is_same<decltype(&ApresentaQrCode), z3vitra::ApresentaQrCode_t>::value, "signature");
static_assert(std::is_same<decltype(&ApresentaTextoColorido), z3vitra::ApresentaTextoColorido_t>::value, "signature");
static_assert(std::is_same<decltype(&ObterVersaoFirmware), z3vitra::ObterVersaoFirmware_t>::value, "signature");
static_assert(std::is_same<decltype(&ApresentaImagemDisplay), z3vitra::ApresentaImagemDisplay_t>::value, "signature");
static_assert(std::is_same<decltype(&ApresentaListaCompras), z3vitra::ApresentaListaCompras_t>::value, "signature");
static_assert(std::is_same<decltype(&AdicionaFormaPagamento), z3vitra::AdicionaFormaPagamento_t>::value, "signature");
static_assert(std::is_same<decltype(&AlteraEstilo), z3vitra::AlteraEstilo_t>::value, "signature");
