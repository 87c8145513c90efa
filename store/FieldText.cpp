#include "store/FieldText.h"

#include "base/AppError.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace FieldText {

namespace {

[[noreturn]] void invalid(const QString& text, const char* what)
{
    // A huge paste would make an error box wider than any screen.
    constexpr int Shown = 40;
    const QString shown = text.size() > Shown ? text.left(Shown) + u'…' : text;
    throw AppError(QStringLiteral("'%1' is not a valid %2").arg(shown, QLatin1String(what)));
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x00A0);
}

// The locale's date layout: which part comes first, second and third, and
// the separator between them. Rebuilt only when the default locale changes.
struct DateLayout
{
    QLocale locale;
    QString format; // with a four-digit year
    char order[3] = {'d', 'M', 'y'};
    QString dateSeparator = QStringLiteral(".");
    QString timeFormat;
    QString timeSeparator = QStringLiteral(":");
};

const DateLayout& layout()
{
    static DateLayout cached;
    static bool ready = false;
    const QLocale locale;
    if (ready && cached.locale == locale)
        return cached;
    DateLayout l;
    l.locale = locale;
    l.format = FieldText::shortDateFormat(locale);
    int parts = 0;
    bool separatorTaken = false;
    for (qsizetype i = 0; i < l.format.size(); ++i) {
        const QChar c = l.format.at(i);
        if (c == u'd' || c == u'M' || c == u'y') {
            if (parts < 3 && (i == 0 || l.format.at(i - 1) != c))
                l.order[parts++] = char(c.unicode());
        } else if (!separatorTaken && parts == 1 && !c.isLetter() && !isBlank(c)) {
            l.dateSeparator = c;
            separatorTaken = true;
        }
    }
    l.timeFormat = locale.timeFormat(QLocale::ShortFormat);
    for (const QChar c : l.timeFormat) {
        if (!c.isLetter() && !isBlank(c)) {
            l.timeSeparator = c;
            break;
        }
    }
    cached = l;
    ready = true;
    return cached;
}

QString withoutBlanks(QStringView text)
{
    QString out;
    for (const QChar c : text)
        if (!isBlank(c))
            out += c;
    return out;
}

int digits2(const char* p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

bool allDigits(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

} // namespace

qint64 packDateTime(const QDateTime& value)
{
    return value.date().toJulianDay() * DayMs + value.time().msecsSinceStartOfDay();
}

qint64 packStorable(const QDateTime& value)
{
    const qint64 packed = packDateTime(value);
    // The file keeps four-digit years; any other would be stored but never read back.
    if (!value.isValid() || value.date().year() < 1 || value.date().year() > 9999)
        invalid(displayDate(packed), "date");
    return packed;
}

QDateTime unpackDateTime(qint64 packed)
{
    return QDateTime(QDate::fromJulianDay(packed / DayMs), QTime::fromMSecsSinceStartOfDay(int(packed % DayMs)));
}

bool parseIso(const char* p, int n, qint64& packed)
{
    // yyyy-MM-dd[(T| )HH:mm[:ss[.zzz]]]; a hand-written reader because every row of the file goes through it.
    if (n < 10 || !allDigits(p, 4) || p[4] != '-' || !allDigits(p + 5, 2) || p[7] != '-' || !allDigits(p + 8, 2))
        return false;
    const QDate date((p[0] - '0') * 1000 + (p[1] - '0') * 100 + digits2(p + 2), digits2(p + 5), digits2(p + 8));
    if (!date.isValid())
        return false;
    int ms = 0;
    if (n > 10) {
        if ((p[10] != 'T' && p[10] != ' ') || n < 16 || !allDigits(p + 11, 2) || p[13] != ':' || !allDigits(p + 14, 2))
            return false;
        const int h = digits2(p + 11), m = digits2(p + 14);
        int s = 0, z = 0;
        int i = 16;
        if (i < n && p[i] == ':') {
            if (n < 19 || !allDigits(p + 17, 2))
                return false;
            s = digits2(p + 17);
            i = 19;
            if (i < n && p[i] == '.') {
                int scale = 100;
                for (++i; i < n && p[i] >= '0' && p[i] <= '9'; ++i, scale /= 10)
                    z += (p[i] - '0') * scale;
            }
        }
        if (i != n || h > 23 || m > 59 || s > 59)
            return false;
        ms = ((h * 60 + m) * 60 + s) * 1000 + z;
    }
    packed = date.toJulianDay() * DayMs + ms;
    return true;
}

QByteArray toIso(qint64 packed)
{
    return unpackDateTime(packed).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
}

QString shortDateFormat()
{
    return layout().format;
}

QString shortDateFormat(const QLocale& locale)
{
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    QString format = locale.dateFormat(QLocale::ShortFormat).replace(shortYear, QStringLiteral("yyyy"));
    // Month and day names can't be typed into the intake date's mask, which
    // takes digits only: such locales (the C locale among them) get numbers.
    if (format.contains(QLatin1String("MMM")) || format.contains(QLatin1String("ddd")))
        format = QStringLiteral("dd.MM.yyyy");
    return format;
}

QString displayDate(qint64 packed)
{
    const DateLayout& l = layout();
    const QDateTime value = unpackDateTime(packed);
    QString text = l.locale.toString(value.date(), l.format);
    if (value.time().msecsSinceStartOfDay() != 0)
        text += u' ' + l.locale.toString(value.time(), l.timeFormat);
    return text;
}

QString displayMoney(qint64 money)
{
    const qint64 cents = (money + (money < 0 ? -50 : 50)) / 100;
    return QLocale().toCurrencyString(double(cents) / 100.0, QString(), 2);
}

QString editMoney(qint64 money)
{
    const qint64 cents = (money + (money < 0 ? -50 : 50)) / 100;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(double(cents) / 100.0, 'f', 2);
}

qint32 parseInteger(const QString& text)
{
    QStringView s(text);
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    bool negative = false;
    if (!s.isEmpty() && (s.front() == u'-' || s.front() == u'+')) {
        negative = s.front() == u'-';
        s = s.mid(1);
    }
    if (s.isEmpty())
        invalid(text, "integer value");
    qint64 value = 0;
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            invalid(text, "integer value");
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            invalid(text, "integer value");
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max())
        invalid(text, "integer value");
    return qint32(value);
}

