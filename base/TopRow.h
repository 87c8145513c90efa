#pragma once

#include <QChar>

// The top row of a Czech keyboard: "+ěščřžýáíé" stand where a US keyboard
// has 1 to 0, so a barcode scanner set to a US layout, or a person typing
// on the top row without Shift, types those letters on a PC set to Czech.
namespace TopRow {

inline constexpr char16_t Letters[] = u"+ěščřžýáíé";

// The digit a top-row character stands for, or the character itself.
inline QChar digitOf(QChar c)
{
    for (int i = 0; i < 10; ++i)
        if (c == QChar(Letters[i]))
            return QChar(u'0' + (i + 1) % 10);
    return c;
}

} // namespace TopRow
