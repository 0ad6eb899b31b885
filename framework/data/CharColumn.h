#pragma once

#include <QString>

// A CHAR column's value at the column's width in characters, its own padding included
// ("1 " for "1" in CHAR(2)). The Firebird driver pads a value of a multi-byte character
// set to the width in bytes ("01" of a UTF8 CHAR(2) arrives with six more blanks); blanks
// beyond the width are not part of the stored value.
inline QString charColumnValue(const QString& text, int width)
{
    if (width <= 0 || text.size() <= width)
        return text;
    for (qsizetype i = width; i < text.size(); ++i)
        if (text.at(i) != QLatin1Char(' '))
            return text;
    return text.left(width);
}
