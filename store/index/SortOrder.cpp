#include "store/index/SortOrder.h"

#include "store/index/ByteOrder.h"

#include <QLocale>

#include <algorithm>
#include <numeric>
#include <thread>
#include <tuple>
#include <utility>

namespace StoreRow {

namespace {

// Collation keys with no string allocated per text: each text is decoded
// into a buffer of the maker's own (the column's is not for two threads),
// which the key's string only borrows.
class KeyMaker
{
public:
    KeyMaker(const QLocale& locale, const TextColumn& column)
        : m_collator(locale)
        , m_column(column)
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    QCollatorSortKey operator()(TextRef ref)
    {
        const QStringView text = m_decoded.view(m_column.bytes(ref));
        return m_collator.sortKey(QString::fromRawData(text.data(), text.size()));
    }

private:
    QCollator m_collator;
    const TextColumn& m_column;
    Utf16Buffer m_decoded;
};

// Room for the rows and values of the coming days: reserved, it costs no
// memory until used, and a new ticket then moves no list.
template <class List>
void reserveRoom(List& list, size_t size)
{
    list.reserve(size + size / 8 + 1024);
}

} // namespace

SortOrder::SortOrder(int field, const std::vector<Row>& rows, const Texts& texts)
    : m_field(field)
    , m_rows(rows)
    , m_texts(texts)
    , m_values(texts[slotOf(field)])
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
    if (sortDigitRows(n)) {
        m_byRowText = true;
        return;
    }
    const TextColumn& column = m_texts[slotOf(m_field)];
    findValues(n);
    const qint32 distinct = m_values.size();
    reserveRoom(m_values, size_t(distinct));
    reserveRoom(m_keyOf, size_t(distinct));
    m_keyOf.assign(distinct, -1);

