#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

// Writes a fuzz input to this process's own file, for code that reads from a
// path; memory-backed where it can be, since each write is synced to disk.
inline QString fuzzInputFile(const char* extension, const uint8_t* data, size_t size)
{
    static const QString folder
        = QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QStringLiteral("/tmp");
    const QString path
        = QStringLiteral("%1/trelomar-fuzz-%2.%3").arg(folder).arg(::getpid()).arg(QLatin1String(extension));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}
