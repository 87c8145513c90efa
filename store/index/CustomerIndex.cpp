#include "store/index/CustomerIndex.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace StoreRow {

using TicketRecord::IMEI;
using TicketRecord::cislo;
using TicketRecord::jmeno;
using TicketRecord::prijato;
using TicketRecord::tel;

// The keys of every row, in blocks that never move, so that adding one to a
// million never copies the others. A key: the name's length, the phone's
// length (a byte each, as 255 bytes hold any name the table takes), then both.
class CustomerIndex::Keys
{
public:
    static constexpr quint32 BlockBits = 20;
    static constexpr quint32 BlockSize = 1u << BlockBits;

    quint32 add(const QByteArray& name, const QByteArray& phone)
    {
        const auto nameSize = quint8(std::min<qsizetype>(name.size(), 255));
        const auto phoneSize = quint8(std::min<qsizetype>(phone.size(), 255));
        const quint32 size = 2u + nameSize + phoneSize;
        if (m_blocks.empty() || m_used + size > BlockSize) {
            m_blocks.push_back(std::make_unique<char[]>(BlockSize));
            m_used = 0;
        }
        char* key = m_blocks.back().get() + m_used;
        key[0] = char(nameSize);
        key[1] = char(phoneSize);
        std::memcpy(key + 2, name.constData(), nameSize);
        std::memcpy(key + 2 + nameSize, phone.constData(), phoneSize);
        const quint32 pos = quint32(m_blocks.size() - 1) << BlockBits | m_used;
        m_used += size;
        return pos;
    }

    const unsigned char* at(quint32 pos) const
    {
        return reinterpret_cast<const unsigned char*>(m_blocks[pos >> BlockBits].get() + (pos & (BlockSize - 1)));
    }

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    quint32 m_used = 0;
};

namespace {

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
    qint32 row;

    bool newerThan(const Rank& other) const
    {
        if (date != other.date)
            return date > other.date;
        if (number != other.number)
            return number > other.number;
        return id > other.id;
    }
};

Rank rankOf(const Row& row, qint32 index)
{
    constexpr qint64 Empty = std::numeric_limits<qint64>::min();
    return { row.isNull(prijato) ? Empty : row.num[slotOf(prijato)],
        row.isNull(cislo) ? Empty : row.num[slotOf(cislo)], row.id, index };
}

} // namespace

CustomerIndex::CustomerIndex(const std::vector<Row>& rows, const Texts& texts)
    : m_rows(rows)
    , m_texts(texts)
    , m_keys(std::make_unique<Keys>())
{
    m_keyOf.resize(rows.size());
    for (qint32 i = 0; i < qint32(rows.size()); ++i)
        setKey(i);
}

CustomerIndex::~CustomerIndex() = default;

void CustomerIndex::setKey(qint32 index)
{
    const Row& row = m_rows[size_t(index)];
    const TextColumn& names = m_texts[slotOf(jmeno)];
    const QByteArray name = foldName(names.view(row.text[slotOf(jmeno)]));
    const TextColumn& phones = m_texts[slotOf(tel)];
    const QByteArray phone = phoneKey(phones.view(row.text[slotOf(tel)]));
    m_keyOf[size_t(index)] = m_keys->add(name, phone);
}

void CustomerIndex::rowChanged(qint32 index)
{
    if (size_t(index) >= m_keyOf.size())
        m_keyOf.resize(size_t(index) + 1);
    setKey(index);
}

CustomerIndex::Found CustomerIndex::find(const CustomerQuery& query, const std::vector<quint8>& deleted, int limit) const
{
    Found found;
    if (query.isEmpty() || limit <= 0)
        return found;
    const TextColumn& imeis = m_texts[slotOf(IMEI)];
    const int imeiSlot = slotOf(IMEI);
    const int cisloSlot = slotOf(cislo);
    const bool readsRow = !query.imei.isEmpty() || query.cislo;

    // The newest `limit` so far, the oldest of them on top.
    std::vector<Rank> newest;
    newest.reserve(size_t(limit));
    const auto older = [](const Rank& a, const Rank& b) { return a.newerThan(b); };

    // From the end: the rows read last are mostly the newest, so that few
    // matches further on displace one already kept.
    for (qint32 i = qint32(m_keyOf.size()) - 1; i >= 0; --i) {
        if (deleted[size_t(i)])
            continue;
        bool hit = false;
        if (readsRow) {
            const Row& row = m_rows[size_t(i)];
            hit = (query.cislo && !row.isNull(cislo) && row.num[cisloSlot] == *query.cislo)
                || (!query.imei.isEmpty() && imeis.bytes(row.text[imeiSlot]).startsWith(query.imei));
        }
        if (!hit && (!query.name.isEmpty() || !query.phone.isEmpty())) {
            const unsigned char* key = m_keys->at(m_keyOf[size_t(i)]);
            hit = query.name.isEmpty() ? atWordStart(key + 2 + key[0], key[1], query.phone)
                                       : atWordStart(key + 2, key[0], query.name);
        }
        if (!hit)
            continue;
        ++found.total;
        if (newest.size() < size_t(limit)) {
            newest.push_back(rankOf(m_rows[size_t(i)], i));
            std::push_heap(newest.begin(), newest.end(), older);
        } else {
            const Rank rank = rankOf(m_rows[size_t(i)], i);
            if (rank.newerThan(newest.front())) {
                std::pop_heap(newest.begin(), newest.end(), older);
                newest.back() = rank;
                std::push_heap(newest.begin(), newest.end(), older);
            }
        }
    }
    std::sort(newest.begin(), newest.end(), older);
    found.rows.reserve(newest.size());
    for (const Rank& rank : newest)
        found.rows.push_back(rank.row);
    return found;
}

} // namespace StoreRow
