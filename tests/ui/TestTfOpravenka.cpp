#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"

#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/controls/TDBComboBox.h"
#include "ui/controls/TDBEdit.h"
#include "ui/controls/TDBMemo.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace {

void addTicket(const AppFixture& app, int cislo, const QString& jmeno, const QString& imei = QString())
{
    TicketStore* table = app.DM()->ADOTable;
    table->Append();
    app.DM()->ADOTablecislo->setAsInteger(cislo);
    app.DM()->ADOTablejmeno->setAsString(jmeno);
    app.DM()->ADOTableIMEI->setAsString(imei);
    table->Post();
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// QTest::keyClicks takes ASCII only: Czech letters go as the text of a key.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Enters a box as Tab would and types into it.
void type(QWidget* box, const QString& text)
{
    box->setFocus(Qt::TabFocusReason);
    typeText(QApplication::focusWidget(), text);
}

// No default printer (nothing is printed) or the PDF printer of the tests.
bool printingIsHarmless()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return true;
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), { QStringLiteral("-v"), printer.printerName() });
    return lpstat.waitForFinished() && lpstat.readAllStandardOutput().contains("cups-pdf:");
}

DataSetState state(const AppFixture& app)
{
    return app.DM()->ADOTable->State();
}

} // namespace

class TestTfOpravenka : public QObject
{
    Q_OBJECT

private slots:
    void windowLook();
    void tabOrderSelectsWholeText();
    void newTicketStoredByF2();
    void leavingWithoutStoring_data();
    void leavingWithoutStoring();
    void changedTicketStoredInNumberOrder_data();
    void changedTicketStoredInNumberOrder();
    void unchangedTicketStoresNothing();
    void changedTicketWithoutNameStored();
    void editOnEmptyTable();
    void newTicketWithoutName_data();
    void newTicketWithoutName();
    void nameStillInItsBoxCounts();
    void refusedBoxEndsOK();
    void printKeepsTicketPending();
    void languageTextsAndTitles();
    void imeiCheckHint();
    void imeiCheckHintInTheStartLanguage();
};

