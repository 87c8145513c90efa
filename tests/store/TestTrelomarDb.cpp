#include "store/TicketStore.h"
#include "tests/support/TestRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The trelomar-db tool, run as the shop's installer would run it.
class TestTrelomarDb : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        int exitCode;
        QString out;
        QString err;
    };

    static Run run(const QStringList& args)
    {
        QProcess process;
        process.start(QStringLiteral(TRELOMAR_DB_PATH), args);
        if (!process.waitForFinished(30000))
            return {-1, QString(), QStringLiteral("did not finish")};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initCreatesAnEmptyDatabase()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("shop"));
        const Run first = run({QStringLiteral("init"), target});
        QCOMPARE(first.exitCode, 0);
        const QString path = target + QStringLiteral("/data/data.mdb");
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + path);
        store.Open();
        QVERIFY(store.IsEmpty());
        store.Append();
        store.FieldByName(QStringLiteral("cislo"))->setAsInteger(1);
        store.Post();
        store.Close();

        const Run again = run({QStringLiteral("init"), target});
        QVERIFY(again.exitCode != 0);
        QVERIFY2(again.err.contains(QStringLiteral("already exists")), qPrintable(again.err));
        store.Open();
        QCOMPARE(store.RecordCount(), 1); // left as it was
    }

    void badArgumentsShowUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("none") << QStringList();
        QTest::newRow("unknown command") << QStringList {"create"};
        QTest::newRow("too many") << QStringList {"init", "a", "b"};
    }
    void badArgumentsShowUsage()
    {
        QFETCH(QStringList, args);
        const Run result = run(args);
        QVERIFY(result.exitCode != 0);
        QVERIFY2(result.err.startsWith(QStringLiteral("Usage: trelomar-db init [DIR]")), qPrintable(result.err));
    }
};

TRELOMAR_TEST(TestTrelomarDb)
#include "TestTrelomarDb.moc"
