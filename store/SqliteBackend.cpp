#include "store/SqliteBackend.h"

#include "app/AppError.h"
#include "store/FieldText.h"
#include "store/StoreFile.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <future>
#include <limits>
#include <thread>

using StoreRow::Row;
using StoreRow::isStored;
using StoreRow::isText;
using StoreRow::slotOf;

namespace {

const QByteArray TableName = "opravenky";

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3* db, const QByteArray& sql)
    {
        m_rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3_stmt* get() const { return m_stmt; }
    int step() { return sqlite3_step(m_stmt); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

QByteArray quoted(const char* name)
{
    return '"' + QByteArray(name) + '"';
}

// The stored columns in field order, as a select list after the row id.
QByteArray selectList()
{
    QByteArray list = "rowid";
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f))
            list += ", " + quoted(TicketRecord::Fields[f].name);
    return list;
}

// A number as this or another program stored it. An integer is in the field's
// own unit (ten-thousandths for money); a value with a fraction is in whole
// units, so a script's price of 1234.5 is crowns, rounded to ten-thousandths.
// Text is read as the number it spells. False for anything else and for money
// too large to show, which then reads as null and stays in the file as it is.
bool readNumber(sqlite3_stmt* stmt, int column, bool money, qint64& out)
{
    constexpr qint64 MoneyLimit = std::numeric_limits<qint64>::max() - 10000; // room to round for display
    double real = 0;
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        out = sqlite3_column_int64(stmt, column);
        return !money || (out <= MoneyLimit && out >= -MoneyLimit);
    case SQLITE_FLOAT:
        real = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_TEXT: {
        const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                                        sqlite3_column_bytes(stmt, column));
        bool ok = false;
        out = text.toLongLong(&ok);
        if (ok)
            return !money || (out <= MoneyLimit && out >= -MoneyLimit);
        real = text.toDouble(&ok);
        if (!ok)
            return false;
        break;
    }
    default:
        return false;
    }
    const double scaled = money ? real * 10000.0 : real;
    if (!(std::abs(scaled) < double(MoneyLimit))) // also NaN
        return false;
    out = std::llround(scaled);
    return true;
}

// The last date text read in each field and what it meant: tickets come in
// the order they were taken, many on one day, so most dates repeat the row before.
class DateMemo
{
public:
    bool parse(int slot, const char* text, int size, qint64& out)
    {
        Entry& last = m_last[size_t(slot)];
        if (size == last.size && std::memcmp(text, last.text, size_t(size)) == 0) {
            out = last.packed;
            return last.ok;
        }
        const bool ok = FieldText::parseIso(text, size, out);
        if (size_t(size) <= sizeof last.text) {
            std::memcpy(last.text, text, size_t(size));
            last.size = size;
            last.packed = out;
            last.ok = ok;
        }
        return ok;
    }

private:
    struct Entry
    {
        char text[24];
        int size = -1;
        qint64 packed = 0;
        bool ok = false;
    };
    std::array<Entry, StoreRow::NumericSlots> m_last {};
};

void readColumns(sqlite3_stmt* stmt, Row& row, StoreRow::Texts& texts, DateMemo& dates)
{
    row.id = sqlite3_column_int64(stmt, 0);
    int column = 1;
    for (int f = 0; f < TicketRecord::FieldCount; ++f) {
        if (!isStored(f))
            continue;
        const int slot = slotOf(f);
        const FieldKind kind = TicketRecord::Fields[f].kind;
        if (kind == FieldKind::Integer || kind == FieldKind::Currency) {
            // A ticket number beyond 32 bits is kept whole, never wrapped: it shows and sorts as
            // stored, and TField::AsInteger and New refuse it.
            if (!readNumber(stmt, column, kind == FieldKind::Currency, row.num[slot])) {
                row.num[slot] = 0;
                row.nulls |= 1u << f;
            }
        } else {
            // No text is NULL.
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            if (kind != FieldKind::DateTime) {
                if (text)
                    row.text[slot] = texts[slot].add(text, sqlite3_column_bytes(stmt, column));
            } else if (!text || !dates.parse(slot, text, sqlite3_column_bytes(stmt, column), row.num[slot])) {
                row.nulls |= 1u << f; // also a text this program cannot read as a date: shown empty, kept in the file
            }
        }
        ++column;
    }
}

