#include "base/DurableFile.h"

#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

QString DurableFile::write(const QString& path, const QByteArray& bytes)
{
    // A file of our own beside it, closed before the move: Windows moves no
    // open file, and a temporary file's close keeps its handle.
    QFile part;
    for (int attempt = 0; !part.isOpen(); ++attempt) {
        const quint32 tag = QRandomGenerator::global()->generate();
        part.setFileName(path + QStringLiteral(".%1.part").arg(tag, 8, 16, QLatin1Char('0')));
        if (!part.open(QIODevice::WriteOnly | QIODevice::NewOnly) && (attempt == 20 || !part.exists()))
            return part.errorString();
    }
    QString why;
    if (part.write(bytes) != bytes.size() || !part.flush())
        why = part.errorString();
    part.close();
    if (why.isEmpty()) {
        // Readable as the file it replaces, or as a new file of the folder would be.
        constexpr QFile::Permissions NewFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
            | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
        QFile::setPermissions(part.fileName(), QFileInfo::exists(path) ? QFile::permissions(path) : NewFile);
        why = Platform::forceFile(part.fileName());
    }
    if (why.isEmpty())
        why = Platform::moveReplacing(part.fileName(), path);
    if (!why.isEmpty())
        QFile::remove(part.fileName());
    return why;
}
