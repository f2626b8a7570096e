#pragma once

#include <QString>

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
