// A ticket scanned from its printout, or typed as "T" and its number, and the
// top row of a Czech keyboard taken as digits.

#include "tests/support/TestRegistry.h"
#include "tests/ui/MainWindowTest.h"
#include "tests/ui/ModalWatch.h"

#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/windows/TfOpravenka.h"

#include <QAction>

namespace {

// Tickets 1, 2, 3, 23 and another 23, ticket n with an IMEI beginning "35n"; 3 is ready.
void layOutTickets(const AppFixture& app)
{
    TicketStore* table = app.DM()->ADOTable;
    const std::pair<int, const char*> tickets[]
        = { { 1, "Adam" }, { 2, "Bára" }, { 3, "Cyril" }, { 23, "Dana" }, { 23, "Emil" } };
    for (const auto& [cislo, jmeno] : tickets) {
        table->Append();
        app.DM()->ADOTablecislo->setAsInteger(cislo);
        app.DM()->ADOTablejmeno->setAsString(QString::fromUtf8(jmeno));
        app.DM()->ADOTableIMEI->setAsString(QStringLiteral("35%1000000000000").arg(cislo));
        table->Post();
    }
    table->GotoBookmark(table->idsOfCislo(3).front());
    table->addStatus(table->GetBookmark(), "hotovo", QString(), QString());
    table->First();
}

// Each character as a keyboard sends it, also the Czech letters QTest knows no key for.
void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestScanToOpen : public MainWindowTest
{
    Q_OBJECT

private slots:
    void cleanup() { m_app.reset(); }

    void scans_data()
    {
        QTest::addColumn<bool>("inSearchBox");
        QTest::addColumn<QString>("before"); // typed into the search box first
        QTest::addColumn<QString>("list"); // the list item chosen first
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("opened"); // the ticket the editor opens on; 0: none
        QTest::addColumn<QString>("message");
        QTest::newRow("grid") << false << "" << "" << "T2\n" << 2 << "";
        QTest::newRow("search box, Caps Lock") << true << "" << "" << "t2\n" << 2 << "";
        QTest::newRow("Czech top row") << false << "" << "" << "Tš\n" << 3 << "";
        QTest::newRow("outside the list shown") << false << "" << "actViewReady" << "T2\n" << 2 << "";
        QTest::newRow("hidden by the search") << true << "351" << "" << "T2\n" << 2 << "";
        QTest::newRow("no such number") << false << "" << "" << "T99\n" << 0 << "Opravenka číslo 99 neexistuje.";
        QTest::newRow("two tickets of one number")
            << false << "" << "" << "T23\n" << 0 << "Číslo 23 má více opravenek: Dana, ; Emil, ";
        // A letter between: no scan, and Enter edits the current ticket as ever.
        QTest::newRow("not a scan") << false << "" << "" << "T2x\n" << 1 << "";
    }
    void scans()
    {
        QFETCH(bool, inSearchBox);
        QFETCH(QString, before);
        QFETCH(QString, list);
        QFETCH(QString, keys);
        QFETCH(int, opened);
        QFETCH(QString, message);
        start();
        layOutTickets(*m_app);
        if (!list.isEmpty())
            control<QAction>(m_app->fMain(), qPrintable(list))->trigger();
        QWidget* target = inSearchBox ? static_cast<QWidget*>(findBox()) : dbGrid();
        target->setFocus();
        typeKeys(findBox(), before);

        int seen = 0;
        ModalWatch watch([&](QWidget* modal) {
            if (modal == m_app->fOpravenka())
                seen = m_app->DM()->ADOTablecislo->AsInteger();
            ModalWatch::reject(modal);
        });
        typeKeys(target, keys);
        QCOMPARE(seen, opened);
        QCOMPARE(m_app->errors.messages, message.isEmpty() ? QStringList() : QStringList { message });
        if (opened && keys.startsWith(u'T') && !keys.contains(u'x')) {
            QVERIFY(findBox()->text().isEmpty());
            QVERIFY(control<QAction>(m_app->fMain(), "mmViewAll")->isChecked() || list.isEmpty());
        }
    }

    // The search box and the editor's IMEI box take the Czech top row, typed, as digits.
    void topRowIsDigits()
    {
        start();
        layOutTickets(*m_app);
        findBox()->setFocus();
        typeKeys(findBox(), QStringLiteral("+ěš"));
        QCOMPARE(findBox()->text(), QStringLiteral("123"));

        QString shown, handedOver;
        QVERIFY(m_app->inEditor(&TfMain::actEditExecute, [&] {
            auto* imei = control<QLineEdit>(m_app->fOpravenka(), "dbedIMEI");
            imei->setFocus();
            imei->selectAll();
            typeKeys(imei, QStringLiteral("ščřžýáíé+ě"));
            shown = imei->text();
            // What the box hands over to the ticket, as before a store.
            m_app->DM()->ADOTable->UpdateRecord();
            handedOver = m_app->DM()->ADOTableIMEI->AsString();
            m_app->fOpravenka()->reject();
        }));
        QCOMPARE(shown, QStringLiteral("3456789012"));
        QCOMPARE(handedOver, QStringLiteral("3456789012"));
    }
};

TRELOMAR_TEST(TestScanToOpen)
#include "TestScanToOpen.moc"
