#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"

#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/controls/TDBComboBox.h"
#include "ui/controls/TDBEdit.h"
#include "ui/controls/TDBMemo.h"
#include "ui/controls/TEditMask.h"
#include "ui/controls/TFieldDataLink.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

namespace {

void addTicket(const AppFixture& app, int cislo, const QString& jmeno, qint64 cena = 0)
{
    TicketStore* table = app.DM()->ADOTable;
    table->Append();
    app.DM()->ADOTablecislo->setAsInteger(cislo);
    app.DM()->ADOTablejmeno->setAsString(jmeno);
    app.DM()->ADOTableprijato->setAsDateTime(QDate(2024, 1, 1).startOfDay());
    if (cena)
        app.DM()->ADOTablecena->setAsCurrency(cena);
    table->Post();
}

// One bound control of each kind and a plain box to move the focus to, in one active window.
struct Host
{
    QWidget window;
    TDBEdit* edit = new TDBEdit;
    TDBComboBox* combo = new TDBComboBox;
    TDBMemo* memo = new TDBMemo;
    QLineEdit* other = new QLineEdit;

    explicit Host(const AppFixture& app, const QString& editField = QStringLiteral("jmeno"))
    {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*> { edit, combo, memo, other })
            layout->addWidget(w);
        edit->setDataSource(app.DM()->DataSource);
        edit->setDataField(editField);
        combo->setDataSource(app.DM()->DataSource);
        combo->setDataField(QStringLiteral("mesto"));
        memo->setDataSource(app.DM()->DataSource);
        memo->setDataField(QStringLiteral("kompletnost"));
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("host window not active");
        leave();
    }

    // Enters a control with Tab's reason, as the keyboard would.
    static void enter(QWidget* w)
    {
        w->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void leave() { enter(other); }
};

// QTest::keyClicks takes ASCII only: Czech letters go as the text of a key.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

DataSetState state(const AppFixture& app)
{
    return app.DM()->ADOTable->State();
}

} // namespace

class TestDataControls : public QObject
{
    Q_OBJECT

private slots:
    void maskToInputMask_data();
    void maskToInputMask();
    void maskHandOver_data();
    void maskHandOver();
    void displayTextWhenUnfocused();
    void firstChangeEditsAndLeavingHandsOver();
    void refusedCharacters_data();
    void refusedCharacters();
    void lengthFromFieldSize_data();
    void lengthFromFieldSize();
    void refusedTextKeepsFocus_data();
    void refusedTextKeepsFocus();
    void maskedDateTyping_data();
    void maskedDateTyping();
    void comboCompletesKeepingTypedCase_data();
    void comboCompletesKeepingTypedCase();
    void comboKeepsTextWhenItemsReplaced();
    void comboItemChoiceStartsEdit();
    void memoEnterStartsNewLine();
    void pasteIntoOneLineBoxStopsAtLineBreak();
};

void TestDataControls::maskToInputMask_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("inputMask");
    QTest::newRow("intake date, Czech") << "cs_CZ"
                                        << "!99/99/0099;"
                                        << "00.00.9900;_";
    QTest::newRow("intake date, US") << "en_US"
                                     << "!99/99/0099;"
                                     << "00/00/9900;_";
    QTest::newRow("intake date, C locale naming months") << "C"
                                                         << "!99/99/0099;"
                                                         << "00.00.9900;_";
    QTest::newRow("own blank, literals dropped") << "cs_CZ"
                                                 << "000;0;*"
                                                 << "999;*";
    QTest::newRow("escaped literal, time separator") << "cs_CZ"
                                                     << "\\99:99"
                                                     << "\\90:00;_";
    QTest::newRow("letters and case") << "cs_CZ"
                                      << ">LL<>ca"
                                      << ">AA!xn;_";
    QTest::newRow("no mask") << "cs_CZ"
                             << ""
                             << "";
}

void TestDataControls::maskToInputMask()
{
    QFETCH(QString, locale);
    QFETCH(QString, mask);
    QFETCH(QString, inputMask);
    QCOMPARE(TEditMask(mask, QLocale(locale)).inputMask(), inputMask);
}

void TestDataControls::maskHandOver_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("fieldText");
    QTest::newRow("full") << "05.03.2025" << false << true << "05.03.2025";
    QTest::newRow("optional positions left empty") << "5_.3_.25__" << false << true << " 5. 3.  25";
    QTest::newRow("year incomplete") << "12.03.2___" << false << false << "12.03.   2";
    QTest::newRow("day and month empty") << "__.__.2025" << false << true << "  .  .2025";
    QTest::newRow("all blank") << "__.__.____" << true << false << "  .  .    ";
}

void TestDataControls::maskHandOver()
{
    QFETCH(QString, shown);
    QFETCH(bool, blank);
    QFETCH(bool, complete);
    QFETCH(QString, fieldText);
    const TEditMask mask(QStringLiteral("!99/99/0099;"), QLocale(QLocale::Czech, QLocale::Czechia));
    QCOMPARE(mask.isBlank(shown), blank);
    QCOMPARE(mask.isComplete(shown), complete);
    QCOMPARE(mask.fieldText(shown), fieldText);
}

