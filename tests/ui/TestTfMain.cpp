#include "base/AppError.h"
#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/MainWindowTest.h"
#include "tests/ui/ModalWatch.h"
#include "ui/controls/TDBGrid.h"
#include "ui/controls/TicketGridModel.h"
#include "ui/windows/THelpWindow.h"
#include "ui/windows/TfDelete.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QtTest/qttestglobal.h>
#if QT_CONFIG(itemmodeltester)
#include <QAbstractItemModelTester>
#endif
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {

void addTicket(const AppFixture& app, int cislo, const QString& jmeno, const QString& telefon = {}, const QString& imei = {})
{
    TicketStore* table = app.DM()->ADOTable;
    table->Append();
    app.DM()->ADOTablecislo->setAsInteger(cislo);
    app.DM()->ADOTablejmeno->setAsString(jmeno);
    app.DM()->ADOTabletelefon->setAsString(telefon);
    app.DM()->ADOTableIMEI->setAsString(imei);
    table->Post();
}

int gridRows(const AppFixture& app)
{
    return app.fMain()->gridModel()->rowCount();
}

QString gridText(const AppFixture& app, int row, int column)
{
    return app.fMain()->gridModel()->index(row, column).data().toString();
}

QStringList checkedSortItems(const AppFixture& app)
{
    QStringList names;
    for (QAction* item : control<QMenu>(app.fMain(), "Popup")->actions())
        if (item->isChecked())
            names.append(item->objectName());
    return names;
}

// What the editor saw when it opened: the flag and the ticket in the table.
struct EditorView
{
    bool isNew = false;
    DataSetState state = DataSetState::Inactive;
    int cislo = 0;
    QDate prijato;
    QDate vydej;
};

ModalWatch::Action recordEditor(const AppFixture& app, EditorView& view)
{
    return [&app, &view](QWidget* modal) {
        if (modal == app.fOpravenka()) {
            view.isNew = app.fOpravenka()->IsNew;
            view.state = app.DM()->ADOTable->State();
            view.cislo = app.DM()->ADOTablecislo->AsInteger();
            view.prijato = app.DM()->ADOTableprijato->AsDateTime().date();
            view.vydej = app.DM()->ADOTablevydej->AsDateTime().date();
        }
        ModalWatch::reject(modal);
    };
}

} // namespace

class TestTfMain : public MainWindowTest
{
    Q_OBJECT

private slots:
    void cleanup() { m_app.reset(); }

    void windowHasFixedWidthAndMinimumHeight()
    {
        start();
        // The design's 600 pixels and the status column.
        const int width = 600 + TicketGridModel::columnWidth(TicketGridModel::StatusColumn);
        QCOMPARE(m_app->fMain()->minimumWidth(), width);
        QCOMPARE(m_app->fMain()->maximumWidth(), width);
        m_app->fMain()->resize(900, 300);
        QCOMPARE(m_app->fMain()->width(), width);
        QCOMPARE(m_app->fMain()->height(), 400);
        m_app->fMain()->resize(width, 900);
        QCOMPARE(m_app->fMain()->height(), 900);
    }

