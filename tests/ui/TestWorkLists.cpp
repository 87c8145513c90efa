// The lists of work in the main window: its shortcuts, the status column,
// the colours and the counts beside the search box.

#include "tests/support/TestRegistry.h"
#include "tests/ui/MainWindowTest.h"

#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/controls/TicketGridModel.h"

#include <QAction>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

using TicketStatus::WorkList;

namespace {

// Tickets 1 to 5: no status (older), received and overdue, waiting for a part,
// ready, handed over; ticket n has the IMEI "35n...".
void layOutTickets(const AppFixture& app)
{
    const QDate today = QDate::currentDate();
    const struct
    {
        const char* status;
        int dueIn;
    } tickets[] = { { nullptr, -9 }, { "prijato", -1 }, { "ceka_na_dil", 3 }, { "hotovo", -2 }, { "vydano", -9 } };
    TicketStore* table = app.DM()->ADOTable;
    for (int n = 1; n <= 5; ++n) {
        table->Append();
        app.DM()->ADOTablecislo->setAsInteger(n);
        app.DM()->ADOTablejmeno->setAsString(QStringLiteral("Zákazník %1").arg(n));
        app.DM()->ADOTablevydej->setAsDateTime(QDateTime(today.addDays(tickets[n - 1].dueIn), QTime()));
        app.DM()->ADOTableIMEI->setAsString(QStringLiteral("35%1000000000000").arg(n));
        table->Post();
        if (const char* status = tickets[n - 1].status; status && qstrcmp(status, "prijato") != 0)
            table->addStatus(table->GetBookmark(), status, QString(), QString());
    }
    // Ticket 1 as from before the statuses, its history removed by another program.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(app.path(QStringLiteral("data/data.mdb")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(
            QStringLiteral("DELETE FROM historie_stavu WHERE opravenka = (SELECT id FROM opravenky WHERE cislo = 1)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    table->Refresh();
}

} // namespace

class TestWorkLists : public MainWindowTest
{
    Q_OBJECT

    QList<int> listed() const
    {
        QList<int> numbers;
        TicketGridModel* model = m_app->fMain()->gridModel();
        for (int row = 0; row < model->rowCount(); ++row)
            numbers << model->index(row, 0).data().toInt();
        return numbers;
    }

private slots:
    void cleanup() { m_app.reset(); }

    // Each list's key, a digit or the Czech top row's letter, shows the list and ticks its item.
    void listKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("Ctrl+2") << int(Qt::Key_2) << "mmViewOpen" << QList<int> { 2, 3, 4 };
        QTest::newRow("Ctrl+Ě") << 0x11A << "mmViewOpen" << QList<int> { 2, 3, 4 };
        QTest::newRow("Ctrl+3") << int(Qt::Key_3) << "mmViewReady" << QList<int> { 4 };
        QTest::newRow("Ctrl+Č") << 0x10C << "mmViewOverdue" << QList<int> { 2 };
        QTest::newRow("Ctrl+5") << int(Qt::Key_5) << "mmViewWaiting" << QList<int> { 3 };
        QTest::newRow("Ctrl+Ř") << 0x158 << "mmViewWaiting" << QList<int> { 3 };
    }
    void listKeys()
    {
        QFETCH(int, key);
        QFETCH(QString, item);
        start();
        layOutTickets(*m_app);
        // As the keyboard sends it: a Czech layout's letters are no keys QTest knows by name.
        QTest::sendKeyEvent(QTest::Click, dbGrid(), Qt::Key(key), QString(QChar(key)).toLower(), Qt::ControlModifier);
        QTEST(listed(), "numbers");
        QVERIFY(control<QAction>(m_app->fMain(), qPrintable(item))->isChecked());
        // Ctrl++ on the Czech top row: all tickets again.
        QTest::keyClick(dbGrid(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(listed(), (QList<int> { 1, 2, 3, 4, 5 }));
        QVERIFY(control<QAction>(m_app->fMain(), "mmViewAll")->isChecked());
        QVERIFY(m_app->errors.messages.isEmpty());
    }

    // The IMEI search narrows the list shown, not all tickets.
    void searchWithinTheList()
    {
        start();
        layOutTickets(*m_app);
        control<QAction>(m_app->fMain(), "actViewOpen")->trigger();
        QTest::keyClicks(findBox(), "353");
        QCOMPARE(listed(), QList<int> { 3 });
        QTest::keyClicks(findBox(), "9");
        QCOMPARE(listed(), QList<int> {});
    }

    // The status column, the colours of the ready and the overdue, and their counts kept current.
    void statusColumnColoursAndCounts()
    {
        start();
        layOutTickets(*m_app);
        const TicketGridModel* model = m_app->fMain()->gridModel();
        const auto cell = [&](int row, int role) { return model->index(row, TicketGridModel::StatusColumn).data(role); };
        QCOMPARE(model->headerData(TicketGridModel::StatusColumn, Qt::Horizontal).toString(), QStringLiteral("Stav"));
        const QStringList texts { "", "Přijato", "Čeká na díl", "Hotovo", "Vydáno" };
        const QList<QVariant> colours { {}, TicketGridModel::OverdueColor, {}, TicketGridModel::ReadyColor, {} };
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(cell(row, Qt::DisplayRole).toString(), texts[row]);
            QCOMPARE(model->index(row, 1).data(Qt::BackgroundRole), colours[row]);
        }
        const QLabel* counts = control<QLabel>(m_app->fMain(), "lbCounts");
        QCOMPARE(counts->text(), QStringLiteral("K vyzvednutí: 1    Po termínu: 1"));
        TicketStore* table = m_app->DM()->ADOTable;
        table->setRecNo(1);
        table->addStatus(table->GetBookmark(), "hotovo", QString(), QString());
        QCOMPARE(cell(1, Qt::DisplayRole).toString(), QStringLiteral("Hotovo"));
        QCOMPARE(counts->text(), QStringLiteral("K vyzvednutí: 2    Po termínu: 0"));
    }

    // At midnight yesterday's due tickets become overdue, in the list shown and in the count.
    void midnightMovesTheOverdueOn()
    {
        start();
        layOutTickets(*m_app);
        m_app->DM()->ADOTable->setToday(QDate::currentDate().addDays(-1)); // the window open since yesterday
        control<QAction>(m_app->fMain(), "actViewOverdue")->trigger();
        m_app->DM()->ADOTable->setToday(QDate::currentDate().addDays(-1));
        QCOMPARE(listed(), QList<int> {});
        auto* midnight = m_app->fMain()->findChild<QTimer*>(QStringLiteral("MidnightTimer"));
        QVERIFY(midnight && midnight->isActive());
        midnight->start(0);
        QTRY_COMPARE(listed(), QList<int> { 2 });
        QCOMPARE(control<QLabel>(m_app->fMain(), "lbCounts")->text(), QStringLiteral("K vyzvednutí: 1    Po termínu: 1"));
        // Set again for the next midnight.
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(midnight->isActive());
        QVERIFY(midnight->remainingTime() >= now.msecsTo(QDateTime(now.date().addDays(1), QTime(0, 0))) - 2000);
    }
};

TRELOMAR_TEST(TestWorkLists)
#include "TestWorkLists.moc"
