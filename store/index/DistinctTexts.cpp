#include "store/index/DistinctTexts.h"

#include <QHash>

#include <algorithm>

namespace StoreRow {

quint32 DistinctTexts::hash(QByteArrayView text)
{
    return quint32(qHash(text));
}

qint32 DistinctTexts::find(TextRef ref, quint32 hash)
{
    growFor(m_values.size() + 1);
    const QByteArrayView text = m_column->bytes(ref);
    const size_t mask = m_table.size() - 1;
    size_t at = hash & mask;
    for (; m_table[at].index >= 0; at = (at + 1) & mask) {
        const Slot& slot = m_table[at];
        if (slot.hash != hash)
            continue;
        const TextRef value = m_values[size_t(slot.index)];
        // A text the read shared with an earlier row is the same place.
        if (value.size == ref.size && (value.pos == ref.pos || m_column->bytes(value) == text))
            return slot.index;
    }
    const qint32 index = size();
    m_table[at] = {hash, index};
    m_values.push_back(ref);
    m_digits.push_back(std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
    return index;
}

std::vector<qint32> DistinctTexts::unite(const DistinctTexts& other)
{
    std::vector<qint32> ours(other.m_values.size());
    for (const Slot& slot : other.m_table)
        if (slot.index >= 0)
            ours[size_t(slot.index)] = find(other.m_values[size_t(slot.index)], slot.hash);
    return ours;
}

void DistinctTexts::reserve(size_t size)
{
    m_values.reserve(size);
    m_digits.reserve(size);
}

void DistinctTexts::growFor(size_t size)
{
    if (size * 2 <= m_table.size())
        return;
    size_t capacity = std::max<size_t>(1024, m_table.size());
    while (size * 2 > capacity)
        capacity *= 2;
    std::vector<Slot> old(capacity, Slot {0, -1});
    m_table.swap(old);
    const size_t mask = m_table.size() - 1;
    for (const Slot& slot : old) {
        if (slot.index < 0)
            continue;
        size_t at = slot.hash & mask;
        while (m_table[at].index >= 0)
            at = (at + 1) & mask;
        m_table[at] = slot;
    }
}

} // namespace StoreRow
