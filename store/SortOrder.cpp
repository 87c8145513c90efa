#include "store/SortOrder.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <tuple>

namespace StoreRow {

SortOrder::SortOrder(int field, const std::vector<Row>& rows, const Texts& texts)
    : m_field(field)
    , m_rows(rows)
    , m_texts(texts)
{
    const qint32 n = qint32(rows.size());
    m_order.resize(n);
    if (isText(field)) {
        // One collation key per distinct value; rows then sort by the rank of their value.
        m_collator.emplace(QLocale());
        m_collator->setCaseSensitivity(Qt::CaseInsensitive);
        const int slot = slotOf(field);
        m_valueIds.resize(n);
        for (qint32 i = 0; i < n; ++i)
            m_valueIds[i] = valueId(rows[i].text[slot]);
        const qint32 distinct = qint32(m_keys.size());
        std::vector<qint32> byKey(distinct);
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(), [&](qint32 a, qint32 b) { return m_keys[a].compare(m_keys[b]) < 0; });
        std::vector<qint32> rank(distinct);
        qint32 r = 0;
        for (qint32 k = 0; k < distinct; ++k) {
            if (k > 0 && m_keys[byKey[k - 1]].compare(m_keys[byKey[k]]) != 0)
                ++r;
            rank[byKey[k]] = r + 1; // 0 is the empty value
        }
        // Counting sort by rank keeps the rows' order among equal values.
        std::vector<qint32> start(size_t(r) + 3, 0);
        for (qint32 i = 0; i < n; ++i)
            ++start[m_valueIds[i] < 0 ? 1 : rank[m_valueIds[i]] + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (qint32 i = 0; i < n; ++i)
            m_order[start[m_valueIds[i] < 0 ? 0 : rank[m_valueIds[i]]]++] = i;
        return;
    }
    struct Key
    {
        bool notNull;
        qint64 value;
        qint32 index;
        bool operator<(const Key& other) const
        {
            return std::tie(notNull, value, index) < std::tie(other.notNull, other.value, other.index);
        }
    };
    std::vector<Key> keys(n);
    const int slot = slotOf(field);
    for (qint32 i = 0; i < n; ++i) {
        const bool null = rows[i].isNull(field);
        keys[i] = {!null, null ? 0 : rows[i].num[slot], i};
    }
    std::sort(keys.begin(), keys.end());
    for (qint32 i = 0; i < n; ++i)
        m_order[i] = keys[i].index;
}

bool SortOrder::lessThan(qint32 a, qint32 b) const
{
    if (isText(m_field)) {
        const qint32 ia = m_valueIds[a], ib = m_valueIds[b];
        if (ia != ib) {
            if (ia < 0 || ib < 0)
                return ia < 0; // empty first
            const int c = m_keys[ia].compare(m_keys[ib]);
            if (c != 0)
                return c < 0;
        }
        return a < b;
    }
    const bool na = m_rows[a].isNull(m_field), nb = m_rows[b].isNull(m_field);
    if (na != nb)
        return na;
    const qint64 va = m_rows[a].num[slotOf(m_field)], vb = m_rows[b].num[slotOf(m_field)];
    if (!na && va != vb)
        return va < vb;
    return a < b;
}

void SortOrder::rowChanged(qint32 index, bool added)
{
    if (isText(m_field)) {
        const qint32 id = valueId(m_rows[index].text[slotOf(m_field)]);
        if (added)
            m_valueIds.push_back(id);
        else
            m_valueIds[index] = id;
    }
    if (!added)
        m_order.erase(std::find(m_order.begin(), m_order.end(), index));
    const auto at = std::lower_bound(m_order.begin(), m_order.end(), index,
                                     [&](qint32 a, qint32 b) { return lessThan(a, b); });
    m_order.insert(at, index);
}

qint32 SortOrder::valueId(TextRef ref)
{
    if (ref.size == 0)
        return -1;
    const TextColumn& column = m_texts[slotOf(m_field)];
    const QByteArrayView text = column.bytes(ref);
    const size_t hash = qHash(text);
    if (m_values.size() * 2 >= m_table.size()) {
        m_table.assign(std::max<size_t>(1024, m_table.size() * 2), -1);
        const size_t mask = m_table.size() - 1;
        for (qint32 id = 0; id < qint32(m_values.size()); ++id) {
            size_t at = m_hashes[id] & mask;
            while (m_table[at] >= 0)
                at = (at + 1) & mask;
            m_table[at] = id;
        }
    }
    const size_t mask = m_table.size() - 1;
    size_t at = hash & mask;
    for (; m_table[at] >= 0; at = (at + 1) & mask) {
        const qint32 id = m_table[at];
        if (m_hashes[id] == hash && column.bytes(m_values[id]) == text)
            return id;
    }
    const qint32 id = qint32(m_values.size());
    m_table[at] = id;
    m_values.push_back(ref);
    m_hashes.push_back(hash);
    m_keys.push_back(m_collator->sortKey(QString::fromUtf8(text)));
    return id;
}

} // namespace StoreRow