    std::vector<qint32> digits, others;
    for (qint32 v = 0; v < distinct; ++v)
        (m_values.digits(v) ? digits : others).push_back(v);
    // Merging the values with keys into the digits costs a comparison of
    // texts per step of a binary search: worth it only while they are few.
    if (others.size() * 32 > digits.size()) {
        others.resize(distinct);
        std::iota(others.begin(), others.end(), 0);
        digits.clear();
    }
    sortKeyed(others);
    {
        struct Packed
        {
            quint64 key;
            qint32 value;
        };
        std::vector<Packed> packed(digits.size());
        for (size_t k = 0; k < digits.size(); ++k)
            packed[k] = {packDigits(column.bytes(m_values.text(digits[k]))), digits[k]};
        std::sort(packed.begin(), packed.end(), [&](const Packed& a, const Packed& b) {
            if (a.key != b.key)
                return a.key < b.key;
            return compareBytes(column.bytes(m_values.text(a.value)), column.bytes(m_values.text(b.value))) < 0;
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

void SortOrder::findValues(qint32 n)
{
    const int slot = slotOf(m_field);
    const TextColumn& column = m_texts[slot];
    reserveRoom(m_valueIds, size_t(n));
    m_valueIds.resize(n);
    if (n < 16384) {
        for (qint32 i = 0; i < n; ++i)
            m_valueIds[i] = m_values.find(m_rows[i].text[slot]);
        return;
    }
    // Each half of the rows on a thread of its own, the sets then united.
    const qint32 half = n / 2;
    DistinctTexts upper(column);
    std::thread helper([&] {
        for (qint32 i = half; i < n; ++i)
            m_valueIds[i] = upper.find(m_rows[i].text[slot]);
    });
    for (qint32 i = 0; i < half; ++i)
        m_valueIds[i] = m_values.find(m_rows[i].text[slot]);
    helper.join();
    const std::vector<qint32> ours = m_values.unite(upper);
    for (qint32 i = half; i < n; ++i)
        if (m_valueIds[i] >= 0)
            m_valueIds[i] = ours[size_t(m_valueIds[i])];
}

bool SortOrder::sortDigitRows(qint32 n)
{
    // Rows without a value first in their order, the others behind them.
    std::vector<qint32> empty, sorted;
    if (!digitRowsInByteOrder(m_rows, m_field, m_texts, empty, sorted))
        return false;
    std::copy(sorted.begin(), sorted.end(), std::copy(empty.begin(), empty.end(), m_order.begin()));
    Q_ASSERT(qint32(empty.size() + sorted.size()) == n);
    return true;
}

void SortOrder::sortKeyed(std::vector<qint32>& values)
{
    // Each half keyed and sorted on a thread of its own, then merged.
    const TextColumn& column = m_texts[slotOf(m_field)];
    const size_t half = values.size() >= 8192 ? values.size() / 2 : values.size();
    struct Part
    {
        std::vector<QCollatorSortKey> keys;
        std::vector<qint32> order; // indices into keys
    };
    const auto keyAndSort = [&](size_t from, size_t to, Part& part) {
        KeyMaker make(m_collator->locale(), column);
        part.keys.reserve(to - from);
        for (size_t k = from; k < to; ++k)
            part.keys.push_back(make(m_values.text(values[k])));
        part.order.resize(to - from);
        std::iota(part.order.begin(), part.order.end(), 0);
        std::sort(part.order.begin(), part.order.end(),
                  [&](qint32 a, qint32 b) { return part.keys[a].compare(part.keys[b]) < 0; });
    };
    Part lower, upper;
    std::thread helper;
    if (half < values.size())
        helper = std::thread([&] { keyAndSort(half, values.size(), upper); });
    keyAndSort(0, half, lower);
    if (helper.joinable())
        helper.join();

    m_keys.reserve(values.size());
    const auto adopt = [&](Part& part, size_t from) {
        std::vector<qint32> sorted(part.order.size());
        for (size_t k = 0; k < part.keys.size(); ++k) {
            m_keyOf[values[from + k]] = qint32(m_keys.size());
            m_keys.push_back(std::move(part.keys[k]));
        }
        for (size_t k = 0; k < sorted.size(); ++k)
            sorted[k] = values[from + size_t(part.order[k])];
        return sorted;
    };
    const std::vector<qint32> a = adopt(lower, 0), b = adopt(upper, half);
    std::merge(a.begin(), a.end(), b.begin(), b.end(), values.begin(),
               [&](qint32 x, qint32 y) { return m_keys[m_keyOf[x]].compare(m_keys[m_keyOf[y]]) < 0; });
}

int SortOrder::compareValues(qint32 a, qint32 b) const
{
    if (m_keyOf[a] >= 0 && m_keyOf[b] >= 0)
        return m_keys[m_keyOf[a]].compare(m_keys[m_keyOf[b]]);
    const TextColumn& column = m_texts[slotOf(m_field)];
    if (m_values.digits(a) && m_values.digits(b))
        return compareBytes(column.bytes(m_values.text(a)), column.bytes(m_values.text(b)));
    return m_collator->compare(column.string(m_values.text(a)), column.string(m_values.text(b)));
}

void SortOrder::makeKey(qint32 value)
{
    m_keyOf[value] = qint32(m_keys.size());
    m_keys.push_back(m_collator->sortKey(m_texts[slotOf(m_field)].string(m_values.text(value))));
}

bool SortOrder::lessThan(qint32 a, qint32 b) const
{
    if (m_byRowText) {
        const TextColumn& column = m_texts[slotOf(m_field)];
        const QByteArrayView ta = column.bytes(m_rows[a].text[slotOf(m_field)]);
        const QByteArrayView tb = column.bytes(m_rows[b].text[slotOf(m_field)]);
        if (ta.isEmpty() || tb.isEmpty())
            return ta.isEmpty() != tb.isEmpty() ? ta.isEmpty() : a < b;
        // A value posted since may be other than digits.
        const int c = allDigits(ta) && allDigits(tb)
                          ? compareBytes(ta, tb)
                          : m_collator->compare(QString::fromUtf8(ta), QString::fromUtf8(tb));
        return c != 0 ? c < 0 : a < b;
    }
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
    if (isText(m_field) && !m_byRowText) {
        const qint32 id = m_values.find(m_rows[index].text[slotOf(m_field)]);
        if (id >= 0 && id == qint32(m_keyOf.size())) {
            // A new value: a key unless it is digits, which compare without one.
            m_keyOf.push_back(-1);
            if (!m_values.digits(id))
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

} // namespace StoreRow
