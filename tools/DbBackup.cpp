// trelomar-db backup and restore: an online copy of the store, and a checked
// copy put back in its place.
#include "store/StoreFile.h"
#include "tools/DbVerbs.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace DbVerbs {

namespace {

const char* const BackupUsage =
    "Usage: trelomar-db backup [DIR] [FILE]\n"
    "Copies DIR/data/data.mdb to FILE (default DIR/data/backup/data-YYYY-MM-DD.mdb) and checks the copy.\n"
    "Safe while the program runs: the copy is consistent. An existing FILE is never replaced.\n";

const char* const RestoreUsage =
    "Usage: trelomar-db restore FILE [DIR]\n"
    "Checks FILE (integrity and fields), keeps the current DIR/data/data.mdb as\n"
    "DIR/data/data-before-restore-YYYYMMDD-HHMMSS.mdb, then puts FILE's tickets in its place in one step.\n"
    "Refuses a damaged FILE, a file that is no ticket database, and a store in use by a running program.\n";

} // namespace

int backup(const QStringList& args)
{
    if (isHelp(args))
        return usage(BackupUsage, true);
    if (args.size() > 2 || (!args.isEmpty() && args[0].startsWith(u'-')))
        return usage(BackupUsage, false);
    const QString dir = args.value(0, QStringLiteral("."));
    QString target = args.value(1);
    if (target.isEmpty()) {
        const QString folder = workFolder(dir).backupFolder();
        if (!QDir().mkpath(folder)) {
            error(QStringLiteral("Cannot create folder %1").arg(QDir::toNativeSeparators(folder)));
            return Failed;
        }
        target = QDir(folder).filePath(StoreFile::dailyBackupName(QDate::currentDate()));
    }
    try {
        StoreFile::backup(workFolder(dir).store(), QFileInfo(target).absoluteFilePath());
    } catch (const AppError& e) {
        error(e.message());
        return Failed;
    }
    QTextStream(stdout) << "Backed up to " << QDir::cleanPath(QFileInfo(target).absoluteFilePath()) << "\n";
    return Done;
}

int restore(const QStringList& args)
{
    if (isHelp(args))
        return usage(RestoreUsage, true);
    if (args.isEmpty() || args.size() > 2 || args[0].startsWith(u'-'))
        return usage(RestoreUsage, false);
    const QString file = QFileInfo(args[0]).absoluteFilePath();
    const QString dir = args.value(1, QStringLiteral("."));
    const QString store = workFolder(dir).store();
    const QString keep = QFileInfo(store).dir().filePath(StoreFile::beforeRestoreName(QDateTime::currentDateTime()));
    try {
        if (!QFileInfo(store).dir().exists())
            throw AppError(QStringLiteral("Cannot restore %1: folder %2 does not exist")
                               .arg(QDir::toNativeSeparators(file), QFileInfo(store).absolutePath()));
        const bool existed = QFileInfo::exists(store);
        StoreFile::restore(file, store, keep);
        QTextStream out(stdout);
        if (existed)
            out << "Kept the previous store as " << QDir::cleanPath(keep) << "\n";
        out << "Restored " << QDir::cleanPath(file) << " to " << QDir::cleanPath(store) << "\n";
    } catch (const StoreFile::InUse& e) {
        error(e.message());
        return InUse;
    } catch (const AppError& e) {
        error(e.message());
        return Failed;
    }
    return Done;
}

} // namespace DbVerbs
