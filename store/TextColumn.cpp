#include "store/TextColumn.h"

#include "app/AppError.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace StoreRow {

TextRef TextColumn::add(const char* utf8, int length)
{
    if (length <= 0)
        return TextRef();
    if (!m_sharing)
        return append(utf8, length);
    const QByteArrayView text(utf8, length);
    TextRef& recent = m_recent[qHash(text) % RecentSize];
    if (recent.size == quint32(length) && bytes(recent) == text) {
        ++m_shared;
        return recent;
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
        m_used = 0;
    }
    std::memcpy(m_blocks.back().get() + m_used, utf8, size_t(length));
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

QStringView TextColumn::decode(QByteArrayView utf8) const
{
    QChar* out = reinterpret_cast<QChar*>(m_buffer.data());
    return QStringView(out, m_decoder.appendToBuffer(out, utf8) - out);
}

} // namespace StoreRow
