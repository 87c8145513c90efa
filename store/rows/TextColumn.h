#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace StoreRow {

// UTF-8 decoded into a buffer of its own, reused from text to text: a view
// stays valid until the next one. One per thread.
class Utf16Buffer
{
public:
    QStringView view(QByteArrayView utf8)
    {
        // UTF-16 never needs more units than UTF-8 has bytes.
        if (m_buffer.size() < size_t(utf8.size()))
            m_buffer.resize(size_t(utf8.size()));
        char16_t* out = m_buffer.data();
        // Plain ASCII, most IMEIs, is widened here without the decoder's set-up.
        unsigned char high = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            high |= c;
            out[i] = c;
        }
        return high < 0x80 ? QStringView(out, utf8.size()) : decode(utf8);
    }

private:
    QStringView decode(QByteArrayView utf8);

    std::vector<char16_t> m_buffer;
    QStringDecoder m_decoder {QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
};

// Where a text lies in its column's TextColumn; size 0 is the null text.
struct TextRef
{
    quint32 pos = 0; // block << 24 | offset in the block
    quint32 size = 0;
};

// The texts of one text field of every row, kept as the store holds them
// (UTF-8) together in large blocks that never move: a read copies bytes and
// allocates nothing per value, and a pass over one field of every row reads
// memory in order. Texts set later are added too; what they replace stays
// until the next read of the store. A field of few values (the town, the
// technician) keeps each value about once: a text equal to one of the
// recent ones is not copied again but shares its place.
class TextColumn
{
public:
    // A block's number takes the top 8 bits of TextRef::pos.
    static constexpr size_t MaxBlocks = 256;

    TextColumn() = default;
    explicit TextColumn(size_t maxBlocks) // fewer blocks, for tests
        : m_maxBlocks(std::min(maxBlocks, MaxBlocks))
    {
    }

    // Raises AppError when the text needs a block beyond the last one.
    TextRef add(const char* utf8, int length);
    TextRef add(QStringView text);
    // Takes over the blocks of `other`, a column of texts that follow ours;
    // returns what to add to the block number of each of other's texts.
    // Raises AppError when the blocks together are too many.
    quint32 adopt(TextColumn&& other);
    QByteArrayView bytes(TextRef ref) const
    {
        return ref.size ? QByteArrayView(m_blocks[ref.pos >> 24].get() + (ref.pos & 0xFFFFFF), ref.size)
                        : QByteArrayView();
    }
    QString string(TextRef ref) const;
    // The text decoded into this column's buffer: valid until the next view
    // of the column, for handlers that judge every row.
    QStringView view(TextRef ref) const { return m_decoded.view(bytes(ref)); }

private:
    TextRef append(const char* utf8, int length);

    // The recent texts by their hash. Given up on a field whose texts seldom
    // repeat: there it would only cost time.
    static constexpr size_t RecentSize = 64;
    static constexpr int TrialSize = 4096;
    std::array<TextRef, RecentSize> m_recent {};
    int m_tried = 0;
    int m_shared = 0;
    bool m_sharing = true;

    size_t m_maxBlocks = MaxBlocks;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    qsizetype m_used = 0; // in the last block
    qsizetype m_capacity = 0;
    mutable Utf16Buffer m_decoded;
};

} // namespace StoreRow
