#include "store/StoreFile.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
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
        QCOMPARE(StoreFile::pruneBackups(dir.path(), 2), daily.mid(0, 2));
        QStringList left = QDir(dir.path()).entryList(QDir::Files);
        QStringList expected = daily.mid(2) + foreign;
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
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
