#include "store/StoreFile.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// Whole-file copies, checks and restores of the ticket database.
class TestStoreFile : public QObject
{
    Q_OBJECT

private:
    static void post(TicketStore& store, int cislo, const QString& name)
    {
        store.Append();
        store.FieldByName(QStringLiteral("cislo"))->setAsInteger(cislo);
        store.FieldByName(QStringLiteral("jmeno"))->setAsString(name);
        store.Post();
    }

    static QStringList names(const QString& path)
    {
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + path);
        store.Open();
        QStringList result;
        for (int row = 0; row < store.RecordCount(); ++row)
            result << store.displayText(row, TicketRecord::jmeno);
        return result;
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private slots:
    // The copy holds what was committed, not a write still in progress, and
    // is taken while the program holds the store open.
    void backupIsConsistentWhileTheStoreIsWritten()
    {
        TestDb db;
        TicketStore store;
        store.setConnectionString(db.connectionString());
        store.Open();
        post(store, 1, QStringLiteral("Jan"));
        post(store, 2, QStringLiteral("Eva"));
        db.exec(QStringLiteral("BEGIN"));
        db.exec(QStringLiteral("INSERT INTO opravenky (cislo, jmeno) VALUES (3, 'pending')"));

        const QString copy = db.dir() + QStringLiteral("/copy.mdb");
        StoreFile::backup(db.path(), copy);
        db.exec(QStringLiteral("COMMIT"));
        QCOMPARE(names(copy), (QStringList {QStringLiteral("Jan"), QStringLiteral("Eva")}));
        QVERIFY(!QFile::exists(copy + QStringLiteral(".part")));

        // An existing copy is never replaced.
        QVERIFY_THROWS_EXCEPTION(AppError, StoreFile::backup(db.path(), copy));
        QCOMPARE(names(copy).size(), 2);
    }

    void pruneKeepsTheNewestDailyCopiesOnly()
    {
        QTemporaryDir dir;
        const QStringList daily = {"data-2023-12-31.mdb", "data-2024-01-02.mdb", "data-2024-01-10.mdb",
                                   "data-2024-02-01.mdb"};
        const QStringList foreign = {"data-2020-01-01.mdb.bak", "notes.txt", "data-2020-1-1.mdb",
                                     "data-before-restore-20200101-101010.mdb"};
        for (const QString& name : daily + foreign)
            writeBytes(dir.filePath(name), "x");
        QCOMPARE(StoreFile::pruneBackups(dir.path(), 2, QDate(2024, 2, 1)), daily.mid(0, 2));
        QStringList left = QDir(dir.path()).entryList(QDir::Files);
        QStringList expected = daily.mid(2) + foreign;
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);

