// The settings reader on any file: reading never fails, and a value written
// into the file reads back while the file's other keys keep their values.
#include "app/IniFile.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Memory-backed when it can be: each write is synced to its disk.
    static const QString path = QStringLiteral("%1/trelomar-fuzz-%2.ini")
                                    .arg(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm")
                                                                                  : QStringLiteral("/tmp"))
                                    .arg(::getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
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
