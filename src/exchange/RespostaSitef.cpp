#include "RespostaSitef.h"

#include <QJsonValue>

#include <algorithm>
#include <cstring>

namespace {

const QLatin1String entreCampoValor(" = ");
const QLatin1String separador("\r\n");

bool emBranco(QStringView texto)
{
    return std::all_of(texto.begin(), texto.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

RespostaSitef::RespostaSitef()
{
    m_buffer.reserve(8192);
    m_linhas.reserve(128);
}

void RespostaSitef::acrescentar(QLatin1String texto)
{
    for (char c : texto)
        m_buffer.push_back(static_cast<uchar>(c));
}

void RespostaSitef::acrescentar(QStringView texto)
{
    m_buffer.append(texto.utf16(), static_cast<size_t>(texto.size()));
}

void RespostaSitef::acrescentarSemQuebras(QStringView texto)
{
    const char16_t *p = texto.utf16();
    const qsizetype n = texto.size();
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == u'\n' || p[i] == u'\r') {
            m_buffer.append(p + inicio, static_cast<size_t>(i - inicio));
            inicio = i + 1;
        }
    }
    m_buffer.append(p + inicio, static_cast<size_t>(n - inicio));
}

// A receipt line number: at least three digits, larger numbers keep all their digits.
void RespostaSitef::acrescentarNumero(int numero)
{
    char16_t digitos[12];
    int n = 0;
    do {
        digitos[sizeof digitos / sizeof *digitos - 1 - n++] = static_cast<char16_t>(u'0' + numero % 10);
        numero /= 10;
    } while (numero > 0 || n < 3);
    m_buffer.append(digitos + sizeof digitos / sizeof *digitos - n, static_cast<size_t>(n));
}

template <typename Campo>
int RespostaSitef::abrirLinha(Campo campo)
{
    const int inicio = static_cast<int>(m_buffer.size());
    acrescentar(campo);
    acrescentar(entreCampoValor);
    return inicio;
}

void RespostaSitef::fecharLinha(int inicio)
{
    m_linhas.push_back({inicio, static_cast<int>(m_buffer.size()) - inicio});
}

void RespostaSitef::adicionar(QLatin1String campo, QStringView valor)
{
    const int inicio = abrirLinha(campo);
    acrescentar(valor);
    fecharLinha(inicio);
}

void RespostaSitef::adicionar(QStringView campo, QStringView valor)
{
    const int inicio = abrirLinha(campo);
    acrescentar(valor);
    fecharLinha(inicio);
}

void RespostaSitef::adicionarSemQuebras(QLatin1String campo, QStringView valor)
{
    const int inicio = abrirLinha(campo);
    acrescentarSemQuebras(valor);
    fecharLinha(inicio);
}

void RespostaSitef::adicionarSemQuebras(QStringView campo, QStringView valor)
{
    const int inicio = abrirLinha(campo);
    acrescentarSemQuebras(valor);
    fecharLinha(inicio);
}

void RespostaSitef::adicionarNumerada(QLatin1String prefixo, int numero, QStringView valor)
{
    const int inicio = static_cast<int>(m_buffer.size());
    acrescentar(prefixo);
    acrescentarNumero(numero);
    acrescentar(entreCampoValor);
    acrescentar(valor);
    fecharLinha(inicio);
}

int RespostaSitef::adicionarBloco(QStringView blockSpec, const QVector<QStringView> &linhas, bool aspas)
{
    const int n = linhas.size();
    if (n == 1 && emBranco(linhas.first()))
        return 0;

    const int barra = static_cast<int>(blockSpec.indexOf(QLatin1Char('|')));
    const QStringView campoContagem = barra < 0 ? blockSpec : blockSpec.left(barra);
    const QStringView modelo = barra < 0 ? QStringView() : blockSpec.mid(barra + 1);
    const int marca = static_cast<int>(modelo.indexOf(QLatin1String("xxx")));
    const QStringView antes = marca < 0 ? modelo : modelo.left(marca);
    const QStringView depois = marca < 0 ? QStringView() : modelo.mid(marca + 3);

    for (int i = 0; i < n; ++i) {
        const int inicio = static_cast<int>(m_buffer.size());
        acrescentar(antes);
        acrescentarNumero(i + 1);
        acrescentar(depois);
        acrescentar(entreCampoValor);
        if (aspas)
            m_buffer.push_back(u'"');
        acrescentarSemQuebras(linhas.at(i));
        if (aspas)
            m_buffer.push_back(u'"');
        fecharLinha(inicio);
    }
    const int inicio = abrirLinha(campoContagem);
    acrescentar(QString::number(n));
    fecharLinha(inicio);
    return n + 1;
}

int RespostaSitef::adicionarBloco(QStringView blockSpec, const QJsonArray &linhas, bool aspas)
{
    QStringList textos;
    textos.reserve(linhas.size());
    QVector<QStringView> vistas;
    vistas.reserve(linhas.size());
    for (const QJsonValue &v : linhas) {
        textos.append(v.toString());
        vistas.append(textos.last());
    }
    return adicionarBloco(blockSpec, vistas, aspas);
}

// A text without a blank has no time part: the time field is then written empty, so
// the point of sale still finds both fields.
void RespostaSitef::adicionarDataHora(QStringView campos, QStringView texto)
{
    const int barra = static_cast<int>(campos.indexOf(QLatin1Char('|')));
    const int primeiro = static_cast<int>(texto.indexOf(QLatin1Char(' ')));
    QStringView data = texto;
    QStringView hora;
    if (primeiro >= 0) {
        data = texto.left(primeiro);
        const int segundo = static_cast<int>(texto.indexOf(QLatin1Char(' '), primeiro + 1));
        hora = segundo < 0 ? texto.mid(primeiro + 1) : texto.mid(primeiro + 1, segundo - primeiro - 1);
    }
    const auto semSeparador = [this](QStringView campo, QStringView valor, char16_t separador) {
        const int inicio = abrirLinha(campo);
        for (QChar c : valor) {
            const char16_t u = c.unicode();
            if (u != separador && u != u'\n' && u != u'\r')
                m_buffer.push_back(u);
        }
        fecharLinha(inicio);
    };
    semSeparador(campos.left(barra), data, u'/');
    semSeparador(campos.mid(barra + 1), hora, u':');
}

void RespostaSitef::remover(int indice)
{
    m_linhas[static_cast<size_t>(indice)].tamanho = -1;
}

QStringList RespostaSitef::linhas() const
{
    QStringList r;
    r.reserve(quantidade());
    for (const Linha &l : m_linhas) {
        if (l.tamanho >= 0)
            r.append(QString::fromUtf16(m_buffer.data() + l.inicio, l.tamanho));
    }
    return r;
}

QString RespostaSitef::texto(bool separadorAoFinal)
{
    adicionar(QLatin1String("999-999"), u"0");

    // Case-sensitive text order, as QString's operator< gives it. Most lines differ in
    // their first eight characters (the field id), so those are compared as two numbers
    // first; the whole texts decide only on a tie.
    struct Item
    {
        quint64 inicio;
        quint64 seguinte;
        QStringView texto;
    };
    const auto chave = [](QStringView t, int de) {
        quint64 k = 0;
        for (int j = de; j < de + 4; ++j)
            k = (k << 16) | (j < t.size() ? t.at(j).unicode() : 0u);
        return k;
    };
    std::vector<Item> itens;
    itens.reserve(m_linhas.size());
    int tamanho = 0;
    for (const Linha &l : m_linhas) {
        if (l.tamanho < 0)
            continue;
        const QStringView t(m_buffer.data() + l.inicio, l.tamanho);
        itens.push_back({chave(t, 0), chave(t, 4), t});
        tamanho += l.tamanho + separador.size();
    }
    std::sort(itens.begin(), itens.end(), [](const Item &a, const Item &b) {
        if (a.inicio != b.inicio)
            return a.inicio < b.inicio;
        if (a.seguinte != b.seguinte)
            return a.seguinte < b.seguinte;
        return a.texto.compare(b.texto) < 0;
    });

    // Written in place: the size is known, the pieces are copied once.
    // "999-999 = 0" is always there: the last separator is the one to drop.
    QString texto(tamanho - (separadorAoFinal ? 0 : separador.size()), Qt::Uninitialized);
    QChar *saida = texto.data();
    for (size_t i = 0; i < itens.size(); ++i) {
        if (i > 0) {
            *saida++ = QLatin1Char('\r');
            *saida++ = QLatin1Char('\n');
        }
        std::memcpy(saida, itens[i].texto.data(), static_cast<size_t>(itens[i].texto.size()) * sizeof(QChar));
        saida += itens[i].texto.size();
    }
    if (separadorAoFinal) {
        *saida++ = QLatin1Char('\r');
        *saida++ = QLatin1Char('\n');
    }
    return texto;
}
