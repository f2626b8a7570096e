#include "exchange/RespostaSitef.h"

#include <QJsonValue>

#include <algorithm>

namespace {

const QLatin1String entreCampoValor(" = ");
const QLatin1String separador("\r\n");

// A receipt line number: at least three digits, larger numbers keep all their digits.
void acrescentarNumero(QString &texto, int i)
{
    char digitos[12];
    int n = 0;
    do {
        digitos[sizeof digitos - 1 - n++] = static_cast<char>('0' + i % 10);
        i /= 10;
    } while (i > 0 || n < 3);
    texto.append(QLatin1String(digitos + sizeof digitos - n, n));
}

void acrescentarSemQuebras(QString &texto, QStringView valor)
{
    const QChar *p = valor.data();
    const int n = static_cast<int>(valor.size());
    int inicio = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] == QLatin1Char('\n') || p[i] == QLatin1Char('\r')) {
            texto.append(p + inicio, i - inicio);
            inicio = i + 1;
        }
    }
    texto.append(p + inicio, n - inicio);
}

bool emBranco(QStringView texto)
{
    return std::all_of(texto.begin(), texto.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

RespostaSitef::RespostaSitef()
{
    m_buffer.reserve(4096);
    m_linhas.reserve(128);
}

template <typename Campo>
void RespostaSitef::abrirLinha(Campo campo)
{
    m_buffer += campo;
    m_buffer += entreCampoValor;
}

void RespostaSitef::fecharLinha(int inicio)
{
    m_linhas.push_back({inicio, m_buffer.size() - inicio});
}

void RespostaSitef::adicionar(QLatin1String campo, QStringView valor)
{
    const int inicio = m_buffer.size();
    abrirLinha(campo);
    m_buffer += valor;
    fecharLinha(inicio);
}

void RespostaSitef::adicionar(QStringView campo, QStringView valor)
{
    const int inicio = m_buffer.size();
    abrirLinha(campo);
    m_buffer += valor;
    fecharLinha(inicio);
}

void RespostaSitef::adicionarSemQuebras(QLatin1String campo, QStringView valor)
{
    const int inicio = m_buffer.size();
    abrirLinha(campo);
    acrescentarSemQuebras(m_buffer, valor);
    fecharLinha(inicio);
}

void RespostaSitef::adicionarSemQuebras(QStringView campo, QStringView valor)
{
    const int inicio = m_buffer.size();
    abrirLinha(campo);
    acrescentarSemQuebras(m_buffer, valor);
    fecharLinha(inicio);
}

void RespostaSitef::adicionarNumerada(QLatin1String prefixo, int numero, QStringView valor)
{
    const int inicio = m_buffer.size();
    m_buffer += prefixo;
    acrescentarNumero(m_buffer, numero);
    m_buffer += entreCampoValor;
    m_buffer += valor;
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

    const QChar aspa = QLatin1Char('"');
    for (int i = 0; i < n; ++i) {
        const int inicio = m_buffer.size();
        m_buffer += antes;
        acrescentarNumero(m_buffer, i + 1);
        m_buffer += depois;
        m_buffer += entreCampoValor;
        if (aspas)
            m_buffer += aspa;
        acrescentarSemQuebras(m_buffer, linhas.at(i));
        if (aspas)
            m_buffer += aspa;
        fecharLinha(inicio);
    }
    const int inicio = m_buffer.size();
    abrirLinha(campoContagem);
    m_buffer += QString::number(n);
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
    const auto semSeparador = [this](QStringView campo, QStringView valor, QChar separador) {
        const int inicio = m_buffer.size();
        abrirLinha(campo);
        for (QChar c : valor) {
            if (c != separador && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
                m_buffer += c;
        }
        fecharLinha(inicio);
    };
    semSeparador(campos.left(barra), data, QLatin1Char('/'));
    semSeparador(campos.mid(barra + 1), hora, QLatin1Char(':'));
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
            r.append(m_buffer.mid(l.inicio, l.tamanho));
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
        const QStringView t = QStringView(m_buffer).mid(l.inicio, l.tamanho);
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

    QString texto;
    texto.reserve(tamanho);
    for (size_t i = 0; i < itens.size(); ++i) {
        if (i > 0)
            texto += separador;
        texto += itens[i].texto;
    }
    if (separadorAoFinal)
        texto += separador;
    return texto;
}
