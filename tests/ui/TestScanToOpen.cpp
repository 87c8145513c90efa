// A ticket scanned from its printout, or typed as "T" and its number, the
// top row of a Czech keyboard taken as digits, and the customer finder.

#include "tests/support/TestRegistry.h"
#include "tests/ui/MainWindowTest.h"
#include "tests/ui/ModalWatch.h"

#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/windows/TfOpravenka.h"

#include <QAction>
#include <QTreeView>

namespace {

// Tickets 1, 2, 3, 23 and another 23, ticket n with an IMEI beginning "35n"
// and the phone "777 n"; 3 is ready.
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
        app.DM()->ADOTabletel->setAsString(QStringLiteral("777 %1").arg(cislo));
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

// The names the finder lists, top to bottom, each with its status if it has one.
QStringList listedNames(QWidget* finder)
{
    QStringList names;
    const QAbstractItemModel* list = control<QTreeView>(finder, "lvFound")->model();
    for (int i = 0; i < list->rowCount(); ++i) {
        const QString name = list->index(i, 2).data().toString();
        const QString status = list->index(i, 5).data().toString();
        names << (status.isEmpty() ? name : name + QStringLiteral(" (") + status + u')');
    }
    return names;
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
        QTest::addColumn<QString>("message"); // or the names the finder lists
        QTest::newRow("grid") << false << "" << "" << "T2\n" << 2 << "";
        QTest::newRow("search box, Caps Lock") << true << "" << "" << "t2\n" << 2 << "";
        QTest::newRow("Czech top row") << false << "" << "" << "Tš\n" << 3 << "";
        QTest::newRow("outside the list shown") << false << "" << "actViewReady" << "T2\n" << 2 << "";
        QTest::newRow("hidden by the search") << true << "351" << "" << "T2\n" << 2 << "";
        QTest::newRow("no such number") << false << "" << "" << "T99\n" << 0 << "Opravenka číslo 99 neexistuje.";
        QTest::newRow("two tickets of one number")
            << false << "" << "" << "T23\n" << 0 << "finder: Emil (Přijato), Dana (Přijato)";
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
        QStringList messages = m_app->errors.messages;
        ModalWatch watch([&](QWidget* modal) {
            if (modal == m_app->fOpravenka())
                seen = m_app->DM()->ADOTablecislo->AsInteger();
            if (modal->objectName() == QLatin1String("fFind"))
                messages << QStringLiteral("finder: ") + listedNames(modal).join(QStringLiteral(", "));
            ModalWatch::reject(modal);
        });
        typeKeys(target, keys);
        QCOMPARE(seen, opened);
        messages += m_app->errors.messages;
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList { message });
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

    // What the finder lists as the user types, and what Enter, the arrows and
    // Ctrl+Ins open from it; a ticket hidden by the list or the search too.
    void finderOpensTicketOrNewForCustomer_data()
    {
        QTest::addColumn<QString>("keys"); // typed in the finder; "v" an arrow down, "+" Ctrl+Ins
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("opened"); // number, name and phone in the editor; empty: none
        QTest::newRow("name, Enter") << "dana\n" << QStringList { "Dana (Přijato)" } << "23 Dana 777 23";
        QTest::newRow("IMEI, arrow down") << "35v\n" << QStringList { "Emil (Přijato)", "Dana (Přijato)", "Cyril (Hotovo)", "Bára (Přijato)", "Adam (Přijato)" }
                                          << "23 Dana 777 23";
        QTest::newRow("hidden by the search") << "adam\n" << QStringList { "Adam (Přijato)" } << "1 Adam 777 1";
        QTest::newRow("new for the customer") << "cyr+" << QStringList { "Cyril (Hotovo)" } << "24 Cyril 777 3";
        QTest::newRow("nothing found: Enter opens nothing") << "zzz\n" << QStringList {} << "";
    }
    void finderOpensTicketOrNewForCustomer()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, listed);
        QFETCH(QString, opened);
        start();
        layOutTickets(*m_app);
        typeKeys(findBox(), QStringLiteral("352"));
        QStringList shown;
        QString edited;
        bool isNew = false;
        ModalWatch watch([&](QWidget* modal) {
            if (modal == m_app->fOpravenka()) {
                edited = m_app->DM()->ADOTablecislo->AsString() + u' ' + m_app->DM()->ADOTablejmeno->AsString() + u' '
                    + m_app->DM()->ADOTabletel->AsString();
                isNew = m_app->fOpravenka()->IsNew;
                ModalWatch::reject(modal);
                return;
            }
            auto* query = control<QLineEdit>(modal, "edQuery");
            for (const QChar c : keys) {
                if (c == u'v')
                    QTest::keyClick(query, Qt::Key_Down);
                else if (c == u'+' || c == u'\n')
                    shown = listedNames(modal);
                if (c == u'+')
                    QTest::keyClick(query, Qt::Key_Insert, Qt::ControlModifier);
                else if (c == u'\n')
                    QTest::keyClick(query, Qt::Key_Return);
                else if (c != u'v')
                    typeKeys(query, QString(c));
            }
            if (modal->isVisible())
                ModalWatch::reject(modal);
        });
        m_app->fMain()->actFindExecute();
        QCOMPARE(watch.seen.value(0), QStringLiteral("fFind"));
        QCOMPARE(shown, listed);
        QCOMPARE(edited, opened);
        QCOMPARE(isNew, keys.endsWith(u'+'));
        QVERIFY(m_app->errors.messages.isEmpty());
    }
};

TRELOMAR_TEST(TestScanToOpen)
#include "TestScanToOpen.moc"
