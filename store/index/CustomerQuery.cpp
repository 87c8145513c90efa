#include "store/index/CustomerQuery.h"

#include "base/TopRow.h"

#include <array>

namespace StoreRow {

namespace {

// The folded form of one character: 0 for a character that separates words.
char16_t foldSlow(char16_t c)
{
    QChar ch(c);
    if (ch.isSurrogate())
        return 0;
    if (ch.decompositionTag() == QChar::Canonical)
        ch = ch.decomposition().front();
    ch = ch.toCaseFolded();
    return ch.isLetterOrNumber() ? ch.unicode() : 0;
}

char16_t fold(char16_t c)
{
    if (c < 0x80) {
        if (c >= u'A' && c <= u'Z')
            return char16_t(c + 32);
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ? c : 0;
    }
    // The Latin letters of Europe by a table, made once: names are folded by the million.
    static constexpr char16_t TableEnd = 0x250;
    static const auto table = [] {
        std::array<char16_t, TableEnd - 0x80> folded {};
        for (char16_t i = 0x80; i < TableEnd; ++i)
            folded[i - 0x80] = foldSlow(i);
        return folded;
    }();
    return c < TableEnd ? table[c - 0x80] : foldSlow(c);
}

void appendUtf8(QByteArray& out, char16_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool ignoredInNumber(QChar c)
{
    return c == u' ' || c == u'-' || c == u'.' || c == u'(' || c == u')';
}

// The country code goes from a number written with it: "+420 777" and "777" are one number.
QByteArray withoutCountry(QByteArray digits, bool plus)
{
    if (plus && digits.startsWith("420"))
        digits.remove(0, 3);
    else if (!plus && digits.startsWith("00420"))
        digits.remove(0, 5);
    return digits;
}

// The top row of a Czech keyboard as digits, when every letter of the text
// (after a leading "T") is one of it: a name like "Řehoř" stays as typed.
QString topRowAsDigits(QStringView text)
{
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i].toLower();
        if (TopRow::digitOf(c) != c)
            any = any || c != u'+';
        else if (c.isLetter() && !(i == 0 && c == u't'))
            return text.toString();
    }
    if (!any)
        return text.toString();
    QString digits;
    for (const QChar c : text)
        digits += TopRow::digitOf(c.toLower()) == c.toLower() ? c : TopRow::digitOf(c.toLower());
    return digits;
}

} // namespace

QByteArray foldName(QStringView text, bool query)
{
    QByteArray out;
    out.reserve(text.size() + 1);
    bool gap = false;
    for (const QChar c : text) {
        const char16_t folded = fold(c.unicode());
        if (!folded) {
            gap = true;
            continue;
        }
        if (gap && !out.isEmpty())
            out += ' ';
        gap = false;
        appendUtf8(out, folded);
    }
    if (!out.isEmpty() && (!query || gap))
        out += ' ';
    return out;
}

QByteArray phoneKey(QStringView text)
{
    QByteArray out;
    QByteArray number;
    bool plus = false;
    auto finish = [&] {
        number = withoutCountry(number, plus);
        if (!number.isEmpty())
            out += number + ' ';
        number.clear();
        plus = false;
    };
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            number += char(c.unicode());
        } else if (!ignoredInNumber(c)) {
            finish();
            plus = c == u'+';
        }
    }
    finish();
    return out;
}

CustomerQuery CustomerQuery::parse(QStringView typed)
{
    const QString text = topRowAsDigits(typed.trimmed());
    CustomerQuery query;
    if (text.isEmpty())
        return query;

    // "T123", as a scanner types a ticket's barcode: that ticket alone.
    if (text.size() > 1 && (text[0] == u'T' || text[0] == u't')) {
        bool ok = false;
        const qint64 cislo = text.mid(1).toLongLong(&ok);
        if (ok && text.size() <= 19 && text[1].isDigit()) {
            query.cislo = cislo;
            return query;
        }
    }

    const bool plus = text.startsWith(u'+');
    QByteArray digits;
    bool onlyDigits = true;
    for (qsizetype i = plus ? 1 : 0; i < text.size() && onlyDigits; ++i) {
        if (text[i] >= u'0' && text[i] <= u'9')
            digits += char(text[i].unicode());
        else
            onlyDigits = ignoredInNumber(text[i]);
    }
    if (onlyDigits && !digits.isEmpty()) {
        query.imei = digits;
        query.phone = withoutCountry(digits, plus);
        bool ok = false;
        const qint64 cislo = digits.toLongLong(&ok);
        if (ok && !plus)
            query.cislo = cislo;
        return query;
    }
    // A blank typed at the end asks for whole words.
    const bool blankAtEnd = typed.back().isSpace();
    query.name = foldName(blankAtEnd ? text + u' ' : text, true);
    return query;
}

} // namespace StoreRow
