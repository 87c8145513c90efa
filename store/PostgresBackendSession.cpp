#include "store/PostgresBackend.h"

#include "base/AppError.h"
#include "store/PgConnection.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

// The connection's life: connecting, the session's settings, the notices of
// other counters, and connecting again after the line or the server was lost.
using namespace PgConnection;

namespace {

// Changed tickets read again one by one; past this many the table is read whole.
constexpr size_t MostChangedIds = 64;

} // namespace

void PostgresBackend::connect()
{
    m_conn = connectTo(m_url);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString message = lastError();
        PQfinish(m_conn);
        m_conn = nullptr;
        throw AppError(QStringLiteral("Cannot connect to %1: %2").arg(m_where, message));
    }
    try {
        startSession();
    } catch (...) {
        PQfinish(m_conn);
        m_conn = nullptr;
        throw;
    }
}

void PostgresBackend::startSession()
{
    Result result(PQexec(m_conn, "SET DateStyle TO ISO, YMD; LISTEN opravenky"));
    if (!ok(result))
        raise("connect to");
    m_notifier.reset(new QSocketNotifier(PQsocket(m_conn), QSocketNotifier::Read));
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        const qint64 before = m_token;
        if (!consumeInput()) {
            dropNotifier(); // lost: connected again on a timer, or by the next action
            scheduleReconnect();
            return;
        }
        if (m_token != before && changedElsewhere)
            changedElsewhere();
    });
}

void PostgresBackend::dropNotifier()
{
    m_notifier.reset();
}

void PostgresBackend::ensureConnected()
{
    if (PQstatus(m_conn) == CONNECTION_OK)
        return;
    // The user waits for this action: connected here and now.
    m_retry.stop();
    if (m_attempt)
        endAttempt(false);
    m_retry.stop();
    dropNotifier();
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        scheduleReconnect();
        raise("connect to");
    }
    resume();
}

void PostgresBackend::resume()
{
    m_backoff = FirstPauseMs;
    startSession();
    ++m_token; // what others did meanwhile was not heard of: read whole
    m_changedUnknown = true;
    announce();
    if (m_reserved && !takeNumber(m_reserved)) {
        // The lock went with the old session, and another counter holds or has stored the number since.
        m_movedFrom = m_reserved;
        m_reserved = 0;
        m_reserved = freeNumber(qint64(m_movedFrom) + 1);
        ++m_moves;
        if (numberMoved)
            numberMoved(m_movedFrom, m_reserved);
    }
}

void PostgresBackend::announce()
{
    QTimer::singleShot(0, &m_retry, [this] {
        if (changedElsewhere)
            changedElsewhere();
    });
}

void PostgresBackend::scheduleReconnect()
{
    if (m_attempt || m_retry.isActive())
        return;
    m_retry.start(m_backoff);
    m_backoff = std::min(m_backoff * 2, LongestPauseMs);
}

void PostgresBackend::startAttempt()
{
    m_attempt = connectTo(m_url, false);
    if (!m_attempt || PQstatus(m_attempt) == CONNECTION_BAD) {
        endAttempt(false);
        return;
    }
    m_attemptDeadline.start(AttemptMs);
    pollAttempt(PGRES_POLLING_WRITING); // as libpq asks before its first poll
}

void PostgresBackend::pollAttempt(int status)
{
    if (status == PGRES_POLLING_OK) {
        endAttempt(true);
        return;
    }
    if (status != PGRES_POLLING_READING && status != PGRES_POLLING_WRITING) {
        endAttempt(false);
        return;
    }
    // The socket may change between polls (another address of the host).
    m_attemptNotifier.reset(new QSocketNotifier(
        PQsocket(m_attempt), status == PGRES_POLLING_READING ? QSocketNotifier::Read : QSocketNotifier::Write));
    QObject::connect(m_attemptNotifier.get(), &QSocketNotifier::activated, m_attemptNotifier.get(), [this] {
        m_attemptNotifier->setEnabled(false);
        pollAttempt(PQconnectPoll(m_attempt));
    });
}

void PostgresBackend::endAttempt(bool connected)
{
    m_attemptDeadline.stop();
    m_attemptNotifier.reset();
    if (!connected) {
        PQfinish(m_attempt);
        m_attempt = nullptr;
        scheduleReconnect();
        return;
    }
    dropNotifier();
    PQfinish(m_conn);
    m_conn = m_attempt;
    m_attempt = nullptr;
    try {
        resume();
    } catch (const AppError&) {
        // Said by the next action that needs the server; lost again, tried again.
        if (PQstatus(m_conn) != CONNECTION_OK)
            scheduleReconnect();
    }
}

bool PostgresBackend::consumeInput()
{
    if (!PQconsumeInput(m_conn))
        return false;
    // An answer not waited for (a released number) is taken off first: libpq
    // reads no notification behind an answer nobody has taken.
    while (!PQisBusy(m_conn)) {
        PGresult* answer = PQgetResult(m_conn);
        if (!answer)
            break;
        PQclear(answer);
    }
    readNotifications();
    return true;
}

void PostgresBackend::readNotifications()
{
    const int self = PQbackendPID(m_conn);
    while (PGnotify* note = PQnotifies(m_conn)) {
        if (note->be_pid != self) {
            ++m_token;
            // The row trigger names the ticket's id; a table made before it, or a truncation, names none.
            char* end = nullptr;
            const qint64 id = std::strtoll(note->extra, &end, 10);
            if (id > 0 && end && *end == '\0' && m_changedIds.size() < MostChangedIds)
                m_changedIds.push_back(id);
            else
                m_changedUnknown = true;
        }
        PQfreemem(note);
    }
}

