#pragma once

#include "store/StoreRow.h"

#include <QCollator>

#include <optional>
#include <vector>

namespace StoreRow {

// The rows in the ascending order of one stored field, kept up to date as
// rows change. Texts compare by the collation key of each distinct value,
// made once; empty values come first and equal values keep the rows' order.
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
    qint32 valueId(TextRef text);

    int m_field;
    const std::vector<Row>& m_rows;
    const Texts& m_texts;
    std::vector<qint32> m_order;
    // Text fields: per row, the index of its value among the distinct values
    // (-1 for the empty text), and per distinct value its text and collation
    // key, found again through an open-addressing table.
    std::vector<qint32> m_valueIds;
    std::vector<TextRef> m_values;
    std::vector<size_t> m_hashes;
    std::vector<QCollatorSortKey> m_keys;
    std::vector<qint32> m_table; // value index or -1; the size a power of two
    std::optional<QCollator> m_collator;
};

} // namespace StoreRow
