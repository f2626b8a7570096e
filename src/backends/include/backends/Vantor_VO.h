#pragma once

#include <QJsonObject>
#include <QString>

// The JSON result of one Vantor operation: each key present only once set.
class Vantor_VO
{
public:
    // "id", "header" and "documento_fiscal_vinculado" read from the JSON request.
    static Vantor_VO fromRequest(const QJsonObject &request);

    void setId(int id) { m_json.insert(QStringLiteral("id"), id); }
    int id() const { return m_json.value(QStringLiteral("id")).toInt(); }
    void setHeader(const QString &v) { m_json.insert(QStringLiteral("header"), v); }
    QString header() const { return texto("header"); }
    void setDocumentoFiscalVinculado(const QString &v)
    {
        m_json.insert(QStringLiteral("documento_fiscal_vinculado"), v);
    }
    QString documentoFiscalVinculado() const { return texto("documento_fiscal_vinculado"); }
    void setTextoOperador(const QString &v) { m_json.insert(QStringLiteral("texto_operador"), v); }
    QString textoOperador() const { return texto("texto_operador"); }
    void setComprovanteLoja(const QString &v) { m_json.insert(QStringLiteral("comprovante_loja"), v); }
    QString comprovanteLoja() const { return texto("comprovante_loja"); }
    void setComprovanteCliente(const QString &v) { m_json.insert(QStringLiteral("comprovante_cliente"), v); }
    QString comprovanteCliente() const { return texto("comprovante_cliente"); }
    void setDadosTransacao(const QString &v) { m_json.insert(QStringLiteral("dados_transacao"), v); }
    QString dadosTransacao() const { return texto("dados_transacao"); }
    // The operation carried out (1 debit, 2 credit, 12 cancellation, 128 reprint, ...), once a menu chose it.
    void setOperacao(int v) { m_json.insert(QStringLiteral("operacao"), v); }
    void setResultado(int v) { m_json.insert(QStringLiteral("resultado"), v); }
    int resultado() const { return m_json.value(QStringLiteral("resultado")).toInt(); }

    const QJsonObject &json() const { return m_json; }
    // Compact, as the result is emitted.
    QString texto() const;

private:
    QString texto(const char *chave) const { return m_json.value(QLatin1String(chave)).toString(); }

    QJsonObject m_json;
};
