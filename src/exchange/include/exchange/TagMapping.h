#pragma once

#include <QString>
#include <QVector>

// How a tag's JSON value is written into its response field.
enum class ValueKind { Bool = 0, Integer = 1, Text = 2, Lines = 3 };

// One entry of a tag list: JSON member -> response field (a "date|time" pair of
// ids, or a receipt block layout such as "714-000|715-xxx").
struct TagMapping
{
    QString jsonKey;
    QString fieldId;
    ValueKind kind;
};

// A tag list with each entry's special rule looked up once, not by comparing
// member names at every conversion.
template <typename Regra>
struct TagComRegra
{
    const TagMapping *tag;
    Regra regra;
};

template <typename Regra, size_t N>
QVector<TagComRegra<Regra>> comRegras(const TagMapping (&tags)[N], Regra (*regraDe)(const TagMapping &))
{
    QVector<TagComRegra<Regra>> r;
    r.reserve(int(N));
    for (const TagMapping &tag : tags)
        r.append({&tag, regraDe(tag)});
    return r;
}
