#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <QThread>

// Files the receipt copies of one operation as PDF, one file per copy, in the
// dated tree <base>/TEF/<sub-folder>/<year>/<month>/<day>. Runs in its own
// thread; one gravado report per copy attempted.
class GravacaoRecibo : public QThread
{
    Q_OBJECT

public:
    explicit GravacaoRecibo(QObject *parent = nullptr);

    // Both set before start(), never while the thread runs.
    void setCaminhoBase(const QString &caminho) { m_caminhoBase = caminho; }
    void setDados(const QJsonObject &valor) { m_dados = valor; }

    // Where the copy `via` ("lojista", "cliente") of the operation `transacao`
    // is filed: the sub-folder, and the file name before it is made unique.
    struct Destino
    {
        QString subpasta;
        QString arquivo;
        bool unico; // an earlier file of that name is kept, the new one gets a suffix
    };
    static Destino destino(const QString &transacao, const QString &via, const QString &nsu);

    // Writes one copy; the report gravado carries. `hoje` dates the folder.
    static QJsonObject gerar(const QString &base, const QString &transacao, const QString &via, const QString &nsu,
                             const QString &texto, const QDate &hoje = QDate::currentDate());

    static constexpr double larguraMm = 72.0;
    static constexpr double alturaLinhaMm = 5.0;

signals:
    void gravado(QJsonObject result);

protected:
    void run() override;

private:
    QString m_caminhoBase;
    QJsonObject m_dados;
};
