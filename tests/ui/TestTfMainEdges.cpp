#include "store/TDM.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/ModalWatch.h"
#include "ui/TDBGrid.h"
#include "ui/TfMain.h"

#include <QAction>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

// The main window at the edges of what the table can hold.
class TestTfMainEdges : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppFixture> m_app;

    void start()
    {
        m_app = std::make_unique<AppFixture>();
        QVERIFY(QTest::qWaitForWindowActive(fMain));
    }

    // Writes straight into the file, as another program would.
    void storeRaw(const QString& sql)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            db.setDatabaseName(m_app->path(QStringLiteral("data/data.mdb")));
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(sql));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        DM->ADOTable->Refresh();
    }

    int storedRows()
    {
        int count = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            db.setDatabaseName(m_app->path(QStringLiteral("data/data.mdb")));
            db.open();
            QSqlQuery query(QStringLiteral("SELECT count(*) FROM opravenky"), db);
            if (query.next())
                count = query.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        return count;
    }

private slots:
    void cleanup() { m_app.reset(); }

    void newNeedsRoomForTheNextNumber_data()
    {
        QTest::addColumn<qint64>("largest");
        QTest::newRow("the largest 32-bit number") << qint64(2147483647);
        QTest::newRow("beyond 32 bits, from another program") << qint64(3000000000);
    }
    void newNeedsRoomForTheNextNumber()
    {
        QFETCH(qint64, largest);
        start();
        storeRaw(QStringLiteral("INSERT INTO opravenky (cislo) VALUES (%1)").arg(largest));
        ModalWatch watch;
        fMain->actNew->trigger();
        QCOMPARE(m_app->errors.messages,
                 QStringList {QStringLiteral("No new ticket number follows %1: the largest there can be is 2147483647.")
                                  .arg(largest)});
        QCOMPARE(watch.seen, QStringList());
        QCOMPARE(DM->ADOTable->State(), DataSetState::Browse);
        QCOMPARE(storedRows(), 1);
    }

    void doubleClickOffTheRowsEdits_data()
    {
        QTest::addColumn<int>("tickets");
        QTest::newRow("a new shop's empty grid") << 0;
        QTest::newRow("below the last row") << 2;
    }
    void doubleClickOffTheRowsEdits()
    {
        QFETCH(int, tickets);
        start();
        for (int n = 1; n <= tickets; ++n)
            storeRaw(QStringLiteral("INSERT INTO opravenky (cislo) VALUES (%1)").arg(n));
        QWidget* rows = fMain->DBGrid->viewport();
        const QPoint below(20, rows->height() - 5);
        QVERIFY(!fMain->DBGrid->indexAt(below).isValid());
        ModalWatch watch;
        QTest::mouseDClick(rows, Qt::LeftButton, {}, below);
        QCOMPARE(watch.seen, QStringList {"fOpravenka"});
        QVERIFY(m_app->errors.messages.isEmpty());
    }

    void newRefusesADueDateTheFileCannotHold_data()
    {
        QTest::addColumn<int>("days");
        QTest::newRow("past year 9999") << 3000000;
        QTest::newRow("before year 1") << -800000;
    }
    void newRefusesADueDateTheFileCannotHold()
    {
        QFETCH(int, days);
        start();
        fMain->DayInc = days;
        ModalWatch watch;
        fMain->actNew->trigger();
        const QString due = QDate::currentDate().addDays(days).toString(QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(m_app->errors.messages, QStringList {QStringLiteral("'%1' is not a valid date.").arg(due)});
        QCOMPARE(watch.seen, QStringList());
        // No half-made ticket waits to be stored by the next move.
        QCOMPARE(DM->ADOTable->State(), DataSetState::Browse);
        DM->ADOTable->Refresh();
        QCOMPARE(storedRows(), 0);
    }
};

TRELOMAR_TEST(TestTfMainEdges)
#include "TestTfMainEdges.moc"
