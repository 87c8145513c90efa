#pragma once

#include "store/index/DistinctTexts.h"
#include "store/rows/StoreRow.h"

#include <QCollator>

#include <optional>
#include <vector>

namespace StoreRow {

// The rows in the ascending order of one stored field, kept up to date as
// rows change. Texts compare as the locale collates them, case aside; a text
// of ASCII digits alone (an IMEI, a phone number) collates as its bytes
// compare, so such values are ordered by their bytes and need no collation
// key. Empty values come first and equal values keep the rows' order.
// It refers to the rows and texts it was made over and must be dropped when
// they are read again.
class SortOrder
{
public:
    SortOrder(int field, const std::vector<Row>& rows, const Texts& texts);

    const std::vector<qint32>& order() const { return m_order; }
    bool lessThan(qint32 a, qint32 b) const;
    // Row `index` was appended (`added`) or changed in place.
    void rowChanged(qint32 index, bool added);

private:
    void sortTexts(qint32 rowCount);
    // False when a value is other than digits: the order is then made from the distinct values.
    bool sortDigitRows(qint32 rowCount);
    void findValues(qint32 rowCount);
    // The distinct values given, keyed and put in the order of their keys.
    void sortKeyed(std::vector<qint32>& values);
    int compareValues(qint32 a, qint32 b) const; // distinct values, neither empty
    void makeKey(qint32 value);

    int m_field;
    const std::vector<Row>& m_rows;
    const Texts& m_texts;
    std::vector<qint32> m_order;
    // A text field whose values were all digits when it was sorted is ordered
    // by the rows' texts themselves and keeps none of the tables below.
    bool m_byRowText = false;
    // Other text fields: per row, the index of its value among the distinct
    // values (-1 for the empty text), and per distinct value its collation
    // key if it has one (-1: none; a text of digits alone needs none).
    std::vector<qint32> m_valueIds;
    DistinctTexts m_values;
    std::vector<qint32> m_keyOf;
    std::vector<QCollatorSortKey> m_keys;
    std::optional<QCollator> m_collator;
};

} // namespace StoreRow
