#include "store/SqliteBackend.h"

#include "base/AppError.h"
#include "platform/Platform.h"
#include "store/AccessSignature.h"
#include "store/FieldText.h"
#include "store/IdMeeting.h"
#include "store/SqliteRowReader.h"
#include "store/SqliteStatement.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <exception>
#include <future>
#include <limits>
#include <thread>

using StoreRow::isStored;
using StoreRow::isText;
using StoreRow::Row;
using StoreRow::slotOf;

namespace {

using Statement = SqliteStatement;
using SqliteNames::quoted;
using SqliteNames::TableName;

// The bind's result: a value that failed to bind would be stored as NULL.
int bindField(sqlite3_stmt* stmt, int parameter, const Row& row, int field, QByteArrayView text)
{
    if (row.isNull(field))
        return sqlite3_bind_null(stmt, parameter);
    const int slot = slotOf(field);
    switch (TicketRecord::Fields[field].kind) {
    case FieldKind::Integer:
    case FieldKind::Currency:
        return sqlite3_bind_int64(stmt, parameter, row.num[slot]);
    case FieldKind::DateTime: {
        const QByteArray iso = FieldText::toIso(row.num[slot]);
        return sqlite3_bind_text(stmt, parameter, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
    }
    default:
        return sqlite3_bind_text(stmt, parameter, text.data(), int(text.size()), SQLITE_TRANSIENT);
    }
}

// The value of "Data Source=" in a connection string.
QString dataSource(const QString& connectionString)
{
    const QStringList parts = connectionString.split(u';');
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0 || part.left(eq).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) != 0)
            continue;
        QString value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QString();
}

QAtomicInt connectionCounter;

} // namespace

SqliteBackend::SqliteBackend(const QString& connectionString, const QString& component, int busyTimeoutMs)
    : m_busyTimeoutMs(busyTimeoutMs)
{
    const QString source = dataSource(connectionString);
    if (source.isEmpty())
        throw AppError(
            QStringLiteral("%1: No data source in the connection string \"%2\"").arg(component, connectionString));
    m_path = QFileInfo(source).absoluteFilePath();
    if (AccessSignature::matches(m_path))
        throw AppError(QStringLiteral("Cannot open file %1: it is an Access (Jet) database, which this program "
                                      "cannot read; it must be converted to the program's database format first")
                           .arg(QDir::toNativeSeparators(m_path)));

    m_connectionName = QStringLiteral("TicketStore-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    QString failure;
    {
        QSqlDatabase sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // mode=rw: opening must never create the file.
        QUrl url = QUrl::fromLocalFile(m_path);
        url.setQuery(QStringLiteral("mode=rw"));
        sql.setDatabaseName(url.toString(QUrl::FullyEncoded));
        sql.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (sql.open()) {
            const QVariant handle = sql.driver()->handle();
            if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
                m_db = *static_cast<sqlite3* const*>(handle.constData());
            if (!m_db)
                failure = QStringLiteral("the SQLite driver gives no handle");
        } else {
            failure = sql.lastError().driverText();
            if (!sql.lastError().databaseText().isEmpty())
                failure += QStringLiteral(" (") + sql.lastError().databaseText() + u')';
            if (!QFileInfo::exists(m_path))
                failure = QStringLiteral("the file does not exist; ") + failure;
        }
    }
    if (!failure.isEmpty()) {
        close();
        throw AppError(QStringLiteral("Cannot open file %1: %2").arg(QDir::toNativeSeparators(m_path), failure));
    }

    try {
        sqlite3_busy_timeout(m_db, busyTimeoutMs);
        auto pragma = [this](const char* sql) {
            Statement st(m_db, sql);
            if (!st.ok())
                return false;
            int rc;
            while ((rc = st.step()) == SQLITE_ROW) { }
            return rc == SQLITE_DONE;
        };
        const auto openError = [this] {
            return AppError(QStringLiteral("Cannot open file %1: %2")
                                .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errmsg(m_db))));
        };
        QSet<QString> columns;
        bool idKey = false; // "id INTEGER PRIMARY KEY", the row id under a name: ids that never change
        {
            Statement st(m_db, "PRAGMA table_info(" + TableName + ")");
            if (!st.ok())
                throw openError();
            int rc;
            int keys = 0;
            while ((rc = st.step()) == SQLITE_ROW) {
                const QString name
                    = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1))).toLower();
                columns.insert(name);
                if (sqlite3_column_int(st.get(), 5) > 0) {
                    ++keys;
                    idKey = name == QLatin1String("id")
                        && qstricmp(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 2)), "INTEGER") == 0;
                }
            }
            if (rc != SQLITE_DONE)
                throw openError();
            idKey = idKey && keys == 1;
        }
        if (columns.isEmpty())
            throw AppError(QStringLiteral("Cannot open file %1: no such table: %2")
                               .arg(QDir::toNativeSeparators(m_path), QString::fromLatin1(TableName)));
        if (!idKey)
            throw AppError(QStringLiteral("Cannot open file %1: table %2 has no key field id INTEGER PRIMARY KEY")
                               .arg(QDir::toNativeSeparators(m_path), QString::fromLatin1(TableName)));
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            if (isStored(f) && !columns.contains(QString::fromLatin1(TicketRecord::Fields[f].name).toLower()))
                throw AppError(QStringLiteral("%1: Field '%2' not found")
                                   .arg(component, QLatin1String(TicketRecord::Fields[f].name)));
        // Only a file holding our table is changed: the journal mode is written into it.
        // Each post must be on the disk when Post returns: write-ahead log with a sync at every commit.
        if (!pragma("PRAGMA journal_mode=WAL") || !pragma("PRAGMA synchronous=FULL"))
            throw openError();
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw AppError(
                QStringLiteral("Cannot open file %1: the file is read-only").arg(QDir::toNativeSeparators(m_path)));
    } catch (...) {
        close();
        throw;
    }
}

