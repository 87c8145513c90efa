#include "base/AppError.h"
#include "datamodule/TDM.h"
#include "store/PostgresBackend.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/OwnServer.h"
#include "tests/support/PgDatabase.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include <libpq-fe.h>

namespace {

// One counter of the shop: a table of its own on the shared database.
std::unique_ptr<TicketStore> counter(const QString& url)
{
    auto store = std::make_unique<TicketStore>();
    store->setObjectName(QStringLiteral("ADOTable"));
    store->setConnectionString(url);
    store->Open();
    return store;
}

TField* field(TicketStore& store, const char* name)
{
    return store.FieldByName(QString::fromLatin1(name));
}

// What the New action does: a reserved number for a new ticket, left pending.
void startNew(TicketStore& store, const QString& name)
{
    const int number = store.reserveCislo();
    store.Append();
    field(store, "cislo")->setAsInteger(number);
    field(store, "jmeno")->setAsString(name);
}

void addTicket(TicketStore& store, int number, const QString& name)
{
    store.Append();
    field(store, "cislo")->setAsInteger(number);
    field(store, "jmeno")->setAsString(name);
    store.Post();
}

// A counter's back end whose rival acts once, between its choosing a new number and locking it.
class RacedBackend : public PostgresBackend
{
public:
    RacedBackend(const QString& url, std::function<void()> rival)
        : PostgresBackend(url, QStringLiteral("ADOTable"))
        , m_rival(std::move(rival))
    {
    }

protected:
    void numberChosen(qint64) override
    {
        if (m_rival)
            std::exchange(m_rival, nullptr)();
    }

private:
    std::function<void()> m_rival;
};

} // namespace

class TestPostgresStore : public QObject
{
    Q_OBJECT

private slots:
    void ticketReachesTheOtherCounter()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        auto a = counter(db.url());
        auto b = counter(db.url());
        QSignalSpy heardByA(a.get(), &TicketStore::changedElsewhere);
        QSignalSpy heardByB(b.get(), &TicketStore::changedElsewhere);

        // Every kind of field, with values a careless conversion would change.
        a->Append();
        field(*a, "cislo")->setAsInteger(a->reserveCislo()); // its release is answered while a is idle
        field(*a, "prijato")->setAsDateTime(QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
        field(*a, "vydej")->setAsDateTime(QDateTime(QDate(2024, 3, 14), QTime(10, 30)));
        field(*a, "jmeno")->setAsString(QStringLiteral("Šťastná Žaneta \"ta s 'uvozovkami'\""));
        field(*a, "IMEI")->setAsString(QStringLiteral("356938035643809"));
        field(*a, "cena")->setAsCurrency(-12345678901234); // -1 234 567 890,1234
        field(*a, "kompletnost")->setAsString(QStringLiteral("nabíječka\r\nkrabice\\n ") + QString(500, u'ř'));
        a->Post();

        QTRY_VERIFY_WITH_TIMEOUT(heardByB.count() > 0, 1000);
        b->Refresh();
        QCOMPARE(b->RecordCount(), 1);
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            QCOMPARE(b->displayText(0, f), a->displayText(0, f));
        QCOMPARE(field(*b, "cena")->AsCurrency(), -12345678901234);
        QCOMPARE(field(*b, "vydej")->AsDateTime(), QDateTime(QDate(2024, 3, 14), QTime(10, 30)));

        // A change and a deletion at the second counter reach the first; its own post did not.
        QCOMPARE(heardByA.count(), 0);
        b->Edit();
        field(*b, "vada")->setAsString(QStringLiteral("nejde zapnout"));
        b->Post();
        QTRY_VERIFY_WITH_TIMEOUT(heardByA.count() == 1, 1000);
        a->Refresh();
        QCOMPARE(field(*a, "vada")->AsString(), QStringLiteral("nejde zapnout"));
        b->Delete();
        QTRY_VERIFY_WITH_TIMEOUT(heardByA.count() == 2, 1000);
        a->Refresh();
        QCOMPARE(a->RecordCount(), 0);
    }

    void refreshReadsOnlyWhatOthersChanged()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        auto a = counter(db.url());
        for (const char* name : { "Adam", "Bára", "Cyril" })
            addTicket(*a, a->reserveCislo(), QString::fromUtf8(name));
        auto b = counter(db.url());
        b->setSort(QStringLiteral("jmeno ASC"));
        b->setRecNo(1); // Bára
        QSignalSpy heard(b.get(), &TicketStore::changedElsewhere);
        const auto names = [&] {
            QStringList list;
            for (int row = 0; row < b->RecordCount(); ++row)
                list << b->displayText(row, TicketRecord::jmeno);
            return list;
        };

