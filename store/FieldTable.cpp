#include "store/FieldTable.h"

#include "store/FieldText.h"

QString FieldTable::format(const StoreRow::Row& row, int field, bool edit) const
{
    if (row.isNull(field))
        return QString();
    const int slot = StoreRow::slotOf(field);
    switch (TicketRecord::Fields[field].kind) {
    case FieldKind::Integer:
        return QString::number(row.num[slot]);
    case FieldKind::DateTime:
        return FieldText::displayDate(row.num[slot]);
    case FieldKind::Currency:
        return edit ? FieldText::editMoney(row.num[slot]) : FieldText::displayMoney(row.num[slot]);
    default:
        return textOf(row, field);
    }
}
