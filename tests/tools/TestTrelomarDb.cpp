#include "store/PostgresBackend.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/PgDatabase.h"
#include "tests/support/TestRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The trelomar-db tool, run as the shop's installer would run it.
class TestTrelomarDb : public QObject
{
    Q_OBJECT

private:
    using Run = ProgramRun;

    static Run run(const QStringList& args) { return runProgram(QStringLiteral(TRELOMAR_DB_PATH), args); }

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

    // A shop moves its file onto its server and back; nothing is lost on the way.
    void copyBetweenFileAndServer()
    {
        PG_DATABASE(db);
        QTemporaryDir dir;
        const QString shop = dir.filePath(QStringLiteral("shop")), back = dir.filePath(QStringLiteral("back"));
        QCOMPARE(run({QStringLiteral("init"), shop}).exitCode, 0);
        QCOMPARE(run({QStringLiteral("init"), back}).exitCode, 0);
        const QString file = QStringLiteral("Data Source=") + shop + QStringLiteral("/data/data.mdb");
        {
            TicketStore store;
            store.setConnectionString(file);
            store.Open();
            for (int i = 1; i <= 3; ++i) {
                store.Append();
                store.FieldByName(QStringLiteral("cislo"))->setAsInteger(i * 10);
                store.FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Říha %1").arg(i));
                store.FieldByName(QStringLiteral("prijato"))->setAsDateTime(QDateTime(QDate(2023, 1, i), QTime(8, 15)));
                store.FieldByName(QStringLiteral("cena"))->setAsCurrency(i * 12345);
                store.FieldByName(QStringLiteral("kompletnost"))->setAsString(QStringLiteral("kryt\nbaterie"));
                store.Post();
            }
            store.First();
            store.Delete(); // ids with a gap
        }

        QCOMPARE(run({QStringLiteral("init"), QStringLiteral("--url"), db.url()}).exitCode, 0);
        const Run twice = run({QStringLiteral("init"), QStringLiteral("--url"), db.url()});
        QVERIFY2(twice.exitCode != 0 && twice.err.contains(QLatin1String("already exists")), qPrintable(twice.err));

        const Run there = run({QStringLiteral("copy"), shop, db.url()});
        QVERIFY2(there.exitCode == 0 && there.out.startsWith(QLatin1String("Copied 2 tickets")), qPrintable(there.err));
        const Run again = run({QStringLiteral("copy"), shop, db.url()});
        QVERIFY2(again.exitCode != 0 && again.err.contains(QLatin1String("already holds 2 tickets")), qPrintable(again.err));
        const Run home = run({QStringLiteral("copy"), db.url(), back});
        QVERIFY2(home.exitCode == 0, qPrintable(home.err));

        TicketStore original, server, copy;
        original.setConnectionString(file);
        server.setConnectionString(db.url());
        copy.setConnectionString(QStringLiteral("Data Source=") + back + QStringLiteral("/data/data.mdb"));
        for (TicketStore* store : {&original, &server, &copy})
            store->Open();
        QCOMPARE(server.RecordCount(), 2);
        QCOMPARE(copy.RecordCount(), 2);
        for (int row = 0; row < 2; ++row) {
            original.setRecNo(row);
            copy.setRecNo(row);
            server.setRecNo(row);
            QCOMPARE(copy.GetBookmark(), original.GetBookmark());
            QCOMPARE(server.GetBookmark(), original.GetBookmark());
            for (int f = 0; f < TicketRecord::FieldCount; ++f) {
                QCOMPARE(server.displayText(row, f), original.displayText(row, f));
                QCOMPARE(copy.displayText(row, f), original.displayText(row, f));
            }
        }
        // New tickets on the server go on after the copied ids.
        server.Append();
        server.FieldByName(QStringLiteral("cislo"))->setAsInteger(99);
        server.Post();
        QVERIFY(server.GetBookmark() > original.GetBookmark());
    }

