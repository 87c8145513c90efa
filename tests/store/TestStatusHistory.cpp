#include "store/BackendFactory.h"
#include "store/PostgresBackend.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/PgDatabase.h"
#include "tests/support/TestRegistry.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <libpq-fe.h>

#include <memory>

using TicketStatus::Status;

namespace {

// The file the previous release's tool made, three tickets and no schema
// version, in place of the test database.
QString versionOneFile(TestDb& db)
{
    const QString path = db.path();
    db.sql().close();
    QFile::remove(path);
    QFile::copy(qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/tests/data/store-version1.mdb"), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    db.sql().open();
    return path;
}

// Every stored value of every ticket, as another program reads them.
QStringList ticketRows(TestDb& db)
{
    QStringList rows;
    QSqlQuery query(QStringLiteral("SELECT * FROM opravenky ORDER BY id"), db.sql());
    while (query.next()) {
        QStringList values;
        for (int c = 0; c < query.record().count(); ++c)
            values << query.value(c).toString() + u'/' + QString::number(query.value(c).typeId());
        rows << values.join(u'|');
    }
    return rows;
}

void addTicket(TicketStore& store, int number)
{
    store.Append();
    store.FieldByName(QStringLiteral("cislo"))->setAsInteger(number);
    store.Post();
}

} // namespace

class TestStatusHistory : public QObject
{
    Q_OBJECT

private slots:
    // The previous release's file opens upgraded once; its tickets stay as they were, without a status.
    void olderFileIsUpgradedKeepingItsTickets()
    {
        TestDb db;
        versionOneFile(db);
        const QStringList before = ticketRows(db);
        QCOMPARE(before.size(), 3);
        auto store = openStore(db);
        QVERIFY2(store->statusOn(), qPrintable(store->statusOffReason()));
        QCOMPARE(db.value(QStringLiteral("PRAGMA user_version")).toInt(), TicketStatus::SchemaVersion);
        QCOMPARE(ticketRows(db), before);
        for (int row = 0; row < store->RecordCount(); ++row)
            QCOMPARE(store->statusAt(row), Status::None);
    }

    // A new ticket is received with its first status; deleting a ticket, here
    // or by an older release, takes its history, so that the id SQLite gives
    // again starts clean.
    void newTicketStatusAndDeletedHistory_data()
    {
        QTest::addColumn<bool>("deletedElsewhere");
        QTest::newRow("deleted here") << false;
        QTest::newRow("deleted by another program") << true;
    }
    void newTicketStatusAndDeletedHistory()
    {
        QFETCH(bool, deletedElsewhere);
        TestDb db;
        auto store = openStore(db);
        addTicket(*store, 1);
        const TBookmark id = store->GetBookmark();
        QCOMPARE(store->statusOf(id), Status::Prijato);
        store->addStatus(id, "hotovo", QStringLiteral("displej"), QStringLiteral("Petr"), 12345000);
        const std::vector<StatusEntry> history = store->statusHistory(id);
        QCOMPARE(history.size(), size_t(2));
        QCOMPARE(history[0].code, QByteArray("hotovo"));
        QCOMPARE(history[0].amount, std::optional<qint64>(12345000));
        QCOMPARE(history[1].code, QByteArray("prijato"));
        QVERIFY(QDateTime::fromString(history[1].time, Qt::ISODate).timeSpec() == Qt::UTC);

        if (deletedElsewhere) {
            db.exec(QStringLiteral("DELETE FROM opravenky WHERE id = %1").arg(id));
            store->Refresh();
        } else {
            store->Delete();
        }
        addTicket(*store, 2);
        QCOMPARE(store->GetBookmark(), id); // SQLite's next id is the deleted one
        QCOMPARE(store->statusHistory(id).size(), size_t(1));
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM historie_stavu")).toInt(), 1);
    }

