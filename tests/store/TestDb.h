#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include "app/AppError.h"

#include <initializer_list>
#include <memory>
#include <utility>

class TicketStore;

// A ticket database in a temporary folder, with a connection of its own for
// laying out rows and looking at what the store wrote.
class TestDb
{
public:
    explicit TestDb(const QString& relativePath = QStringLiteral("data.mdb"));
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    const QString& path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    QString connectionString() const { return QStringLiteral("Data Source=") + m_path; }

    using Values = std::initializer_list<std::pair<const char*, QVariant>>;
    qint64 insert(Values values); // returns the row id
    void exec(const QString& sql);
    QVariant value(const QString& sql); // first column of the first row
    QSqlDatabase& sql() { return m_db; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
};

// A store opened on the database.
std::unique_ptr<TicketStore> openStore(const TestDb& db);

// The message of the AppError the action raises; empty when it raises none.
template <class F>
QString raised(F&& action)
{
    try {
        action();
    } catch (const AppError& error) {
        return error.message();
    }
    return QString();
}

// What a program run in a test printed and how it ended (-1: it crashed or
// did not finish in 30 s).
struct ProgramRun
{
    int exitCode;
    QString out;
    QString err;
};
ProgramRun runProgram(const QString& program, const QStringList& args);
