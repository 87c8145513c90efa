#include "store/PgFields.h"

#include "store/FieldText.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <limits>

using StoreRow::isStored;
using StoreRow::Row;
using StoreRow::slotOf;

namespace PgFields {

// Money as ten-thousandths from the text of a numeric; false for what does not fit.
bool parseMoney(const char* p, int n, qint64& out)
{
    int i = 0;
    const bool negative = n > 0 && p[0] == '-';
    if (n > 0 && (p[0] == '-' || p[0] == '+'))
        ++i;
    qint64 whole = 0;
    int digits = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i, ++digits) {
        if (digits == 14) // a wider column's value: refused before it can overflow
            return false;
        whole = whole * 10 + (p[i] - '0');
    }
    qint64 fraction = 0;
    int scale = 0;
    if (i < n && p[i] == '.')
        for (++i; i < n && p[i] >= '0' && p[i] <= '9'; ++i)
            if (scale < 4) {
                fraction = fraction * 10 + (p[i] - '0');
                ++scale;
            }
    if (i != n || (digits == 0 && scale == 0))
        return false;
    for (; scale < 4; ++scale)
        fraction *= 10;
    out = (whole * 10000 + fraction) * (negative ? -1 : 1);
    return true;
}

QByteArray moneyText(qint64 value)
{
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    return (value < 0 ? "-" : "") + QByteArray::number(magnitude / 10000) + '.'
        + QByteArray::number(magnitude % 10000).rightJustified(4, '0');
}

void readColumns(const PGresult* result, int r, Row& row, StoreRow::Texts& texts)
{
    row.id = std::strtoll(PQgetvalue(result, r, 0), nullptr, 10);
    int column = 1;
    for (int f = 0; f < TicketRecord::FieldCount; ++f) {
        if (!isStored(f))
            continue;
        const int slot = slotOf(f);
        const char* value = PQgetvalue(result, r, column);
        const int length = PQgetlength(result, r, column);
        const bool null = PQgetisnull(result, r, column);
        ++column;
        switch (TicketRecord::Fields[f].kind) {
        case FieldKind::Integer: {
            char* end = nullptr;
            const long long number = null ? 0 : std::strtoll(value, &end, 10);
            if (null || end != value + length || number < std::numeric_limits<int>::min()
                || number > std::numeric_limits<int>::max())
                row.nulls |= 1u << f;
            else
                row.num[slot] = number;
            break;
        }
        case FieldKind::Currency:
            if (null || !parseMoney(value, length, row.num[slot]))
                row.nulls |= 1u << f;
            break;
        case FieldKind::DateTime:
            if (null || !FieldText::parseIso(value, length, row.num[slot]))
                row.nulls |= 1u << f; // a date this program cannot show is shown empty, kept on the server
            break;
        default:
            if (!null)
                row.text[slot] = texts[slot].add(value, length);
        }
    }
}

// A field's value as a text parameter; null when the field is null.
QByteArray parameter(const Row& row, int field, const StoreRow::Texts& texts)
{
    if (row.isNull(field))
        return QByteArray();
    const int slot = slotOf(field);
    switch (TicketRecord::Fields[field].kind) {
    case FieldKind::Integer:
        return QByteArray::number(row.num[slot]);
    case FieldKind::Currency:
        return moneyText(row.num[slot]);
    case FieldKind::DateTime:
        return FieldText::toIso(row.num[slot]);
    default:
        return texts[slot].bytes(row.text[slot]).toByteArray();
    }
}

QByteArray columnType(const FieldDef& def)
{
    switch (def.kind) {
    case FieldKind::Integer:
        return "integer";
    case FieldKind::DateTime:
        return "timestamp";
    case FieldKind::Currency:
        return "numeric(19,4)";
    case FieldKind::Memo:
        return "text";
    default:
        return "varchar(" + QByteArray::number(def.size) + ')';
    }
}

} // namespace PgFields
