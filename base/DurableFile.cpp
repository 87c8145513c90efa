#include "base/DurableFile.h"

#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

QString DurableFile::write(const QString& path, const QByteArray& bytes)
{
    QTemporaryFile part(path + QStringLiteral(".XXXXXX"));
    if (!part.open())
        return part.errorString();
    if (part.write(bytes) != bytes.size() || !part.flush())
        return part.errorString();
    part.close();
    // Readable as the file it replaces, or as a new file of the folder would be.
    constexpr QFile::Permissions NewFile
        = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
    QFile::setPermissions(part.fileName(), QFileInfo::exists(path) ? QFile::permissions(path) : NewFile);
    QString why = Platform::forceFile(part.fileName());
    if (why.isEmpty())
        why = Platform::moveReplacing(part.fileName(), path);
    if (why.isEmpty())
        part.setAutoRemove(false); // it is the file now
    return why;
}