void TestTfOpravenka::windowLook()
{
    AppFixture app;
    QCOMPARE(app.fOpravenka()->size(), QSize(353, 383));
    QCOMPARE(app.fOpravenka()->minimumSize(), app.fOpravenka()->maximumSize());
    // Captions are never cut off.
    for (QLabel* label : app.fOpravenka()->findChildren<QLabel*>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
    QCOMPARE(control<QToolButton>(app.fOpravenka(), "spbtOK")->text(), QStringLiteral("&OK  F2"));
    // The buttons take no focus, so the value of the focused box stays in it until stored.
    for (QToolButton* button :
        { control<QToolButton>(app.fOpravenka(), "spbtOK"), control<QToolButton>(app.fOpravenka(), "spbtTisk") })
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    QCOMPARE(control<TDBComboBox>(app.fOpravenka(), "dbcomboDruh")->count(), 2);
    QCOMPARE(control<TDBComboBox>(app.fOpravenka(), "dbcomboDruh")->itemText(1), QStringLiteral("pozáruční"));
}

void TestTfOpravenka::tabOrderSelectsWholeText()
{
    AppFixture app;
    addTicket(app, 5, QStringLiteral("Novák"), QStringLiteral("35123"));
    QStringList order;
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        for (int i = 0; i < 15; ++i) {
            QWidget* focus = QApplication::focusWidget();
            order << focus->objectName();
            if (auto* edit = qobject_cast<QLineEdit*>(focus))
                QVERIFY2(edit->selectedText() == edit->displayText(), qPrintable(focus->objectName()));
            press(Qt::Key_Tab);
        }
        press(Qt::Key_F2);
    }));
    QCOMPARE(order,
        QStringList({ "dbedCislo", "dbedJmeno", "dbedAdresa", "dbcomboMesto", "dbedTel", "dbedTechnik", "dbcomboDruh",
            "dbcomboMobil", "dbedIMEI", "dbmemKomplet", "dbedVada", "dbedCena", "dbedPrijem", "dbedVydej",
            "dbedCislo" }));
    QCOMPARE(state(app), DataSetState::Browse);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfOpravenka::newTicketStoredByF2()
{
    AppFixture app;
    AppFixture::writeFile(app.path("data/mesta.txt"), "Brno\r\nPraha\r\nPlzeň\r\n");
    app.fMain()->LoadCombo();
    QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
        QCOMPARE(QApplication::focusWidget(), control<TDBEdit>(app.fOpravenka(), "dbedCislo"));
        QCOMPARE(control<TDBEdit>(app.fOpravenka(), "dbedCislo")->selectedText(), QStringLiteral("1"));
        QCOMPARE(app.fOpravenka()->windowTitle(), app.fMain()->NewTitle());
        QCOMPARE(app.fOpravenka()->StartBookmark, TBookmark(0));
        QCOMPARE(
            control<TDBEdit>(app.fOpravenka(), "dbedPrijem")->text(), QLocale().toString(QDate::currentDate(), "dd.MM.yyyy"));
        press(Qt::Key_Tab);
        typeText(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QStringLiteral("Novák"));
        type(control<TDBComboBox>(app.fOpravenka(), "dbcomboMesto"), QStringLiteral("p"));
        QCOMPARE(control<TDBComboBox>(app.fOpravenka(), "dbcomboMesto")->currentText(), QStringLiteral("praha"));
        QCOMPARE(control<TDBComboBox>(app.fOpravenka(), "dbcomboMesto")->lineEdit()->selectedText(), QStringLiteral("raha"));
        press(Qt::Key_F2);
    }));
    QCOMPARE(app.fOpravenka()->result(), int(QDialog::Accepted));
    QCOMPARE(state(app), DataSetState::Browse);
    QCOMPARE(app.DM()->ADOTable->RecordCount(), 1);
    QCOMPARE(app.DM()->ADOTablecislo->AsInteger(), 1);
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Novák"));
    QCOMPARE(app.DM()->ADOTablemesto->AsString(), QStringLiteral("praha"));
    QCOMPARE(app.DM()->ADOTablevydej->AsDateTime().date(), QDate::currentDate().addDays(app.fMain()->DayInc()));
}

void TestTfOpravenka::leavingWithoutStoring_data()
{
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<int>("how"); // 0 Esc, 1 Shift+Esc, 2 the close box
    QTest::newRow("new, Esc") << true << 0;
    QTest::newRow("new, Shift+Esc") << true << 1;
    QTest::newRow("new, close box") << true << 2;
    QTest::newRow("changed, Esc") << false << 0;
    QTest::newRow("changed, close box") << false << 2;
}

void TestTfOpravenka::leavingWithoutStoring()
{
    QFETCH(bool, isNew);
    QFETCH(int, how);
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    QVERIFY(app.inEditor(isNew ? &TfMain::actNewExecute : &TfMain::actEditExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QStringLiteral("Dvořák"));
        press(Qt::Key_Tab);
        if (how == 2)
            app.fOpravenka()->close();
        else
            press(Qt::Key_Escape, how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
    }));
    QCOMPARE(app.fOpravenka()->result(), int(QDialog::Rejected));
    QCOMPARE(state(app), DataSetState::Browse);
    QCOMPARE(app.DM()->ADOTable->RecordCount(), 1);
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Novák"));
}

void TestTfOpravenka::changedTicketStoredInNumberOrder_data()
{
    QTest::addColumn<int>("how"); // 0 F2, 1 Shift+F2, 2 Alt+O, 3 a click on OK
    QTest::newRow("F2") << 0;
    QTest::newRow("Shift+F2") << 1;
    QTest::newRow("Alt+O") << 2;
    QTest::newRow("click") << 3;
}