SqliteBackend::~SqliteBackend()
{
    close();
}

void SqliteBackend::close()
{
    m_db = nullptr;
    if (m_connectionName.isEmpty())
        return;
    {
        QSqlDatabase sql = QSqlDatabase::database(m_connectionName, false);
        sql.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

void SqliteBackend::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
    sqlite3_busy_timeout(m_db, milliseconds);
}

void SqliteBackend::raiseRead() const
{
    throw AppError(QStringLiteral("Cannot read file %1: %2")
                       .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void SqliteBackend::raiseWrite() const
{
    throw AppError(QStringLiteral("Cannot write to file %1: %2")
                       .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errmsg(m_db))));
}

qint64 SqliteBackend::changeToken()
{
    return dataVersion();
}

qint64 SqliteBackend::dataVersion() const
{
    Statement st(m_db, "PRAGMA data_version");
    if (!st.ok() || st.get() == nullptr || st.step() != SQLITE_ROW)
        raiseRead();
    return sqlite3_column_int64(st.get(), 0);
}

namespace {

// Every row from the one the statement stands on (`atRow`) or the next one,
// appended while `owned(id)` says it is the reader's. SQLITE_ROW when it
// stopped at a row not its own, left unread; else how the steps ended.
template <class Owned> int readRows(sqlite3_stmt* st, SqliteRowReader& reader, bool atRow, Owned owned)
{
    int rc = atRow ? SQLITE_ROW : sqlite3_step(st);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
        if (!owned(sqlite3_column_int64(st, 0)))
            break;
        reader.append(st);
    }
    return rc;
}

QByteArray selectAll(const char* order)
{
    return "SELECT " + SqliteRowReader::selectList() + " FROM " + TableName + " ORDER BY rowid " + order;
}

} // namespace

// Every row, appended in the order of the ids. False when a statement fails;
// the connection's error tells why.
bool SqliteBackend::readWhole(sqlite3* db, std::vector<Row>& rows, Texts& texts) const
{
    Statement st(db, selectAll("ASC"));
    if (!st.ok())
        return false;
    SqliteRowReader reader(rows, texts);
    return readRows(st.get(), reader, false, [](qint64) { return true; }) == SQLITE_DONE;
}

