#include "store/Imei.h"

bool hasWrongImeiCheckDigit(const QString& text)
{
    if (text.size() != 15)
        return false;
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        int digit = c.unicode() - '0';
        // Every second digit from the left, counting from the second, doubles.
        if (i % 2 == 1) {
            digit *= 2;
            if (digit > 9)
                digit -= 9;
        }
        sum += digit;
    }
    return sum % 10 != 0;
}