    void controlsAndPictures()
    {
        start();
        for (const char* name : { "tbNew", "tbEdit", "tbDelete", "tbSetup", "tbAbout", "tbKonec" }) {
            const QToolButton* button = control<QToolButton>(m_app->fMain(), name);
            // A picture that cannot be drawn (a missing SVG reader) leaves a blank button.
            QVERIFY2(!button->icon().pixmap(32, 32).isNull(), qPrintable(button->objectName()));
        }
        QCOMPARE(control<QToolButton>(m_app->fMain(), "tbKonec")->toolTip(), QStringLiteral("Ukončí program Trelomář"));
        // Columns keep their width and place, and the grid never edits in place.
        const QHeaderView* titles = dbGrid()->horizontalHeader();
        QCOMPARE(titles->sectionSize(1), 155);
        for (int column = 0; column < titles->count(); ++column)
            QCOMPARE(titles->sectionResizeMode(column), QHeaderView::Fixed);
        QVERIFY(!titles->sectionsMovable());
        QCOMPARE(dbGrid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void menuItemTags_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tag");
        // The tag sets how much the painter widens the item: a few of each kind.
        QTest::newRow("heading") << "mmSoubor" << 0;
        QTest::newRow("drop-down item") << "mmNew" << 1;
        QTest::newRow("drop-down separator") << "mmN1" << 1;
        QTest::newRow("popup item") << "mmSortIMEI" << 2;
        QTest::newRow("popup separator") << "mmN2" << 2;
    }

    void menuItemTags()
    {
        QFETCH(QString, name);
        start();
        const auto* item = m_app->fMain()->findChild<QAction*>(name);
        QVERIFY(item);
        QVERIFY(item->property("Tag").isValid());
        QTEST(item->property("Tag").toInt(), "tag");
    }

    void menuItemsShowAndRunTheirCommand()
    {
        start();
        QCOMPARE(control<QAction>(m_app->fMain(), "mmNew")->text(), QStringLiteral("Nová opravenka\tCtrl+Ins"));
        QCOMPARE(control<QAction>(m_app->fMain(), "mmUpravit")->text(), QStringLiteral("Upravit opravenku"));
        QCOMPARE(control<QAction>(m_app->fMain(), "Smazatopravenku1")->text(), QStringLiteral("Smazat opravenku\tCtrl+Del"));
        // The shortcut stays on the command alone, so the key fires once.
        QVERIFY(control<QAction>(m_app->fMain(), "mmNew")->shortcut().isEmpty());

        ModalWatch watch;
        control<QAction>(m_app->fMain(), "mmOprog")->trigger();
        control<QAction>(m_app->fMain(), "Upravitopravenku1")->trigger();
        QCOMPARE(watch.seen, (QStringList { "fAbout", "fOpravenka" }));
    }

    void gridKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<bool>("isNew");
        QTest::newRow("Enter") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << QStringList { "fOpravenka" }
                               << false;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                      << QStringList { "fOpravenka" } << false;
        QTest::newRow("Insert") << int(Qt::Key_Insert) << Qt::KeyboardModifiers() << QStringList { "fOpravenka" }
                                << true;
        QTest::newRow("Ctrl+Ins") << int(Qt::Key_Insert) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                  << QStringList { "fOpravenka" } << true;
        QTest::newRow("Ctrl+Del") << int(Qt::Key_Delete) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                  << QStringList { "fDelete" } << false;
        QTest::newRow("Delete alone") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << QStringList() << false;
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                << QStringList { "fAbout" } << false;
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                << QStringList { "fSetup" } << false;
        QTest::newRow("F4") << int(Qt::Key_F4) << Qt::KeyboardModifiers() << QStringList { "fStatus" } << false;
        QTest::newRow("F8") << int(Qt::Key_F8) << Qt::KeyboardModifiers() << QStringList { "fHandover" } << false;
    }

