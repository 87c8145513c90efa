// The file's creation, its schema's versions and the repairs' status history in it.
#include "store/SqliteBackend.h"

#include "base/AppError.h"
#include "store/SqliteStatement.h"

#include "store/rows/TicketRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <array>

namespace {

using Statement = SqliteStatement;

// The version in the file's header; 0, never set, is the first.
int userVersion(sqlite3* db)
{
    Statement st(db, "PRAGMA user_version");
    if (!st.ok() || st.step() != SQLITE_ROW)
        return -1;
    return std::max(1, sqlite3_column_int(st.get(), 0));
}

// Version 2: the repairs' history. The trigger removes a deleted ticket's
// history whoever deletes it, an older release too, so that a new ticket
// given the same id starts without a status.
bool toVersion2(sqlite3* db)
{
    return sqliteExec(db,
        "CREATE TABLE IF NOT EXISTS historie_stavu (id INTEGER PRIMARY KEY, opravenka INTEGER NOT NULL,"
        " cas TEXT NOT NULL, stav TEXT NOT NULL, poznamka TEXT, technik TEXT, castka INTEGER);"
        "CREATE INDEX IF NOT EXISTS historie_stavu_opravenka ON historie_stavu (opravenka, id);"
        "CREATE TRIGGER IF NOT EXISTS historie_stavu_smazat AFTER DELETE ON opravenky"
        " BEGIN DELETE FROM historie_stavu WHERE opravenka = OLD.id; END;");
}

// Step n brings version n + 1 to n + 2.
constexpr std::array<bool (*)(sqlite3*), TicketStatus::SchemaVersion - 1> UpgradeSteps { toVersion2 };

// The last status of each ticket among rows in the order of their keys, by ticket.
// Tickets' ids lie close together as SQLite gives them: one slot per id then,
// else a sort.
std::vector<std::pair<qint64, TicketStatus::Status>> newestPerTicket(
    std::vector<std::pair<qint64, TicketStatus::Status>>&& all, qint64 lowest, qint64 highest)
{
    std::vector<std::pair<qint64, TicketStatus::Status>> newest;
    if (all.empty())
        return newest;
    const quint64 span = quint64(highest) - quint64(lowest) + 1;
    if (span <= 4 * all.size() + 1024) {
        // A stored code is never None (an unknown one is Unknown): None marks an id without rows.
        std::vector<TicketStatus::Status> byId(span, TicketStatus::Status::None);
        for (const auto& [ticket, status] : all)
            byId[size_t(ticket - lowest)] = status;
        for (size_t i = 0; i < span; ++i)
            if (byId[i] != TicketStatus::Status::None)
                newest.emplace_back(lowest + qint64(i), byId[i]);
        return newest;
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < all.size(); ++i)
        if (i + 1 == all.size() || all[i + 1].first != all[i].first)
            newest.push_back(all[i]);
    return newest;
}

const QByteArray HistoryColumns = "id, opravenka, cas, stav, poznamka, technik, castka";

QString columnText(sqlite3_stmt* st, int column)
{
    return QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_column_text(st, column)), sqlite3_column_bytes(st, column));
}

} // namespace

// Every missing step in one transaction; the version is read again inside
// it, as another program may have upgraded the file meanwhile. Empty when
// done, else why not.
QString SqliteBackend::upgradeFile(sqlite3* db)
{
    if (!sqliteExec(db, "BEGIN IMMEDIATE"))
        return QString::fromUtf8(sqlite3_errmsg(db));
    int version = userVersion(db);
    bool done = version > 0;
    for (; done && version < TicketStatus::SchemaVersion; ++version)
        done = UpgradeSteps[size_t(version - 1)](db);
    if (done)
        done = sqliteExec(
                   db, QByteArray("PRAGMA user_version = " + QByteArray::number(std::max(version, 1))).constData())
            && sqliteExec(db, "COMMIT");
    if (done)
        return QString();
    const QString failure = QString::fromUtf8(sqlite3_errmsg(db));
    sqliteExec(db, "ROLLBACK");
    return failure;
}

int SqliteBackend::schemaVersion()
{
    const int version = userVersion(m_db);
    if (version < 0)
        raiseRead();
    return version;
}

void SqliteBackend::upgradeSchema()
{
    const QString failure = upgradeFile(m_db);
    if (!failure.isEmpty())
        throw AppError(QStringLiteral("Cannot upgrade file %1 to schema version %2: %3")
                           .arg(QDir::toNativeSeparators(m_path))
                           .arg(TicketStatus::SchemaVersion)
                           .arg(failure));
}

QStringList SqliteBackend::missingHistoryColumns()
{
    Statement st(m_db, "PRAGMA table_info(historie_stavu)");
    if (!st.ok())
        raiseRead();
    QSet<QString> present;
    while (st.step() == SQLITE_ROW)
        present.insert(columnText(st.get(), 1).toLower());
    QStringList missing;
    for (const QString& column : QString::fromLatin1(HistoryColumns).split(QStringLiteral(", ")))
        if (!present.contains(column))
            missing << column;
    return missing;
}

std::vector<std::pair<qint64, TicketStatus::Status>> SqliteBackend::currentStatuses()
{
    std::vector<std::pair<qint64, TicketStatus::Status>> newest;
    if (m_statusesWithRows) {
        newest = std::move(*m_statusesWithRows);
        m_statusesWithRows.reset();
    } else if (!readCurrentStatuses(m_db, newest)) {
        raiseRead();
    }
    return newest;
}