    void passwordNeverShown_data()
    {
        QTest::addColumn<QString>("password");
        for (const char* password : { "Hes1/Taj2", "Hes1@Taj2", "Hes1%Taj2", "Hes1:Taj2", "Hes1%2FTaj2" })
            QTest::newRow(password) << QString::fromLatin1(password);
    }
    void passwordNeverShown()
    {
        QFETCH(QString, password);
        PG_DATABASE(db);
        // Written into the URL as a shop might, unencoded; the test server trusts anyone.
        const QString good = QString(db.url()).replace(QLatin1String("://postgres@"),
                                                       QStringLiteral("://postgres:%1@").arg(password));
        const QString port = good.section(u':', -1).section(u'/', 0, 0);
        const QStringList urls = { good, QString(good).replace(db.name(), QStringLiteral("nikde")),
                                   QString(good).replace(u':' + port + u'/', QStringLiteral(":port/")) };
        QStringList texts;
        for (const QString& url : urls) {
            texts << PostgresBackend::describe(url);
            TicketStore store;
            store.setConnectionString(url);
            texts << raised([&] { store.Open(); });
            for (const QStringList& args : { QStringList { "init", "--url", url }, QStringList { "copy", url, url },
                                             QStringList { "init", url } }) {
                const Run result = run(args);
                texts << result.out + result.err;
            }
        }
        QVERIFY2(texts.join(QString()).contains(QLatin1String("Copied 0 tickets")), qPrintable(texts.join(u'\n')));
        for (const QString& text : texts)
            for (const QString& part : password.split(QRegularExpression(QStringLiteral("[/@%:]"))))
                QVERIFY2(!text.contains(part), qPrintable(text));
    }

    // Values another program wrote in a form this one cannot read would arrive
    // empty: the copy names each and refuses, or with --drop-unreadable copies them empty.
    void copyNamesUnreadableValues()
    {
        TestDb shop(QStringLiteral("data/data.mdb"));
        shop.insert({{"cislo", 7}, {"prijato", "17.3.2024"}, {"cena", "zdarma"}, {"jmeno", "Jan"}});
        shop.insert({{"cislo", "12a"}, {"jmeno", "Eva"}});
        QTemporaryDir dir;
        QCOMPARE(run({QStringLiteral("init"), dir.path()}).exitCode, 0);
        const QStringList named = {"ticket id 1 (number 7): prijato \"17.3.2024\"",
                                   "ticket id 1 (number 7): cena \"zdarma\"", "ticket id 2: cislo \"12a\""};

        const Run refused = run({QStringLiteral("copy"), shop.dir(), dir.path()});
        QCOMPARE(refused.exitCode, 1);
        for (const QString& value : named)
            QVERIFY2(refused.err.contains(QStringLiteral("cannot read ") + value + u'\n'), qPrintable(refused.err));
        TicketStore copy;
        copy.setConnectionString(QStringLiteral("Data Source=") + dir.filePath(QStringLiteral("data/data.mdb")));
        copy.Open();
        QVERIFY(copy.IsEmpty());
        copy.Close();

        const Run dropped = run({QStringLiteral("copy"), shop.dir(), dir.path(), QStringLiteral("--drop-unreadable")});
        QVERIFY2(dropped.exitCode == 0, qPrintable(dropped.err));
        for (const QString& value : named)
            QVERIFY2(dropped.out.contains(QStringLiteral("Copied as empty: ") + value + u'\n'), qPrintable(dropped.out));
        copy.Open();
        QCOMPARE(copy.RecordCount(), 2);
        QCOMPARE(copy.displayText(0, TicketRecord::jmeno), QStringLiteral("Jan"));
        QCOMPARE(copy.displayText(0, TicketRecord::prijato), QString());
    }

    void badArgumentsShowUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("none") << QStringList();
        QTest::newRow("unknown command") << QStringList {"create"};
        QTest::newRow("too many") << QStringList {"init", "a", "b"};
        QTest::newRow("url without a URL") << QStringList {"init", "--url"};
        QTest::newRow("copy without a destination") << QStringList {"copy", "a"};
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
