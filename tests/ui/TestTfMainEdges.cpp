#include "datamodule/TDM.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/ModalWatch.h"
#include "ui/controls/TDBGrid.h"
#include "ui/windows/TfMain.h"

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
        QVERIFY(QTest::qWaitForWindowActive(m_app->fMain()));
    }

    // Runs SQL straight on the file, as another program would; the first value it gives.
    QVariant onFile(const QString& sql)
    {
        QVariant value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            db.setDatabaseName(m_app->path(QStringLiteral("data/data.mdb")));
            QSqlQuery query(db.open() ? db : QSqlDatabase());
            if (query.exec(sql) && query.next())
                value = query.value(0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        return value;
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
        onFile(QStringLiteral("INSERT INTO opravenky (cislo) VALUES (%1)").arg(largest));
        m_app->DM()->ADOTable->Refresh();
        ModalWatch watch;
        control<QAction>(m_app->fMain(), "actNew")->trigger();
        QCOMPARE(m_app->errors.messages,
                 QStringList {QStringLiteral("No new ticket number follows %1: the largest there can be is 2147483647.")
                                  .arg(largest)});
        QCOMPARE(watch.seen, QStringList());
        QCOMPARE(m_app->DM()->ADOTable->State(), DataSetState::Browse);
        QCOMPARE(onFile(QStringLiteral("SELECT count(*) FROM opravenky")).toInt(), 1);
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
            onFile(QStringLiteral("INSERT INTO opravenky (cislo) VALUES (%1)").arg(n));
        m_app->DM()->ADOTable->Refresh();
        QCOMPARE(m_app->DM()->ADOTable->RecordCount(), tickets);
        QWidget* rows = control<TDBGrid>(m_app->fMain(), "DBGrid")->viewport();
        const QPoint below(20, rows->height() - 5);
        QVERIFY(!control<TDBGrid>(m_app->fMain(), "DBGrid")->indexAt(below).isValid());
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
        m_app->fMain()->DayInc() = days;
        ModalWatch watch;
        control<QAction>(m_app->fMain(), "actNew")->trigger();
        const QString due = QDate::currentDate().addDays(days).toString(QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(m_app->errors.messages, QStringList {QStringLiteral("'%1' is not a valid date.").arg(due)});
        QCOMPARE(watch.seen, QStringList());
        // No half-made ticket waits to be stored by the next move.
        QCOMPARE(m_app->DM()->ADOTable->State(), DataSetState::Browse);
        m_app->DM()->ADOTable->Refresh();
        QCOMPARE(onFile(QStringLiteral("SELECT count(*) FROM opravenky")).toInt(), 0);
    }
};

TRELOMAR_TEST(TestTfMainEdges)
#include "TestTfMainEdges.moc"