void TestDataControls::displayTextWhenUnfocused()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"), 125000);
    Host host(app, QStringLiteral("cena"));
    QCOMPARE(host.edit->text(), app.DM()->ADOTablecena->DisplayText());
    QVERIFY(host.edit->text() != QStringLiteral("12,50"));
    Host::enter(host.edit);
    QCOMPARE(host.edit->text(), QStringLiteral("12,50"));
    QCOMPARE(host.edit->selectedText(), QStringLiteral("12,50"));
    host.leave();
    QCOMPARE(host.edit->text(), app.DM()->ADOTablecena->DisplayText());
    QCOMPARE(state(app), DataSetState::Browse);
}

void TestDataControls::firstChangeEditsAndLeavingHandsOver()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    Host host(app);
    Host::enter(host.edit);
    typeText(host.edit, QStringLiteral("Dvořák"));
    QCOMPARE(state(app), DataSetState::Edit);
    QCOMPARE(host.edit->text(), QStringLiteral("Dvořák"));
    // Until the box is left, the field keeps its value.
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Novák"));
    QVERIFY(host.edit->dataLink()->modified());
    host.leave();
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Dvořák"));
    QVERIFY(!host.edit->dataLink()->modified());
    QVERIFY(app.DM()->ADOTable->Modified());
    QVERIFY(app.errors.messages.isEmpty());
}

void TestDataControls::refusedCharacters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter in the number") << "cislo"
                                          << "12a3"
                                          << "123";
    QTest::newRow("signs in the number") << "cislo"
                                         << "-+5"
                                         << "-+5";
    QTest::newRow("decimal comma in the price") << "cena"
                                                << "12,50"
                                                << "12,50";
    QTest::newRow("full stop in the price") << "cena"
                                            << "12.5"
                                            << "125";
    QTest::newRow("letter in the price") << "cena"
                                         << "1e3"
                                         << "13";
    QTest::newRow("anything in the name") << "jmeno"
                                          << "a.1,+"
                                          << "a.1,+";
}

void TestDataControls::refusedCharacters()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    AppFixture app;
    addTicket(app, 7, QStringLiteral("Novák"));
    Host host(app, field);
    Host::enter(host.edit);
    typeText(host.edit, typed);
    QCOMPARE(host.edit->text(), shown);
}

void TestDataControls::lengthFromFieldSize_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("text field") << "adresa" << 100;
    QTest::newRow("number: no limit") << "cislo" << 32767;
}

void TestDataControls::lengthFromFieldSize()
{
    QFETCH(QString, field);
    QFETCH(int, maxLength);
    AppFixture app;
    Host host(app, field);
    QCOMPARE(host.edit->maxLength(), maxLength);
}

void TestDataControls::refusedTextKeepsFocus_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("error");
    QTest::newRow("no such date") << "vydej"
                                  << "32.13.2025"
                                  << "'32.13.2025' is not a valid date.";
    QTest::newRow("intake date without year") << "prijato"
                                              << "1203"
                                              << "'12.03.____' is not a valid date.";
    QTest::newRow("intake date, year of one digit") << "prijato"
                                                    << "12032"
                                                    << "'12.03.2___' is not a valid date.";
    QTest::newRow("number too large") << "cislo"
                                      << "99999999999"
                                      << "'99999999999' is not a valid integer value.";
}

void TestDataControls::refusedTextKeepsFocus()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, error);
    AppFixture app;
    addTicket(app, 3, QStringLiteral("Novák"));
    Host host(app, field);
    const QString before = app.DM()->ADOTable->FieldByName(field)->AsString();
    Host::enter(host.edit);
    QTest::keyClick(host.edit, Qt::Key_A, Qt::ControlModifier);
    typeText(host.edit, typed);
    host.leave();
    QCOMPARE(app.errors.messages, QStringList { error });
    QCOMPARE(QApplication::focusWidget(), host.edit);
    QCOMPARE(host.edit->selectedText(), host.edit->displayText());
    QCOMPARE(app.DM()->ADOTable->FieldByName(field)->AsString(), before);
    QCOMPARE(state(app), DataSetState::Edit);
}

void TestDataControls::maskedDateTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QDate>("stored");
    QTest::newRow("eight digits") << "05032025"
                                  << "05.03.2025" << QDate(2025, 3, 5);
    QTest::newRow("separators skip optional digits") << "5.3.2025"
                                                     << "5_.3_.2025" << QDate(2025, 3, 5);
    QTest::newRow("two-digit year") << "050325"
                                    << "05.03.25__" << QDate(2025, 3, 5);
    QTest::newRow("letters refused") << "0x5a03b2025"
                                     << "05.03.2025" << QDate(2025, 3, 5);
    QTest::newRow("blank clears") << ""
                                  << "__.__.____" << QDate();
}