void SqliteBackend::readAll(std::vector<Row>& rows, Texts& texts)
{
    m_statusesWithRows.reset();
    qint64 lowest = 0, highest = 0;
    {
        // Each bound in a query of its own: SQLite answers a lone min() or max() of
        // the key from the b-tree's edge, but both in one query scan the whole table.
        Statement bounds(
            m_db, "SELECT (SELECT min(rowid) FROM " + TableName + "), (SELECT max(rowid) FROM " + TableName + ")");
        if (!bounds.ok() || bounds.step() != SQLITE_ROW)
            raiseRead();
        lowest = sqlite3_column_int64(bounds.get(), 0);
        highest = sqlite3_column_int64(bounds.get(), 1);
    }
    // The span of the ids is a cheap, close guess of the number of rows. Room
    // for the tickets of the coming days too: reserved, it costs no memory
    // until used, and a new ticket then never moves every row.
    const quint64 span = std::min<quint64>(quint64(highest) - quint64(lowest) + 1, 10'000'000);
    const size_t guess = size_t(span + span / 8 + 4096);
    rows.reserve(guess);
    Platform::preferHugePages(rows.data(), rows.capacity() * sizeof(Row));
    // A large table is read by two connections at once, from both ends.
    constexpr quint64 ParallelFrom = 20000;
    if (span > ParallelFrom) {
        if (readFromBothEnds(rows, texts, lowest, highest))
            return;
        rows.clear();
        texts = Texts();
    }
    if (!readWhole(m_db, rows, texts))
        raiseRead();
}

