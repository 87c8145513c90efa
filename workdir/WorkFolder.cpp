#include "workdir/WorkFolder.h"

#include "app/AppError.h"
#include "platform/Platform.h"
#include "store/TicketStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString StoreName = QStringLiteral("data/data.mdb");

// Copies src to dst unless dst exists; the shop's own files stay.
void copyMissing(const QString& src, const QString& dst)
{
    if (QFileInfo::exists(dst))
        return;
    if (!QFile::copy(src, dst))
        throw AppError(QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(dst)));
    // Copies of read-only installed files must stay editable in the shop's folder.
    QFile::setPermissions(dst, QFile::permissions(dst) | QFileDevice::WriteOwner);
}

} // namespace

void WorkFolder::makeFolder(const QString& path)
{
    // The missing levels, from the top down.
    QStringList missing;
    for (QString level = QDir(path).absolutePath(); !QFileInfo::exists(level);) {
        missing.prepend(level);
        const QString up = QFileInfo(level).path();
        if (up == level)
            break;
        level = up;
    }
    for (const QString& level : missing)
        if (!QDir().mkdir(level, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) && !QFileInfo(level).isDir())
            break;
    if (!QFileInfo(path).isDir())
        throw AppError(QStringLiteral("Cannot create folder %1").arg(QDir::toNativeSeparators(path)));
}

bool WorkFolder::isWorkFolder(const QString& dir)
{
    const QDir d(dir);
    return QFileInfo(d.filePath(QStringLiteral("data"))).isDir()
        || QFileInfo::exists(d.filePath(QStringLiteral("trelomar.ini")));
}

bool WorkFolder::hasStore(const QString& dir)
{
    return QFileInfo::exists(QDir(dir).filePath(StoreName));
}

bool WorkFolder::prepare(const QString& dir, const QString& shipped)
{
    if (hasStore(dir))
        return false;
    const QDir work(dir);
    makeFolder(work.filePath(QStringLiteral("data")));
    if (!shipped.isEmpty())
        copyShipped(QDir(shipped), work);
    // The store last: a folder with a store counts as prepared, so a copy
    // that failed is tried again at the next start.
    TicketStore::createDatabase(work.filePath(StoreName));
    return true;
}

void WorkFolder::copyShipped(const QDir& from, const QDir& work)
{
    const QString help = from.filePath(QStringLiteral("trelomar.hlp"));
    if (QFileInfo::exists(help))
        copyMissing(help, work.filePath(QStringLiteral("trelomar.hlp")));

    const QDir langFrom(from.filePath(QStringLiteral("lang")));
    const QStringList langs = langFrom.entryList({ QStringLiteral("*.lng") }, QDir::Files, QDir::Name);
    if (langs.isEmpty())
        return;
    const QDir langTo(work.filePath(QStringLiteral("lang")));
    makeFolder(langTo.path());
    for (const QString& name : langs)
        copyMissing(langFrom.filePath(name), langTo.filePath(name));
    // Czech, the program's own language, until the shop picks another one.
    const QString czech = langTo.filePath(QStringLiteral("cs.lng"));
    if (QFileInfo::exists(czech))
        copyMissing(czech, langTo.filePath(QStringLiteral("default.lng")));
}

QString WorkFolder::installedData()
{
    const QString dir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(TRELOMAR_DATA_FROM_BIN));
    const QFileInfo info(dir);
    return info.isDir() ? info.canonicalFilePath() : QString();
}

QString WorkFolder::userFolder()
{
    return Platform::userFolder();
}
