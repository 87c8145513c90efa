#pragma once

#include "store/rows/StoreRow.h"

#include <QByteArrayView>

#include <functional>
#include <vector>

namespace StoreRow {

// The rows in the byte order of one text field, made once per read of the
// store, so that the rows whose text begins with a given text are found by
// two binary searches and only they are touched. Rows changed or added since
// it was made are judged one by one.
class PrefixIndex
{
public:
    PrefixIndex(int field, const std::vector<Row>& rows, const Texts& texts);

    // Row `index` was appended or changed in place.
    void rowChanged(qint32 index);

    // Sets passes[row] for every row: not deleted, and its text empty or
    // beginning with `prefix` (a non-empty text); a row changed since the
    // index was made passes when `judge` says so.
    void select(QByteArrayView prefix, const std::vector<quint8>& deleted, std::vector<quint8>& passes,
                const std::function<bool(qint32)>& judge) const;

private:
    struct Entry
    {
        TextRef text;
        qint32 row;
    };

    const TextColumn& m_column;
    qint32 m_size;              // rows when it was made
    std::vector<Entry> m_sorted; // the rows with a text, by its bytes
    std::vector<qint32> m_empty; // the rows without one, in order
    std::vector<quint8> m_stale; // per row made over: changed since
    std::vector<qint32> m_changed;
};

} // namespace StoreRow
