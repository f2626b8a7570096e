#include "base/DadosSensiveis.h"

#include <QRegularExpression>
#include <QVector>

namespace {

const QString kOculto = QStringLiteral("****");

bool passaLuhn(const QString &digitos)
{
    int soma = 0;
    bool dobrar = false;
    for (int i = digitos.size() - 1; i >= 0; --i) {
        int d = digitos.at(i).digitValue();
        if (dobrar) {
            d *= 2;
            if (d > 9)
                d -= 9;
        }
        soma += d;
        dobrar = !dobrar;
    }
    return soma % 10 == 0;
}

// Replaces every match of the pattern by what the function makes of it.
template <class F>
QString substituir(const QString &texto, const QRegularExpression &re, F &&troca)
{
    QString saida;
    int inicio = 0;
    bool trocou = false;
    auto it = re.globalMatch(texto);
    while (it.hasNext()) {
        const auto m = it.next();
        trocou = true;
        saida += texto.midRef(inicio, m.capturedStart() - inicio);
        saida += troca(m);
        inicio = m.capturedEnd();
    }
    if (!trocou)
        return texto;
    saida += texto.midRef(inicio);
    return saida;
}

// Digit groups split by single blanks or dashes ("4111 1111 1111 1111",
// "5500-0000-0000-0004"): the first run of whole groups holding 13 to 19
// digits that passes the Luhn check is masked, separators kept in place.
QString mascararGrupos(const QString &trecho)
{
    static const QRegularExpression grupo(QStringLiteral("\\d+"));
    struct Grupo
    {
        int inicio, fim;
    };
    QVector<Grupo> grupos;
    for (auto it = grupo.globalMatch(trecho); it.hasNext();) {
        const auto m = it.next();
        grupos.append({m.capturedStart(), m.capturedEnd()});
    }
    QString saida = trecho;
    for (int i = 0; i < grupos.size(); ++i) {
        QString digitos;
        for (int j = i; j < grupos.size(); ++j) {
            digitos += trecho.midRef(grupos[j].inicio, grupos[j].fim - grupos[j].inicio);
            if (digitos.size() > 19)
                break;
            if (j == i || digitos.size() < 13 || !passaLuhn(digitos))
                continue;
            const QString mascarado = mascararPan(digitos);
            int k = 0;
            for (int p = grupos[i].inicio; p < grupos[j].fim; ++p)
                if (saida.at(p).isDigit())
                    saida[p] = mascarado.at(k++);
            i = j;
            break;
        }
    }
    return saida;
}

} // namespace

QString mascararPan(const QString &digitos)
{
    if (digitos.size() <= 10)
        return QString(digitos.size(), QLatin1Char('*'));
    return digitos.left(6) + QString(digitos.size() - 10, QLatin1Char('*')) + digitos.right(4);
}

QString mascararDadosSensiveis(const QString &texto)
{
    // Passwords: the key-number field 375-025 and the JSON keys that carry them.
    static const QRegularExpression senhaCampo(QStringLiteral("^([ \\t]*375-025[ \\t]*=).*$"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression senhaJson(
        QStringLiteral("(\"(?:adm_senha|transacao_administracao_senha)\"\\s*:\\s*\")(?:[^\"\\\\]|\\\\.)*\""));
    // Track 2 (PAN, separator, expiry and the rest) and track 1 (B, PAN, ^name^, the rest).
    static const QRegularExpression trilha2(QStringLiteral("(?<!\\d)(\\d{13,19})[=D]\\d{4,}"));
    static const QRegularExpression trilha1(QStringLiteral("B(\\d{13,19})\\^[^^\\r\\n]*\\^[^\\s\"]*"));
    // Card numbers: 13 to 19 digits in a row that pass the Luhn check.
    static const QRegularExpression pan(QStringLiteral("(?<!\\d)\\d{13,19}(?!\\d)"));
    // The same written in groups with a blank or a dash between them.
    static const QRegularExpression panEmGrupos(QStringLiteral("(?<![\\d-])\\d+(?:[ -]\\d+)+(?![\\d-])"));

    QString t = substituir(texto, senhaCampo,
                           [](const QRegularExpressionMatch &m) { return m.captured(1) + QLatin1Char(' ') + kOculto; });
    t = substituir(t, senhaJson,
                   [](const QRegularExpressionMatch &m) { return m.captured(1) + kOculto + QLatin1Char('"'); });
    t = substituir(t, trilha1, [](const QRegularExpressionMatch &m) {
        return QLatin1Char('B') + mascararPan(m.captured(1)) + QLatin1Char('^') + kOculto;
    });
    t = substituir(t, trilha2, [](const QRegularExpressionMatch &m) {
        return mascararPan(m.captured(1)) + QLatin1Char('=') + kOculto;
    });
    t = substituir(t, pan, [](const QRegularExpressionMatch &m) {
        const QString digitos = m.captured(0);
        return passaLuhn(digitos) ? mascararPan(digitos) : digitos;
    });
    return substituir(t, panEmGrupos, [](const QRegularExpressionMatch &m) { return mascararGrupos(m.captured(0)); });
}
