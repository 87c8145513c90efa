#pragma once

#include <QByteArray>
#include <QString>

// A file replaced whole or not at all, and lasting once written: the bytes go
// to a new file beside it, which is forced to the disk and then takes the
// name through the platform's durable move (the folder forced too), so that
// neither a killed process nor a power cut leaves it empty, mixed or older.
namespace DurableFile {

// Empty on success; otherwise the system's reason, the old file as it was.
QString write(const QString& path, const QByteArray& bytes);

} // namespace DurableFile
