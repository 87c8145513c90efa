#pragma once

#include "store/rows/TicketRecord.h"

#include <QDateTime>
#include <QString>

#include <optional>

class FieldTable;

// One field of the ticket table, reading and setting the current row (or, in
// the table's filter and calculation handlers, the row being judged).
// Reads on a closed table or without a current row give empty text or 0.
class TField
{
public:
    TField(FieldTable& table, int index);

    int Index() const { return m_index; }
    QString FieldName() const;
    FieldKind Kind() const;
    int Size() const;
    bool Calculated() const;
    QString EditMask() const; // "!99/99/0099;" on prijato, empty elsewhere

    bool IsNull() const;
    void Clear();

    QString AsString() const;           // dates and money as DisplayText, numbers in decimal
    void setAsString(const QString& v); // text is cut to Size(); others parse like setEditText
    // A stored text field's text without allocating, for handlers that judge
    // every row (OnFilterRecord): valid until the next AsStringView of this
    // field and never after the row or the table changes.
    QStringView AsStringView() const;
    int AsInteger() const; // raises for a stored value beyond 32 bits
    void setAsInteger(int v);
    QDateTime AsDateTime() const;
    void setAsDateTime(const QDateTime& v);
    qint64 AsCurrency() const; // ten-thousandths of the currency unit
    void setAsCurrency(qint64 v);

    // What the grid, an unfocused box and the printout show: dates in the
    // short date format (time only when not 00:00), money as currency.
    QString DisplayText() const;
    // What a focused box edits: money as a plain number with the currency's
    // decimals, dates like DisplayText.
    QString EditText() const;
    // Hands a box's text over; raises the field's error when it refuses it
    // ("'x' is not a valid integer value", "... date", "... floating point value").
    void setEditText(const QString& text);

private:
    QString text(bool edit) const;
    void setNumeric(std::optional<qint64> value);
    int toInteger(qint64 value) const; // raises when beyond 32 bits
    [[noreturn]] void accessError(const char* type) const;

    FieldTable& m_table;
    int m_index;
};
