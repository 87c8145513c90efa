#pragma once

#include <QByteArray>

#include <sqlite3.h>

// A prepared statement that finalizes itself.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const QByteArray& sql)
    {
        m_rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
    }
    ~SqliteStatement() { sqlite3_finalize(m_stmt); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3_stmt* get() const { return m_stmt; }
    int step() { return sqlite3_step(m_stmt); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

// Runs SQL without results; false on failure, sqlite3_errmsg() says why.
inline bool sqliteExec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

namespace SqliteNames {

// The tickets' table and a column's name as SQL quotes it.
inline const QByteArray TableName = "opravenky";
inline QByteArray quoted(const char* name)
{
    return '"' + QByteArray(name) + '"';
}

} // namespace SqliteNames