void TestDataControls::maskedDateTyping()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QDate, stored);
    AppFixture app;
    addTicket(app, 3, QStringLiteral("Novák"));
    Host host(app, QStringLiteral("prijato"));
    Host::enter(host.edit);
    // Tab's entry selects the whole text, so Delete empties every position.
    QTest::keyClick(host.edit, Qt::Key_Delete);
    QTest::keyClick(host.edit, Qt::Key_Home);
    typeText(host.edit, typed);
    QCOMPARE(host.edit->displayText(), shown);
    host.leave();
    QCOMPARE(app.errors.messages, QStringList());
    QCOMPARE(app.DM()->ADOTableprijato->AsDateTime().date(), stored);
}

void TestDataControls::comboCompletesKeepingTypedCase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first town with p") << "p"
                                       << "praha"
                                       << "raha";
    QTest::newRow("typed case kept") << "PL"
                                     << "PLzeň"
                                     << "zeň";
    QTest::newRow("whole item typed") << "Brno"
                                      << "Brno"
                                      << "";
    QTest::newRow("no item") << "x"
                             << "x"
                             << "";
}

void TestDataControls::comboCompletesKeepingTypedCase()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    Host host(app);
    host.combo->addItems(
        { QStringLiteral("Brno"), QStringLiteral("Praha"), QStringLiteral("Plzeň"), QStringLiteral("Písek") });
    Host::enter(host.combo);
    typeText(host.combo, typed);
    QCOMPARE(host.combo->currentText(), text);
    QCOMPARE(host.combo->lineEdit()->selectedText(), selected);
    QTest::keyClick(host.combo, Qt::Key_Return);
    QCOMPARE(host.combo->currentText(), text);
    QCOMPARE(host.combo->count(), 4);
    host.leave();
    QCOMPARE(app.DM()->ADOTablemesto->AsString(), text);
}

void TestDataControls::comboKeepsTextWhenItemsReplaced()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    Host host(app);
    host.combo->addItems({ QStringLiteral("Brno"), QStringLiteral("Praha") });
    QCOMPARE(host.combo->currentText(), QString());
    app.DM()->ADOTable->Edit();
    app.DM()->ADOTablemesto->setAsString(QStringLiteral("Kolín"));
    host.combo->clear();
    host.combo->addItems({ QStringLiteral("Ostrava") });
    QCOMPARE(host.combo->currentText(), QStringLiteral("Kolín"));
    QCOMPARE(app.DM()->ADOTablemesto->AsString(), QStringLiteral("Kolín"));
}

void TestDataControls::comboItemChoiceStartsEdit()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    Host host(app);
    host.combo->addItems({ QStringLiteral("Brno"), QStringLiteral("Praha") });
    Host::enter(host.combo);
    QTest::keyClick(host.combo, Qt::Key_Down);
    QCOMPARE(state(app), DataSetState::Edit);
    QVERIFY(host.combo->dataLink()->modified());
    host.leave();
    QCOMPARE(app.DM()->ADOTablemesto->AsString(), host.combo->currentText());
    QVERIFY(!app.DM()->ADOTablemesto->AsString().isEmpty());
}

void TestDataControls::memoEnterStartsNewLine()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    Host host(app);
    Host::enter(host.memo);
    typeText(host.memo, QStringLiteral("nabíječka"));
    QTest::keyClick(host.memo, Qt::Key_Return);
    typeText(host.memo, QStringLiteral("kryt"));
    QTest::keyClick(host.memo, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), host.other);
    QCOMPARE(app.DM()->ADOTablekompletnost->AsString(), QStringLiteral("nabíječka\nkryt"));
}

// A one-line box takes a pasted text up to its first line break, in the
// middle of what it holds too; the memo takes it whole.
void TestDataControls::pasteIntoOneLineBoxStopsAtLineBreak()
{
    AppFixture app;
    addTicket(app, 1, QStringLiteral("Novák"));
    Host host(app);
    const auto paste = [](QWidget* box, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        Host::enter(box);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    };
    paste(host.edit, QStringLiteral("Eva\r\nDvořák"));
    QCOMPARE(host.edit->text(), QStringLiteral("Eva"));
    host.edit->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("va\nx"));
    QTest::keyClick(host.edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(host.edit->text(), QStringLiteral("Evava"));
    QCOMPARE(host.edit->cursorPosition(), 3);
    paste(host.combo, QStringLiteral("Brno\nPraha"));
    QCOMPARE(host.combo->currentText(), QStringLiteral("Brno"));
    paste(host.memo, QStringLiteral("kryt\nbaterie"));
    host.leave();
    QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Evava"));
    QCOMPARE(app.DM()->ADOTablemesto->AsString(), QStringLiteral("Brno"));
    QCOMPARE(app.DM()->ADOTablekompletnost->AsString(), QStringLiteral("kryt\nbaterie"));
}

TRELOMAR_TEST(TestDataControls)
#include "TestDataControls.moc"