void bindField(sqlite3_stmt* stmt, int parameter, const Row& row, int field, QByteArrayView text)
{
    if (row.isNull(field)) {
        sqlite3_bind_null(stmt, parameter);
        return;
    }
    const int slot = slotOf(field);
    switch (TicketRecord::Fields[field].kind) {
    case FieldKind::Integer:
    case FieldKind::Currency:
        sqlite3_bind_int64(stmt, parameter, row.num[slot]);
        break;
    case FieldKind::DateTime: {
        const QByteArray iso = FieldText::toIso(row.num[slot]);
        sqlite3_bind_text(stmt, parameter, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        sqlite3_bind_text(stmt, parameter, text.data(), int(text.size()), SQLITE_TRANSIENT);
    }
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
        throw AppError(QStringLiteral("%1: No data source in the connection string \"%2\"").arg(component, connectionString));
    m_path = QFileInfo(source).absoluteFilePath();
    if (StoreFile::isAccessFile(m_path))
        throw AppError(QStringLiteral("Cannot open file %1: it is an Access (Jet) database, which this program "
                                      "cannot read; it must be converted to the program's database format first")
                           .arg(m_path));

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
        throw AppError(QStringLiteral("Cannot open file %1: %2").arg(m_path, failure));
    }

    try {
        sqlite3_busy_timeout(m_db, busyTimeoutMs);
        auto pragma = [this](const char* sql) {
            Statement st(m_db, sql);
            if (!st.ok())
                return false;
            int rc;
            while ((rc = st.step()) == SQLITE_ROW) {
            }
            return rc == SQLITE_DONE;
        };
        const auto openError = [this] {
            return AppError(
                QStringLiteral("Cannot open file %1: %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
        };
        // Each post must be on the disk when Post returns: write-ahead log with a sync at every commit.
        if (!pragma("PRAGMA journal_mode=WAL") || !pragma("PRAGMA synchronous=FULL"))
            throw openError();
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw AppError(QStringLiteral("Cannot open file %1: the file is read-only").arg(m_path));

        QSet<QString> columns;
        {
            Statement st(m_db, "PRAGMA table_info(" + TableName + ")");
            if (!st.ok())
                throw openError();
            int rc;
            while ((rc = st.step()) == SQLITE_ROW)
                columns.insert(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1))).toLower());
            if (rc != SQLITE_DONE)
                throw openError();
        }
        if (columns.isEmpty())
            throw AppError(QStringLiteral("Cannot open file %1: no such table: %2")
                               .arg(m_path, QString::fromLatin1(TableName)));
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            if (isStored(f) && !columns.contains(QString::fromLatin1(TicketRecord::Fields[f].name).toLower()))
                throw AppError(QStringLiteral("%1: Field '%2' not found")
                                   .arg(component, QLatin1String(TicketRecord::Fields[f].name)));
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
    throw AppError(QStringLiteral("Cannot read file %1: %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void SqliteBackend::raiseWrite() const
{
    throw AppError(QStringLiteral("Cannot write to file %1: %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
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

// The rows with ids in (above, upTo], appended in the order of the ids. False
// when a statement fails; the connection's error tells why.
bool SqliteBackend::readRange(sqlite3* db, qint64 above, qint64 upTo, std::vector<Row>& rows, Texts& texts) const
{
    Statement st(db, "SELECT " + selectList() + " FROM " + TableName + " WHERE rowid > ? AND rowid <= ? ORDER BY rowid");
    if (!st.ok())
        return false;
    sqlite3_bind_int64(st.get(), 1, above);
    sqlite3_bind_int64(st.get(), 2, upTo);
    DateMemo dates;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
        rows.emplace_back();
        readColumns(st.get(), rows.back(), texts, dates);
    }
    return rc == SQLITE_DONE;
}

void SqliteBackend::readAll(std::vector<Row>& rows, Texts& texts)
{
    qint64 lowest = 0, highest = 0;
    {
        // Each bound in a query of its own: SQLite answers a lone min() or max() of
        // the key from the b-tree's edge, but both in one query scan the whole table.
        Statement bounds(m_db, "SELECT (SELECT min(rowid) FROM " + TableName + "), (SELECT max(rowid) FROM "
                                   + TableName + ")");
        if (!bounds.ok() || bounds.step() != SQLITE_ROW)
            raiseRead();
        lowest = sqlite3_column_int64(bounds.get(), 0);
        highest = sqlite3_column_int64(bounds.get(), 1);
    }
    // The span of the ids is a cheap, close guess of the number of rows. Room
    // for the tickets of the coming days too: reserved, it costs no memory
    // until used, and a new ticket then never moves every row.
    const auto guess = [](qint64 from, qint64 to) {
        const qint64 span = std::clamp<qint64>(to - from + 1, 0, 10'000'000);
        return size_t(span + span / 8 + 4096);
    };
    // A large table is read by two connections at once, each half of the ids.
    constexpr qint64 ParallelFrom = 20000;
    if (highest - lowest >= ParallelFrom) {
        const qint64 split = lowest + (highest - lowest) / 2;
        rows.reserve(guess(lowest, highest)); // the upper half joins without a move
        if (readInParallel(rows, texts, split, highest))
            return;
        rows.clear();
        texts = Texts();
    }
    rows.reserve(guess(lowest, highest));
    if (!readRange(m_db, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), rows, texts))
        raiseRead();
}

// The ids above `split` are read on a second connection and thread while this
// one reads the rest; both in one snapshot of the file, or false (nothing kept
// worth keeping) and the caller reads alone.
bool SqliteBackend::readInParallel(std::vector<Row>& rows, Texts& texts, qint64 split, qint64 highest)
{
    sqlite3* other = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &other, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        != SQLITE_OK) {
        sqlite3_close(other);
        return false;
    }
    sqlite3_busy_timeout(other, m_busyTimeoutMs);
    // Both read transactions start between two looks at the data version: when
    // it has not moved, no other program committed in between and the halves agree.
    const qint64 before = dataVersion();
    std::vector<Row> upper;
    Texts upperTexts;
    std::promise<void> started;
    bool upperRead = false;
    std::exception_ptr upperFailure;
    std::thread reader([&] {
        try {
            upper.reserve(size_t(std::clamp<qint64>(highest - split, 0, 10'000'000)));
            // The read transaction, and with it the snapshot, starts at the first row.
            const bool begun = sqlite3_exec(other, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
            int rc = SQLITE_ERROR;
            if (begun) {
                Statement first(other, "SELECT 1 FROM " + TableName + " LIMIT 1");
                rc = first.ok() ? first.step() : SQLITE_ERROR;
            }
            started.set_value();
            // Without a snapshot of its own the half is left to the other connection.
            if (rc == SQLITE_ROW || rc == SQLITE_DONE)
                upperRead = readRange(other, split, highest, upper, upperTexts);
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
    std::exception_ptr failure;
    try {
        if (ok) {
            Statement first(m_db, "SELECT 1 FROM " + TableName + " LIMIT 1");
            ok = first.ok() && first.step() != SQLITE_ERROR;
        }
        const bool sameSnapshot = ok && dataVersion() == before;
        ok = ok && readRange(m_db, std::numeric_limits<qint64>::min(), split, rows, texts);
        reader.join();
        if (ok && !upperFailure && (!upperRead || !sameSnapshot)) {
            // The other half from this connection's own snapshot.
            upper.clear();
            upperTexts = Texts();
            upperRead = readRange(m_db, split, highest, upper, upperTexts);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (reader.joinable())
        reader.join();
    if (began) // never a transaction this connection had open before
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    if (failure)
        std::rethrow_exception(failure);
    if (upperFailure)
        std::rethrow_exception(upperFailure);
    if (!ok || !upperRead)
        return false;

    std::array<quint32, StoreRow::TextSlots> shift {};
    for (int slot = 0; slot < StoreRow::TextSlots; ++slot)
        shift[slot] = texts[slot].adopt(std::move(upperTexts[slot])) << 24;
    for (Row& row : upper)
        for (int slot = 0; slot < StoreRow::TextSlots; ++slot)
            if (row.text[slot].size)
                row.text[slot].pos += shift[slot];
    rows.insert(rows.end(), upper.begin(), upper.end());
    return true;
}

std::optional<StoreRow::Row> SqliteBackend::readOne(qint64 id, Texts& texts)
{
    Statement st(m_db, "SELECT " + selectList() + " FROM " + TableName + " WHERE rowid = ?");
    if (!st.ok())
        return std::nullopt;
    sqlite3_bind_int64(st.get(), 1, id);
    if (st.step() != SQLITE_ROW)
        return std::nullopt;
    Row row;
    DateMemo dates;
    readColumns(st.get(), row, texts, dates);
    return row;
}

qint64 SqliteBackend::write(Row& row, quint32 changedFields, bool insert, const Texts& texts)
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
    int parameter = 1;
    if (withId)
        sqlite3_bind_int64(st.get(), parameter++, row.id);
    for (int f : changed)
        bindField(st.get(), parameter++, row, f,
                  isText(f) ? texts[slotOf(f)].bytes(row.text[slotOf(f)]) : QByteArrayView());
    if (!insert)
        sqlite3_bind_int64(st.get(), parameter, row.id);
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
}

void SqliteBackend::endBulk()
{
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const AppError error(QStringLiteral("Cannot write to file %1: %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw error;
    }
}

void SqliteBackend::remove(qint64 id)
{
    Statement st(m_db, "DELETE FROM " + TableName + " WHERE rowid = ?");
    if (!st.ok())
        raiseWrite();
    sqlite3_bind_int64(st.get(), 1, id);
    if (st.step() != SQLITE_DONE)
        raiseWrite();
}

void SqliteBackend::createDatabase(const QString& path)
{
    // Created exclusively, so that an existing file is never replaced.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                throw AppError(QStringLiteral("Cannot create file %1: the file already exists").arg(path));
            throw AppError(QStringLiteral("Cannot create file %1: %2").arg(path, file.errorString()));
        }
    }
    sqlite3* db = nullptr;
    QString failure;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        failure = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    } else {
        QByteArray sql = "PRAGMA journal_mode=WAL; CREATE TABLE " + TableName + " (id INTEGER PRIMARY KEY";
        for (const FieldDef& def : TicketRecord::Fields) {
            if (def.calculated)
                continue;
            const bool textual = def.kind == FieldKind::Text || def.kind == FieldKind::Memo
                || def.kind == FieldKind::DateTime;
            sql += ", " + quoted(def.name) + (textual ? " TEXT" : " INTEGER");
        }
        sql += ");";
        char* message = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK)
            failure = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (!failure.isEmpty()) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw AppError(QStringLiteral("Cannot create file %1: %2").arg(path, failure));
    }
}
