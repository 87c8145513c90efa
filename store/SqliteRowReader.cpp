#include "store/SqliteRowReader.h"

#include "store/FieldText.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <limits>

using StoreRow::Row;
using StoreRow::isStored;
using StoreRow::slotOf;

namespace {

// A number as this or another program stored it. An integer is in the field's
// own unit (ten-thousandths for money); a value with a fraction is in whole
// units, so a script's price of 1234.5 is crowns, rounded to ten-thousandths.
// Text is read as the number it spells. False for anything else and for money
// too large to show, which then reads as null and stays in the file as it is.
bool readNumber(sqlite3_stmt* stmt, int column, bool money, qint64& out)
{
    constexpr qint64 MoneyLimit = std::numeric_limits<qint64>::max() - 10000; // room to round for display
    double real = 0;
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        out = sqlite3_column_int64(stmt, column);
        return !money || (out <= MoneyLimit && out >= -MoneyLimit);
    case SQLITE_FLOAT:
        real = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_TEXT: {
        const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                                        sqlite3_column_bytes(stmt, column));
        bool ok = false;
        out = text.toLongLong(&ok);
        if (ok)
            return !money || (out <= MoneyLimit && out >= -MoneyLimit);
        real = text.toDouble(&ok);
        if (!ok)
            return false;
        break;
    }
    default:
        return false;
    }
    const double scaled = money ? real * 10000.0 : real;
    if (!(std::abs(scaled) < double(MoneyLimit))) // also NaN
        return false;
    out = std::llround(scaled);
    return true;
}

} // namespace

QByteArray SqliteRowReader::selectList()
{
    QByteArray list = "rowid";
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f))
            list += ", \"" + QByteArray(TicketRecord::Fields[f].name) + '"';
    return list;
}

bool SqliteRowReader::parseDate(int slot, const char* text, int size, qint64& out)
{
    LastDate& last = m_lastDates[size_t(slot)];
    if (size == last.size && std::memcmp(text, last.text, size_t(size)) == 0) {
        out = last.packed;
        return last.ok;
    }
    const bool ok = FieldText::parseIso(text, size, out);
    if (size_t(size) <= sizeof last.text) {
        std::memcpy(last.text, text, size_t(size));
        last.size = size;
        last.packed = out;
        last.ok = ok;
    }
    return ok;
}

bool SqliteRowReader::readsAsValue(sqlite3_stmt* stmt, int column, FieldKind kind)
{
    qint64 value = 0;
    if (kind != FieldKind::DateTime)
        return readNumber(stmt, column, kind == FieldKind::Currency, value);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text && FieldText::parseIso(text, sqlite3_column_bytes(stmt, column), value);
}

void SqliteRowReader::read(sqlite3_stmt* stmt, Row& row)
{
    row.id = sqlite3_column_int64(stmt, 0);
    int column = 1;
    for (int f = 0; f < TicketRecord::FieldCount; ++f) {
        if (!isStored(f))
            continue;
        const int slot = slotOf(f);
        const FieldKind kind = TicketRecord::Fields[f].kind;
        if (kind == FieldKind::Integer || kind == FieldKind::Currency) {
            // A ticket number beyond 32 bits is kept whole, never wrapped: it shows and sorts as
            // stored, and TField::AsInteger and New refuse it.
            if (!readNumber(stmt, column, kind == FieldKind::Currency, row.num[slot])) {
                row.num[slot] = 0;
                row.nulls |= 1u << f;
            }
        } else {
            // No text is NULL.
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            if (kind != FieldKind::DateTime) {
                if (text)
                    row.text[slot] = m_texts[slot].add(text, sqlite3_column_bytes(stmt, column));
            } else if (!text || !parseDate(slot, text, sqlite3_column_bytes(stmt, column), row.num[slot])) {
                row.nulls |= 1u << f; // also a text this program cannot read as a date: shown empty, kept in the file
            }
        }
        ++column;
    }
}
