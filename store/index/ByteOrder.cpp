#include "store/index/ByteOrder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace StoreRow {

namespace {

// The digits as packDigits packs them; false for a text with any other character.
bool packDigitText(QByteArrayView text, quint64& packed)
{
    packed = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const unsigned digit = unsigned(static_cast<unsigned char>(text[i])) - '0';
        if (digit > 9)
            return false;
        if (i < 16)
            packed |= quint64(digit + 1) << (60 - 4 * i);
    }
    return true;
}

struct DigitKey
{
    quint64 key;
    qint32 row;
};

// Stable: a byte at a time from the lowest, skipping the bytes every key shares.
void radixSort(std::vector<DigitKey>& items)
{
    if (items.empty())
        return;
    std::array<std::array<quint32, 256>, 8> counts {};
    for (const DigitKey& item : items)
        for (int b = 0; b < 8; ++b)
            ++counts[b][(item.key >> (8 * b)) & 0xFF];
    std::vector<DigitKey> spare(items.size());
    for (int b = 0; b < 8; ++b) {
        std::array<quint32, 256>& at = counts[b];
        if (at[(items[0].key >> (8 * b)) & 0xFF] == items.size())
            continue;
        quint32 sum = 0;
        for (quint32& count : at)
            sum += std::exchange(count, sum);
        for (const DigitKey& item : items)
            spare[at[(item.key >> (8 * b)) & 0xFF]++] = item;
        items.swap(spare);
    }
}

} // namespace

int compareBytes(QByteArrayView a, QByteArrayView b)
{
    const int c = std::memcmp(a.data(), b.data(), size_t(std::min(a.size(), b.size())));
    if (c != 0)
        return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool allDigits(QByteArrayView text)
{
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

quint64 packDigits(QByteArrayView digits)
{
    quint64 packed = 0;
    const qsizetype n = std::min<qsizetype>(digits.size(), 16);
    for (qsizetype i = 0; i < n; ++i)
        packed |= quint64(digits[i] - '0' + 1) << (60 - 4 * i);
    return packed;
}

bool digitRowsInByteOrder(const std::vector<Row>& rows, int field, const Texts& texts, std::vector<qint32>& empty,
                          std::vector<qint32>& sorted)
{
    const int slot = slotOf(field);
    const TextColumn& column = texts[slot];
    std::vector<DigitKey> keyed;
    keyed.reserve(rows.size());
    bool longer = false;
    for (qint32 i = 0; i < qint32(rows.size()); ++i) {
        const TextRef ref = rows[i].text[slot];
        if (ref.size == 0) {
            empty.push_back(i);
            continue;
        }
        quint64 key;
        if (!packDigitText(column.bytes(ref), key))
            return false;
        longer |= ref.size > 16;
        keyed.push_back({key, i});
    }
    radixSort(keyed);
    // The packed digits settle all but texts longer than 16 digits that agree in those.
    const auto text = [&](const DigitKey& k) { return column.bytes(rows[k.row].text[slot]); };
    for (auto run = keyed.begin(); longer && run != keyed.end();) {
        const auto end = std::find_if(run, keyed.end(), [&](const DigitKey& k) { return k.key != run->key; });
        std::stable_sort(run, end, [&](const DigitKey& a, const DigitKey& b) { return compareBytes(text(a), text(b)) < 0; });
        run = end;
    }
    sorted.reserve(sorted.size() + keyed.size());
    for (const DigitKey& k : keyed)
        sorted.push_back(k.row);
    return true;
}

} // namespace StoreRow
