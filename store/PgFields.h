#pragma once

// A ticket's fields as the shop's server sends and takes them: texts of
// integers, numeric(19,4), timestamps and varchars.

#include "store/rows/StoreRow.h"

#include <QByteArray>

struct pg_result;

namespace PgFields {

// Row `r` of `result`, whose columns are id and then the stored fields in
// field order.
void readColumns(const pg_result* result, int r, StoreRow::Row& row, StoreRow::Texts& texts);
// A field's value as a text parameter; null when the field is null.
QByteArray parameter(const StoreRow::Row& row, int field, const StoreRow::Texts& texts);
// Money as ten-thousandths from the text of a numeric; false for what does not fit.
bool parseMoney(const char* text, int length, qint64& out);
// Ten-thousandths as the text of a numeric(19,4).
QByteArray moneyText(qint64 value);
// The column type a new table gives the field.
QByteArray columnType(const FieldDef& def);

} // namespace PgFields
