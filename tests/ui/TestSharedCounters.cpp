#include "datamodule/TDM.h"
#include "store/PostgresBackend.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/PgDatabase.h"
#include "tests/support/TestRegistry.h"
#include "ui/controls/TicketGridModel.h"
#include "ui/windows/TfMain.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

// The program as one of several counters on the shop's server.
class TestSharedCounters : public QObject
{
    Q_OBJECT

private:
    static void addTicket(TicketStore& table, int number, const QString& name)
    {
        table.Append();
        table.FieldByName(QStringLiteral("cislo"))->setAsInteger(number);
        table.FieldByName(QStringLiteral("jmeno"))->setAsString(name);
        table.Post();
    }
    static int gridRows(const AppFixture& app) { return app.fMain()->gridModel()->rowCount(); }

private slots:
    void otherCountersTicketsShownWhenIdle()
    {
        PG_DATABASE(db);
        PostgresBackend::createTable(db.url());
        // A server shop has no file of its own, and so no daily copy of one.
        AppFixture app({.createDatabase = false, .beforeStart = [&](const QString& dir) {
            AppFixture::writeFile(dir + QStringLiteral("/trelomar.ini"), "[Database]\nUrl=" + db.url().toUtf8() + '\n');
        }});
        QVERIFY(app.DM()->ADOTable->Active());
        TicketStore other;
        other.setConnectionString(db.url());
        other.Open();

        addTicket(other, 1, QStringLiteral("Adam"));
        QTRY_COMPARE_WITH_TIMEOUT(gridRows(app), 1, 1000);

        // A ticket being edited here is left alone until it is stored.
        app.DM()->ADOTable->Edit();
        app.DM()->ADOTablejmeno->setAsString(QStringLiteral("Adam Novák"));
        QSignalSpy heard(app.DM()->ADOTable, &TicketStore::changedElsewhere);
        addTicket(other, 2, QStringLiteral("Bára"));
        QVERIFY(heard.wait(1000));
        QCOMPARE(app.DM()->ADOTable->State(), DataSetState::Edit);
        QCOMPARE(gridRows(app), 1);
        app.DM()->ADOTable->Post();
        QTRY_COMPARE_WITH_TIMEOUT(gridRows(app), 2, 1000);
        QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Adam Novák")); // still the current row
        QVERIFY(app.errors.messages.isEmpty());
        QVERIFY(!QFileInfo::exists(app.path(QStringLiteral("data/backup"))));
    }
};

TRELOMAR_TEST(TestSharedCounters)
#include "TestSharedCounters.moc"
