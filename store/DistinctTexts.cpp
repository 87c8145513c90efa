#include "store/DistinctTexts.h"

#include <algorithm>
#include <cstring>

namespace StoreRow {

quint32 DistinctTexts::hash(QByteArrayView text)
{
    // Short texts, mixed into every bit: the table takes the low bits, callers may split by the top one.
    const char* p = text.data();
    qsizetype n = text.size();
    quint64 h = 0x9E3779B97F4A7C15ull * quint64(n + 1);
    for (; n >= 8; p += 8, n -= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    if (n > 0) {
        quint64 word = 0;
        std::memcpy(&word, p, size_t(n));
        h = (h ^ word) * 0x94D049BB133111EBull;
    }
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return quint32(h >> 32);
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

void DistinctTexts::append(const DistinctTexts& other)
{
    const qint32 offset = size();
    growFor(m_values.size() + other.m_values.size());
    for (const Slot& slot : other.m_table)
        if (slot.index >= 0)
            place({slot.hash, slot.index + offset});
    m_values.insert(m_values.end(), other.m_values.begin(), other.m_values.end());
    m_digits.insert(m_digits.end(), other.m_digits.begin(), other.m_digits.end());
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
    for (const Slot& slot : old)
        if (slot.index >= 0)
            place(slot);
}

void DistinctTexts::place(Slot slot)
{
    const size_t mask = m_table.size() - 1;
    size_t at = slot.hash & mask;
    while (m_table[at].index >= 0)
        at = (at + 1) & mask;
    m_table[at] = slot;
}

} // namespace StoreRow