bool SqliteBackend::readCurrentStatuses(sqlite3* db, std::vector<std::pair<qint64, TicketStatus::Status>>& newest)
{
    // Every row in the order of its key, read straight through the table: the newest
    // row of a ticket is the last one met. Faster than asking for each ticket's newest.
    Statement st(db, "SELECT opravenka, stav FROM historie_stavu ORDER BY id");
    if (!st.ok())
        return false;
    std::vector<std::pair<qint64, TicketStatus::Status>> all;
    qint64 lowest = 0, highest = 0;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        const qint64 ticket = sqlite3_column_int64(st.get(), 0);
        all.emplace_back(ticket,
            TicketStatus::fromCode(QByteArrayView(
                reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)), sqlite3_column_bytes(st.get(), 1))));
        lowest = all.size() == 1 ? ticket : std::min(lowest, ticket);
        highest = all.size() == 1 ? ticket : std::max(highest, ticket);
    }
    if (rc != SQLITE_DONE)
        return false;
    newest = newestPerTicket(std::move(all), lowest, highest);
    return true;
}

std::vector<StatusEntry> SqliteBackend::readHistory(const QByteArray& sql, qint64 ticket)
{
    Statement st(m_db, sql);
    if (!st.ok())
        raiseRead();
    if (ticket)
        sqlite3_bind_int64(st.get(), 1, ticket);
    std::vector<StatusEntry> found;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        StatusEntry entry;
        entry.id = sqlite3_column_int64(st.get(), 0);
        entry.ticket = sqlite3_column_int64(st.get(), 1);
        entry.time = columnText(st.get(), 2);
        entry.code = columnText(st.get(), 3).toUtf8();
        entry.note = columnText(st.get(), 4);
        entry.who = columnText(st.get(), 5);
        if (sqlite3_column_type(st.get(), 6) != SQLITE_NULL)
            entry.amount = sqlite3_column_int64(st.get(), 6);
        found.push_back(std::move(entry));
    }
    if (rc != SQLITE_DONE)
        raiseRead();
    return found;
}

std::vector<StatusEntry> SqliteBackend::history(qint64 ticket)
{
    return readHistory(
        "SELECT " + HistoryColumns + " FROM historie_stavu WHERE opravenka = ? ORDER BY id DESC", ticket);
}

std::vector<StatusEntry> SqliteBackend::allHistory()
{
    return readHistory("SELECT " + HistoryColumns + " FROM historie_stavu ORDER BY id", 0);
}

bool SqliteBackend::insertStatus(const StatusEntry& entry)
{
    // Only beside a stored ticket: one deleted meanwhile gets no row.
    Statement st(m_db,
        "INSERT INTO historie_stavu (opravenka, cas, stav, poznamka, technik, castka)"
        " SELECT ?1, ?2, ?3, ?4, ?5, ?6 WHERE EXISTS (SELECT 1 FROM opravenky WHERE id = ?1)");
    if (!st.ok())
        raiseWrite();
    const QByteArray time = entry.time.toUtf8(), note = entry.note.toUtf8(), who = entry.who.toUtf8();
    const auto text = [&](int parameter, const QByteArray& value) {
        return value.isEmpty()
            ? sqlite3_bind_null(st.get(), parameter)
            : sqlite3_bind_text(st.get(), parameter, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    };
    if (sqlite3_bind_int64(st.get(), 1, entry.ticket) != SQLITE_OK || text(2, time) != SQLITE_OK
        || text(3, entry.code) != SQLITE_OK || text(4, note) != SQLITE_OK || text(5, who) != SQLITE_OK
        || (entry.amount ? sqlite3_bind_int64(st.get(), 6, *entry.amount) : sqlite3_bind_null(st.get(), 6)) != SQLITE_OK
        || st.step() != SQLITE_DONE)
        raiseWrite();
    return sqlite3_changes(m_db) == 1;
}

bool SqliteBackend::addStatus(const StatusEntry& entry)
{
    return insertStatus(entry);
}

void SqliteBackend::createDatabase(const QString& path)
{
    // Created exclusively, so that an existing file is never replaced.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                throw AppError(QStringLiteral("Cannot create file %1: the file already exists")
                                   .arg(QDir::toNativeSeparators(path)));
            throw AppError(
                QStringLiteral("Cannot create file %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        }
    }
    sqlite3* db = nullptr;
    QString failure;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        failure = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    } else {
        using SqliteNames::quoted;
        QByteArray sql = "PRAGMA journal_mode=WAL; CREATE TABLE " + SqliteNames::TableName + " (id INTEGER PRIMARY KEY";
        for (const FieldDef& def : TicketRecord::Fields) {
            if (def.calculated)
                continue;
            const bool textual
                = def.kind == FieldKind::Text || def.kind == FieldKind::Memo || def.kind == FieldKind::DateTime;
            sql += ", " + quoted(def.name) + (textual ? " TEXT" : " INTEGER");
        }
        sql += ");";
        char* message = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK)
            failure = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        if (failure.isEmpty())
            failure = upgradeFile(db);
    }
    sqlite3_close(db);
    if (!failure.isEmpty()) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw AppError(QStringLiteral("Cannot create file %1: %2").arg(QDir::toNativeSeparators(path), failure));
    }
}
