// The CSV writer against its reader: any table of texts written as CSV reads
// back as the same table. The input's byte 0x1E ends a row, 0x1F a field; the
// first byte picks the separator.
#include "base/Csv.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QChar separator = data[0] & 1 ? u';' : u',';
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QList<QStringList> table;
    for (const QString& row : text.split(QChar(0x1E)))
        table << row.split(QChar(0x1F));
    QString csv;
    for (const QStringList& row : table)
        csv += Csv::row(row, separator);
    bool ok = false;
    if (Csv::parse(csv, separator, &ok) != table || !ok)
        std::abort();
    // Arbitrary text read as CSV never fails.
    (void)Csv::parse(text, separator);
    return 0;
}
