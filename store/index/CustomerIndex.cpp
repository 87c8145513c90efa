#include "store/index/CustomerIndex.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <thread>

namespace StoreRow {

using TicketRecord::IMEI;
using TicketRecord::cislo;
using TicketRecord::jmeno;
using TicketRecord::prijato;
using TicketRecord::tel;

namespace {

// A key: the row (4 bytes), the number if it fits 32 bits (4), flags, the
// lengths of the folded name, the phone digits and the IMEI (a byte each),
// then those three. 255 bytes hold any name or number the table takes.
constexpr int HeaderSize = 12;
constexpr quint8 NoNumber = 1;
constexpr quint8 BigNumber = 2; // beyond 32 bits: compared on the row

qint32 int32At(const unsigned char* p)
{
    qint32 value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Whether `text` holds `part` at its start or after a blank.
bool atWordStart(const unsigned char* text, int size, const QByteArray& part)
{
    const auto* p = reinterpret_cast<const unsigned char*>(part.constData());
    const int n = int(part.size());
    for (int i = 0; i + n <= size;) {
        if (text[i] == p[0] && std::memcmp(text + i, p, size_t(n)) == 0)
            return true;
        const void* blank = std::memchr(text + i, ' ', size_t(size - i));
        if (!blank)
            return false;
        i = int(static_cast<const unsigned char*>(blank) - text) + 1;
    }
    return false;
}

// Newest first: by intake date, then number, then id; an empty value is the oldest.
struct Rank
{
    qint64 date;
    qint64 number;
    qint64 id;

    bool newerThan(const Rank& other) const
    {
        if (date != other.date)
            return date > other.date;
        if (number != other.number)
            return number > other.number;
        return id > other.id;
    }
};

Rank rankOf(const Row& row)
{
    constexpr qint64 Empty = std::numeric_limits<qint64>::min();
    return { row.isNull(prijato) ? Empty : row.num[slotOf(prijato)], row.isNull(cislo) ? Empty : row.num[slotOf(cislo)],
        row.id };
}

// The rows newest first. Sorting a million ranks at once would hold them all
// beside the rows: the rows go into buckets of intake dates first, a bucket
// a span of time, and each bucket is then sorted on its own. The rows come
// mostly in the order they were taken in, so the buckets are small.
std::vector<qint32> newestFirst(const std::vector<Row>& rows)
{
    const auto n = qint32(rows.size());
    qint64 low = std::numeric_limits<qint64>::max();
    qint64 high = std::numeric_limits<qint64>::min();
    for (const Row& row : rows)
        if (!row.isNull(prijato)) {
            low = std::min(low, row.num[slotOf(prijato)]);
            high = std::max(high, row.num[slotOf(prijato)]);
        }
    int shift = 0;
    while (low <= high && quint64(high - low) >> shift >= (1u << 20))
        ++shift;
    const qint64 dated = low <= high ? qint64(quint64(high - low) >> shift) + 1 : 0;
    // Bucket 0 the newest span; the rows without a date last.
    const auto bucketOf = [&](const Row& row) {
        return row.isNull(prijato) ? dated : dated - 1 - qint64(quint64(row.num[slotOf(prijato)] - low) >> shift);
    };
    std::vector<qint32> start(size_t(dated) + 2, 0);
    for (const Row& row : rows)
        ++start[size_t(bucketOf(row)) + 1];
    for (size_t b = 1; b < start.size(); ++b)
        start[b] += start[b - 1];
    std::vector<qint32> order(rows.size());
    std::vector<qint32> next(start.begin(), start.end() - 1);
    for (qint32 i = n - 1; i >= 0; --i)
        order[size_t(next[size_t(bucketOf(rows[size_t(i)]))]++)] = i;
    const auto newer = [&](qint32 a, qint32 b) { return rankOf(rows[size_t(a)]).newerThan(rankOf(rows[size_t(b)])); };
    for (size_t b = 0; b + 1 < start.size(); ++b)
        if (start[b + 1] - start[b] > 1)
            std::sort(order.begin() + start[b], order.begin() + start[b + 1], newer);
    return order;
}

} // namespace

// The keys in blocks that never move, walked in the order they were added.
class CustomerIndex::Keys
{
public:
    static constexpr qsizetype BlockSize = 1 << 20;

    void add(const std::string& key)
    {
        if (m_blocks.empty() || m_used.back() + qsizetype(key.size()) > BlockSize) {
            m_blocks.push_back(std::make_unique<unsigned char[]>(BlockSize));
            m_used.push_back(0);
        }
        std::memcpy(m_blocks.back().get() + m_used.back(), key.data(), key.size());
        m_used.back() += qsizetype(key.size());
    }

    // Takes over the keys of `other`, to follow ours.
    void adopt(Keys&& other)
    {
        for (auto& block : other.m_blocks)
            m_blocks.push_back(std::move(block));
        m_used.insert(m_used.end(), other.m_used.begin(), other.m_used.end());
        other.m_blocks.clear();
        other.m_used.clear();
    }

