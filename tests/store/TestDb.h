#pragma once

#include <QCollator>
#include <QLocale>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include "base/AppError.h"

#include <initializer_list>
#include <memory>
#include <utility>

class TicketStore;

// Wine's sort keys order some texts unlike its own comparison ("ďas8" and
// "ďas808", digits beside letters); Windows and ICU keep the two in step, and
// the sort tests compare the store's key order with the comparison.
#define SKIP_UNLESS_SORT_KEYS_AGREE()                                                              \
    do {                                                                                           \
        QCollator probe {QLocale()};                                                               \
        probe.setCaseSensitivity(Qt::CaseInsensitive);                                             \
        for (const auto& [a, b] : {std::pair {u"ďas8", u"ďas808"}, {u"0", u"a35"}, {u"1 2", u"10248"}}) \
            if ((probe.sortKey(QString::fromUtf16(a)).compare(probe.sortKey(QString::fromUtf16(b))) < 0)                 \
                != (probe.compare(QString::fromUtf16(a), QString::fromUtf16(b)) < 0))                                    \
                QSKIP("this system's sort keys disagree with its own comparison");                 \
    } while (false)

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

// A field's text in every listed row, top to bottom; the current row's text.
QStringList column(TicketStore& store, const char* field);
QString str(TicketStore& store, const char* field);

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
