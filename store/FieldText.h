#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The text forms of field values in the default locale, and the stored form of
// dates. Parsers raise AppError with the field errors' texts.
namespace FieldText {

// A date and time as a row holds it: the Julian day times a day's milliseconds
// plus the milliseconds of the day. Local wall-clock time, no zone.
qint64 packDateTime(const QDateTime& value);
QDateTime unpackDateTime(qint64 packed);
constexpr qint64 DayMs = 86400000;
// The Julian day of a packed date.
constexpr qint64 packedDay(qint64 packed)
{
    return packed / DayMs;
}
// The same for a date the file can hold (years 1 to 9999); raises the field's
// "'x' is not a valid date" for any other, x as displayDate shows it.
qint64 packStorable(const QDateTime& value);

// ISO 8601 as the file stores it: "yyyy-MM-ddTHH:mm:ss" (also read: a date
// alone, a blank instead of "T", milliseconds). False when it is not one.
bool parseIso(const char* text, int length, qint64& packed);
QByteArray toIso(qint64 packed);

// The short date format of a locale (of the default locale without one) with
// a four-digit year, in digits only: locales that name months get day, month
// and year as numbers, so that dates fit the intake date's edit mask.
QString shortDateFormat();
QString shortDateFormat(const QLocale& locale);

// Short date, then the short time when the time of day is not 00:00.
QString displayDate(qint64 packed);
// Money in ten-thousandths: the locale's currency form, or a plain number with
// two decimals and no group separators for editing.
QString displayMoney(qint64 money);
QString editMoney(qint64 money);

// Each raises "'x' is not a valid ..." for text it cannot take. Empty text is
// the caller's business (it clears the field).
qint32 parseInteger(const QString& text);
qint64 parseMoney(const QString& text);
qint64 parseDate(const QString& text);

} // namespace FieldText