    void gridKeys()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QStringList, dialogs);
        start();
        addTicket(*m_app, 1, "Novák", "Nokia 3310", "350000000000001");
        addTicket(*m_app, 2, "Dvořák", "Siemens C35", "350000000000002");
        m_app->DM()->ADOTable->setRecNo(0);

        EditorView editor;
        ModalWatch watch(recordEditor(*m_app, editor));
        QTest::keyClick(dbGrid(), Qt::Key(key), modifiers);
        QCOMPARE(watch.seen, dialogs);
        if (dialogs == QStringList { "fOpravenka" }) {
            QTEST(editor.isNew, "isNew");
            if (!editor.isNew)
                QCOMPARE(editor.cislo, 1); // the ticket of the current row
        }
        QCOMPARE(m_app->DM()->ADOTable->RecordCount(), 2);
        QVERIFY(m_app->errors.messages.isEmpty());
    }

    void shortcutsInSearchBoxRunCommandsAndKeepText_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("Ctrl+Ins") << int(Qt::Key_Insert) << "fOpravenka";
        QTest::newRow("Ctrl+Del") << int(Qt::Key_Delete) << "fDelete";
    }

    void shortcutsInSearchBoxRunCommandsAndKeepText()
    {
        QFETCH(int, key);
        QFETCH(QString, dialog);
        start();
        findBox()->setFocus();
        QTest::keyClicks(findBox(), "35 12");
        findBox()->setCursorPosition(2);
        findBox()->setSelection(0, 2);

        ModalWatch watch;
        QTest::keyClick(findBox(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(watch.seen, QStringList { dialog });
        QCOMPARE(findBox()->text(), QStringLiteral("35 12"));
    }

    void tabStaysInGrid_data()
    {
        QTest::addColumn<int>("tickets");
        QTest::newRow("empty table") << 0;
        QTest::newRow("one ticket") << 1;
    }

    void tabStaysInGrid()
    {
        QFETCH(int, tickets);
        start();
        for (int n = 1; n <= tickets; ++n)
            addTicket(*m_app, n, "Novák");
        QTest::keyClick(dbGrid(), Qt::Key_End, Qt::ControlModifier);
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dbGrid());
        QTest::keyClick(dbGrid(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), dbGrid());
    }

    void gridAndTableMoveTogether()
    {
        start();
        for (int n = 1; n <= 5; ++n)
            addTicket(*m_app, n, QStringLiteral("Zákazník %1").arg(n));
        QCOMPARE(gridRows(*m_app), 5);
        m_app->DM()->ADOTable->setRecNo(3);
        QCOMPARE(dbGrid()->currentIndex().row(), 3);
        QTest::keyClick(dbGrid(), Qt::Key_Up);
        QCOMPARE(m_app->DM()->ADOTable->RecNo(), 2);
        QCOMPARE(m_app->DM()->ADOTablecislo->AsInteger(), 3);
        const QRect cell = dbGrid()->visualRect(m_app->fMain()->gridModel()->index(4, 1));
        QTest::mouseClick(dbGrid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_app->DM()->ADOTable->RecNo(), 4);

        EditorView editor;
        ModalWatch watch(recordEditor(*m_app, editor));
        QTest::mouseDClick(dbGrid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(watch.seen, QStringList { "fOpravenka" });
        QCOMPARE(editor.cislo, 5);
    }

    void gridModelKeepsItsContractThroughTableChanges()
    {
        start();
#if QT_CONFIG(itemmodeltester) // the Windows build's Qt leaves the model tester out
        QAbstractItemModelTester tester(m_app->fMain()->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
#endif
        addTicket(*m_app, 2, "Beneš", "Nokia", "351");
        addTicket(*m_app, 1, "Adámek", "Alcatel", "449");
        QCOMPARE(gridRows(*m_app), 2);
        QCOMPARE(gridText(*m_app, 0, 0), QStringLiteral("1")); // stored tickets come back in number order
        QCOMPARE(gridText(*m_app, 0, 1), QStringLiteral("Adámek"));
        QCOMPARE(gridText(*m_app, 0, 2), QStringLiteral("Alcatel"));
        QCOMPARE(gridText(*m_app, 0, 5), QStringLiteral("449"));

        m_app->DM()->ADOTable->setRecNo(0);
        m_app->DM()->ADOTable->Edit();
        m_app->DM()->ADOTablejmeno->setAsString("Adam");
        QCOMPARE(gridText(*m_app, 0, 1), QStringLiteral("Adam"));
        m_app->DM()->ADOTable->Cancel();
        QTest::keyClicks(findBox(), "35");
        control<QAction>(m_app->fMain(), "mmSortIMEI")->trigger();
        ModalWatch watch([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
        control<QAction>(m_app->fMain(), "actDelete")->trigger();
        QCOMPARE(gridRows(*m_app), 0);
        findBox()->clear();
        QCOMPARE(gridRows(*m_app), 1);
        QCOMPARE(dbGrid()->currentIndex().row(), 0);
    }

    void leavingTheGridDropsOnlyAnUntouchedNewTicket()
    {
        start();
        addTicket(*m_app, 1, "Novák");
        m_app->DM()->ADOTable->Append();
        QTest::mouseClick(findBox(), Qt::LeftButton);
        QCOMPARE(m_app->DM()->ADOTable->State(), DataSetState::Browse);
        QCOMPARE(m_app->DM()->ADOTable->RecordCount(), 1);

        dbGrid()->setFocus();
        m_app->DM()->ADOTable->Append();
        m_app->DM()->ADOTablecislo->setAsInteger(2);
        QTest::mouseClick(findBox(), Qt::LeftButton);
        QCOMPARE(m_app->DM()->ADOTable->State(), DataSetState::Insert);
    }

    void currentRowIsHighlightedOnlyWhileTheGridHasFocus()
    {
        start();
        addTicket(*m_app, 1, "Novák");
        addTicket(*m_app, 2, "Dvořák");
        m_app->DM()->ADOTable->setRecNo(1);
        const QRect row = dbGrid()->visualRect(m_app->fMain()->gridModel()->index(1, 1));
        const QPoint inside = row.topLeft() + QPoint(row.width() - 3, 3); // right of the text
        const auto pixel = [&] { return dbGrid()->viewport()->grab().toImage().pixelColor(inside); };
        const QColor highlight = dbGrid()->palette().color(QPalette::Active, QPalette::Highlight);

        QCOMPARE(pixel(), highlight);
        findBox()->setFocus();
        QCOMPARE(pixel(), dbGrid()->palette().color(QPalette::Base));
        dbGrid()->setFocus();
        QCOMPARE(pixel(), highlight);
    }

    void newTicketOnEmptyTable()
    {
        start();
        m_app->fMain()->DayInc() = 30;
        EditorView editor;
        ModalWatch watch(recordEditor(*m_app, editor));
        control<QAction>(m_app->fMain(), "actNew")->trigger();
        QCOMPARE(watch.seen, QStringList { "fOpravenka" });
        QVERIFY(editor.isNew);
        QCOMPARE(editor.state, DataSetState::Insert);
        QCOMPARE(editor.cislo, 1);
        QCOMPARE(editor.prijato, QDate::currentDate());
        QCOMPARE(editor.vydej, QDate::currentDate().addDays(30));
        QVERIFY(m_app->errors.messages.isEmpty());
    }

    void newTicketSortsByNumberAndKeepsTheTick()
    {
        start();
        for (int n = 1; n <= 57; ++n)
            addTicket(*m_app, n, QStringLiteral("Jméno %1").arg(58 - n, 2, 10, QLatin1Char('0')));
        control<QAction>(m_app->fMain(), "mmSortName")->trigger();
        QCOMPARE(m_app->DM()->ADOTable->Sort(), QStringLiteral("jmeno ASC"));
        QCOMPARE(gridText(*m_app, 0, 0), QStringLiteral("57"));

        EditorView editor;
        ModalWatch watch(recordEditor(*m_app, editor));
        control<QAction>(m_app->fMain(), "actNew")->trigger();
        QCOMPARE(editor.cislo, 58);
        QCOMPARE(m_app->DM()->ADOTable->Sort(), QStringLiteral("cislo ASC"));
        QCOMPARE(gridText(*m_app, 0, 0), QStringLiteral("1"));
        QCOMPARE(checkedSortItems(*m_app), QStringList { "mmSortName" });
    }

    void newNumberCountsTicketsHiddenBySearch()
    {
        start();
        addTicket(*m_app, 1, "A", {}, "351111");
        addTicket(*m_app, 9, "B", {}, "999999");
        QTest::keyClicks(findBox(), "35");
        QCOMPARE(gridRows(*m_app), 1);
        EditorView editor;
        ModalWatch watch(recordEditor(*m_app, editor));
        control<QAction>(m_app->fMain(), "actNew")->trigger();
        QCOMPARE(editor.cislo, 10);
    }

    void sortItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("sort");
        QTest::newRow("number") << "mmSortNumber"
                                << "cislo ASC";
        QTest::newRow("name") << "mmSortName"
                              << "jmeno ASC";
        QTest::newRow("device") << "mmSortMobil"
                                << "telefon ASC";
        QTest::newRow("intake") << "mmSortStart"
                                << "prijato ASC";
        QTest::newRow("due") << "mmSortEnd"
                             << "vydej ASC";
        QTest::newRow("IMEI") << "mmSortIMEI"
                              << "IMEI ASC";
    }

    void sortItems()
    {
        QFETCH(QString, item);
        QFETCH(QString, sort);
        start();
        QCOMPARE(checkedSortItems(*m_app), QStringList { "mmSortNumber" });
        auto* action = control<QMenu>(m_app->fMain(), "Popup")->findChild<QAction*>(item);
        QVERIFY(action);

        // The unticked item takes the tick; the ticked one gives it up.
        if (item != "mmSortNumber") {
            action->trigger();
            QCOMPARE(checkedSortItems(*m_app), QStringList { item });
            QCOMPARE(m_app->DM()->ADOTable->Sort(), sort);
        }
        m_app->DM()->ADOTable->setSort(QString());
        action->trigger();
        QCOMPARE(checkedSortItems(*m_app), QStringList());
        QCOMPARE(m_app->DM()->ADOTable->Sort(), sort); // the order is set in both cases
    }

    void searchNarrowsAndRestoresTheGrid()
    {
        start();
        addTicket(*m_app, 1, "A", {}, "351234567890123");
        addTicket(*m_app, 2, "B", {}, "135123456789012");
        addTicket(*m_app, 3, "C", {}, "3");
        addTicket(*m_app, 4, "D", {}, QString());
        QTest::keyClicks(findBox(), "35");
        QCOMPARE(m_app->DM()->FindText, QStringLiteral("35"));
        QCOMPARE(gridRows(*m_app), 2);
        QCOMPARE((QStringList { gridText(*m_app, 0, 0), gridText(*m_app, 1, 0) }), (QStringList { "1", "4" }));
        QTest::keyClick(findBox(), Qt::Key_Space);
        QCOMPARE(m_app->DM()->FindText, QStringLiteral("35 ")); // not trimmed
        QCOMPARE(gridRows(*m_app), 1);
        findBox()->clear();
        QCOMPARE(gridRows(*m_app), 4);
    }

    void deleteDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("Enter") << int(Qt::Key_Return) << true;
        QTest::newRow("A") << int(Qt::Key_A) << true;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
        QTest::newRow("N") << int(Qt::Key_N) << false;
    }

    void deleteDialog()
    {
        QFETCH(int, key);
        QFETCH(bool, deleted);
        start();
        addTicket(*m_app, 14, "Novák", "Nokia");
        addTicket(*m_app, 15, QString());
        m_app->DM()->ADOTable->setRecNo(1);

        QString data;
        int rightEdge = 0;
        bool openAfterOtherKey = false;
        ModalWatch watch([&](QWidget* modal) {
            auto* dialog = qobject_cast<TfDelete*>(modal);
            QVERIFY(dialog);
            data = control<QLabel>(dialog, "lbData")->text();
            rightEdge = control<QLabel>(dialog, "lbData")->geometry().right() + 1;
            QTest::keyClick(dialog, Qt::Key_X);
            QTest::keyClick(dialog, Qt::Key_Space);
            openAfterOtherKey = dialog->isVisible();
            QTest::keyClick(dialog, Qt::Key(key));
        });
        QTest::keyClick(dbGrid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(data, QStringLiteral("15:  , "));
        QCOMPARE(rightEdge, 241);
        QVERIFY(openAfterOtherKey);
        QCOMPARE(watch.seen, QStringList { "fDelete" }); // closed by the key, not by the watch
        QCOMPARE(m_app->DM()->ADOTable->RecordCount(), deleted ? 1 : 2);
    }

    void deleteOnEmptyTableReportsTheError()
    {
        start();
        QString data;
        ModalWatch watch([&](QWidget* modal) {
            data = control<QLabel>(qobject_cast<TfDelete*>(modal), "lbData")->text();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        control<QAction>(m_app->fMain(), "actDelete")->trigger();
        QCOMPARE(data, QStringLiteral(":  , "));
        QCOMPARE(m_app->errors.messages.size(), 1);
        QVERIFY2(m_app->errors.messages[0].startsWith("ADOTable: Cannot perform this operation on an empty dataset"),
            qPrintable(m_app->errors.messages[0]));
    }
};

TRELOMAR_TEST(TestTfMain)
#include "TestTfMain.moc"
