#pragma once

#include "store/rows/TextColumn.h"

#include <vector>

namespace StoreRow {

// The distinct texts of one column, each found again by its bytes through an
// open-addressing table that keeps their hashes, so that it grows without
// reading a text again.
class DistinctTexts
{
public:
    explicit DistinctTexts(const TextColumn& column)
        : m_column(&column)
    {
    }

    // The index of the text among the distinct ones, added when new; -1 for the empty text.
    qint32 find(TextRef ref) { return ref.size ? find(ref, hash(m_column->bytes(ref))) : -1; }
    // Adds the texts of `other`, a set over the same column, that we lack;
    // returns for each of other's texts its index among ours.
    std::vector<qint32> unite(const DistinctTexts& other);

    qint32 size() const { return qint32(m_values.size()); }
    TextRef text(qint32 index) const { return m_values[size_t(index)]; }
    bool digits(qint32 index) const { return m_digits[size_t(index)]; } // ASCII digits alone
    void reserve(size_t size);

private:
    struct Slot
    {
        quint32 hash;
        qint32 index; // -1: free
    };
    static quint32 hash(QByteArrayView text);
    qint32 find(TextRef ref, quint32 hash);
    void growFor(size_t size);

    const TextColumn* m_column;
    std::vector<TextRef> m_values;
    std::vector<quint8> m_digits;
    std::vector<Slot> m_table; // the size a power of two, at most half full
};

} // namespace StoreRow