void TestTfOpravenka::changedTicketStoredInNumberOrder()
{
    QFETCH(int, how);
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Zeman"));
    addTicket(app, 2, QStringLiteral("Adam"));
    addTicket(app, 3, QStringLiteral("Malý"));
    app.DM()->ADOTable->setSort(QStringLiteral("jmeno ASC"));
    app.DM()->ADOTable->setRecNo(0);
    QCOMPARE(app.DM()->ADOTablecislo->AsInteger(), 2);
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("35123"));
        if (how == 0 || how == 1)
            press(Qt::Key_F2, how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
        else if (how == 2)
            press(Qt::Key_O, Qt::AltModifier);
        else
            QTest::mouseClick(control<QToolButton>(app.fOpravenka(), "spbtOK"), Qt::LeftButton);
        QTRY_VERIFY(!app.fOpravenka()->isVisible());
    }));
    QCOMPARE(QApplication::focusWidget() == control<QToolButton>(app.fOpravenka(), "spbtOK"), false);
    QCOMPARE(app.DM()->ADOTable->Sort(), QStringLiteral("cislo ASC"));
    QCOMPARE(app.DM()->ADOTable->RecNo(), 1);
    QCOMPARE(app.DM()->ADOTablecislo->AsInteger(), 2);
    QCOMPARE(app.DM()->ADOTableIMEI->AsString(), QStringLiteral("35123"));
    QCOMPARE(state(app), DataSetState::Browse);
}

void TestTfOpravenka::unchangedTicketStoresNothing()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Zeman"));
    addTicket(app, 2, QStringLiteral("Adam"));
    app.DM()->ADOTable->setSort(QStringLiteral("jmeno ASC"));
    app.DM()->ADOTable->setRecNo(1);
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        QCOMPARE(app.fOpravenka()->StartBookmark, app.DM()->ADOTable->GetBookmark());
        for (int i = 0; i < 14; ++i)
            press(Qt::Key_Tab);
        press(Qt::Key_F2);
    }));
    // A post would have put the table back into number order.
    QCOMPARE(app.DM()->ADOTable->Sort(), QStringLiteral("jmeno ASC"));
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Zeman"));
    QCOMPARE(state(app), DataSetState::Browse);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfOpravenka::changedTicketWithoutNameStored()
{
    AppFixture app;
    addTicket(app, 1, QString());
    app.DM()->ADOTable->setSort(QStringLiteral("jmeno ASC"));
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedVada"), QStringLiteral("displej"));
        press(Qt::Key_F2);
    }));
    QCOMPARE(state(app), DataSetState::Browse);
    QCOMPARE(app.DM()->ADOTablevada->AsString(), QStringLiteral("displej"));
    QCOMPARE(app.DM()->ADOTable->Sort(), QStringLiteral("cislo ASC"));
}

void TestTfOpravenka::editOnEmptyTable()
{
    AppFixture app;
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        QCOMPARE(app.fOpravenka()->StartBookmark, TBookmark(0));
        for (auto* box : app.fOpravenka()->findChildren<TDBEdit*>())
            QVERIFY(box->text().isEmpty() || box == control<TDBEdit>(app.fOpravenka(), "dbedPrijem"));
        QCOMPARE(control<TDBEdit>(app.fOpravenka(), "dbedPrijem")->displayText(), QStringLiteral("__.__.____"));
        QCOMPARE(state(app), DataSetState::Browse);
        type(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QStringLiteral("Jan"));
        QCOMPARE(state(app), DataSetState::Insert);
        QVERIFY(app.DM()->ADOTablecislo->IsNull());
        press(Qt::Key_F2);
    }));
    QCOMPARE(app.DM()->ADOTable->RecordCount(), 1);
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Jan"));
    QVERIFY(app.DM()->ADOTablecislo->IsNull());
    QVERIFY(app.DM()->ADOTableprijato->IsNull());
}

void TestTfOpravenka::newTicketWithoutName_data()
{
    QTest::addColumn<bool>("typed");
    QTest::newRow("untouched") << false;
    QTest::newRow("typed into") << true;
}

