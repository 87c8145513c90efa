#include "datamodule/TDM.h"
#include "session/DailyBackup.h"
#include "store/StoreFile.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The copy of the store taken when the program starts on a new day.
class TestDailyBackup : public QObject
{
    Q_OBJECT

private:
    static QString today() { return StoreFile::dailyBackupName(QDate::currentDate()); }

private slots:
    void startCopiesTheStoreAndKeepsTheNewest_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("left"); // daily copies left besides today's; empty: no copy made
        const QStringList old = {"data-2020-01-01.mdb", "data-2020-01-02.mdb", "data-2021-05-05.mdb"};
        QTest::newRow("no setting: 14 kept") << QByteArray() << old;
        QTest::newRow("3 days") << QByteArray("[Backup]\r\nDays=3\r\n") << old.mid(1);
        QTest::newRow("1 day, hexadecimal") << QByteArray("[backup]\r\ndays=$1\r\n") << QStringList();
        QTest::newRow("unreadable count: 14") << QByteArray("[Backup]\r\nDays=three\r\n") << old;
        QTest::newRow("turned off") << QByteArray("[Backup]\r\nDays=0\r\n") << QStringList {"off"};
    }
    void startCopiesTheStoreAndKeepsTheNewest()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, left);
        const QStringList old = {"data-2020-01-01.mdb", "data-2020-01-02.mdb", "data-2021-05-05.mdb"};
        AppFixture::Options options;
        options.beforeStart = [&](const QString& dir) {
            TicketStore store;
            store.setConnectionString(QStringLiteral("Data Source=data/data.mdb"));
            store.Open();
            store.Append();
            store.FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Jan"));
            store.Post();
            for (const QString& name : old + QStringList {"notes.txt"})
                AppFixture::writeFile(dir + QStringLiteral("/data/backup/") + name, "old");
            if (!ini.isEmpty())
                AppFixture::writeFile(dir + QStringLiteral("/trelomar.ini"), ini);
        };
        AppFixture app(options);
        const QString folder = app.path(QStringLiteral("data/backup"));
        if (left == QStringList {"off"}) {
            app.stop(); // waits for a copy that should not be taken
            QCOMPARE(QDir(folder).entryList(QDir::Files).size(), old.size() + 1);
            return;
        }
        QTRY_VERIFY(QFile::exists(folder + u'/' + today()));
        app.stop();
        QCOMPARE(app.errors.messages, QStringList());
        QStringList expected = left + QStringList {"notes.txt", today()};
        QStringList found = QDir(folder).entryList(QDir::Files);
        expected.sort();
        found.sort();
        QCOMPARE(found, expected);
        QVERIFY(StoreFile::check(folder + u'/' + today()).ok());
        QCOMPARE(StoreFile::check(folder + u'/' + today()).tickets, 1);
    }

    // A program left running over midnight takes the new day's copy.
    void newDayWhileRunningTakesItsCopy()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(QStringLiteral("data")));
        TicketStore::createDatabase(dir.filePath(QStringLiteral("data/data.mdb")));
        QDate day(2024, 3, 9);
        DailyBackup backup;
        backup.keepDaily(FolderLayout(dir.path()), 14, [&day] { return day; }, 5);
        const QString folder = FolderLayout(dir.path()).backupFolder() + u'/';
        QTRY_VERIFY(QFile::exists(folder + StoreFile::dailyBackupName(day)));
        day = day.addDays(1);
        QTRY_VERIFY(QFile::exists(folder + StoreFile::dailyBackupName(day)));
        backup.wait();
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
    }

    // A copy that cannot be made shows one message naming the folder; the
    // program goes on with its table, and an earlier copy of today stays.
    void failingCopyOnlyShowsAMessage()
    {
        AppFixture::Options options;
        options.beforeStart = [](const QString& dir) {
            AppFixture::writeFile(dir + QStringLiteral("/data/backup"), "a file where the folder should be");
        };
        AppFixture app(options);
        QTRY_COMPARE(app.errors.messages.size(), 1);
        const QString message = app.errors.messages.first();
        QVERIFY2(message.contains(QDir::toNativeSeparators(app.path(QStringLiteral("data/backup")))) && message.contains(QStringLiteral("folder")),
            qPrintable(message));
        QVERIFY(app.DM()->ADOTable->Active());
        app.stop();
        QCOMPARE(app.errors.messages.size(), 1);
    }
};

TRELOMAR_TEST(TestDailyBackup)
#include "TestDailyBackup.moc"
