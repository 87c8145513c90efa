#pragma once

#include <QString>
#include <QStringList>

// A fresh database on the test server (TRELOMAR_PG_URL, started by
// scripts/start-postgres.sh), dropped again at the end. Without a server the
// test skips, and fails under CI.
class PgDatabase
{
public:
    PgDatabase();
    ~PgDatabase();
    PgDatabase(const PgDatabase&) = delete;
    PgDatabase& operator=(const PgDatabase&) = delete;

    bool ready() const { return !m_url.isEmpty(); }
    const QString& url() const { return m_url; }
    const QString& name() const { return m_name; }
    // Why there is no database: to be passed to QSKIP or QFAIL.
    const QString& missing() const { return m_missing; }
    static bool required(); // CI=true: a missing server fails the run

    // Runs SQL in this database (on a connection of the test's own); the
    // first value of the first row, empty when none.
    QString exec(const QString& sql) const;
    // As exec, on the server's maintenance database.
    static QString admin(const QString& sql);
    // As exec, on the database `url` names.
    static QString execOn(const QString& url, const QString& sql);

private:
    QString m_name;
    QString m_url;
    QString m_missing;
};

// In a test slot: a database, or skip (fail under CI).
#define PG_DATABASE(db)                                                                                                \
    PgDatabase db;                                                                                                     \
    if (!db.ready()) {                                                                                                 \
        if (PgDatabase::required())                                                                                    \
            QFAIL(qPrintable(db.missing()));                                                                           \
        QSKIP(qPrintable(db.missing()));                                                                               \
    }
