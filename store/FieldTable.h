#pragma once

#include "store/rows/StoreRow.h"

#include <QString>

// The ticket table as its fields (TField) see it: the row a field reads, the
// row a field's write changes, and the texts both refer to. The table offers
// this to its fields, which need nothing else of it.
class FieldTable
{
public:
    // The row field reads address: the row a handler judges, the pending row,
    // or the current one; nullptr when none.
    virtual const StoreRow::Row* readRow() const = 0;
    // The calculated field's value in that row.
    virtual QString calcOfReadRow() const = 0;
    // The row a write of stored `field` changes; raises unless the table edits or inserts.
    virtual StoreRow::Row& rowToSet(int field) = 0;
    // Where a write of the calculated field goes: the pending row's value, or
    // the target of the OnCalcFields handler that runs. Raises as rowToSet.
    virtual QString* calcToSet() = 0;
    // After a write of `field`: the watchers told, the calculated field made again.
    virtual void fieldSet(int field) = 0;

    // A stored text field's text in `row`.
    QString textOf(const StoreRow::Row& row, int field) const
    {
        return texts[StoreRow::slotOf(field)].string(row.text[StoreRow::slotOf(field)]);
    }
    // A stored field's text: DisplayText, or EditText when `edit`.
    QString format(const StoreRow::Row& row, int field, bool edit) const;

    // What the rows' texts refer to, a column per text field. Kept here rather
    // than behind a call: a field's text is read on every row a filter judges.
    StoreRow::Texts texts;

protected:
    FieldTable() = default;
    ~FieldTable() = default;
    FieldTable(const FieldTable&) = delete;
    FieldTable& operator=(const FieldTable&) = delete;
};