qint64 parseMoney(const QString& text)
{
    const QLocale locale;
    QString s = text.trimmed();
    // Also take the currency form that AsString and DisplayText give.
    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty()) {
        if (s.endsWith(symbol))
            s.chop(symbol.size());
        else if (s.startsWith(symbol))
            s.remove(0, symbol.size());
        s = s.trimmed();
    }
    bool negative = false;
    if (!s.isEmpty() && (s.front() == u'-' || s.front() == locale.negativeSign().front() || s.front() == u'+')) {
        negative = s.front() != u'+';
        s.remove(0, 1);
    }
    const QString point = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    qint64 units = 0;
    qint64 fraction = 0; // ten-thousandths
    int unitDigits = 0, fractionDigits = 0;
    bool inFraction = false;
    bool roundUp = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c >= u'0' && c <= u'9') {
            const int digit = c.unicode() - u'0';
            if (!inFraction) {
                if (++unitDigits > 14)
                    invalid(text, "floating point value");
                units = units * 10 + digit;
            } else {
                ++fractionDigits;
                if (fractionDigits <= 4)
                    fraction = fraction * 10 + digit;
                else if (fractionDigits == 5)
                    roundUp = digit >= 5;
            }
        } else if (!inFraction && QStringView(s).mid(i).startsWith(point)) {
            inFraction = true;
            i += point.size() - 1;
        } else if (!inFraction && unitDigits > 0 && (c == group.front() || isBlank(c) || c == QChar(0x202F))) {
            continue;
        } else {
            invalid(text, "floating point value");
        }
    }
    if (unitDigits == 0 && fractionDigits == 0)
        invalid(text, "floating point value");
    for (int i = fractionDigits; i < 4; ++i)
        fraction *= 10;
    qint64 value = units * 10000 + fraction + (roundUp ? 1 : 0);
    return negative ? -value : value;
}

qint64 parseDate(const QString& text)
{
    const DateLayout& l = layout();
    // Numbers and what stands between them; blanks only pad (an edit mask hands
    // empty positions over as blanks).
    QList<int> numbers;
    QList<int> numberDigits;
    QStringList separators; // separators[i] stands before numbers[i]
    QString between;
    bool rawBlank = false;
    QList<bool> blankBefore;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            int value = 0, count = 0;
            while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9' && count < 9) {
                value = value * 10 + (text.at(i).unicode() - u'0');
                ++count;
                ++i;
            }
            numbers.append(value);
            numberDigits.append(count);
            separators.append(withoutBlanks(between));
            blankBefore.append(rawBlank);
            between.clear();
            rawBlank = false;
        } else {
            between += c;
            rawBlank = rawBlank || isBlank(c);
            ++i;
        }
    }
    const bool trailingOk = withoutBlanks(between).isEmpty();
    const qsizetype n = numbers.size();
    if (!trailingOk || (n != 3 && n != 5 && n != 6) || !separators.value(0).isEmpty()
        || separators.value(1) != l.dateSeparator || separators.value(2) != l.dateSeparator)
        invalid(text, "date");
    int day = 0, month = 0, year = 0;
    for (int part = 0; part < 3; ++part) {
        if (l.order[part] == 'd')
            day = numbers[part];
        else if (l.order[part] == 'M')
            month = numbers[part];
        else
            year = numbers[part];
    }
    const int yearIndex = l.order[0] == 'y' ? 0 : l.order[1] == 'y' ? 1 : 2;
    if (numberDigits[yearIndex] <= 2) {
        // Two-digit years fall in the eighty years before and the twenty after this one.
        const int current = QDate::currentDate().year();
        year += current / 100 * 100;
        if (year > current + 19)
            year -= 100;
        else if (year <= current - 81)
            year += 100;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1 || year > 9999) // four-digit years, as in packStorable
        invalid(text, "date");
    int ms = 0;
    if (n > 3) {
        if (!separators[3].isEmpty() || !blankBefore[3] || separators[4] != l.timeSeparator
            || (n == 6 && separators[5] != l.timeSeparator))
            invalid(text, "date");
        const int h = numbers[3], m = numbers[4], s = n == 6 ? numbers[5] : 0;
        if (h > 23 || m > 59 || s > 59)
            invalid(text, "date");
        ms = ((h * 60 + m) * 60 + s) * 1000;
    }
    return date.toJulianDay() * DayMs + ms;
}

} // namespace FieldText
