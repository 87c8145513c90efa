#include "store/TextColumn.h"

#include "app/AppError.h"

#include <algorithm>
#include <cstring>

namespace StoreRow {

TextRef TextColumn::add(const char* utf8, int length)
{
    if (length <= 0)
        return TextRef();
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
