#pragma once

#include "base/AppError.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Whole-file operations on the ticket database: copies taken while the program
// writes, checks, restoring a copy. Each works on its own SQLite connection and
// raises AppError with a text that names the file and the reason.
namespace StoreFile {

// Raised when a running program holds the store open.
class InUse : public AppError
{
public:
    using AppError::AppError;
};

// Names of the copies in the working folder's backup folder.
QString dailyBackupName(const QDate& day); // data-YYYY-MM-DD.mdb
QString beforeRestoreName(const QDateTime& when); // data-before-restore-YYYYMMDD-HHMMSS.mdb

// Copies the database at `source` into the new file `target` with SQLite's
// online backup, so the copy is consistent even while another program posts.
// The copy is written under a temporary name of its own (never through a link)
// and checked (quick_check) before it takes its name; an existing `target` is refused.
void backup(const QString& source, const QString& target);

// Removes the oldest daily copies (data-YYYY-MM-DD.mdb) in `folder` beyond the
// `keep` newest (at least one) dated up to `today`; copies dated later and
// other files are never touched. Returns the removed names.
QStringList pruneBackups(const QString& folder, int keep, const QDate& today);

struct CheckResult
{
    QStringList problems; // integrity and schema findings, one line each
    qint64 tickets = 0;
    QList<QPair<int, int>> duplicates; // ticket number, how many rows carry it
    // The status history's findings: a newer schema, rows of no ticket, unknown codes.
    QStringList history;
    bool ok() const { return problems.isEmpty() && duplicates.isEmpty() && history.isEmpty(); }
};

// Integrity check, every stored field present with a fitting type, the ticket
// count, the ticket numbers used more than once and the status history. Raises only when the file
// is missing; a file that is no database is a problem of the result.
CheckResult check(const QString& path, bool quick = false);

// Puts the checked copy `file` in place of the store at `storePath`: refuses a
// damaged or foreign file, one the program cannot open as its store, and a
// store that a running program holds open; keeps
// the current store in `keepAs` first (when it exists). The copy goes in as
// one transaction, so an interruption leaves the old store.
void restore(const QString& file, const QString& storePath, const QString& keepAs);

} // namespace StoreFile
