#pragma once

// One ticket as the store holds it in memory, and where each field lives in it.

#include "store/rows/TextColumn.h"
#include "store/rows/TicketRecord.h"

#include <QtGlobal>

#include <array>
#include <vector>

namespace StoreRow {

// Where a field's value lives in a Row: numbers, dates and money in `num`,
// texts in `text`; the calculated field in neither.
inline constexpr bool isNumeric(FieldKind kind)
{
    return kind == FieldKind::Integer || kind == FieldKind::DateTime || kind == FieldKind::Currency;
}

inline constexpr bool isText(int field)
{
    const FieldKind kind = TicketRecord::Fields[field].kind;
    return kind == FieldKind::Text || kind == FieldKind::Memo;
}

inline constexpr bool isStored(int field)
{
    return !TicketRecord::Fields[field].calculated;
}

// The stored fields among a post's changed-field bits, in field order.
inline std::vector<int> changedStoredFields(quint32 changedFields)
{
    std::vector<int> changed;
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f) && (changedFields & (1u << f)))
            changed.push_back(f);
    return changed;
}

inline constexpr int computeSlot(int field)
{
    const FieldDef& def = TicketRecord::Fields[field];
    if (def.calculated)
        return -1;
    int slot = 0;
    for (int i = 0; i < field; ++i) {
        const FieldDef& other = TicketRecord::Fields[i];
        if (!other.calculated && isNumeric(other.kind) == isNumeric(def.kind))
            ++slot;
    }
    return slot;
}

inline constexpr std::array<int, TicketRecord::FieldCount> Slots = [] {
    std::array<int, TicketRecord::FieldCount> table {};
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        table[f] = computeSlot(f);
    return table;
}();

inline int slotOf(int field)
{
    return Slots[field];
}

inline constexpr int countSlots(bool numeric)
{
    int n = 0;
    for (const FieldDef& def : TicketRecord::Fields)
        if (!def.calculated && isNumeric(def.kind) == numeric)
            ++n;
    return n;
}

inline constexpr int NumericSlots = countSlots(true);
inline constexpr int TextSlots = countSlots(false);
static_assert(TicketRecord::FieldCount <= 32);

// One row. Texts are null when empty; numbers, dates and money carry a null
// bit. Dates are FieldText::packDateTime values, money ten-thousandths.
struct Row
{
    qint64 id = 0;
    std::array<qint64, NumericSlots> num {};
    std::array<TextRef, TextSlots> text {};
    quint32 nulls = 0; // bit per field index

    bool isNull(int field) const
    {
        if (isNumeric(TicketRecord::Fields[field].kind))
            return nulls & (1u << field);
        return text[slotOf(field)].size == 0;
    }
};

// A row with every field null: a new row.
inline Row emptyRow()
{
    Row row;
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isNumeric(TicketRecord::Fields[f].kind))
            row.nulls |= 1u << f;
    return row;
}

using Texts = std::array<TextColumn, TextSlots>;

} // namespace StoreRow
