#pragma once

#include "store/index/CustomerQuery.h"
#include "store/rows/StoreRow.h"

#include <QByteArray>

#include <memory>
#include <string>
#include <vector>

namespace StoreRow {

// What the customer finder searches, per row: the name folded, the phone
// numbers as digits, the IMEI and the number (see CustomerQuery), made once
// per read of the store and laid out newest first, so that a search reads
// them in order, decodes nothing and stops ranking at the limit. Rows
// changed or added since it was made are judged one by one.
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
    // The key of row `index`, as the index keeps it, into `key`.
    void makeKey(qint32 index, std::string& key) const;
    bool matches(const CustomerQuery& query, const unsigned char* key) const;

    const std::vector<Row>& m_rows;
    const Texts& m_texts;
    std::unique_ptr<Keys> m_keys; // the rows read, newest first
    std::vector<quint8> m_late; // per row: changed or added since, judged from the row itself
    std::vector<qint32> m_lateRows;
};

} // namespace StoreRow
