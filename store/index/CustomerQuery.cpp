#include "store/index/CustomerQuery.h"

#include "base/TopRow.h"

#include <array>
#include <string>

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

void appendUtf8(std::string& out, char16_t c)
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

// The next character of UTF-8 text from `i` on; 0 for a character beyond
// 16 bits or a broken sequence, which separate words as any other mark does.
char16_t nextChar(QByteArrayView utf8, qsizetype& i)
{
    const auto byte = [&](qsizetype at) { return at < utf8.size() ? quint8(utf8[at]) : quint8(0); };
    const quint8 b = byte(i++);
    if (b < 0x80)
        return b;
    if ((b & 0xE0) == 0xC0 && (byte(i) & 0xC0) == 0x80)
        return char16_t((b & 0x1F) << 6 | (byte(i++) & 0x3F));
    if ((b & 0xF0) == 0xE0 && (byte(i) & 0xC0) == 0x80 && (byte(i + 1) & 0xC0) == 0x80) {
        const auto c = char16_t((b & 0x0F) << 12 | (byte(i) & 0x3F) << 6 | (byte(i + 1) & 0x3F));
        i += 2;
        return c;
    }
    while (i < utf8.size() && (byte(i) & 0xC0) == 0x80)
        ++i;
    return 0;
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
    for (const QChar c : text) {
        const QChar digit = TopRow::digitOf(c.toLower());
        digits += digit.isDigit() ? digit : c;
    }
    return digits;
}

} // namespace

void appendFoldedName(QByteArrayView utf8, std::string& out, bool query)
{
    const size_t start = out.size();
    bool gap = false;
    for (qsizetype i = 0; i < utf8.size();) {
        const char16_t folded = fold(nextChar(utf8, i));
        if (!folded) {
            gap = true;
            continue;
        }
        if (gap && out.size() > start)
            out += ' ';
        gap = false;
        appendUtf8(out, folded);
    }
    if (out.size() > start && (!query || gap))
        out += ' ';
}

QByteArray foldName(QStringView text, bool query)
{
    std::string out;
    appendFoldedName(text.toUtf8(), out, query);
    return QByteArray::fromStdString(out);
}

void appendPhoneKey(QByteArrayView utf8, std::string& out)
{
    // Digits and the marks left out are ASCII: any byte of another character ends a number.
    size_t number = out.size();
    bool plus = false;
    auto finish = [&] {
        const QByteArrayView digits = QByteArrayView(out).sliced(qsizetype(number));
        const size_t country = plus && digits.startsWith("420") ? 3 : !plus && digits.startsWith("00420") ? 5 : 0;
        out.erase(number, country);
        if (out.size() > number)
            out += ' ';
        number = out.size();
        plus = false;
    };
    for (const char c : utf8) {
        if (c >= '0' && c <= '9') {
            out += c;
        } else if (!ignoredInNumber(QChar(quint8(c)))) {
            finish();
            plus = c == '+';
        }
    }
    finish();
}

QByteArray phoneKey(QStringView text)
{
    std::string out;
    appendPhoneKey(text.toUtf8(), out);
    return QByteArray::fromStdString(out);
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
