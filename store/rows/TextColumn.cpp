#include "store/rows/TextColumn.h"

#include "base/AppError.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstring>

namespace StoreRow {

namespace {

// The first and the last eight bytes of a text (a shorter one zero-padded):
// for texts of up to 16 bytes, most of a field's, they are the whole text,
// compared and copied without a library call.
struct Ends
{
    quint64 head = 0;
    quint64 tail = 0;

    Ends(const char* text, int length)
    {
        if (length >= 8) {
            std::memcpy(&head, text, 8);
            std::memcpy(&tail, text + length - 8, 8);
        } else {
            for (int i = 0; i < length; ++i)
                head |= quint64(static_cast<unsigned char>(text[i])) << (8 * i);
        }
    }
    bool operator==(const Ends&) const = default;
};

// Only picks a slot among the recent texts, so a collision merely costs a
// copy: the ends and the length, mixed, are enough and far cheaper per text
// than a full hash.
quint32 slotHash(const Ends& ends, int length)
{
    const quint64 mixed = (ends.head ^ (ends.tail * 0x9E3779B97F4A7C15ull) ^ quint64(length)) * 0xFF51AFD7ED558CCDull;
    return quint32(mixed >> 40);
}

void copy(char* to, const char* from, int length)
{
    if (length > 16 || length < 8) {
        std::memcpy(to, from, size_t(length));
        return;
    }
    quint64 head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + length - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + length - 8, &tail, 8);
}

} // namespace

TextRef TextColumn::add(const char* utf8, int length)
{
    if (length <= 0)
        return TextRef();
    if (!m_sharing)
        return append(utf8, length);
    const Ends ends(utf8, length);
    TextRef& recent = m_recent[slotHash(ends, length) % RecentSize];
    if (recent.size == quint32(length)) {
        const char* kept = bytes(recent).data();
        if (length <= 16 ? Ends(kept, length) == ends : std::memcmp(kept, utf8, size_t(length)) == 0) {
            ++m_shared;
            return recent;
        }
    }
    recent = append(utf8, length);
    if (++m_tried == TrialSize && m_shared < TrialSize / 2)
        m_sharing = false;
    return recent;
}

TextRef TextColumn::append(const char* utf8, int length)
{
    if (m_capacity - m_used < length) {
        if (m_blocks.size() >= m_maxBlocks)
            throw AppError(QStringLiteral("The texts of one field of the table are too large to hold in memory"));
        // Blocks grow with the table; an offset must fit in 24 bits.
        const qsizetype next = std::min<qsizetype>(qsizetype(1) << 24, m_blocks.empty() ? 16384 : m_capacity * 2);
        m_capacity = std::max<qsizetype>(next, length);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size_t(m_capacity)));
        Platform::preferHugePages(m_blocks.back().get(), size_t(m_capacity));
        m_used = 0;
    }
    copy(m_blocks.back().get() + m_used, utf8, length);
    const TextRef ref {quint32((m_blocks.size() - 1) << 24 | m_used), quint32(length)};
    m_used += length;
    return ref;
}

quint32 TextColumn::adopt(TextColumn&& other)
{
    const size_t shift = m_blocks.size();
    if (other.m_blocks.empty())
        return 0;
    if (shift + other.m_blocks.size() > m_maxBlocks)
        throw AppError(QStringLiteral("The texts of one field of the table are too large to hold in memory"));
    for (auto& block : other.m_blocks)
        m_blocks.push_back(std::move(block));
    other.m_blocks.clear();
    // New texts go on in other's last block.
    m_used = other.m_used;
    m_capacity = other.m_capacity;
    return quint32(shift);
}

TextRef TextColumn::add(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    return add(utf8.constData(), int(utf8.size()));
}

QString TextColumn::string(TextRef ref) const
{
    return QString::fromUtf8(bytes(ref));
}

QStringView Utf16Buffer::decode(QByteArrayView utf8)
{
    QChar* out = reinterpret_cast<QChar*>(m_buffer.data());
    return QStringView(out, m_decoder.appendToBuffer(out, utf8) - out);
}

} // namespace StoreRow
