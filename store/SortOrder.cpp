#include "store/SortOrder.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>
#include <tuple>

namespace StoreRow {

namespace {

bool allDigits(QByteArrayView text)
{
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int compareBytes(QByteArrayView a, QByteArrayView b)
{
    const int c = std::memcmp(a.data(), b.data(), size_t(std::min(a.size(), b.size())));
    if (c != 0)
        return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// The first 16 digits as nibbles (digit + 1, 0 past the end): two texts of
// digits compare as these numbers do, unless both are longer and agree.
quint64 packDigits(QByteArrayView digits)
{
    quint64 packed = 0;
    const qsizetype n = std::min<qsizetype>(digits.size(), 16);
    for (qsizetype i = 0; i < n; ++i)
        packed |= quint64(digits[i] - '0' + 1) << (60 - 4 * i);
    return packed;
}

// Room for the rows and values of the coming days: reserved, it costs no
// memory until used, and a new ticket then moves no list.
template <class T>
void reserveRoom(std::vector<T>& list, size_t size)
{
    list.reserve(size + size / 8 + 1024);
}

} // namespace

SortOrder::SortOrder(int field, const std::vector<Row>& rows, const Texts& texts)
    : m_field(field)
    , m_rows(rows)
    , m_texts(texts)
{
    const qint32 n = qint32(rows.size());
    reserveRoom(m_order, size_t(n));
    m_order.resize(n);
    if (isText(field)) {
        sortTexts(n);
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

void SortOrder::sortTexts(qint32 n)
{
    m_collator.emplace(QLocale());
    m_collator->setCaseSensitivity(Qt::CaseInsensitive);
    const int slot = slotOf(m_field);
    const TextColumn& column = m_texts[slot];
    reserveRoom(m_valueIds, size_t(n));
    m_valueIds.resize(n);
    for (qint32 i = 0; i < n; ++i)
        m_valueIds[i] = valueId(m_rows[i].text[slot]);
    const qint32 distinct = qint32(m_values.size());
    reserveRoom(m_values, size_t(distinct));
    reserveRoom(m_digits, size_t(distinct));
    reserveRoom(m_keyOf, size_t(distinct));
    m_keyOf.assign(distinct, -1);

    std::vector<qint32> digits, others;
    for (qint32 v = 0; v < distinct; ++v)
        (m_digits[v] ? digits : others).push_back(v);
    // Merging the values with keys into the digits costs a comparison of
    // texts per step of a binary search: worth it only while they are few.
    if (others.size() * 32 > digits.size()) {
        others.resize(distinct);
        std::iota(others.begin(), others.end(), 0);
        digits.clear();
    }
    m_keys.reserve(others.size());
    // Many keys are made on two threads, each with a collator of its own.
    const size_t half = others.size() >= 8192 ? others.size() / 2 : others.size();
    std::vector<QCollatorSortKey> upper;
    std::thread helper;
    if (half < others.size()) {
        upper.reserve(others.size() - half);
        helper = std::thread([&] {
            QCollator collator(m_collator->locale());
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            for (size_t k = half; k < others.size(); ++k)
                upper.push_back(collator.sortKey(column.string(m_values[others[k]])));
        });
    }
    for (size_t k = 0; k < half; ++k)
        makeKey(others[k]);
    if (helper.joinable()) {
        helper.join();
        for (size_t k = half; k < others.size(); ++k) {
            m_keyOf[others[k]] = qint32(m_keys.size());
            m_keys.push_back(std::move(upper[k - half]));
        }
    }
    std::sort(others.begin(), others.end(),
              [&](qint32 a, qint32 b) { return m_keys[m_keyOf[a]].compare(m_keys[m_keyOf[b]]) < 0; });
    {
        struct Packed
        {
            quint64 key;
            qint32 value;
        };
        std::vector<Packed> packed(digits.size());
        for (size_t k = 0; k < digits.size(); ++k)
            packed[k] = {packDigits(column.bytes(m_values[digits[k]])), digits[k]};
        std::sort(packed.begin(), packed.end(), [&](const Packed& a, const Packed& b) {
            if (a.key != b.key)
                return a.key < b.key;
            return compareBytes(column.bytes(m_values[a.value]), column.bytes(m_values[b.value])) < 0;
        });
        for (size_t k = 0; k < digits.size(); ++k)
            digits[k] = packed[k].value;
    }

    // Each keyed value before the first digits not less than it.
    std::vector<qint32> sorted;
    sorted.reserve(distinct);
    auto next = digits.begin();
    for (const qint32 v : others) {
        const auto at = std::lower_bound(next, digits.end(), v, [&](qint32 d, qint32 o) { return compareValues(d, o) < 0; });
        sorted.insert(sorted.end(), next, at);
        sorted.push_back(v);
        next = at;
    }
    sorted.insert(sorted.end(), next, digits.end());

    std::vector<qint32> rank(distinct);
    qint32 r = 0;
    for (qint32 k = 0; k < distinct; ++k) {
        if (k > 0 && compareValues(sorted[k - 1], sorted[k]) != 0)
            ++r;
        rank[sorted[k]] = r + 1; // 0 is the empty value
    }
    // Counting sort by rank keeps the rows' order among equal values.
    std::vector<qint32> start(size_t(r) + 3, 0);
    for (qint32 i = 0; i < n; ++i)
        ++start[m_valueIds[i] < 0 ? 1 : rank[m_valueIds[i]] + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (qint32 i = 0; i < n; ++i)
        m_order[start[m_valueIds[i] < 0 ? 0 : rank[m_valueIds[i]]]++] = i;
}

int SortOrder::compareValues(qint32 a, qint32 b) const
{
    if (m_keyOf[a] >= 0 && m_keyOf[b] >= 0)
        return m_keys[m_keyOf[a]].compare(m_keys[m_keyOf[b]]);
    const TextColumn& column = m_texts[slotOf(m_field)];
    if (m_digits[a] && m_digits[b])
        return compareBytes(column.bytes(m_values[a]), column.bytes(m_values[b]));
    return m_collator->compare(column.string(m_values[a]), column.string(m_values[b]));
}

void SortOrder::makeKey(qint32 value)
{
    m_keyOf[value] = qint32(m_keys.size());
    m_keys.push_back(m_collator->sortKey(m_texts[slotOf(m_field)].string(m_values[value])));
}

bool SortOrder::lessThan(qint32 a, qint32 b) const
{
    if (isText(m_field)) {
        const qint32 ia = m_valueIds[a], ib = m_valueIds[b];
        if (ia != ib) {
            if (ia < 0 || ib < 0)
                return ia < 0; // empty first
            const int c = compareValues(ia, ib);
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
        if (id >= 0 && id == qint32(m_keyOf.size())) {
            // A new value: a key unless it is digits, which compare without one.
            m_keyOf.push_back(-1);
            if (!m_digits[id])
                makeKey(id);
        }
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
    if (m_values.size() * 2 >= m_table.size()) {
        m_table.assign(std::max<size_t>(1024, m_table.size() * 2), -1);
        const size_t mask = m_table.size() - 1;
        for (qint32 id = 0; id < qint32(m_values.size()); ++id) {
            size_t at = qHash(column.bytes(m_values[id])) & mask;
            while (m_table[at] >= 0)
                at = (at + 1) & mask;
            m_table[at] = id;
        }
    }
    const size_t mask = m_table.size() - 1;
    size_t at = qHash(text) & mask;
    for (; m_table[at] >= 0; at = (at + 1) & mask) {
        const qint32 id = m_table[at];
        if (m_values[id].size == ref.size && column.bytes(m_values[id]) == text)
            return id;
    }
    const qint32 id = qint32(m_values.size());
    m_table[at] = id;
    m_values.push_back(ref);
    m_digits.push_back(allDigits(text));
    return id;
}

} // namespace StoreRow