// The rows are read up from the lowest id on this connection and down from
// the highest on a second connection and thread until the two meet; both in
// one snapshot of the file, or false (nothing kept worth keeping) and the
// caller reads alone.
bool SqliteBackend::readFromBothEnds(std::vector<Row>& rows, Texts& texts, qint64 lowest, qint64 highest)
{
    sqlite3* other = nullptr;
    if (sqlite3_open_v2(m_path.toUtf8().constData(), &other, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        sqlite3_close(other);
        return false;
    }
    sqlite3_busy_timeout(other, m_busyTimeoutMs);
    // Both read transactions start between two looks at the data version: when
    // it has not moved, no other program committed in between and the two readers agree.
    const qint64 before = dataVersion();
    // Some 256 stretches whatever the size: a claim per stretch costs nothing beside its rows.
    IdMeeting meeting(lowest, highest, qint64((quint64(highest) - quint64(lowest)) / 256));
    const size_t room = rows.capacity(); // reserved, it costs no memory until used
    std::vector<Row> upper; // highest id first
    Texts upperTexts;
    std::promise<void> started;
    bool upperRead = false;
    std::exception_ptr upperFailure;
    std::thread reader([&] {
        try {
            upper.reserve(room);
            Platform::preferHugePages(upper.data(), upper.capacity() * sizeof(Row));
            // The read transaction, and with it the snapshot, starts at the first row.
            const bool begun = sqlite3_exec(other, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
            int rc = SQLITE_ERROR;
            if (begun) {
                Statement first(other, "SELECT 1 FROM " + TableName + " LIMIT 1");
                rc = first.ok() ? first.step() : SQLITE_ERROR;
            }
            started.set_value();
            // The statuses first, in this snapshot, while the other connection reads
            // rows: it takes the stretches this one does not get to.
            if ((rc == SQLITE_ROW || rc == SQLITE_DONE) && statusOn()
                && !readCurrentStatuses(other, m_statusesWithRows.emplace()))
                m_statusesWithRows.reset(); // left to currentStatuses
            // Without a snapshot of its own the rows are left to the other connection.
            if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
                Statement st(other, selectAll("DESC"));
                if (st.ok()) {
                    SqliteRowReader decode(upper, upperTexts);
                    qint64 from = std::numeric_limits<qint64>::max(); // the ids from here up are this reader's
                    rc = readRows(st.get(), decode, false, [&](qint64 id) {
                        if (id < from)
                            from = meeting.upperTakes(id);
                        return id >= from;
                    });
                    upperRead = rc == SQLITE_ROW || rc == SQLITE_DONE;
                }
            }
            if (begun)
                sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        } catch (...) {
            upperFailure = std::current_exception();
            try {
                started.set_value(); // never left waiting
            } catch (const std::future_error&) {
            }
        }
    });
    started.get_future().wait();
    // This connection's snapshot: one read transaction over both of its statements.
    const bool began = sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    bool ok = began;
    bool upperKept = false;
    std::exception_ptr failure;
    try {
        if (ok) {
            Statement first(m_db, "SELECT 1 FROM " + TableName + " LIMIT 1");
            ok = first.ok() && first.step() != SQLITE_ERROR;
        }
        const bool sameSnapshot = ok && dataVersion() == before;
        if (!sameSnapshot)
            meeting.cancel(); // every row from this connection's own snapshot
        Statement st(m_db, selectAll("ASC"));
        ok = ok && st.ok();
        if (ok) {
            SqliteRowReader decode(rows, texts);
            qint64 below = std::numeric_limits<qint64>::min(); // the ids below this are this reader's
            int rc = readRows(st.get(), decode, false, [&](qint64 id) {
                if (sameSnapshot && id >= below)
                    below = meeting.lowerTakes(id);
                return !sameSnapshot || id < below;
            });
            reader.join();
            upperKept = sameSnapshot && upperRead && !upperFailure;
            // The other connection failed: the rest from this one.
            if (rc == SQLITE_ROW && !upperKept)
                rc = readRows(st.get(), decode, true, [](qint64) { return true; });
            ok = rc == SQLITE_DONE || (rc == SQLITE_ROW && upperKept);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (reader.joinable()) {
        meeting.cancel();
        reader.join();
    }
    if (began) // never a transaction this connection had open before
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    if (failure)
        std::rethrow_exception(failure);
    if (upperFailure)
        std::rethrow_exception(upperFailure);
    if (!ok || !upperKept)
        m_statusesWithRows.reset(); // of another snapshot, or read again with the rows
    if (!ok)
        return false;
    if (!upperKept || upper.empty())
        return true;

    std::array<quint32, StoreRow::TextSlots> shift {};
    for (int slot = 0; slot < StoreRow::TextSlots; ++slot)
        shift[slot] = texts[slot].adopt(std::move(upperTexts[slot])) << 24;
    for (auto it = upper.rbegin(); it != upper.rend(); ++it) {
        rows.push_back(*it);
        Row& row = rows.back();
        for (int slot = 0; slot < StoreRow::TextSlots; ++slot)
            if (row.text[slot].size)
                row.text[slot].pos += shift[slot];
    }
    return true;
}

std::vector<UnreadableValue> SqliteBackend::unreadableValues()
{
    // Texts read as they are: only numbers, dates and money can be unreadable.
    std::vector<int> fields;
    QByteArray columns = "rowid";
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f) && StoreRow::isNumeric(TicketRecord::Fields[f].kind)) {
            fields.push_back(f);
            columns += ", " + quoted(TicketRecord::Fields[f].name);
        }
    Statement st(m_db, "SELECT " + columns + " FROM " + TableName + " ORDER BY rowid");
    if (!st.ok())
        raiseRead();
    std::vector<UnreadableValue> found;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW)
        for (size_t i = 0; i < fields.size(); ++i) {
            const int column = int(i) + 1;
            if (sqlite3_column_type(st.get(), column) == SQLITE_NULL
                || SqliteRowReader::readsAsValue(st.get(), column, TicketRecord::Fields[fields[i]].kind))
                continue;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), column));
            found.push_back({ sqlite3_column_int64(st.get(), 0), fields[i],
                QString::fromUtf8(text, sqlite3_column_bytes(st.get(), column)) });
        }
    if (rc != SQLITE_DONE)
        raiseRead();
    return found;
}

