#include "store/StoreFile.h"

#include "base/AppError.h"
#include "platform/Platform.h"
#include "store/TicketStatus.h"
#include "store/TicketStore.h"
#include "store/rows/TicketRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <algorithm>

namespace {

const char* const Table = "opravenky";

// One SQLite connection that closes itself.
class Connection
{
public:
    Connection(const QString& path, int flags)
    {
        // SQLite takes file names in UTF-8 on every system, never in the Windows code page.
        m_rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    }
    ~Connection() { sqlite3_close_v2(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3* get() const { return m_db; }
    QString error() const { return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory"); }

    // Runs statements that return no rows of interest; false on failure.
    bool exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // The rows of a query, every column as text; false on failure.
    bool query(const QByteArray& sql, QList<QStringList>* rows)
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
            return false;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
            rows->append(row);
        }
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE;
    }

private:
    sqlite3* m_db = nullptr;
    int m_rc;
};

// Copies every page of `from` into `to` in one step (one read transaction on
// the source, one write transaction on the target).
constexpr int BusyGiveUpMs = 30000;

QString copyPages(sqlite3* from, sqlite3* to)
{
    sqlite3_backup* copy = sqlite3_backup_init(to, "main", from, "main");
    if (!copy)
        return QString::fromUtf8(sqlite3_errmsg(to));
    // A store held locked (a restore in progress) must not keep the copy,
    // and the program's end that waits for it, waiting for ever.
    int rc;
    int waited = 0;
    while (((rc = sqlite3_backup_step(copy, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) && waited < BusyGiveUpMs) {
        sqlite3_sleep(50);
        waited += 50;
    }
    sqlite3_backup_finish(copy);
    if (rc != SQLITE_DONE)
        return QString::fromUtf8(sqlite3_errstr(rc)) + QStringLiteral(" (") + QString::fromUtf8(sqlite3_errmsg(to))
            + u')';
    return QString();
}

// The findings of integrity_check or quick_check; a failing check is one finding.
QStringList integrity(Connection& db, bool quick)
{
    QList<QStringList> rows;
    if (!db.query(quick ? "PRAGMA quick_check" : "PRAGMA integrity_check", &rows))
        return { db.error() };
    QStringList problems;
    for (const QStringList& row : rows)
        if (!row.isEmpty() && row[0] != QLatin1String("ok"))
            problems << row[0];
    return problems;
}

// SQLite's affinity of a declared column type.
enum class Affinity { Integer, Text, Blob, Real, Numeric };

Affinity affinityOf(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return Affinity::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (t.isEmpty() || t.contains(QLatin1String("BLOB")))
        return Affinity::Blob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

QStringList schemaProblems(Connection& db)
{
    QList<QStringList> rows;
    if (!db.query(QByteArray("PRAGMA table_info(") + Table + ')', &rows))
        return { db.error() };
    if (rows.isEmpty())
        return { QStringLiteral("no table %1").arg(QLatin1String(Table)) };
    QHash<QString, QString> declared; // lower-case name -> declared type
    for (const QStringList& row : rows)
        if (row.size() > 2)
            declared.insert(row[1].toLower(), row[2]);
    QStringList problems;
    for (const FieldDef& def : TicketRecord::Fields) {
        if (def.calculated)
            continue;
        const QString name = QString::fromLatin1(def.name);
        const auto found = declared.constFind(name.toLower());
        if (found == declared.cend()) {
            problems << QStringLiteral("field %1 missing").arg(name);
            continue;
        }
        const Affinity affinity = affinityOf(*found);
        const bool numeric = def.kind == FieldKind::Integer || def.kind == FieldKind::Currency;
        const bool fits = numeric
            ? affinity == Affinity::Integer || affinity == Affinity::Numeric || affinity == Affinity::Real
            : affinity == Affinity::Text;
        if (!fits)
            problems << QStringLiteral("field %1 has type \"%2\", expected %3")
                            .arg(name, *found, numeric ? QStringLiteral("a number") : QStringLiteral("text"));
    }
    return problems;
}

void removeDatabaseFiles(const QString& path)
{
    for (const char* suffix : { "", "-journal", "-wal", "-shm" })
        QFile::remove(path + QLatin1String(suffix));
}

const QRegularExpression& dailyPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^data-\\d{4}-\\d{2}-\\d{2}\\.mdb$"));
    return pattern;
}

} // namespace

namespace StoreFile {

QString dailyBackupName(const QDate& day)
{
    return QStringLiteral("data-%1.mdb").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

QString beforeRestoreName(const QDateTime& when)
{
    return QStringLiteral("data-before-restore-%1.mdb").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

// A new, empty file of this process's own beside `target`, made exclusively
// under a name no one can guess, so that nothing planted beside a target
// (another user's link in a shared folder) can take the copy elsewhere.
// Empty on failure, with the reason in `failure`.
static QString createPart(const QString& target, QString& failure)
{
    QTemporaryFile file(target + QStringLiteral(".XXXXXX.part"));
    file.setAutoRemove(false);
    if (!file.open()) {
        failure = file.errorString();
        return QString();
    }
    return file.fileName();
}

// Copies the open database `from` into the empty file `part` and checks the
// copy; the reason on failure, empty on success.
static QString copyInto(sqlite3* from, const QString& part)
{
    // Never through a link put in the file's place meanwhile.
    Connection to(part, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW);
    if (!to.ok())
        return to.error();
    QString failure = copyPages(from, to.get());
    if (failure.isEmpty() && !to.exec("PRAGMA journal_mode=DELETE"))
        failure = to.error();
    if (failure.isEmpty()) {
        const QStringList problems = integrity(to, true);
        if (!problems.isEmpty())
            failure = QStringLiteral("the copy fails its check: ") + problems.join(QStringLiteral("; "));
    }
    return failure;
}

// Writes a checked copy of the open database `from`, the file `original`, to
// the new file `target`, as readable as the original; the reason on failure,
// empty on success.
static QString writeCopy(sqlite3* from, const QString& original, const QString& target)
{
    if (QFileInfo::exists(target))
        return QStringLiteral("the copy already exists");
    QString failure;
    const QString part = createPart(target, failure);
    if (part.isEmpty())
        return QStringLiteral("cannot create a file beside it: ") + failure;
    failure = copyInto(from, part);
    QFile::setPermissions(part, QFile::permissions(original)); // made for its owner alone
    // Today's copy made meanwhile by another counter is as good as ours. The
    // copy's commit forced it to the disk; the move lasts too.
    bool exists = false;
    const QString moved = failure.isEmpty() ? Platform::moveNoReplace(part, target, &exists) : QString();
    if (!moved.isEmpty() && !exists)
        failure = QStringLiteral("cannot rename %1: %2").arg(part, moved);
    if (!failure.isEmpty() || QFileInfo::exists(part))
        removeDatabaseFiles(part);
    return failure;
}

// Why the program could not open `file` as its store, empty when it can. The
// store opens a copy beside `storePath`: opening sets a journal mode, which
// must not change the file given.
static QString openFailure(const QString& file, const QString& storePath)
{
    Connection from(file, SQLITE_OPEN_READONLY);
    if (!from.ok())
        return from.error();
    QString failure;
    const QString trial = createPart(storePath, failure);
    if (trial.isEmpty())
        return failure;
    failure = copyInto(from.get(), trial);
    if (failure.isEmpty()) {
        try {
            TicketStore store;
            store.setConnectionString(QStringLiteral("Data Source=") + trial);
            store.Open();
        } catch (const AppError& error) {
            failure = QString(error.message()).replace(trial, file);
        }
    }
    removeDatabaseFiles(trial);
    return failure;
}

void backup(const QString& source, const QString& target)
{
    const auto fail = [&](const QString& reason) {
        throw AppError(QStringLiteral("Cannot back up %1 to %2: %3")
                           .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(target), reason));
    };
    if (!QFileInfo::exists(source))
        fail(QStringLiteral("the file does not exist"));
    // Read-write without create: a WAL store may need its shared-memory file.
    Connection from(source, SQLITE_OPEN_READWRITE);
    if (!from.ok())
        fail(from.error());
    sqlite3_busy_timeout(from.get(), 5000);
    const QString failure = writeCopy(from.get(), source, target);
    if (!failure.isEmpty())
        fail(failure);
}

QStringList pruneBackups(const QString& folder, int keep, const QDate& today)
{
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    // A copy dated after today tells of a clock set back: neither removed nor
    // counted, so today's copy, just written, is never the oldest to go.
    const QString latest = dailyBackupName(today);
    names.removeIf([&](const QString& name) { return !dailyPattern().match(name).hasMatch() || name > latest; });
    // The date in the name orders them: oldest first.
    std::sort(names.begin(), names.end());
    QStringList removed;
    for (qsizetype i = 0; i + std::max(keep, 1) < names.size(); ++i)
        if (QFile::remove(QDir(folder).filePath(names[i])))
            removed << names[i];
    return removed;
}

namespace {

// Read as it is, never upgraded: an older file simply has no history yet.
QStringList historyProblems(Connection& db)
{
    QStringList found;
    QList<QStringList> rows;
    if (db.query("PRAGMA user_version", &rows) && !rows.isEmpty()
        && rows[0].value(0).toInt() > TicketStatus::SchemaVersion)
        found << QStringLiteral("the schema version %1 is newer than this program's %2")
                     .arg(rows[0].value(0))
                     .arg(TicketStatus::SchemaVersion);
    rows.clear();
    if (!db.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'historie_stavu'", &rows)
        || rows.isEmpty())
        return found;
    rows.clear();
    if (!db.query("SELECT id, opravenka, stav, EXISTS (SELECT 1 FROM opravenky o WHERE o.id = h.opravenka)"
                  " FROM historie_stavu h ORDER BY id",
            &rows)) {
        found << db.error();
        return found;
    }
    for (const QStringList& row : rows) {
        if (row.value(3) != QLatin1String("1"))
            found << QStringLiteral("status row %1 belongs to ticket id %2, which does not exist")
                         .arg(row.value(0), row.value(1));
        if (TicketStatus::fromCode(row.value(2).toUtf8()) == TicketStatus::Status::Unknown)
            found << QStringLiteral("status row %1 has the unknown status \"%2\"").arg(row.value(0), row.value(2));
    }
    return found;
}

} // namespace

CheckResult check(const QString& path, bool quick)
{
    if (!QFileInfo(path).isFile())
        throw AppError(
            QStringLiteral("Cannot open file %1: the file does not exist").arg(QDir::toNativeSeparators(path)));
    CheckResult result;
    Connection db(path, SQLITE_OPEN_READONLY);
    if (!db.ok()) {
        result.problems << db.error();
        return result;
    }
    sqlite3_busy_timeout(db.get(), 5000);
    result.problems = integrity(db, quick);
    if (!result.problems.isEmpty())
        return result;
    result.problems = schemaProblems(db);
    if (!result.problems.isEmpty())
        return result;
    QList<QStringList> rows;
    if (!db.query(QByteArray("SELECT COUNT(*) FROM ") + Table, &rows) || rows.isEmpty())
        result.problems << db.error();
    else
        result.tickets = rows[0].value(0).toLongLong();
    rows.clear();
    if (!db.query(QByteArray("SELECT cislo, COUNT(*) FROM ") + Table
                + " WHERE cislo IS NOT NULL GROUP BY cislo HAVING COUNT(*) > 1 ORDER BY cislo",
            &rows))
        result.problems << db.error();
    for (const QStringList& row : rows)
        result.duplicates.append({ row.value(0).toInt(), row.value(1).toInt() });
    result.history = historyProblems(db);
    return result;
}

void restore(const QString& file, const QString& storePath, const QString& keepAs)
{
    const auto fail = [&](const QString& reason) {
        throw AppError(QStringLiteral("Cannot restore %1: %2").arg(QDir::toNativeSeparators(file), reason));
    };
    const CheckResult checked = check(file);
    if (!checked.problems.isEmpty())
        fail(QStringLiteral("it is not an intact ticket database (%1)")
                 .arg(checked.problems.join(QStringLiteral("; "))));
    const QString unopenable = openFailure(file, storePath);
    if (!unopenable.isEmpty())
        fail(QStringLiteral("the program cannot open it (%1)").arg(unopenable));

    const bool existed = QFileInfo::exists(storePath);
    Connection live(storePath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!live.ok())
        fail(live.error());
    // An exclusive lock that stays until the connection closes: a running
    // program keeps the store open, so the lock is refused while it runs, and
    // no program can open the store while it is being replaced.
    if (!live.exec("PRAGMA locking_mode=EXCLUSIVE") || !live.exec("BEGIN EXCLUSIVE") || !live.exec("COMMIT")) {
        const int code = sqlite3_errcode(live.get());
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw InUse(QStringLiteral("Cannot restore %1: the store %2 is in use by a running program; close it first")
                            .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(storePath)));
        fail(live.error());
    }
    if (existed) {
        const QString failure = writeCopy(live.get(), storePath, keepAs);
        if (!failure.isEmpty())
            fail(QStringLiteral("cannot keep the current store as %1: %2").arg(keepAs, failure));
    }

    Connection from(file, SQLITE_OPEN_READONLY);
    if (!from.ok())
        fail(from.error());
    // A WAL target cannot take another page size; the rollback journal makes
    // the copy one atomic transaction all the same.
    if (!live.exec("PRAGMA journal_mode=DELETE"))
        fail(live.error());
    const QString failure = copyPages(from.get(), live.get());
    if (!failure.isEmpty())
        fail(failure);
    if (!live.exec("PRAGMA journal_mode=WAL"))
        fail(live.error());
}

} // namespace StoreFile
