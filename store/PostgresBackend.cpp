#include "store/PostgresBackend.h"

#include "base/AppError.h"
#include "store/PgConnection.h"
#include "store/PgFields.h"
#include "store/PostgresRetry.h"

#include <QHash>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

using StoreRow::isStored;
using StoreRow::Row;
using namespace PgConnection;
using namespace PgFields;

namespace {

// The first key of the session locks that hold reserved ticket numbers.
const char* const LockClass = "1414679629";

// Rows per FETCH while reading every ticket: the server makes the next batch
// while this program reads one.
constexpr int FetchRows = 4000;
// Ids a counter takes from the sequence at once for its new tickets.
constexpr int IdBlock = 20;

qint64 cisloOf(const Row& row)
{
    return row.isNull(TicketRecord::cislo) ? 0 : row.num[StoreRow::slotOf(TicketRecord::cislo)];
}

} // namespace

QString PostgresBackend::describe(const QString& url)
{
    return PgUrl(url).describe();
}

PostgresBackend::PostgresBackend(const QString& url, const QString& component)
    : m_url(url)
    , m_where(m_url.describe())
    , m_component(component)
    , m_backoff(FirstPauseMs)
{
    m_retry.setSingleShot(true);
    QObject::connect(&m_retry, &QTimer::timeout, &m_retry, [this] { startAttempt(); });
    m_attemptDeadline.setSingleShot(true);
    QObject::connect(&m_attemptDeadline, &QTimer::timeout, &m_attemptDeadline, [this] { endAttempt(false); });
    connect();
    try {
        Result result(PQexec(m_conn,
            "SELECT column_name FROM information_schema.columns WHERE table_schema = current_schema()"
            " AND table_name = 'opravenky'"));
        if (!ok(result))
            raise("open");
        QHash<QString, QByteArray> names; // lower case -> as in the table
        for (int r = 0; r < PQntuples(result.get()); ++r) {
            const QByteArray name = PQgetvalue(result.get(), r, 0);
            names.insert(QString::fromUtf8(name).toLower(), name);
        }
        if (names.isEmpty())
            throw AppError(QStringLiteral("Cannot open %1: no such table: opravenky").arg(m_where));
        m_select = "id";
        for (int f = 0; f < TicketRecord::FieldCount; ++f) {
            m_columns.append(QByteArray());
            if (!isStored(f))
                continue;
            const auto it = names.constFind(QString::fromLatin1(TicketRecord::Fields[f].name).toLower());
            if (it == names.constEnd())
                throw AppError(QStringLiteral("%1: Field '%2' not found")
                                   .arg(component, QLatin1String(TicketRecord::Fields[f].name)));
            m_columns[f] = '"' + QByteArray(*it).replace('"', "\"\"") + '"';
            m_select += ", " + m_columns[f];
        }
    } catch (...) {
        PQfinish(m_conn);
        m_conn = nullptr;
        throw;
    }
}

void PostgresBackend::ResultFree::operator()(pg_result* result) const
{
    PQclear(result);
}

void PostgresBackend::LaterDeleter::operator()(QSocketNotifier* notifier) const
{
    notifier->setEnabled(false);
    notifier->deleteLater();
}

PostgresBackend::~PostgresBackend()
{
    // Not from within their own signals: deleted at once, as no event loop may follow.
    delete m_attemptNotifier.release();
    delete m_notifier.release();
    PQfinish(m_attempt);
    PQfinish(m_conn);
}

QString PostgresBackend::lastError() const
{
    return m_url.redact(errorText(PQerrorMessage(m_conn)));
}

void PostgresBackend::raise(const char* what) const
{
    throw AppError(QStringLiteral("Cannot %1 %2: %3").arg(QLatin1String(what), m_where, lastError()));
}

qint64 PostgresBackend::changeToken()
{
    ensureConnected();
    if (!consumeInput())
        ensureConnected();
    return m_token;
}