std::optional<StoreRow::Row> SqliteBackend::readOne(qint64 id, Texts& texts)
{
    Statement st(m_db, "SELECT " + SqliteRowReader::selectList() + " FROM " + TableName + " WHERE rowid = ?");
    if (!st.ok())
        return std::nullopt;
    sqlite3_bind_int64(st.get(), 1, id);
    if (st.step() != SQLITE_ROW)
        return std::nullopt;
    Row row;
    std::vector<Row> none;
    SqliteRowReader(none, texts).read(st.get(), row);
    return row;
}

qint64 SqliteBackend::write(Row& row, quint32 changedFields, bool insert, const Texts& texts)
{
    // A new ticket and its first status in one transaction.
    const bool withStatus = insert && !m_bulk && statusOn();
    if (withStatus && !sqliteExec(m_db, "BEGIN IMMEDIATE"))
        raiseWrite();
    try {
        const qint64 id = writeRow(row, changedFields, insert, texts);
        if (withStatus && (!insertStatus(received(id)) || !sqliteExec(m_db, "COMMIT")))
            raiseWrite();
        return id;
    } catch (...) {
        if (withStatus)
            sqliteExec(m_db, "ROLLBACK");
        throw;
    }
}

qint64 SqliteBackend::writeRow(Row& row, quint32 changedFields, bool insert, const Texts& texts)
{
    const std::vector<int> changed = StoreRow::changedStoredFields(changedFields);
    if (!insert && changed.empty())
        return row.id;

    // A new row comes with its id only when a whole store is copied.
    const bool withId = insert && row.id != 0;
    QByteArray sql;
    if (insert && changed.empty() && !withId) {
        sql = "INSERT INTO " + TableName + " DEFAULT VALUES";
    } else if (insert) {
        QByteArray names = withId ? "rowid" : "", marks = withId ? "?" : "";
        for (int f : changed) {
            names += (names.isEmpty() ? "" : ", ") + quoted(TicketRecord::Fields[f].name);
            marks += marks.isEmpty() ? "?" : ", ?";
        }
        sql = "INSERT INTO " + TableName + " (" + names + ") VALUES (" + marks + ")";
    } else {
        QByteArray sets;
        for (int f : changed)
            sets += (sets.isEmpty() ? "" : ", ") + quoted(TicketRecord::Fields[f].name) + " = ?";
        sql = "UPDATE " + TableName + " SET " + sets + " WHERE rowid = ?";
    }
    Statement st(m_db, sql);
    if (!st.ok())
        raiseWrite();
    const auto bound = [this](int result) {
        if (result != SQLITE_OK)
            raiseWrite();
    };
    int parameter = 1;
    if (withId)
        bound(sqlite3_bind_int64(st.get(), parameter++, row.id));
    for (int f : changed)
        bound(bindField(
            st.get(), parameter++, row, f, isText(f) ? texts[slotOf(f)].bytes(row.text[slotOf(f)]) : QByteArrayView()));
    if (!insert)
        bound(sqlite3_bind_int64(st.get(), parameter, row.id));
    if (st.step() != SQLITE_DONE)
        raiseWrite();
    if (insert)
        return sqlite3_last_insert_rowid(m_db);
    return sqlite3_changes(m_db) == 0 ? 0 : row.id;
}

void SqliteBackend::beginBulk()
{
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        raiseWrite();
    m_bulk = true;
}

void SqliteBackend::endBulk()
{
    m_bulk = false;
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const AppError error(QStringLiteral("Cannot write to file %1: %2")
                                 .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errmsg(m_db))));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw error;
    }
}

void SqliteBackend::remove(qint64 id)
{
    Statement st(m_db, "DELETE FROM " + TableName + " WHERE rowid = ?");
    if (!st.ok())
        raiseWrite();
    if (sqlite3_bind_int64(st.get(), 1, id) != SQLITE_OK || st.step() != SQLITE_DONE)
        raiseWrite();
}