        // A clock set back: today's copy, just written, sorts oldest; it stays, and so do the later ones.
        writeBytes(dir.filePath(QStringLiteral("data-2020-06-01.mdb")), "x");
        writeBytes(dir.filePath(QStringLiteral("data-2020-06-02.mdb")), "x");
        QCOMPARE(StoreFile::pruneBackups(dir.path(), 1, QDate(2020, 6, 2)), QStringList {"data-2020-06-01.mdb"});
        QCOMPARE(StoreFile::pruneBackups(dir.path(), 1, QDate(2020, 6, 2)), QStringList());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("data-2020-06-02.mdb"))));
        QVERIFY(QFile::exists(dir.filePath(daily.last())));
    }

    // Whatever stands beside the target (a link another user planted under the name a
    // copy in progress would use) is left alone, and nothing is written through it.
    void backupWritesOnlyAFileOfItsOwn()
    {
        TestDb db;
        const QString copy = db.dir() + QStringLiteral("/copy.mdb");
        const QString victim = db.dir() + QStringLiteral("/victim.txt");
        writeBytes(victim, "theirs");
        const QString planted = copy + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
#ifdef Q_OS_WIN
        QSKIP("Qt makes shortcuts on Windows, not the symbolic links planted here");
#endif
        QVERIFY(QFile::link(victim, planted));
        QVERIFY(QFile::link(victim, planted + QStringLiteral("-journal")));
        StoreFile::backup(db.path(), copy);
        QVERIFY(StoreFile::check(copy).ok());
        QCOMPARE(QFileInfo(planted).symLinkTarget(), victim);
        QCOMPARE(QFileInfo(planted + QStringLiteral("-journal")).symLinkTarget(), victim);
        QFile file(victim);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("theirs"));
        QCOMPARE(QDir(db.dir()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::System),
                 QStringList {QFileInfo(planted).fileName()});
    }

    // A file that passes the check but that the program cannot open as its store is refused.
    void restoreRefusesWhatTheProgramCannotOpen_data()
    {
        QTest::addColumn<QString>("table");
        const QString fields = QStringLiteral("cislo INTEGER, prijato TEXT, vydej TEXT, jmeno TEXT, adresa TEXT, "
                                              "mesto TEXT, telefon TEXT, IMEI TEXT, cena INTEGER, tel TEXT, technik TEXT, "
                                              "druh_opravy TEXT, kompletnost TEXT, vada TEXT");
        QTest::newRow("without rowid") << QStringLiteral("CREATE TABLE opravenky (id INTEGER PRIMARY KEY, %1) WITHOUT ROWID").arg(fields);
        QTest::newRow("no id") << QStringLiteral("CREATE TABLE opravenky (%1)").arg(fields);
        QTest::newRow("id not the key") << QStringLiteral("CREATE TABLE opravenky (id INTEGER, %1)").arg(fields);
    }
    void restoreRefusesWhatTheProgramCannotOpen()
    {
        QFETCH(QString, table);
        TestDb live;
        live.insert({{"cislo", 1}, {"jmeno", "live"}});
        const QString file = live.dir() + QStringLiteral("/foreign.mdb");
        {
            QSqlDatabase sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            sql.setDatabaseName(file);
            QVERIFY(sql.open());
            QVERIFY(QSqlQuery(table, sql).isActive());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        QVERIFY(StoreFile::check(file).ok());
        const QString kept = live.dir() + QStringLiteral("/kept.mdb");
        const QString message = raised([&] { StoreFile::restore(file, live.path(), kept); });
        QVERIFY2(message.contains(QStringLiteral("the program cannot open it")) && message.contains(QDir::toNativeSeparators(file)), qPrintable(message));
        QCOMPARE(names(live.path()), QStringList {QStringLiteral("live")});
        QVERIFY(!QFile::exists(kept));
        QCOMPARE(QDir(live.dir()).entryList({QStringLiteral("*.part*")}, QDir::Files), QStringList());
    }

    void checkFindsWhatIsWrong_data()
    {
        QTest::addColumn<QString>("sql");     // run on a fresh store; "!" + bytes replaces the file
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("finding"); // part of a problem line, or empty
        QTest::addColumn<int>("duplicates");
        QTest::newRow("intact") << "INSERT INTO opravenky (cislo) VALUES (1), (2)" << true << "" << 0;
        QTest::newRow("newer version, extra column")
            << "ALTER TABLE opravenky ADD COLUMN poznamka TEXT" << true << "" << 0;
        QTest::newRow("duplicate numbers") << "INSERT INTO opravenky (cislo) VALUES (7), (7), (8)" << false << ""
                                           << 1;
        QTest::newRow("missing field") << "ALTER TABLE opravenky DROP COLUMN vada" << false << "field vada missing"
                                       << 0;
        QTest::newRow("wrong type")
            << "DROP TABLE opravenky; CREATE TABLE opravenky (cislo INTEGER, prijato TEXT, vydej TEXT, jmeno TEXT,"
               " adresa TEXT, mesto TEXT, telefon TEXT, IMEI TEXT, cena BLOB, tel TEXT, technik TEXT,"
               " druh_opravy TEXT, kompletnost TEXT, vada TEXT)"
            << false << "field cena has type \"BLOB\"" << 0;
        QTest::newRow("no table") << "DROP TABLE opravenky" << false << "no table opravenky" << 0;
        QTest::newRow("random bytes") << "!\x13\x37 not a database at all, just some bytes" << false
                                      << "not a database" << 0;
        QTest::newRow("zero length") << "!" << false << "no table opravenky" << 0;
    }
    void checkFindsWhatIsWrong()
    {
        QFETCH(QString, sql);
        QFETCH(bool, ok);
        QFETCH(QString, finding);
        QFETCH(int, duplicates);
        TestDb db;
        if (sql.startsWith(u'!')) {
            db.sql().close();
            QFile::remove(db.path() + QStringLiteral("-wal"));
            QFile::remove(db.path() + QStringLiteral("-shm"));
            writeBytes(db.path(), sql.mid(1).toLatin1());
        } else {
            for (const QString& statement : sql.split(QStringLiteral("; ")))
                db.exec(statement);
        }
        const StoreFile::CheckResult result = StoreFile::check(db.path());
        QCOMPARE(result.ok(), ok);
        QCOMPARE(result.duplicates.size(), duplicates);
        if (!finding.isEmpty())
            QVERIFY2(result.problems.join(u'|').contains(finding), qPrintable(result.problems.join(u'|')));
        else
            QVERIFY2(result.problems.isEmpty(), qPrintable(result.problems.join(u'|')));
    }

    // A Windows user named Jiří keeps the store below a folder of that name:
    // created, written, copied and checked there.
    void storeInAFolderWithCzechLetters()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Jiří Čermák")));
        const QString live = dir.filePath(QStringLiteral("Jiří Čermák/data.mdb"));
        const QString copy = dir.filePath(QStringLiteral("Jiří Čermák/záloha.mdb"));
        TicketStore::createDatabase(live);
        {
            TicketStore store;
            store.setConnectionString(QStringLiteral("Data Source=") + live);
            store.Open();
            post(store, 1, QStringLiteral("Žofie"));
        }
        StoreFile::backup(live, copy);
        QCOMPARE(names(copy), QStringList {QStringLiteral("Žofie")});
        QVERIFY(StoreFile::check(copy).ok());
        QCOMPARE(QDir(dir.filePath(QStringLiteral("Jiří Čermák"))).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("data.mdb"), QStringLiteral("záloha.mdb")}));
    }

    void restoreReplacesTheStoreAndKeepsTheOldOne()
    {
        QTemporaryDir dir;
        const QString live = dir.filePath(QStringLiteral("data.mdb"));
        const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
        const QString kept = dir.filePath(QStringLiteral("kept.mdb"));
        TicketStore::createDatabase(live);
        TicketStore::createDatabase(copy);
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + copy);
        store.Open();
        post(store, 1, QStringLiteral("from the copy"));
        store.Close();
        store.setConnectionString(QStringLiteral("Data Source=") + live);
        store.Open();
        post(store, 1, QStringLiteral("live"));

        // Held open by a program: refused, nothing changed.
        QVERIFY_THROWS_EXCEPTION(StoreFile::InUse, StoreFile::restore(copy, live, kept));
        QVERIFY(!QFile::exists(kept));
        store.Close();

        // A damaged file: refused, nothing changed.
        const QString damaged = dir.filePath(QStringLiteral("damaged.mdb"));
        QFile::copy(copy, damaged);
        {
            QFile file(damaged);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(4096); // the table's first page
            file.write(QByteArray(4096, '\xA5'));
        }
        QVERIFY_THROWS_EXCEPTION(AppError, StoreFile::restore(damaged, live, kept));
        QVERIFY(!QFile::exists(kept));
        QCOMPARE(names(live), QStringList {QStringLiteral("live")});

        StoreFile::restore(copy, live, kept);
        QCOMPARE(names(live), QStringList {QStringLiteral("from the copy")});
        QCOMPARE(names(kept), QStringList {QStringLiteral("live")});
        QVERIFY(StoreFile::check(live).ok());
    }
};

TRELOMAR_TEST(TestStoreFile)
#include "TestStoreFile.moc"
