#pragma once

// What the shop-server store's files share of libpq: owned results and
// connections, the connection with its settings, and the pauses between
// attempts to connect again.
#include "store/PgUrl.h"

#include <QString>

#include <libpq-fe.h>

#include <memory>

namespace PgConnection {

struct ResultDeleter
{
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

struct ConnDeleter
{
    void operator()(PGconn* conn) const { PQfinish(conn); }
};

inline QString errorText(const char* message)
{
    return QString::fromUtf8(message).trimmed().replace(QStringLiteral("\n\t"), QStringLiteral(" ")).replace(u'\n', u' ');
}

// The password goes apart from the URL, so that no libpq message can quote
// it. Keepalives come before the URL, which may override them: a dead line
// is noticed after about 10 + 4 * 5 seconds instead of libpq's two hours.
inline PGconn* connectTo(const PgUrl& url, bool wait = true)
{
    const QByteArray& password = url.password();
    const char* keys[] = {"keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count", "dbname",
                          "password", "connect_timeout", "application_name", "client_encoding", nullptr};
    const char* values[] = {"1", "10", "5", "4", url.withoutPassword().constData(),
                            password.isEmpty() ? nullptr : password.constData(), "5", "trelomar", "UTF8", nullptr};
    return wait ? PQconnectdbParams(keys, values, 1) : PQconnectStartParams(keys, values, 1);
}

inline bool ok(const Result& result)
{
    const ExecStatusType status = PQresultStatus(result.get());
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

// The answer to a query sent with PQsendQuery; the connection is free again after it.
inline Result takeResult(PGconn* conn)
{
    Result result(PQgetResult(conn));
    while (PGresult* more = PQgetResult(conn))
        PQclear(more);
    return result;
}

// Pauses between attempts to connect again while idle, and how long one may take.
constexpr int FirstPauseMs = 500;
constexpr int LongestPauseMs = 4000;
constexpr int AttemptMs = 10000;

} // namespace PgConnection
