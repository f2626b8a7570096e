#pragma once

#include <QFont>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QThread>

// Prints the receipt copies of one operation, one job per copy, on the printer
// the settings name: the maker's receipt printer through its closed library, or
// a printer of the operating system's print system. Runs in its own thread; one
// impresso report per copy attempted.
class ImpressaoRecibo : public QThread
{
    Q_OBJECT

public:
    explicit ImpressaoRecibo(QObject *parent = nullptr);

    // Set before start(), never while the thread runs.
    void setDados(const QJsonObject &valor) { m_dados = valor; }
    // The settings' "nome_impressora"; the maker's printer until set.
    void setImpressora(const QString &nome) { m_impressora = nome; }

    // The printers of the print system, in its order (the configuration popup's list).
    static QStringList listaImpressoras();

    // The printer name that selects the maker's printer library: the setting's default.
    static QString impressoraFabricante();

    // A fixed-pitch font as large as lets a receipt line of `colunasRecibo`
    // columns fit `largura` device pixels of `dispositivo`.
    static constexpr int colunasRecibo = 40;
    static QFont fonteRecibo(qreal largura, QPaintDevice *dispositivo);

    // Prints one copy on `impressora`; the report impresso carries.
    static QJsonObject imprimir(const QString &texto, const QString &impressora);

signals:
    void impresso(QJsonObject result);

protected:
    void run() override;

private:
    static QJsonObject imprimirBiblioteca(const QString &texto);
    static QJsonObject imprimirSistema(const QString &texto, const QString &impressora);

    QJsonObject m_dados;
    QString m_impressora = impressoraFabricante();
};
