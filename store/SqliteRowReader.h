#pragma once

#include "store/rows/StoreRow.h"

#include <QByteArray>

#include <vector>

struct sqlite3_stmt;

// Decodes the rows a query of selectList() steps through into rows and
// their texts; keeps what one row tells about the next (the last dates).
class SqliteRowReader
{
public:
    SqliteRowReader(std::vector<StoreRow::Row>& rows, StoreRow::Texts& texts)
        : m_rows(rows)
        , m_texts(texts)
    {
    }

    // The row id and the stored columns in field order.
    static QByteArray selectList();

    // The statement's current row, appended to the rows.
    void append(sqlite3_stmt* stmt)
    {
        m_rows.emplace_back();
        read(stmt, m_rows.back());
    }
    // The statement's current row into `row`, a new one.
    void read(sqlite3_stmt* stmt, StoreRow::Row& row);

    // Whether a number, date or money value in `column` reads as something
    // other than empty; false for NULL and for what read() takes as empty.
    static bool readsAsValue(sqlite3_stmt* stmt, int column, FieldKind kind);

private:
    bool parseDate(int slot, const char* text, int size, qint64& out);

    // The last date text read in each field and what it meant: tickets come
    // in the order they were taken, many on one day, so most dates repeat
    // the row before's.
    struct LastDate
    {
        char text[24];
        int size = -1;
        qint64 packed = 0;
        bool ok = false;
    };

    std::vector<StoreRow::Row>& m_rows;
    StoreRow::Texts& m_texts;
    std::array<LastDate, StoreRow::NumericSlots> m_lastDates {};
};
