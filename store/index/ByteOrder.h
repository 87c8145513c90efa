#pragma once

#include "store/rows/StoreRow.h"

#include <QByteArrayView>

#include <vector>

namespace StoreRow {

// Texts compared as their bytes, a text before every longer one it begins.
int compareBytes(QByteArrayView a, QByteArrayView b);

bool allDigits(QByteArrayView text);

// The first 16 digits as nibbles (digit + 1, 0 past the end): two texts of
// digits compare as these numbers do, unless both are longer and agree.
quint64 packDigits(QByteArrayView digits);

// The rows of a text field whose text is digits alone (an IMEI, a phone
// number), in the byte order of their texts, equal texts in row order; the
// rows without a text go to `empty`, in order. Made by a radix sort of the
// packed digits, with no comparison of texts but among longer ones. False,
// the lists then unspecified, when a text holds any other character.
bool digitRowsInByteOrder(const std::vector<Row>& rows, int field, const Texts& texts, std::vector<qint32>& empty,
                          std::vector<qint32>& sorted);

} // namespace StoreRow