void TestTfOpravenka::newTicketWithoutName()
{
    QFETCH(bool, typed);
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
        if (typed) {
            type(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("35123"));
            press(Qt::Key_F2);
            // Nothing typed is lost: the editor waits for a name.
            QVERIFY(app.fOpravenka()->isVisible());
            QCOMPARE(QApplication::focusWidget(), control<TDBEdit>(app.fOpravenka(), "dbedJmeno"));
            QCOMPARE(state(app), DataSetState::Insert);
            QCOMPARE(app.DM()->ADOTableIMEI->AsString(), QStringLiteral("35123"));
            press(Qt::Key_Escape);
        } else {
            press(Qt::Key_F2);
        }
    }));
    QCOMPARE(state(app), DataSetState::Browse);
    QCOMPARE(app.DM()->ADOTable->RecordCount(), 1);
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Novák"));
}

void TestTfOpravenka::nameStillInItsBoxCounts()
{
    AppFixture app;
    QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QStringLiteral("Jan"));
        QCOMPARE(QApplication::focusWidget(), control<TDBEdit>(app.fOpravenka(), "dbedJmeno"));
        press(Qt::Key_F2);
    }));
    QCOMPARE(app.DM()->ADOTable->RecordCount(), 1);
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Jan"));
}

void TestTfOpravenka::refusedBoxEndsOK()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedVydej"), QStringLiteral("99.99.2025"));
        type(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QString());
        QCOMPARE(QApplication::focusWidget(), control<TDBEdit>(app.fOpravenka(), "dbedVydej"));
        app.errors.messages.clear();
        press(Qt::Key_F2);
        QCOMPARE(app.errors.messages, QStringList { "'99.99.2025' is not a valid date." });
        QVERIFY(app.fOpravenka()->isVisible());
        QCOMPARE(state(app), DataSetState::Edit);
        QCOMPARE(QApplication::focusWidget(), control<TDBEdit>(app.fOpravenka(), "dbedVydej"));
        press(Qt::Key_Escape);
    }));
    QCOMPARE(state(app), DataSetState::Browse);
    QVERIFY(app.DM()->ADOTablevydej->IsNull());
}

void TestTfOpravenka::printKeepsTicketPending()
{
    if (!printingIsHarmless())
        QSKIP("the default printer is a real one: not printing on it");
    AppFixture app;
    QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QStringLiteral("Jan"));
        press(Qt::Key_F7);
        QVERIFY(app.fOpravenka()->isVisible());
        QCOMPARE(state(app), DataSetState::Insert);
        // What the focused box shows is what the sheet shows.
        QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Jan"));
        // The print progress window may have taken the activation.
        app.fOpravenka()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.fOpravenka()));
        QCOMPARE(QApplication::focusWidget(), control<TDBEdit>(app.fOpravenka(), "dbedJmeno"));
        press(Qt::Key_Escape);
    }));
    QCOMPARE(app.DM()->ADOTable->RecordCount(), 0);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfOpravenka::languageTextsAndTitles()
{
    AppFixture app;
    QStringList texts;
    for (int i = 0; i < 17; ++i)
        texts << QStringLiteral("T%1").arg(i);
    app.fMain()->EditTexts() = texts;
    app.fOpravenka()->ApplyLangTexts();
    QCOMPARE(control<QLabel>(app.fOpravenka(), "lbCislo")->text(), QStringLiteral("Evidenční číslo"));
    app.fMain()->EditTexts() << QStringLiteral("T17");
    app.fOpravenka()->ApplyLangTexts();
    QCOMPARE(control<QLabel>(app.fOpravenka(), "lbCislo")->text(), QStringLiteral("T0"));
    QCOMPARE(control<QLabel>(app.fOpravenka(), "lbVydej")->text(), QStringLiteral("T13"));
    QCOMPARE(control<QToolButton>(app.fOpravenka(), "spbtTisk")->text(), QStringLiteral("T14"));
    QCOMPARE(control<QToolButton>(app.fOpravenka(), "spbtOK")->text(), QStringLiteral("T15"));
    QCOMPARE(
        control<QLabel>(app.fOpravenka(), "lbVydej")->width(), control<QLabel>(app.fOpravenka(), "lbVydej")->sizeHint().width());

    QStringList titles;
    auto noteTitle = [&] {
        titles << app.fOpravenka()->windowTitle();
        press(Qt::Key_Escape);
    };
    app.fMain()->NewTitle().clear();
    app.fMain()->EditTitle().clear();
    QVERIFY(app.inEditor(&TfMain::actNewExecute, noteTitle));
    QVERIFY(app.inEditor(&TfMain::actEditExecute, noteTitle));
    app.fMain()->NewTitle() = QStringLiteral("Nová opravenka");
    app.fMain()->EditTitle() = QStringLiteral("Oprava opravenky");
    QVERIFY(app.inEditor(&TfMain::actNewExecute, noteTitle));
    QVERIFY(app.inEditor(&TfMain::actEditExecute, noteTitle));
    QCOMPARE(titles, QStringList({ "", "", "Nová opravenka", "Oprava opravenky" }));
}

