#include "tests/store/TestDb.h"

#include "store/TField.h"
#include "store/TicketStore.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

TestDb::TestDb(const QString& relativePath)
    : m_path(m_dir.filePath(relativePath))
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    static int counter = 0;
    m_name = QStringLiteral("TestDb-%1").arg(++counter);
    TicketStore::createDatabase(m_path);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(m_path);
    if (!m_db.open())
        qFatal("cannot open %s", qPrintable(m_path));
}

TestDb::~TestDb()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

qint64 TestDb::insert(Values values)
{
    QStringList names, marks;
    for (const auto& [name, value] : values) {
        names << QString::fromLatin1(name);
        marks << QStringLiteral("?");
    }
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT INTO opravenky (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')));
    for (const auto& value : values)
        query.addBindValue(value.second);
    if (!query.exec())
        qFatal("insert failed: %s", qPrintable(query.lastError().text()));
    return query.lastInsertId().toLongLong();
}

void TestDb::exec(const QString& sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        qFatal("%s failed: %s", qPrintable(sql), qPrintable(query.lastError().text()));
}

QVariant TestDb::value(const QString& sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql) || !query.next())
        return QVariant();
    return query.value(0);
}

std::unique_ptr<TicketStore> openStore(const TestDb& db)
{
    auto store = std::make_unique<TicketStore>();
    store->setConnectionString(db.connectionString());
    store->Open();
    return store;
}

QStringList column(TicketStore& store, const char* field)
{
    QStringList texts;
    const int index = store.FieldByName(QString::fromLatin1(field))->Index();
    for (int row = 0; row < store.RecordCount(); ++row)
        texts << store.displayText(row, index);
    return texts;
}

QString str(TicketStore& store, const char* field)
{
    return store.FieldByName(QString::fromLatin1(field))->AsString();
}

ProgramRun runProgram(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    // Generous: a Windows program started under Wine takes seconds to come up.
    if (!process.waitForFinished(120000))
        return {-1, QString(), QStringLiteral("did not finish")};
    // Windows writes its line ends as CR LF.
    const auto text = [](const QByteArray& bytes) { return QString::fromUtf8(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, text(process.readAllStandardOutput()),
        text(process.readAllStandardError())};
}
