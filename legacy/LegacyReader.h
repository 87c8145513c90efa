#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// Reads the tables of an Access (Jet 3 or Jet 4) database file through
// libmdb and yields their rows as typed values. Errors raise AppError.
class LegacyReader
{
public:
    enum class Type { Boolean, Integer, Currency, Real, DateTime, Text, Memo, Other };

    struct Column
    {
        QString name;
        Type type;
        int fileType; // the file's own type number
    };

    // Integer: Boolean, Byte, Integer and Long Integer; Currency: the file's
    // integer of ten-thousandths; Real: Single, Double and Date/Time (days
    // since 30.12.1899, the time of day as the fraction); Text: Text and Memo.
    struct Value
    {
        enum Kind { Null, Integer, Currency, Real, Text } kind = Null;
        qint64 integer = 0;
        double real = 0;
        QString text;
    };

    // Jet 3 text is in the Windows code page of the machine that wrote it;
    // an iconv name such as "CP1250". Raises AppError for a name iconv lacks.
    explicit LegacyReader(const QString& path, const QString& jet3Codepage = QStringLiteral("CP1250"));
    ~LegacyReader();
    LegacyReader(const LegacyReader&) = delete;
    LegacyReader& operator=(const LegacyReader&) = delete;

    // Whether the file begins like an Access database (any version).
    static bool isAccessFile(const QString& path);

    int jetVersion() const; // 3 or 4 (later versions count as 4)
    QStringList tableNames() const; // user tables

    // Opens a table by name, case ignored; raises when it is not there.
    void openTable(const QString& name);
    QString tableName() const;
    const QList<Column>& columns() const;
    // The row count the table definition states.
    qint64 statedRowCount() const;
    // The next row's values in column order; false after the last row. A value
    // that cannot be read raises AppError naming its row and column, once the
    // row's other values are in `row`.
    bool next(QList<Value>& row);

    // A Date/Time value as a date and time to the second; false for values
    // outside the years 100 to 9999 (and for NaN or infinite ones).
    static bool toDateTime(double oleDays, QDateTime& result);

private:
    void read(int column, Value& value);
    bool usageMapIsSound(quint32 tableDefinitionPage) const;

    struct Impl;
    std::unique_ptr<Impl> d;
};
