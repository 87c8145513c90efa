#pragma once

#include "store/index/CustomerQuery.h"
#include "store/rows/StoreRow.h"

#include <memory>
#include <vector>

namespace StoreRow {

// What the customer finder searches, per row: the name folded and the phone
// numbers as digits (see CustomerQuery), made once per read of the store and
// kept as rows change, so that a search reads a few bytes per row in order
// and decodes nothing. IMEIs and numbers are read from the rows themselves.
// It refers to the rows and texts it was made over and must be dropped when
// they are read again.
class CustomerIndex
{
public:
    CustomerIndex(const std::vector<Row>& rows, const Texts& texts);
    ~CustomerIndex();

    // Row `index` was appended or changed in place.
    void rowChanged(qint32 index);

    struct Found
    {
        std::vector<qint32> rows; // newest first: by intake date, then number
        qint64 total = 0; // every row that matches
    };
    // The rows, not deleted, that match; at most `limit` of them.
    Found find(const CustomerQuery& query, const std::vector<quint8>& deleted, int limit) const;

private:
    class Keys;
    void setKey(qint32 index);

    const std::vector<Row>& m_rows;
    const Texts& m_texts;
    std::unique_ptr<Keys> m_keys;
    std::vector<quint32> m_keyOf; // per row, where its key lies in m_keys
};

} // namespace StoreRow