    void addStatusRefusals_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<bool>("deleteFirst");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown code") << QByteArray("opraveno") << false << "Unknown repair status \"opraveno\"";
        QTest::newRow("ticket gone") << QByteArray("hotovo") << true << "no longer stored";
    }
    void addStatusRefusals()
    {
        QFETCH(QByteArray, code);
        QFETCH(bool, deleteFirst);
        QFETCH(QString, message);
        TestDb db;
        auto store = openStore(db);
        addTicket(*store, 1);
        const TBookmark id = store->GetBookmark();
        if (deleteFirst)
            db.exec(QStringLiteral("DELETE FROM opravenky"));
        const QString error = raised([&] { store->addStatus(id, code, QString(), QString()); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM historie_stavu WHERE stav <> 'prijato'")).toInt(), 0);
    }

    // A file the program cannot upgrade now (another program holds it) keeps its tickets working.
    void unupgradableFileKeepsTickets()
    {
        TestDb db;
        versionOneFile(db);
        const QStringList before = ticketRows(db);
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        TicketStore store;
        store.setBusyTimeout(100);
        store.setConnectionString(db.connectionString());
        store.Open();
        db.exec(QStringLiteral("COMMIT"));
        QCOMPARE(store.RecordCount(), 3);
        QVERIFY(!store.statusOn());
        QVERIFY2(store.statusOffReason().contains(QLatin1String("locked")), qPrintable(store.statusOffReason()));
        QVERIFY(!raised([&] { store.addStatus(store.GetBookmark(), "hotovo", QString(), QString()); }).isEmpty());
        addTicket(store, 4); // tickets are stored as before, without a status
        QCOMPARE(store.statusOf(store.GetBookmark()), Status::None);
        QCOMPARE(db.value(QStringLiteral("PRAGMA user_version")).toInt(), 0);
        QCOMPARE(ticketRows(db).mid(0, 3), before);
    }

    // A read-only file is refused exactly as before and stays of its version.
    void readOnlyFileIsRefusedAsBefore()
    {
        TestDb db;
        const QString path = versionOneFile(db);
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        TicketStore store;
        store.setConnectionString(db.connectionString());
        const QString error = raised([&] { store.Open(); });
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (error.isEmpty())
            QSKIP("this user can write a read-only file");
        QCOMPARE(error, QStringLiteral("Cannot open file %1: the file is read-only").arg(path));
        QCOMPARE(db.value(QStringLiteral("PRAGMA user_version")).toInt(), 0);
    }

    // A newer store is left as it is; its history is used only with every column this program writes.
    void newerStore_data()
    {
        QTest::addColumn<QString>("history");
        QTest::addColumn<bool>("on");
        QTest::newRow("known columns and more")
            << "id INTEGER PRIMARY KEY, opravenka INTEGER, cas TEXT, stav TEXT, poznamka TEXT, technik TEXT,"
               " castka INTEGER, pobocka TEXT"
            << true;
        QTest::newRow("a column dropped")
            << "id INTEGER PRIMARY KEY, opravenka INTEGER, cas TEXT, stav TEXT, poznamka TEXT, castka INTEGER" << false;
    }
    void newerStore()
    {
        QFETCH(QString, history);
        QFETCH(bool, on);
        TestDb db;
        db.exec(QStringLiteral("DROP TABLE historie_stavu"));
        db.exec(QStringLiteral("CREATE TABLE historie_stavu (%1)").arg(history));
        db.exec(QStringLiteral("PRAGMA user_version = 7"));
        auto store = openStore(db);
        QCOMPARE(store->statusOn(), on);
        if (!on)
            QVERIFY2(store->statusOffReason().contains(QLatin1String("technik")), qPrintable(store->statusOffReason()));
        addTicket(*store, 1);
        QCOMPARE(store->statusOf(store->GetBookmark()), on ? Status::Prijato : Status::None);
        QCOMPARE(db.value(QStringLiteral("PRAGMA user_version")).toInt(), 7);
        QVERIFY(!db.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'historie_stavu'"))
                     .toString()
                     .contains(QLatin1String("NOT NULL")));
    }

    // Two counters starting together against an older server store: one upgrades, the other finds it done.
    void twoCountersUpgradeOnce()
    {
        PG_DATABASE(pg);
        PostgresBackend::createTable(pg.url());
        pg.exec(
            QStringLiteral("DROP TABLE trelomar_schema, historie_stavu; DROP FUNCTION historie_stavu_smazat CASCADE"));
        // Held until both counters wait: without taking turns, the second would create the tables again.
        PGconn* holder = PQconnectdb(pg.url().toUtf8().constData());
        PQclear(PQexec(holder, "BEGIN; LOCK TABLE opravenky IN SHARE ROW EXCLUSIVE MODE"));
        QString off[2];
        QThread* counters[2];
        for (int i = 0; i < 2; ++i) {
            counters[i] = QThread::create([&, i] {
                try {
                    auto backend = BackendFactory::open(pg.url(), QStringLiteral("ADOTable"), 5000);
                    backend->openStatus(true);
                    off[i] = backend->statusOff();
                } catch (const AppError& error) {
                    off[i] = error.message();
                }
            });
            counters[i]->start();
        }
        QTRY_COMPARE(pg.exec(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database()"
                                            " AND wait_event_type = 'Lock'")),
            QStringLiteral("2"));
        PQclear(PQexec(holder, "COMMIT"));
        PQfinish(holder);
        for (QThread* counter : counters) {
            QVERIFY(counter->wait(10000));
            delete counter;
        }
        QCOMPARE(off[0], QString());
        QCOMPARE(off[1], QString());
        QCOMPARE(
            pg.exec(QStringLiteral("SELECT string_agg(version::text, ',') FROM trelomar_schema")), QStringLiteral("2"));
    }

    // Each list of work holds the tickets its statuses and due dates put in it, counted
    // whatever is shown; a ticket without a status is in none, and the next day moves
    // the overdue on.
    void workListsAndCounts()
    {
        using TicketStatus::WorkList;
        TestDb db;
        const QDate today = QDate::currentDate();
        struct
        {
            int cislo;
            const char* status; // none: a ticket from before the statuses
            int dueIn; // days from today
        } const tickets[] = { { 1, nullptr, -3 }, { 2, "prijato", -1 }, { 3, "v_oprave", 0 }, { 4, "ceka_na_dil", -2 },
            { 5, "hotovo", -5 }, { 6, "nelze_opravit", 4 }, { 7, "vydano", -9 }, { 8, "zapujceno", -9 } };
        for (const auto& ticket : tickets) {
            const qint64 id = db.insert({ { "cislo", ticket.cislo },
                { "vydej", QDateTime(today.addDays(ticket.dueIn), QTime()).toString(Qt::ISODate) } });
            if (ticket.status)
                db.exec(QStringLiteral("INSERT INTO historie_stavu (opravenka, cas, stav) VALUES (%1, '', '%2')")
                            .arg(id)
                            .arg(QLatin1String(ticket.status)));
        }
        auto store = openStore(db);
        const auto listed = [&] {
            QList<int> numbers;
            for (store->First(); numbers.size() < store->RecordCount(); store->Next())
                numbers << store->FieldByName(QStringLiteral("cislo"))->AsInteger();
            return numbers;
        };
        const struct
        {
            WorkList list;
            QList<int> numbers;
            QList<int> tomorrow; // the day after
        } expected[] = {
            { WorkList::All, { 1, 2, 3, 4, 5, 6, 7, 8 }, { 1, 2, 3, 4, 5, 6, 7, 8 } },
            { WorkList::Open, { 2, 3, 4, 5, 6, 8 }, { 2, 3, 4, 5, 6, 8 } },
            { WorkList::Ready, { 5, 6 }, { 5, 6 } },
            { WorkList::Overdue, { 2, 4 }, { 2, 3, 4 } },
            { WorkList::WaitingForPart, { 4 }, { 4 } },
        };
        for (const auto& [list, numbers, tomorrow] : expected) {
            store->setToday(today);
            store->setWorkList(list);
            QCOMPARE(listed(), numbers);
            QCOMPARE(store->countIn(list), list == WorkList::All ? 7 : int(numbers.size()));
            store->setToday(today.addDays(1));
            QCOMPARE(listed(), tomorrow);
            QCOMPARE(store->countIn(list), list == WorkList::All ? 7 : int(tomorrow.size()));
        }
        // A status change takes the ticket out of the list shown and off the count.
        store->setToday(today);
        store->setWorkList(WorkList::Overdue);
        store->First();
        store->addStatus(store->GetBookmark(), "hotovo", QString(), QString());
        QCOMPARE(listed(), QList<int> { 4 });
        QCOMPARE(store->countIn(WorkList::Ready), 3);
    }

    // Each ticket's status is its newest row, whether the tickets' ids lie close or far apart.
    void newestStatusWhateverTheIds_data()
    {
        QTest::addColumn<qint64>("secondId");
        QTest::newRow("close") << qint64(3);
        QTest::newRow("far apart") << qint64(5'000'000'000);
    }
    void newestStatusWhateverTheIds()
    {
        QFETCH(qint64, secondId);
        TestDb db;
        const qint64 first = db.insert({ { "cislo", 1 } });
        const qint64 second = db.insert({ { "id", secondId }, { "cislo", 2 } });
        for (const auto& [ticket, code] : { std::pair { second, "hotovo" }, { first, "v_oprave" }, { second, "vydano" },
                 { first, "ceka_na_dil" } })
            db.exec(QStringLiteral("INSERT INTO historie_stavu (opravenka, cas, stav) VALUES (%1, '', '%2')")
                        .arg(ticket)
                        .arg(QLatin1String(code)));
        auto store = openStore(db);
        QCOMPARE(store->statusOf(first), Status::CekaNaDil);
        QCOMPARE(store->statusOf(second), Status::Vydano);
    }

    // A counter's user without the right to create tables (the default for all
    // but the owner) keeps the tickets of an older server store, the statuses off.
    void serverUserWithoutRightsKeepsTickets()
    {
        struct Role
        {
            QString name;
            ~Role()
            {
                if (!name.isEmpty())
                    PgDatabase::admin(QStringLiteral("DROP ROLE IF EXISTS %1").arg(name));
            }
        } clerk; // dropped after the database, which holds its rights
        PG_DATABASE(pg);
        if (!pg.url().contains(QLatin1String("://postgres@")))
            QSKIP("the test server's URL names no postgres user to stand in for");
        PostgresBackend::createTable(pg.url());
        pg.exec(
            QStringLiteral("DROP TABLE trelomar_schema, historie_stavu; DROP FUNCTION historie_stavu_smazat CASCADE"));
        clerk.name = pg.name() + QStringLiteral("_clerk");
        PgDatabase::admin(QStringLiteral("CREATE ROLE %1 LOGIN").arg(clerk.name));
        pg.exec(QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC;"
                               " GRANT SELECT, INSERT, UPDATE, DELETE ON opravenky TO %1;"
                               " GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO %1")
                    .arg(clerk.name));
        TicketStore store;
        store.setConnectionString(
            QString(pg.url()).replace(QLatin1String("://postgres@"), QStringLiteral("://%1@").arg(clerk.name)));
        store.Open();
        QVERIFY(!store.statusOn());
        QVERIFY2(store.statusOffReason().contains(QLatin1String("permission denied")), qPrintable(store.statusOffReason()));
        addTicket(store, 1);
        QCOMPARE(store.statusOf(store.GetBookmark()), Status::None);
        QCOMPARE(pg.exec(QStringLiteral("SELECT cislo FROM opravenky")), QStringLiteral("1"));
        QCOMPARE(pg.exec(QStringLiteral("SELECT to_regclass('historie_stavu') IS NULL")), QStringLiteral("t"));
    }

    // Another counter's status change reaches this one as its new tickets do.
    void serverStatusChangeReachesOtherCounters()
    {
        PG_DATABASE(pg);
        PostgresBackend::createTable(pg.url());
        TicketStore here, there;
        for (TicketStore* store : { &here, &there }) {
            store->setConnectionString(pg.url());
            store->Open();
        }
        addTicket(here, 1);
        const TBookmark id = here.GetBookmark();
        QTRY_COMPARE_WITH_TIMEOUT((there.Refresh(), there.statusOf(id)), Status::Prijato, 5000);
        QSignalSpy told(&there, &TicketStore::changedElsewhere);
        here.addStatus(id, "hotovo", QString(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(!told.isEmpty(), 1000);
        there.Refresh();
        QCOMPARE(there.statusOf(id), Status::Hotovo);
    }

    // On the server too: a new ticket is received, and its history goes with it, also by TRUNCATE.
    void serverKeepsAndDropsHistory_data()
    {
        QTest::addColumn<QString>("removal");
        QTest::newRow("delete") << "DELETE FROM opravenky";
        QTest::newRow("truncate") << "TRUNCATE opravenky";
    }
    void serverKeepsAndDropsHistory()
    {
        QFETCH(QString, removal);
        PG_DATABASE(pg);
        PostgresBackend::createTable(pg.url());
        TicketStore store;
        store.setConnectionString(pg.url());
        store.Open();
        QVERIFY2(store.statusOn(), qPrintable(store.statusOffReason()));
        addTicket(store, 1);
        const TBookmark id = store.GetBookmark();
        store.addStatus(id, "vydano", QStringLiteral("hotově"), QStringLiteral("Eva"), 8990000);
        const std::vector<StatusEntry> history = store.statusHistory(id);
        QCOMPARE(history.size(), size_t(2));
        QCOMPARE(history[0].amount, std::optional<qint64>(8990000));
        QCOMPARE(history[1].code, QByteArray("prijato"));
        pg.exec(removal);
        QCOMPARE(pg.exec(QStringLiteral("SELECT count(*) FROM historie_stavu")), QStringLiteral("0"));
        QVERIFY(
            raised([&] { store.addStatus(id, "hotovo", QString(), QString()); }).contains(QLatin1String("no longer")));
    }
};

TRELOMAR_TEST(TestStatusHistory)
#include "TestStatusHistory.moc"