    template <class F>
    void forEach(F&& visit) const
    {
        for (size_t b = 0; b < m_blocks.size(); ++b) {
            const unsigned char* key = m_blocks[b].get();
            const unsigned char* end = key + m_used[b];
            while (key < end) {
                visit(key);
                key += HeaderSize + key[9] + key[10] + key[11];
            }
        }
    }

private:
    std::vector<std::unique_ptr<unsigned char[]>> m_blocks;
    std::vector<qsizetype> m_used;
};

CustomerIndex::CustomerIndex(const std::vector<Row>& rows, const Texts& texts)
    : m_rows(rows)
    , m_texts(texts)
    , m_keys(std::make_unique<Keys>())
    , m_late(rows.size(), 0)
{
    const std::vector<qint32> order = newestFirst(rows);
    const auto addKeys = [this](Keys& keys, const qint32* from, const qint32* to) {
        std::string key;
        for (const qint32* row = from; row != to; ++row) {
            makeKey(*row, key);
            keys.add(key);
        }
    };
    // The older half on a second thread: the counter waits for the index when the finder first opens.
    const qint32* middle = order.data() + order.size() / 2;
    Keys older;
    std::exception_ptr failure;
    std::thread second([&] {
        try {
            addKeys(older, middle, order.data() + order.size());
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        addKeys(*m_keys, order.data(), middle);
    } catch (...) {
        second.join();
        throw;
    }
    second.join();
    if (failure)
        std::rethrow_exception(failure);
    m_keys->adopt(std::move(older));
}

CustomerIndex::~CustomerIndex() = default;

void CustomerIndex::makeKey(qint32 index, std::string& key) const
{
    const Row& row = m_rows[size_t(index)];
    key.resize(HeaderSize);
    const qint64 number = row.num[slotOf(cislo)];
    const qint32 number32 = qint32(number);
    const quint8 flags = row.isNull(cislo) ? NoNumber : number32 != number ? BigNumber : 0;
    std::memcpy(key.data(), &index, 4);
    std::memcpy(key.data() + 4, &number32, 4);
    key[8] = char(flags);
    const auto cut = [&key](size_t from) { // a part longer than a length byte holds is cut short
        if (key.size() - from > 255)
            key.resize(from + 255);
        return quint8(key.size() - from);
    };
    size_t from = key.size();
    appendFoldedName(m_texts[slotOf(jmeno)].bytes(row.text[slotOf(jmeno)]), key);
    key[9] = char(cut(from));
    from = key.size();
    appendPhoneKey(m_texts[slotOf(tel)].bytes(row.text[slotOf(tel)]), key);
    key[10] = char(cut(from));
    from = key.size();
    const QByteArrayView imei = m_texts[slotOf(IMEI)].bytes(row.text[slotOf(IMEI)]);
    key.append(imei.data(), size_t(imei.size()));
    key[11] = char(cut(from));
}

bool CustomerIndex::matches(const CustomerQuery& query, const unsigned char* key) const
{
    const unsigned char* name = key + HeaderSize;
    const unsigned char* phone = name + key[9];
    const unsigned char* imei = phone + key[10];
    if (!query.name.isEmpty())
        return atWordStart(name, key[9], query.name);
    if (query.cislo && !(key[8] & NoNumber)) {
        if (key[8] & BigNumber) {
            if (m_rows[size_t(int32At(key))].num[slotOf(cislo)] == *query.cislo)
                return true;
        } else if (int32At(key + 4) == *query.cislo) {
            return true;
        }
    }
    if (!query.imei.isEmpty() && key[11] >= query.imei.size()
        && std::memcmp(imei, query.imei.constData(), size_t(query.imei.size())) == 0)
        return true;
    return !query.phone.isEmpty() && atWordStart(phone, key[10], query.phone);
}

void CustomerIndex::rowChanged(qint32 index)
{
    if (size_t(index) >= m_late.size())
        m_late.resize(size_t(index) + 1, 0);
    if (!m_late[size_t(index)]) {
        m_late[size_t(index)] = 1;
        m_lateRows.push_back(index);
    }
}

CustomerIndex::Found CustomerIndex::find(const CustomerQuery& query, const std::vector<quint8>& deleted, int limit) const
{
    Found found;
    if (query.isEmpty() || limit <= 0)
        return found;
    // The keys are newest first: the first matches are the ones listed.
    m_keys->forEach([&](const unsigned char* key) {
        const qint32 row = int32At(key);
        if (m_late[size_t(row)] || deleted[size_t(row)] || !matches(query, key))
            return;
        if (found.total++ < limit)
            found.rows.push_back(row);
    });
    // The rows changed since, ranked among those.
    std::string key;
    bool lateFound = false;
    for (const qint32 row : m_lateRows) {
        if (deleted[size_t(row)])
            continue;
        makeKey(row, key);
        if (!matches(query, reinterpret_cast<const unsigned char*>(key.data())))
            continue;
        ++found.total;
        found.rows.push_back(row);
        lateFound = true;
    }
    if (lateFound) {
        std::stable_sort(found.rows.begin(), found.rows.end(),
            [this](qint32 a, qint32 b) { return rankOf(m_rows[size_t(a)]).newerThan(rankOf(m_rows[size_t(b)])); });
        if (found.rows.size() > size_t(limit))
            found.rows.resize(size_t(limit));
    }
    return found;
}

} // namespace StoreRow
