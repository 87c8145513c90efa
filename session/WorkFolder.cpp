#include "session/WorkFolder.h"

#include "base/AppError.h"
#include "base/FolderLayout.h"
#include "platform/Platform.h"
#include "store/TicketStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

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
    const FolderLayout folder(dir);
    return QFileInfo(folder.dataFolder()).isDir() || QFileInfo::exists(folder.settings());
}

bool WorkFolder::hasStore(const QString& dir)
{
    return QFileInfo::exists(FolderLayout(dir).store());
}

bool WorkFolder::prepare(const QString& dir, const QString& shipped)
{
    if (hasStore(dir))
        return false;
    const FolderLayout work(QDir(dir).path());
    makeFolder(work.dataFolder());
    if (!shipped.isEmpty())
        copyShipped(FolderLayout(QDir(shipped).path()), work);
    // The store last: a folder with a store counts as prepared, so a copy
    // that failed is tried again at the next start.
    TicketStore::createDatabase(work.store());
    return true;
}

void WorkFolder::copyShipped(const FolderLayout& from, const FolderLayout& work)
{
    // The shipped data are laid out as a working folder.
    if (QFileInfo::exists(from.helpFile()))
        copyMissing(from.helpFile(), work.helpFile());

    const QDir langFrom(from.languageFolder());
    const QStringList langs = langFrom.entryList({ QStringLiteral("*.lng") }, QDir::Files, QDir::Name);
    if (langs.isEmpty())
        return;
    const QDir langTo(work.languageFolder());
    makeFolder(langTo.path());
    for (const QString& name : langs)
        copyMissing(langFrom.filePath(name), langTo.filePath(name));
    // Czech, the program's own language, until the shop picks another one.
    const QString czech = langTo.filePath(QStringLiteral("cs.lng"));
    if (QFileInfo::exists(czech))
        copyMissing(czech, work.defaultLanguage());
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
