#include "store/PostgresBackend.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/PgDatabase.h"
#include "tests/support/TestRegistry.h"

#include <QRandomGenerator>
#include <QTest>

using TicketStatus::Status;

namespace {

// The numbers of what the finder lists, top to bottom.
QStringList numbers(const FoundTickets& found)
{
    QStringList list;
    for (const FoundTicket& ticket : found.tickets)
        list << ticket.cislo;
    return list;
}

void addTicket(TicketStore& store, int number, const QString& name)
{
    store.Append();
    store.FieldByName(QStringLiteral("cislo"))->setAsInteger(number);
    store.FieldByName(QStringLiteral("jmeno"))->setAsString(name);
    store.Post();
}

} // namespace

// The customer finder over every stored ticket: names, phone numbers, IMEIs, numbers.
class TestCustomerFinder : public QObject
{
    Q_OBJECT

private slots:
    void finds_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected"); // numbers, newest first
        QTest::newRow("word start, case and diacritics aside") << "novak" << QStringList { "4", "1" };
        QTest::newRow("a blank at the end: whole words") << "NOVÁK " << QStringList { "1" };
        QTest::newRow("second word") << "dvor" << QStringList { "2" };
        QTest::newRow("word after a dash") << "mala" << QStringList { "4" };
        QTest::newRow("top-row letters in a name stay letters") << "řehoř" << QStringList { "3" };
        QTest::newRow("phone stored with +420") << "777123456" << QStringList { "1" };
        QTest::newRow("phone typed with +420 and blanks") << "+420 777 12" << QStringList { "4", "1" };
        QTest::newRow("brackets and dashes") << "602111" << QStringList { "2" };
        QTest::newRow("stored with 00420 and dots") << "603333" << QStringList { "3" };
        QTest::newRow("second number of a field") << "2468" << QStringList { "3" };
        QTest::newRow("IMEI start") << "35693" << QStringList { "3", "1" };
        QTest::newRow("IMEI start on the Czech top row") << "šřžíš" << QStringList { "3", "1" };
        QTest::newRow("digits: phone and number together") << "777" << QStringList { "4", "1", "777" };
        QTest::newRow("T and a number: that ticket alone") << "T777" << QStringList { "777" };
        QTest::newRow("nothing typed") << "  - " << QStringList {};
        QTest::newRow("no such customer") << "zzz" << QStringList {};
    }
    void finds()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        TestDb db;
        db.insert({ { "cislo", 1 }, { "jmeno", "Jan Novák" }, { "tel", "+420 777 123 456" },
            { "IMEI", "356938035643809" }, { "prijato", "2024-01-01T00:00:00" } });
        db.insert({ { "cislo", 2 }, { "jmeno", "Petra Dvořáková" }, { "tel", "(602) 111-222" },
            { "IMEI", "490154203237518" }, { "prijato", "2024-02-01T00:00:00" } });
        db.insert({ { "cislo", 3 }, { "jmeno", "Řehoř Šťastný" }, { "tel", "00420 603.333.444, 2468" },
            { "IMEI", "35693" }, { "prijato", "2024-03-01T00:00:00" } });
        // The same day as 3: the higher number is the newer.
        db.insert({ { "cislo", 4 }, { "jmeno", "Novákova-Malá Eva" }, { "tel", "777123999" },
            { "prijato", "2024-03-01T00:00:00" } });
        db.insert({ { "cislo", 777 }, { "jmeno", "Karel" }, { "prijato", "2023-01-01T00:00:00" } });
        auto store = openStore(db);
        const FoundTickets found = store->findCustomers(query, 200);
        QCOMPARE(numbers(found), expected);
        QCOMPARE(found.total, expected.size());
    }

    // At most the limit, with how many match; rows stored, changed and
    // deleted after the first search are seen by the next.
    void limitAndChangesSinceTheFirstSearch()
    {
        TestDb db;
        for (int n = 1; n <= 3; ++n)
            db.insert({ { "cislo", n }, { "jmeno", "Novák" }, { "prijato", QStringLiteral("2024-01-0%1T00:00:00").arg(n) } });
        auto store = openStore(db);
        FoundTickets found = store->findCustomers(QStringLiteral("novak"), 2);
        QCOMPARE(numbers(found), QStringList({ "3", "2" }));
        QCOMPARE(found.total, 3);

        addTicket(*store, 4, QStringLiteral("Nováková"));
        QCOMPARE(store->statusOf(store->GetBookmark()), Status::Prijato);
        store->First(); // ticket 1
        store->Edit();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Svoboda"));
        store->Post();
        store->Next(); // ticket 2
        store->Delete();
        found = store->findCustomers(QStringLiteral("novak"), 2);
        QCOMPARE(found.total, 2);
        QCOMPARE(found.tickets.at(0).cislo, QStringLiteral("3"));
        const FoundTicket& added = found.tickets.at(1); // no intake date: the oldest
        QCOMPARE(added.jmeno, QStringLiteral("Nováková"));
        QCOMPARE(added.status, Status::Prijato);
        QCOMPARE(numbers(store->findCustomers(QStringLiteral("svob"), 2)), QStringList({ "1" }));
    }

    // Newest first among many: dates far apart and close together, equal
    // and empty ones, as years of a shop's work and another program leave them.
    void newestFirstAmongMany()
    {
        TestDb db;
        struct Ticket
        {
            QDateTime intake;
            int number;
            qint64 id;
        };
        std::vector<Ticket> tickets;
        QRandomGenerator random(7);
        db.exec(QStringLiteral("BEGIN"));
        for (int n = 1; n <= 3000; ++n) {
            QDateTime intake;
            switch (random.bounded(6)) {
            case 0: // none
                break;
            case 1: // one busy day
                intake = QDateTime(QDate(2024, 5, 6), QTime(random.bounded(24), 0));
                break;
            default:
                intake = QDateTime(QDate(2000, 1, 1).addDays(random.bounded(9000)), QTime(0, 0));
            }
            if (n == 1)
                intake = QDateTime(QDate(1, 1, 1), QTime(0, 0));
            if (n == 2)
                intake = QDateTime(QDate(9999, 12, 31), QTime(0, 0));
            const int number = int(random.bounded(1000)); // numbers repeat, as another program may leave them
            const qint64 id = db.insert({ { "cislo", number }, { "jmeno", "Novák" },
                { "prijato", intake.isValid() ? QVariant(intake.toString(Qt::ISODate)) : QVariant() } });
            tickets.push_back({ intake, number, id });
        }
        db.exec(QStringLiteral("COMMIT"));
        std::sort(tickets.begin(), tickets.end(), [](const Ticket& a, const Ticket& b) {
            if (a.intake.isValid() != b.intake.isValid())
                return a.intake.isValid();
            if (a.intake != b.intake)
                return a.intake > b.intake;
            return a.number != b.number ? a.number > b.number : a.id > b.id;
        });
        auto store = openStore(db);
        const FoundTickets found = store->findCustomers(QStringLiteral("novak"), 200);
        QCOMPARE(found.total, 3000);
        QCOMPARE(found.tickets.size(), size_t(200));
        for (size_t i = 0; i < found.tickets.size(); ++i)
            QCOMPARE(found.tickets[i].id, tickets[i].id);
    }

    // A ticket another counter stores on the shop's server is found after the refresh that shows it.
    void serverTicketOfAnotherCounterFound()
    {
        PG_DATABASE(pg);
        PostgresBackend::createTable(pg.url());
        TicketStore here, there;
        for (TicketStore* store : { &here, &there }) {
            store->setConnectionString(pg.url());
            store->Open();
        }
        QCOMPARE(there.findCustomers(QStringLiteral("dvor"), 10).total, 0);
        addTicket(here, 1, QStringLiteral("Petra Dvořáková"));
        QTRY_COMPARE_WITH_TIMEOUT((there.Refresh(), numbers(there.findCustomers(QStringLiteral("dvor"), 10))),
            QStringList({ "1" }), 5000);
    }
};

TRELOMAR_TEST(TestCustomerFinder)
#include "TestCustomerFinder.moc"
