#include "store/index/PrefixIndex.h"

#include "store/index/ByteOrder.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace StoreRow {

namespace {

// The first 8 bytes as a big-endian number, zeros past the end: texts
// compare as these numbers do unless both are longer and agree.
quint64 head(QByteArrayView text)
{
    unsigned char bytes[8] = {};
    std::memcpy(bytes, text.data(), size_t(std::min<qsizetype>(text.size(), 8)));
    return qFromBigEndian<quint64>(bytes);
}

} // namespace

PrefixIndex::PrefixIndex(int field, const std::vector<Row>& rows, const Texts& texts)
    : m_column(texts[slotOf(field)])
    , m_size(qint32(rows.size()))
    , m_stale(rows.size(), 0)
{
    const int slot = slotOf(field);
    // Digits alone, as an IMEI field mostly holds, are put in order without comparing texts.
    std::vector<qint32> sorted;
    if (digitRowsInByteOrder(rows, field, texts, m_empty, sorted)) {
        m_sorted.reserve(sorted.size());
        for (const qint32 row : sorted)
            m_sorted.push_back({rows[row].text[slot], row});
        return;
    }
    m_empty.clear();
    struct Keyed
    {
        quint64 head;
        Entry entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (qint32 i = 0; i < m_size; ++i) {
        const TextRef text = rows[i].text[slot];
        if (text.size == 0)
            m_empty.push_back(i);
        else
            keyed.push_back({head(m_column.bytes(text)), {text, i}});
    }
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (a.entry.text.size <= 8 && b.entry.text.size <= 8)
            return a.entry.text.size < b.entry.text.size;
        return compareBytes(m_column.bytes(a.entry.text), m_column.bytes(b.entry.text)) < 0;
    });
    m_sorted.reserve(keyed.size());
    for (const Keyed& k : keyed)
        m_sorted.push_back(k.entry);
}

void PrefixIndex::rowChanged(qint32 index)
{
    if (index < m_size && m_stale[index])
        return;
    if (index < m_size)
        m_stale[index] = 1;
    m_changed.push_back(index);
}

void PrefixIndex::select(QByteArrayView prefix, const std::vector<quint8>& deleted, std::vector<quint8>& passes,
                         const std::function<bool(qint32)>& judge) const
{
    std::fill(passes.begin(), passes.end(), 0);
    const auto fresh = [&](qint32 row) { return !m_stale[row] && !deleted[row]; };
    for (const qint32 row : m_empty)
        if (fresh(row))
            passes[row] = 1;
    // A text's first bytes, as long as the prefix: the sorted texts are in their order too.
    const auto start = [&](const Entry& e) {
        const QByteArrayView text = m_column.bytes(e.text);
        return text.first(std::min(text.size(), prefix.size()));
    };
    const auto from = std::lower_bound(m_sorted.begin(), m_sorted.end(), prefix,
                                       [&](const Entry& e, QByteArrayView p) { return compareBytes(start(e), p) < 0; });
    const auto to = std::upper_bound(from, m_sorted.end(), prefix,
                                     [&](QByteArrayView p, const Entry& e) { return compareBytes(p, start(e)) < 0; });
    for (auto it = from; it != to; ++it)
        if (fresh(it->row))
            passes[it->row] = 1;
    for (const qint32 row : m_changed)
        passes[row] = !deleted[row] && judge(row);
}

} // namespace StoreRow
