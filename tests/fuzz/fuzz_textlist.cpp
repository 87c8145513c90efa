// The text-list decoder: any bytes give text; valid UTF-8 without a NUL or a
// byte-order mark decodes to exactly itself; lines split and join back.
#include "base/TextList.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = TextList::decode(bytes);
    const bool plainUtf8 = !bytes.contains('\0') && !bytes.startsWith("\xEF\xBB\xBF")
        && QString::fromUtf8(bytes).toUtf8() == bytes;
    if (plainUtf8 && text.toUtf8() != bytes)
        std::abort();
    // Entries hold no line breaks, and joined with CR LF they split the same again.
    const QStringList lines = TextList::split(text);
    for (const QString& line : lines)
        if (line.contains(u'\r') || line.contains(u'\n'))
            std::abort();
    if (!lines.isEmpty() && TextList::split(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")) != lines)
        std::abort();
    return 0;
}
