#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <variant>

// Writes small Access (Jet 4) files for the tests: the database definition
// page, the object catalog at page 2, one user table with its columns, usage
// maps and data pages, memos in the row, in one long value or in a chain of
// long values over several pages. No indexes,
// no properties. Every file it writes is checked with Debian's mdbtools
// command-line programs, so that it cannot share a mistake with our reader.
class JetWriter
{
public:
    // Column types as the file numbers them.
    enum Type : quint8 { Int = 0x03, Long = 0x04, Money = 0x05, Double = 0x07, DateTime = 0x08, Text = 0x0a, Memo = 0x0c };

    struct Column
    {
        QString name;
        Type type;
        int chars = 0; // Text: the field size in characters
    };

    // Null; Int, Long and Money (ten-thousandths) as integers; DateTime (days
    // since 30.12.1899, the time as the fraction) and Double; Text and Memo.
    using Value = std::variant<std::monostate, qint64, double, QString>;

    JetWriter(QString tableName, QList<Column> columns);

    void addRow(const QList<Value>& values);
    int rowCount() const { return int(m_rows.size()); }

    // Memos of more bytes than this go to a long-value page instead of the row;
    // those too long for one page go to a chain of them.
    void setInlineMemoLimit(int bytes) { m_inlineMemoLimit = bytes; }

    // Damage done to every chain of long values, for the reader's refusals:
    // the last one points back to the first, or past the end of the file (the
    // memo stating twice its length, so that a reader goes on), or the memo
    // states a byte less than its chain holds.
    enum class ChainDamage { None, LoopsBack, RunsPastTheFile, LongerThanStated };
    void setChainDamage(ChainDamage damage) { m_chainDamage = damage; }

    QByteArray build() const;
    bool write(const QString& path) const;

    // Days since 30.12.1899 for a date and time, the way the file keeps them.
    static double oleDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

private:
    QString m_tableName;
    QList<Column> m_columns;
    QList<QList<Value>> m_rows;
    int m_inlineMemoLimit = 2000;
    ChainDamage m_chainDamage = ChainDamage::None;
};
