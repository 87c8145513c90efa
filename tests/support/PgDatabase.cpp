#include "tests/support/PgDatabase.h"

#include <libpq-fe.h>

#include <QAtomicInt>
#include <QCoreApplication>

namespace {

QAtomicInt counter;

QString baseUrl()
{
    return qEnvironmentVariable("TRELOMAR_PG_URL");
}

// The base URL with another database name.
QString withDatabase(const QString& name)
{
    const QString base = baseUrl();
    return base.left(base.lastIndexOf(u'/') + 1) + name;
}

QString run(const QString& url, const QString& sql)
{
    PGconn* conn = PQconnectdb(url.toUtf8().constData());
    QString value;
    if (PQstatus(conn) != CONNECTION_OK)
        qFatal("test server: %s", PQerrorMessage(conn));
    PGresult* result = PQexec(conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        qFatal("test server: %s: %s", qPrintable(sql), PQresultErrorMessage(result));
    if (status == PGRES_TUPLES_OK && PQntuples(result) > 0)
        value = QString::fromUtf8(PQgetvalue(result, 0, 0));
    PQclear(result);
    PQfinish(conn);
    return value;
}

} // namespace

bool PgDatabase::required()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

PgDatabase::PgDatabase()
{
    if (baseUrl().isEmpty()) {
        m_missing = QStringLiteral("no PostgreSQL test server: TRELOMAR_PG_URL is not set (./test.sh starts one)");
        return;
    }
    m_name = QStringLiteral("trelomar_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(counter.fetchAndAddRelaxed(1));
    admin(QStringLiteral("CREATE DATABASE %1").arg(m_name));
    m_url = withDatabase(m_name);
}

PgDatabase::~PgDatabase()
{
    if (!m_name.isEmpty())
        admin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_name));
}

QString PgDatabase::exec(const QString& sql) const
{
    return run(m_url, sql);
}

QString PgDatabase::admin(const QString& sql)
{
    return run(baseUrl(), sql);
}

QString PgDatabase::execOn(const QString& url, const QString& sql)
{
    return run(url, sql);
}