bool PostgresBackend::takeChanges(std::vector<qint64>& ids)
{
    const bool known = !m_changedUnknown;
    ids = std::move(m_changedIds);
    m_changedIds.clear();
    m_changedUnknown = false;
    return known;
}

void PostgresBackend::readAll(std::vector<Row>& rows, Texts& texts)
{
    // Changes heard of from now on are read again after this read; a change
    // the read already holds is only read twice.
    m_changedIds.clear();
    m_changedUnknown = false;
    withRetry([&] {
        rows.clear();
        texts = Texts();
        // One snapshot read in batches, so that the client never holds every row twice.
        Result begin(PQexec(m_conn, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        if (!ok(begin))
            raise("read");
        try {
            Result estimate(PQexec(m_conn, "SELECT reltuples::bigint FROM pg_class WHERE oid = 'opravenky'::regclass"));
            if (ok(estimate) && PQntuples(estimate.get()) == 1)
                rows.reserve(size_t(std::clamp<qint64>(std::atoll(PQgetvalue(estimate.get(), 0, 0)), 0, 10'000'000)));
            Result declare(PQexec(
                m_conn, "DECLARE tickets NO SCROLL CURSOR FOR SELECT " + m_select + " FROM opravenky ORDER BY id"));
            if (!ok(declare))
                raise("read");
            const QByteArray fetch = "FETCH " + QByteArray::number(FetchRows) + " FROM tickets";
            if (!PQsendQuery(m_conn, fetch.constData()))
                raise("read");
            for (;;) {
                Result batch = takeResult(m_conn);
                if (!ok(batch))
                    raise("read");
                const int n = PQntuples(batch.get());
                const bool more = n == FetchRows;
                if (more && !PQsendQuery(m_conn, fetch.constData()))
                    raise("read");
                for (int r = 0; r < n; ++r) {
                    rows.emplace_back();
                    readColumns(batch.get(), r, rows.back(), texts);
                }
                if (!more)
                    break;
            }
            Result commit(PQexec(m_conn, "COMMIT"));
            if (!ok(commit))
                raise("read");
        } catch (...) {
            Result(PQexec(m_conn, "ROLLBACK"));
            throw;
        }
    });
}

std::optional<StoreRow::Row> PostgresBackend::readOne(qint64 id, Texts& texts)
{
    if (m_written && m_writtenId == id) {
        Row row;
        readColumns(m_written.get(), 0, row, texts);
        m_written.reset();
        return row;
    }
    return withRetry([&]() -> std::optional<Row> {
        const QByteArray key = QByteArray::number(id);
        const char* values[] = { key.constData() };
        Result result(PQexecParams(
            m_conn, "SELECT " + m_select + " FROM opravenky WHERE id = $1", 1, nullptr, values, nullptr, nullptr, 0));
        if (!ok(result))
            raise("read");
        if (PQntuples(result.get()) != 1)
            return std::nullopt;
        Row row;
        readColumns(result.get(), 0, row, texts);
        return row;
    });
}

qint64 PostgresBackend::write(Row& row, quint32 changedFields, bool insert, const Texts& texts)
{
    m_written.reset();
    const std::vector<int> changed = StoreRow::changedStoredFields(changedFields);
    if (!insert && changed.empty())
        return row.id;
    const quint64 moves = m_moves;
    return withRetry([&]() -> qint64 {
        // Renumbered by a reconnect during this write: the counter sees the new number before it is stored.
        if (insert && m_moves != moves && cisloOf(row) == m_reserved)
            throw AppError(QStringLiteral("%1: The number %2 went to another counter while the server was away; "
                                          "this ticket now has the number %3")
                               .arg(m_component)
                               .arg(m_movedFrom)
                               .arg(m_reserved));
        // The id first: writing the row again after a lost answer finds it stored and stores it no second time.
        if (insert && row.id == 0)
            row.id = takeId();
        std::vector<QByteArray> params;
        QByteArray sql;
        if (insert) {
            QByteArray names = "id", marks = "$1";
            params.push_back(QByteArray::number(row.id));
            for (int f : changed) {
                names += ", " + m_columns[f];
                marks += ", $" + QByteArray::number(qsizetype(params.size()) + 1);
                params.push_back(parameter(row, f, texts));
            }
            sql = "INSERT INTO opravenky (" + names + ") VALUES (" + marks + ")";
            // Written before, the answer lost with the connection: found stored by
            // its id, it is not stored again, but takes what was changed since.
            if (row.id == m_unsureId) {
                QByteArray sets;
                for (int f : changed)
                    sets += (sets.isEmpty() ? "" : ", ") + m_columns[f] + " = EXCLUDED." + m_columns[f];
                sql += sets.isEmpty() ? " ON CONFLICT (id) DO NOTHING" : " ON CONFLICT (id) DO UPDATE SET " + sets;
            }
        } else {
            QByteArray sets;
            for (int f : changed) {
                params.push_back(parameter(row, f, texts));
                sets += (sets.isEmpty() ? "" : ", ") + m_columns[f] + " = $"
                    + QByteArray::number(qsizetype(params.size()));
            }
            params.push_back(QByteArray::number(row.id));
            sql = "UPDATE opravenky SET " + sets + " WHERE id = $" + QByteArray::number(qsizetype(params.size()));
        }
        if (!m_bulk) {
            sql += " RETURNING " + m_select; // the row as stored, read back in the same round trip
            // A new ticket's first status in the same statement; a ticket stored
            // before the answer was lost has it already.
            if (insert && statusOn()) {
                params.push_back(received(row.id).time.toUtf8());
                sql = "WITH stored AS (" + sql
                    + "), first AS (INSERT INTO historie_stavu (opravenka, cas, stav) SELECT id, $"
                    + QByteArray::number(qsizetype(params.size()))
                    + ", 'prijato' FROM stored WHERE NOT EXISTS (SELECT 1 FROM historie_stavu h WHERE h.opravenka ="
                      " stored.id)) SELECT * FROM stored";
            }
        }
        std::vector<const char*> values;
        std::vector<int> lengths;
        for (const QByteArray& p : params) {
            values.push_back(p.isNull() ? nullptr : p.constData());
            lengths.push_back(int(p.size()));
        }
        Result result(PQexecParams(
            m_conn, sql.constData(), int(values.size()), nullptr, values.data(), lengths.data(), nullptr, 0));
        if (!ok(result)) {
            if (insert && PQstatus(m_conn) != CONNECTION_OK)
                m_unsureId = row.id;
            raise("write to");
        }
        if (insert)
            m_unsureId = 0;
        if (!insert && qstrcmp(PQcmdTuples(result.get()), "0") == 0)
            return 0;
        if (PQntuples(result.get()) == 1) {
            m_written.reset(result.release());
            m_writtenId = row.id;
        }
        return row.id;
    });
}

qint64 PostgresBackend::takeId()
{
    if (m_freeIds.empty()) {
        Result ids(PQexec(m_conn,
            "SELECT nextval(pg_get_serial_sequence('opravenky', 'id')) FROM generate_series(1, "
                + QByteArray::number(IdBlock) + ")"));
        if (!ok(ids) || PQntuples(ids.get()) == 0)
            raise("write to");
        for (int r = PQntuples(ids.get()) - 1; r >= 0; --r)
            m_freeIds.push_back(std::strtoll(PQgetvalue(ids.get(), r, 0), nullptr, 10));
    }
    const qint64 id = m_freeIds.back();
    m_freeIds.pop_back();
    return id;
}

void PostgresBackend::remove(qint64 id)
{
    withRetry([&] {
        const QByteArray key = QByteArray::number(id);
        const char* values[] = { key.constData() };
        Result result(
            PQexecParams(m_conn, "DELETE FROM opravenky WHERE id = $1", 1, nullptr, values, nullptr, nullptr, 0));
        if (!ok(result))
            raise("write to");
    });
}

int PostgresBackend::reserveNumber(int next)
{
    releaseNumber();
    return withRetry([&] {
        m_reserved = freeNumber(next);
        return m_reserved;
    });
}

int PostgresBackend::freeNumber(qint64 next)
{
    // After the largest number stored by anyone, which may be newer than what this counter has read.
    Result largest(PQexec(m_conn, "SELECT coalesce(max(cislo), 0) FROM opravenky"));
    if (!ok(largest))
        raise("read");
    qint64 number = std::max<qint64>(next, std::atoll(PQgetvalue(largest.get(), 0, 0)) + 1);
    numberChosen(number);
    // A number another counter holds, or stored since the read, is passed over; one given up is free again.
    for (;; ++number) {
        if (number > std::numeric_limits<int>::max())
            throw AppError(QStringLiteral("No new ticket number follows %1: the largest there can be is %2")
                               .arg(number - 1)
                               .arg(std::numeric_limits<int>::max()));
        if (takeNumber(number))
            return int(number);
    }
}

bool PostgresBackend::takeNumber(qint64 number)
{
    const QByteArray text = QByteArray::number(number);
    const char* values[] = { LockClass, text.constData() };
    Result locked(
        PQexecParams(m_conn, "SELECT pg_try_advisory_lock($1::int, $2::int)", 2, nullptr, values, nullptr, nullptr, 0));
    if (!ok(locked))
        raise("read");
    if (PQgetvalue(locked.get(), 0, 0)[0] != 't')
        return false;
    // Checked only now, under the lock, in a statement of its own (a statement sees what was stored
    // when it began): a counter that stored the number and let go of it is seen. A ticket whose
    // answer was lost is this counter's own.
    const QByteArray unsure = QByteArray::number(m_unsureId);
    const char* check[] = { text.constData(), unsure.constData() };
    Result stored(PQexecParams(m_conn, "SELECT EXISTS (SELECT 1 FROM opravenky WHERE cislo = $1 AND id <> $2)", 2,
        nullptr, check, nullptr, nullptr, 0));
    if (!ok(stored))
        raise("read");
    if (PQgetvalue(stored.get(), 0, 0)[0] == 'f')
        return true;
    Result(
        PQexecParams(m_conn, "SELECT pg_advisory_unlock($1::int, $2::int)", 2, nullptr, values, nullptr, nullptr, 0));
    return false;
}

void PostgresBackend::releaseNumber()
{
    if (!m_reserved)
        return;
    const QByteArray text = QByteArray::number(m_reserved);
    m_reserved = 0;
    // Nothing to do on a lost connection: the server let go of the lock with the session.
    if (PQstatus(m_conn) != CONNECTION_OK)
        return;
    const char* values[] = { LockClass, text.constData() };
    // Not waited for: the server answers while this counter goes on, and the
    // next statement takes the answer first (PQexec drops a pending one).
    PQsendQueryParams(m_conn, "SELECT pg_advisory_unlock($1::int, $2::int)", 2, nullptr, values, nullptr, nullptr, 0);
}

void PostgresBackend::beginBulk()
{
    ensureConnected();
    Result result(PQexec(m_conn, "BEGIN"));
    if (!ok(result))
        raise("write to");
    m_bulk = true;
}

void PostgresBackend::endBulk()
{
    m_bulk = false;
    // Rows copied with their ids: new rows' ids go on after the largest.
    Result result(PQexec(m_conn,
        "SELECT setval(pg_get_serial_sequence('opravenky', 'id'), coalesce(max(id), 0) + 1, "
        "false) FROM opravenky; COMMIT"));
    if (!ok(result)) {
        const QString message = lastError();
        Result(PQexec(m_conn, "ROLLBACK"));
        throw AppError(QStringLiteral("Cannot write to %1: %2").arg(m_where, message));
    }
}
