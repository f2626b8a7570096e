#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <string>
#include <vector>

// A key-number response being built: "%1 = %2" lines, receipt blocks numbered from
// 001, and at the end "999-999 = 0", every line sorted as text and joined by "\r\n".
// The lines share one buffer: a response holds a hundred lines or more, and a
// string of its own for each was most of a conversion's cost.
class RespostaSitef
{
public:
    RespostaSitef();

    void adicionar(QLatin1String campo, QStringView valor);
    void adicionar(QStringView campo, QStringView valor);
    // The value without its line breaks, which would start a forged field.
    void adicionarSemQuebras(QLatin1String campo, QStringView valor);
    void adicionarSemQuebras(QStringView campo, QStringView valor);

    // A numbered line such as "029-001 = value" (the number at least three digits,
    // never cut), the value as it is.
    void adicionarNumerada(QLatin1String prefixo, int numero, QStringView valor);

    // One receipt block laid out as "028-000|029-xxx": a numbered line for each receipt
    // line (breaks removed, in double quotes when asked) and the count line last. A
    // single blank line gives no block at all. Returns the number of lines written.
    int adicionarBloco(QStringView blockSpec, const QVector<QStringView> &linhas, bool aspas);
    // The same from a JSON array; an element that is not text is an empty line.
    int adicionarBloco(QStringView blockSpec, const QJsonArray &linhas, bool aspas);
    // "dd/MM/yyyy hh:mm:ss" to the fields of a "date|time" pair, as the digits of each.
    void adicionarDataHora(QStringView campos, QStringView texto);

    int quantidade() const { return static_cast<int>(m_linhas.size()); }
    // Leaves a line out of the response.
    void remover(int indice);

    // The lines in the order they were added, without the closing line.
    QStringList linhas() const;
    // Adds "999-999 = 0", sorts and joins; with a line end after the last line if asked.
    QString texto(bool separadorAoFinal);

private:
    struct Linha
    {
        int inicio;
        int tamanho;
    };

    void acrescentar(QLatin1String texto);
    void acrescentar(QStringView texto);
    void acrescentarSemQuebras(QStringView texto);
    void acrescentarNumero(int numero);
    template <typename Campo>
    int abrirLinha(Campo campo);
    void fecharLinha(int inicio);

    // Appending to a standard string is inlined; QString's append is a call each time.
    std::u16string m_buffer;
    std::vector<Linha> m_linhas;
};
