// The settings reader on any file: reading never fails, and a value written
// into the file reads back while the file's other keys keep their values.
#include "base/IniFile.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzInputFile("ini", data, size);
    IniFile ini(path);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)IniFile::parseInteger(text);
    const int before = ini.readInteger(QStringLiteral("Other"), QStringLiteral("Kept"), 12345);
    ini.writeInteger(QStringLiteral("Backup"), QStringLiteral("Days"), 7);
    if (ini.readInteger(QStringLiteral("Backup"), QStringLiteral("Days"), -1) != 7)
        std::abort();
    if (ini.readInteger(QStringLiteral("Other"), QStringLiteral("Kept"), 12345) != before)
        std::abort();
    return 0;
}