        // A change nobody is told of: a whole read would show it, reading the told changes does not.
        db.exec(QStringLiteral("SET session_replication_role = replica; UPDATE opravenky SET vada = 'tichá' "
                               "WHERE jmeno = 'Bára'"));
        a->First(); // Adam, deleted
        a->Delete();
        a->Last(); // Cyril, renamed so that he sorts first
        a->Edit();
        field(*a, "jmeno")->setAsString(QStringLiteral("Aneta"));
        a->Post();
        addTicket(*a, a->reserveCislo(), QStringLiteral("Dan"));
        QTRY_VERIFY_WITH_TIMEOUT(heard.count() > 0, 1000);
        QTRY_COMPARE_WITH_TIMEOUT((b->Refresh(), names()),
                                  QStringList({ QStringLiteral("Aneta"), QStringLiteral("Bára"), QStringLiteral("Dan") }), 1000);
        QCOMPARE(b->RecNo(), 1);
        QCOMPARE(field(*b, "jmeno")->AsString(), QStringLiteral("Bára"));
        QCOMPARE(field(*b, "vada")->AsString(), QString());
        QCOMPARE(b->maxCislo(), 4);

        // A truncation names no ticket: everything is read again.
        heard.clear();
        db.exec(QStringLiteral("TRUNCATE opravenky"));
        QTRY_VERIFY_WITH_TIMEOUT(heard.count() > 0, 1000);
        b->Refresh();
        QCOMPARE(b->RecordCount(), 0);
        QCOMPARE(b->RecNo(), -1);
    }

    void newNumbersAcrossCounters()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        auto a = counter(db.url());
        auto b = counter(db.url());
        QCOMPARE(a->reserveCislo(), 1);
        QCOMPARE(b->reserveCislo(), 2); // a holds 1

        a->Append();
        a->Cancel(); // abandoned: offered again
        auto c = counter(db.url());
        QCOMPARE(c->reserveCislo(), 1);

        b->Append();
        field(*b, "cislo")->setAsInteger(2);
        field(*b, "jmeno")->setAsString(QStringLiteral("Beneš"));
        b->Post();
        // After the largest stored number, though this counter has not read it yet.
        QCOMPARE(a->reserveCislo(), 3);
        QCOMPARE(a->maxCislo(), 0);

        // The number is unique on the server, also for a number typed by hand.
        addTicket(*c, 1, QStringLiteral("Adam"));
        const QString duplicate = raised([&] { addTicket(*a, 2, QStringLiteral("Druhý")); });
        QVERIFY2(duplicate.contains(QLatin1String("opravenky_cislo")), qPrintable(duplicate));
        QCOMPARE(a->State(), DataSetState::Insert);
    }

    void editOfTicketDeletedElsewhere()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        auto a = counter(db.url());
        addTicket(*a, 1, QStringLiteral("Adam"));
        auto b = counter(db.url());
        b->Edit();
        field(*b, "jmeno")->setAsString(QStringLiteral("Adam Novák"));
        a->Delete();
        const QString message = raised([&] { b->Post(); });
        QVERIFY2(message.startsWith(QLatin1String("ADOTable: Row cannot be located for updating")), qPrintable(message));
        QCOMPARE(b->State(), DataSetState::Edit);
        QCOMPARE(db.exec(QStringLiteral("SELECT count(*) FROM opravenky")), QStringLiteral("0"));
    }

    void postAfterLostConnection()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        auto a = counter(db.url());
        a->Append();
        field(*a, "cislo")->setAsInteger(a->reserveCislo());
        field(*a, "jmeno")->setAsString(QStringLiteral("Čermák"));

        // The session dies and the server takes no new one: the ticket stays pending.
        PgDatabase::admin(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false").arg(db.name()));
        PgDatabase::admin(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                         "WHERE datname = '%1'").arg(db.name()));
        const QString message = raised([&] { a->Post(); });
        QVERIFY2(message.startsWith(QStringLiteral("Cannot connect to database %1 on host ").arg(db.name())),
                 qPrintable(message));
        QCOMPARE(a->State(), DataSetState::Insert);
        QCOMPARE(field(*a, "jmeno")->AsString(), QStringLiteral("Čermák"));

        // Back again: the same press of OK stores it once.
        PgDatabase::admin(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(db.name()));
        a->Post();
        QCOMPARE(a->State(), DataSetState::Browse);
        QCOMPARE(db.exec(QStringLiteral("SELECT count(*) || ' ' || min(jmeno) FROM opravenky")),
                 QStringLiteral("1 Čermák"));
        a->Refresh();
        QCOMPARE(a->RecordCount(), 1);
    }

    void serverKilledAndStartedAgain()
    {
        PG_DATABASE(shared); // no server installed: skip, or fail under CI, as every test here
        SKIP_WITHOUT_OWN_SERVER();
        OwnServer server;
        QVERIFY2(!server.url().isEmpty(), "the test's own server did not start");
        PostgresBackend::createTable(server.url());
        auto a = counter(server.url());
        addTicket(*a, 1, QStringLiteral("Adam"));
        a->Append();
        field(*a, "cislo")->setAsInteger(a->reserveCislo());
        field(*a, "jmeno")->setAsString(QStringLiteral("Bára"));

        QVERIFY(server.kill());
        QCoreApplication::processEvents(); // the dead connection's socket wakes the notifier
        const QString message = raised([&] { a->Post(); });
        QVERIFY2(message.startsWith(QLatin1String("Cannot connect to database postgres on host ")), qPrintable(message));
        QCOMPARE(a->State(), DataSetState::Insert);
        QCOMPARE(field(*a, "jmeno")->AsString(), QStringLiteral("Bára"));

        QVERIFY(server.restart());
        a->Post();
        QCOMPARE(a->State(), DataSetState::Browse);
        auto b = counter(server.url());
        QCOMPARE(b->RecordCount(), 2);
        b->Last();
        QCOMPARE(field(*b, "cislo")->AsInteger(), 2);
        QCOMPARE(field(*b, "jmeno")->AsString(), QStringLiteral("Bára"));
        QCOMPARE(b->reserveCislo(), 3);
    }

    void newNumberNeverGivenTwice()
    {
        PG_DATABASE(shared);
        // Tables without the unique index: only the counters keep the numbers apart.
        PostgresBackend::createTable(shared.url());
        shared.exec(QStringLiteral("DROP INDEX opravenky_cislo"));
        // Another counter stores the number a has just chosen, and lets go of it, before a locks it.
        RacedBackend a(shared.url(),
            [&] { shared.exec(QStringLiteral("INSERT INTO opravenky (cislo, jmeno) VALUES (1, 'Adam')")); });
        QCOMPARE(a.reserveNumber(1), 2); // what reserveCislo asks of an empty table

        SKIP_WITHOUT_OWN_SERVER();
        OwnServer server;
        QVERIFY2(!server.url().isEmpty(), "the test's own server did not start");
        PostgresBackend::createTable(server.url());
        PgDatabase::execOn(server.url(), QStringLiteral("DROP INDEX opravenky_cislo"));
        auto b = counter(server.url()), c = counter(server.url()), idle = counter(server.url());
        QSignalSpy heard(idle.get(), &TicketStore::changedElsewhere);
        const auto number = [](TicketStore& store) { return field(store, "cislo")->AsInteger(); };

        // The server restarts under b's new ticket and c, started after, gets b's number:
        // b's OK finds it taken and shows the next one instead of storing.
        startNew(*b, QStringLiteral("Bára"));
        QVERIFY(server.kill() && server.restart());
        startNew(*c, QStringLiteral("Cyril"));
        QCOMPARE(number(*c), 1);
        const QString moved = raised([&] { b->Post(); });
        QVERIFY2(moved.contains(QLatin1String("now has the number 2")), qPrintable(moved));
        QCOMPARE(number(*b), 2);
        b->Post();
        c->Post();

        // The same found while b waits: the editor shows the new number without any action.
        startNew(*b, QStringLiteral("Dana"));
        QVERIFY(server.kill() && server.restart());
        startNew(*c, QStringLiteral("Emil"));
        QCOMPARE(number(*c), 3);
        QTRY_COMPARE_WITH_TIMEOUT(number(*b), 4, 10000);
        c->Post();
        b->Post();
        QCOMPARE(PgDatabase::execOn(server.url(), QStringLiteral("SELECT string_agg(cislo || ' ' || jmeno, ', ' "
                                                                 "ORDER BY cislo) FROM opravenky")),
                 QStringLiteral("1 Cyril, 2 Bára, 3 Emil, 4 Dana"));

        // The idle counter connected again by itself and hears the others again.
        QTRY_VERIFY_WITH_TIMEOUT(heard.count() > 0, 10000);
        idle->Refresh();
        QCOMPARE(idle->RecordCount(), 4);
    }

    void storedThoughItsAnswerWasLost()
    {
        PG_DATABASE(shared);
        SKIP_WITHOUT_OWN_SERVER();
        OwnServer server;
        QVERIFY2(!server.url().isEmpty(), "the test's own server did not start");
        PostgresBackend::createTable(server.url());
        auto a = counter(server.url());
        startNew(*a, QStringLiteral("Čermák"));

        // Every commit waits for a standby that never comes: stored, but not yet answered. Another
        // session's commit seen waiting shows the setting in force.
        const auto sql = [&](const char* text) { return PgDatabase::execOn(server.url(), QString::fromUtf8(text)); };
        const auto waiting = [&] { return sql("SELECT count(*) FROM pg_stat_activity WHERE wait_event = 'SyncRep'").toInt(); };
        sql("CREATE TABLE probe (x int)");
        sql("ALTER SYSTEM SET synchronous_standby_names = 'nikdo'");
        sql("SELECT pg_reload_conf()");
        std::atomic<bool> stop = false;
        std::thread probe([&stop, url = server.url().toUtf8()] {
            while (!stop) {
                PGconn* conn = PQconnectdb(url.constData());
                PQclear(PQexec(conn, "INSERT INTO probe VALUES (1)"));
                PQfinish(conn);
            }
        });
        QTRY_VERIFY(waiting() == 1);
        // The server dies while the ticket's commit waits: its answer is lost. It starts again without the setting.
        std::thread killer([&] {
            while (waiting() < 2)
                QThread::msleep(20);
            stop = true;
            sql("ALTER SYSTEM RESET synchronous_standby_names");
            server.kill();
        });
        const QString message = raised([&] { a->Post(); });
        killer.join();
        probe.join();
        QVERIFY2(message.startsWith(QLatin1String("Cannot connect to")), qPrintable(message));
        QCOMPARE(a->State(), DataSetState::Insert);

        // Back again, the ticket is found stored: the next OK stores what was changed meanwhile, once.
        field(*a, "jmeno")->setAsString(QStringLiteral("Čermáková"));
        QVERIFY(server.restart());
        a->Post();
        QCOMPARE(a->State(), DataSetState::Browse);
        QCOMPARE(sql("SELECT count(*) || ' ' || min(cislo) || ' ' || min(jmeno) FROM opravenky"),
                 QStringLiteral("1 1 Čermáková"));
    }

    void wideMoneyColumnShowsEmpty()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        db.exec(QStringLiteral("ALTER TABLE opravenky ALTER COLUMN cena TYPE numeric;"
                               "INSERT INTO opravenky (cislo, cena) VALUES (1, 123456789012345678901234.5)"));
        auto a = counter(db.url());
        QVERIFY(field(*a, "cena")->IsNull());
    }

    void tableMustHoldTheFields_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("no table") << "" << "no such table: opravenky";
        QTest::newRow("a field missing") << "CREATE TABLE opravenky (id bigint, cislo int, prijato timestamp)"
                                         << "ADOTable: Field 'vydej' not found";
    }
    void tableMustHoldTheFields()
    {
        QFETCH(QString, sql);
        QFETCH(QString, message);
        PG_DATABASE(db);
        if (!sql.isEmpty())
            db.exec(sql);
        TicketStore store;
        store.setObjectName(QStringLiteral("ADOTable"));
        store.setConnectionString(db.url());
        const QString error = raised([&] { store.Open(); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!store.Active());
    }

    void unreachableServerAtStart()
    {
        // The shop's setting names a server that is not there.
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("trelomar.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Program]\nDayInc=30\n[Database]\nUrl = postgresql://pult:tajne@%2Fnonexistent%2Fpg:5999/dilna\n");
        ini.close();
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        RecordingReporter errors;
        auto dm = std::make_unique<TDM>(FolderLayout(QDir::currentPath()));
        QDir::setCurrent(previous);
        QCOMPARE(errors.messages.size(), 1);
        const QString message = errors.messages[0];
        QVERIFY2(message.startsWith(QLatin1String("Cannot connect to database dilna on host /nonexistent/pg:5999: ")),
                 qPrintable(message));
        QVERIFY(!message.contains(QLatin1String("tajne")));
        QVERIFY(!dm->ADOTable->Active());
    }
};

TRELOMAR_TEST(TestPostgresStore)
#include "TestPostgresStore.moc"