void TestTfOpravenka::imeiCheckHint()
{
    SKIP_UNLESS_FUSION();
    AppFixture app;
    const QString czech = QStringLiteral("Neplatná kontrolní číslice IMEI");
    const QRect imeiBox = control<TDBEdit>(app.fOpravenka(), "dbedIMEI")->geometry();
    const QString shipped = qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/");
    QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedJmeno"), QStringLiteral("Jan"));
        type(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("49015420323751"));
        QVERIFY(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->text().isEmpty());
        typeText(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("9"));
        QCOMPARE(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->text(), czech);
        // A hint beside the caption: inside the window, clear of the box, no focus.
        const QRect hint = control<QLabel>(app.fOpravenka(), "lbImeiCheck")->geometry();
        QVERIFY(!hint.intersects(imeiBox));
        QVERIFY(app.fOpravenka()->rect().contains(hint));
        QCOMPARE(hint.right(), imeiBox.right());
        QVERIFY(hint.left() > control<QLabel>(app.fOpravenka(), "lbIMEI")->geometry().right() + 4);
        QCOMPARE(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->focusPolicy(), Qt::NoFocus);

        app.fMain()->ApplyLang(shipped + QStringLiteral("en.lng"));
        QCOMPARE(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->text(), QStringLiteral("IMEI check digit does not match"));
        QVERIFY(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->x()
            > control<QLabel>(app.fOpravenka(), "lbIMEI")->geometry().right() + 4);
        press(Qt::Key_Backspace);
        typeText(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("8"));
        QVERIFY(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->text().isEmpty());
        press(Qt::Key_Backspace);
        typeText(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("9"));
        app.fMain()->ApplyLang(shipped + QStringLiteral("cs.lng"));
        press(Qt::Key_F2); // a hint, never a refusal
    }));
    QCOMPARE(app.DM()->ADOTableIMEI->AsString(), QStringLiteral("490154203237519"));
    // Shown again when the stored ticket is opened.
    QVERIFY(app.inEditor(&TfMain::actEditExecute, [&] {
        QCOMPARE(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->text(), czech);
        press(Qt::Key_Escape);
    }));
}

// An English language file of the earlier program, without the texts of
// later features, gives the hint in English from the first start on.
void TestTfOpravenka::imeiCheckHintInTheStartLanguage()
{
    AppFixture::Options options;
    options.beforeStart = [](const QString& dir) {
        QFile shipped(qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/en.lng"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QByteArray english = shipped.readAll();
        AppFixture::writeFile(dir + QStringLiteral("/lang/default.lng"), english.left(english.indexOf("<extra>")));
    };
    AppFixture app(options);
    QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
        type(control<TDBEdit>(app.fOpravenka(), "dbedIMEI"), QStringLiteral("490154203237519"));
        QCOMPARE(control<QLabel>(app.fOpravenka(), "lbImeiCheck")->text(), QStringLiteral("IMEI check digit does not match"));
        press(Qt::Key_Escape);
    }));
}

TRELOMAR_TEST(TestTfOpravenka)
#include "TestTfOpravenka.moc"
