#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/SetupWindowTest.h"

#include "base/TextList.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include <optional>

class TestTfSetup : public QObject
{
    Q_OBJECT

private slots:
    void designAndTabOrder();
    void anchorsOnResize();
    void labelsGrowToTheLeft();
    void showLoadsDeviceTypesAndDays();
    void showWithUnreadableDeviceTypes();
    void listButtonsReloadFromDisk();
    void saveWritesLineBreaks_data();
    void saveWritesLineBreaks();
    void repairDays_data();
    void repairDays();
    void saveFailureKeepsWindowOpen();
    void escapeWritesNothing_data();
    void escapeWritesNothing();
    void f2SavesThroughExec();
    void everyWayOfClosingEndsTheShowing();
    void closingReloadsEditorLists_data();
    void closingReloadsEditorLists();
};

void TestTfSetup::designAndTabOrder()
{
    AppFixture app;
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentText(), QStringLiteral("Default"));

    // Tab runs memEdit, edProdleva, comboLang; clicking a button keeps the focus.
    showSetup(app);
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setFocus();
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtTisk"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), control<QPlainTextEdit>(app.fSetup(), "memEdit"));
    QTest::keyClick(control<QPlainTextEdit>(app.fSetup(), "memEdit"), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), control<QLineEdit>(app.fSetup(), "edProdleva"));
    QTest::keyClick(control<QLineEdit>(app.fSetup(), "edProdleva"), Qt::Key_Tab);
    QTRY_VERIFY(control<QComboBox>(app.fSetup(), "comboLang")->isAncestorOf(QApplication::focusWidget())
        || QApplication::focusWidget() == control<QComboBox>(app.fSetup(), "comboLang"));
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetup::anchorsOnResize()
{
    AppFixture app;
    showSetup(app);
    app.fSetup()->resize(547, 346);
    const QRect label = control<QLabel>(app.fSetup(), "lbJazyk")->geometry();
    const QRect days = control<QLabel>(app.fSetup(), "lbProdleva")->geometry();

    app.fSetup()->resize(547 + 200, 346 + 100);
    // The text grows with the window; the buttons at the foot and the boxes below it follow the corner.
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->geometry(), QRect(96, 0, 451 + 200, 313 + 100));
    QCOMPARE(control<QToolButton>(app.fSetup(), "spbtExit")->geometry(), QRect(6, 412, 84, 25));
    QCOMPARE(control<QLabel>(app.fSetup(), "lbJazyk")->geometry(), label.translated(200, 100));
    QCOMPARE(control<QLabel>(app.fSetup(), "lbProdleva")->geometry(), days.translated(200, 100));
    QCOMPARE(
        control<QLabel>(app.fSetup(), "lbJazyk")->geometry().right() + 1, control<QComboBox>(app.fSetup(), "comboLang")->x() - 4);
    QCOMPARE(control<QLabel>(app.fSetup(), "lbProdleva")->geometry().right() + 1,
        control<QLineEdit>(app.fSetup(), "edProdleva")->x() - 4);

    // The window cannot be made smaller than its design size.
    app.fSetup()->resize(300, 200);
    QCOMPARE(app.fSetup()->size(), QSize(547, 346));
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetup::labelsGrowToTheLeft()
{
    AppFixture app;
    const QRect before = control<QLabel>(app.fSetup(), "lbProdleva")->geometry();

    app.fMain()->SettingsTexts() = QStringList(15, QStringLiteral("x"));
    app.fMain()->SettingsTexts()[6] = "Program settings";
    app.fMain()->SettingsTexts()[11] = "Save";
    app.fMain()->SettingsTexts()[13] = "Number of days for a repair, at most:";
    app.fMain()->SettingsTexts()[14] = "L:";
    app.fSetup()->ApplyLangTexts();

    QCOMPARE(app.fSetup()->windowTitle(), QStringLiteral("Program settings"));
    QCOMPARE(control<QToolButton>(app.fSetup(), "spbtSave")->text(), QStringLiteral("Save"));
    QCOMPARE(control<QLabel>(app.fSetup(), "lbJazyk")->text(), QStringLiteral("L:"));
    const QRect after = control<QLabel>(app.fSetup(), "lbProdleva")->geometry();
    QCOMPARE(after.right(), before.right());
    QVERIFY(after.left() < before.left());
    QCOMPARE(
        control<QLabel>(app.fSetup(), "lbJazyk")->geometry().right() + 1, control<QComboBox>(app.fSetup(), "comboLang")->x() - 4);

    // A list too short changes nothing.
    app.fMain()->SettingsTexts() = QStringList(14, QStringLiteral("short"));
    app.fSetup()->ApplyLangTexts();
    QCOMPARE(app.fSetup()->windowTitle(), QStringLiteral("Program settings"));
}

void TestTfSetup::showLoadsDeviceTypesAndDays()
{
    AppFixture app({ .beforeStart = [](const QString& dir) {
        AppFixture::writeFile(dir + "/data/mobil.txt", "Nokia\rSiemens\nAlcatel\r\n\r\nLast");
    } });
    app.fMain()->DayInc() = -7;
    control<QToolButton>(app.fSetup(), "spbtTisk")->setChecked(true);
    showSetup(app);
    QCOMPARE(
        control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QStringLiteral("Nokia\nSiemens\nAlcatel\n\nLast"));
    QCOMPARE(control<QLineEdit>(app.fSetup(), "edProdleva")->text(), QStringLiteral("-7"));
    QVERIFY(control<QToolButton>(app.fSetup(), "spbtMobily")->isChecked());
    QVERIFY(!control<QToolButton>(app.fSetup(), "spbtTisk")->isChecked());
    QCOMPARE(app.fSetup()->button2path(), app.fMain()->PathMobil());
    QVERIFY(app.errors.messages.isEmpty());
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetup::showWithUnreadableDeviceTypes()
{
    AppFixture app({ .beforeStart = writeLanguages });
    app.fMain()->DayInc() = 12;
    QVERIFY(QFile::remove(app.fMain()->PathMobil()));
    QVERIFY(QDir().mkpath(app.fMain()->PathMobil())); // a folder cannot be read as a file
    control<QToolButton>(app.fSetup(), "spbtFirma")->setChecked(true);
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("left over");
    showSetup(app);

    QCOMPARE(app.errors.messages, QStringList { "Cannot open file " + QDir::toNativeSeparators(app.fMain()->PathMobil()) + "." });
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QString());
    QCOMPARE(control<QLineEdit>(app.fSetup(), "edProdleva")->text(), QStringLiteral("12"));
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->count(), 3);
    QVERIFY(control<QToolButton>(app.fSetup(), "spbtMobily")->isChecked());
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetup::listButtonsReloadFromDisk()
{
    AppFixture app({ .beforeStart = [](const QString& dir) {
        AppFixture::writeFile(dir + "/data/mobil.txt", "Nokia\r\n");
        AppFixture::writeFile(dir + "/data/mesta.txt", "Praha\r\nBrno\r\n");
    } });
    showSetup(app);

    // Clicking the pressed button reloads its file and drops the edits.
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("typed");
    AppFixture::writeFile(app.fMain()->PathMobil(), "Nokia\r\nSiemens\r\n");
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtMobily"), Qt::LeftButton);
    QVERIFY(control<QToolButton>(app.fSetup(), "spbtMobily")->isChecked());
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QStringLiteral("Nokia\nSiemens\n"));

    // Switching lists drops unsaved text, and the group stays exclusive.
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("typed");
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtMesta"), Qt::LeftButton);
    QVERIFY(control<QToolButton>(app.fSetup(), "spbtMesta")->isChecked());
    QVERIFY(!control<QToolButton>(app.fSetup(), "spbtMobily")->isChecked());
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QStringLiteral("Praha\nBrno\n"));
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtMobily"), Qt::LeftButton);
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QStringLiteral("Nokia\nSiemens\n"));

    // A missing file gives an empty box; Save then creates it.
    QVERIFY(QFile::remove(app.fMain()->PathTisk()));
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtTisk"), Qt::LeftButton);
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QString());
    QCOMPARE(app.fSetup()->button2path(), app.fMain()->PathTisk());
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("Záruka 24 měsíců");
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtSave"), Qt::LeftButton);
    QCOMPARE(contents(app.fMain()->PathTisk()), QString("Záruka 24 měsíců").toUtf8());
    QVERIFY(!app.fSetup()->isVisible());
    QCOMPARE(app.fSetup()->result(), int(QDialog::Accepted));
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetup::saveWritesLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("empty box") << QString() << QByteArray();
    QTest::newRow("no final break") << "a\nb" << QByteArray("a\r\nb");
    QTest::newRow("final break") << "a\nb\n" << QByteArray("a\r\nb\r\n");
    QTest::newRow("only a break") << "\n" << QByteArray("\r\n");
    QTest::newRow("empty lines kept") << "a\n\n\nb" << QByteArray("a\r\n\r\n\r\nb");
    QTest::newRow("non-breaking space kept") << QString::fromUtf8("1\u00a0000 K\u010d")
                                             << QByteArray("1\xc2\xa0"
                                                           "000 K\xc4\x8d");
    QTest::newRow("line separator") << QString::fromUtf8("a\u2028b") << QByteArray("a\r\nb");
    QTest::newRow("blanks and tabs kept") << " a\t \n" << QByteArray(" a\t \r\n");
}

void TestTfSetup::saveWritesLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, file);
    AppFixture app;
    showSetup(app);
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText(text);
    app.fSetup()->spbtSaveClick();
    QCOMPARE(contents(app.fMain()->PathMobil()), file);
    // What was saved loads back as it was typed.
    showSetup(app);
    QCOMPARE(app.fSetup()->memText(), QString::fromUtf8(file));
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetup::repairDays_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("days");
    QTest::newRow("45") << "45" << 45;
    QTest::newRow("blanks before") << "   45" << 45;
    QTest::newRow("blank after") << "45 " << 30;
    QTest::newRow("empty") << "" << 30;
    QTest::newRow("letters") << "abc" << 30;
    QTest::newRow("digits then letters") << "4x" << 30;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("plus") << "+8" << 8;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("blank inside sign") << "- 5" << 30;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483648LL);
    QTest::newRow("too large") << "2147483648" << 30;
    QTest::newRow("far too large") << "99999999999999999999999" << 30;
    QTest::newRow("tab before") << "\t45" << 30;
    QTest::newRow("hexadecimal") << "0x2D" << 30;
}

void TestTfSetup::repairDays()
{
    QFETCH(QString, text);
    AppFixture app;
    app.fMain()->DayInc() = 99;
    showSetup(app);
    control<QLineEdit>(app.fSetup(), "edProdleva")->setText(text);
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtSave"), Qt::LeftButton);
    QTEST(app.fMain()->DayInc(), "days");
}

void TestTfSetup::saveFailureKeepsWindowOpen()
{
    AppFixture app({ .beforeStart = writeLanguages });
    app.fMain()->DayInc() = 30;
    showSetup(app);
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(0);
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtMesta"), Qt::LeftButton);
    QVERIFY(QFile::remove(app.fMain()->PathMesta()));
    QVERIFY(QDir().mkpath(app.fMain()->PathMesta())); // a folder where the file should go
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("Praha\nBrno");
    control<QLineEdit>(app.fSetup(), "edProdleva")->setText("10");

    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setFocus();
    QTest::keyClick(control<QPlainTextEdit>(app.fSetup(), "memEdit"), Qt::Key_F2);
    QCOMPARE(app.errors.messages, QStringList { "Cannot create file " + QDir::toNativeSeparators(app.fMain()->PathMesta()) + "." });
    QVERIFY(app.fSetup()->isVisible());
    QCOMPARE(control<QPlainTextEdit>(app.fSetup(), "memEdit")->toPlainText(), QStringLiteral("Praha\nBrno"));
    QCOMPARE(app.fMain()->DayInc(), 30);
    QCOMPARE(contents(app.fMain()->PathDefaultLng()), QByteArray("old default\n"));
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetup::escapeWritesNothing_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Esc") << Qt::KeyboardModifiers();
    QTest::newRow("Shift+Esc") << Qt::KeyboardModifiers(Qt::ShiftModifier);
}

void TestTfSetup::escapeWritesNothing()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    AppFixture app(
        { .beforeStart = [](const QString& dir) { AppFixture::writeFile(dir + "/data/mobil.txt", "Nokia\n"); } });
    app.fMain()->DayInc() = 21;
    std::optional<int> result;
    whenModalShown([&](QWidget* modal) {
        QCOMPARE(modal, app.fSetup());
        QTest::keyClicks(control<QPlainTextEdit>(app.fSetup(), "memEdit"), "Siemens");
        control<QLineEdit>(app.fSetup(), "edProdleva")->setText("5");
        control<QLineEdit>(app.fSetup(), "edProdleva")->setFocus();
        QTest::keyClick(control<QLineEdit>(app.fSetup(), "edProdleva"), Qt::Key_Escape, modifiers);
    });
    result = app.fSetup()->exec();
    QCOMPARE(*result, int(QDialog::Rejected));
    QCOMPARE(contents(app.fMain()->PathMobil()), QByteArray("Nokia\n"));
    QCOMPARE(app.fMain()->DayInc(), 21);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetup::f2SavesThroughExec()
{
    AppFixture app;
    whenModalShown([&](QWidget*) {
        control<QPlainTextEdit>(app.fSetup(), "memEdit")->setFocus();
        QTest::keyClicks(control<QPlainTextEdit>(app.fSetup(), "memEdit"), "Nokia 3310");
        control<QLineEdit>(app.fSetup(), "edProdleva")->setText("14");
        // Modifiers are not looked at, and the box keeps the key too.
        QTest::keyClick(control<QPlainTextEdit>(app.fSetup(), "memEdit"), Qt::Key_F2, Qt::ControlModifier);
    });
    QCOMPARE(app.fSetup()->exec(), int(QDialog::Accepted));
    QCOMPARE(contents(app.fMain()->PathMobil()), QByteArray("Nokia 3310"));
    QCOMPARE(app.fMain()->DayInc(), 14);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetup::everyWayOfClosingEndsTheShowing()
{
    AppFixture app;
    // Close writes nothing and keeps the days.
    app.fMain()->DayInc() = 30;
    showSetup(app);
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("typed");
    control<QLineEdit>(app.fSetup(), "edProdleva")->setText("3");
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtExit"), Qt::LeftButton);
    QVERIFY(!app.fSetup()->isVisible());
    QCOMPARE(app.fSetup()->result(), int(QDialog::Accepted));
    QCOMPARE(contents(app.fMain()->PathMobil()), QByteArray());
    QCOMPARE(app.fMain()->DayInc(), 30);

    // The title bar's close box.
    showSetup(app);
    QVERIFY(app.fSetup()->close());
    QVERIFY(!app.fSetup()->isVisible());
    QCOMPARE(app.fSetup()->result(), int(QDialog::Rejected));

    // Enter has no default button to press.
    showSetup(app);
    control<QLineEdit>(app.fSetup(), "edProdleva")->setFocus();
    QTest::keyClick(control<QLineEdit>(app.fSetup(), "edProdleva"), Qt::Key_Return);
    QVERIFY(app.fSetup()->isVisible());
    app.fSetup()->done(QDialog::Rejected);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetup::closingReloadsEditorLists_data()
{
    QTest::addColumn<QString>("way");
    for (const char* way : { "Save", "Close", "Esc", "F2", "close box" })
        QTest::newRow(way) << QString::fromLatin1(way);
}

void TestTfSetup::closingReloadsEditorLists()
{
    QFETCH(QString, way);
    AppFixture app(
        { .beforeStart = [](const QString& dir) { AppFixture::writeFile(dir + "/data/mesta.txt", "Praha\r\n"); } });
    showSetup(app);
    QCOMPARE(control<QComboBox>(app.fOpravenka(), "dbcomboMesto")->findText("Ostrava"), -1);
    AppFixture::writeFile(app.fMain()->PathMesta(), "Praha\r\nOstrava\r\n");

    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setFocus();
    if (way == "Save")
        QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtSave"), Qt::LeftButton);
    else if (way == "Close")
        QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtExit"), Qt::LeftButton);
    else if (way == "Esc")
        QTest::keyClick(control<QPlainTextEdit>(app.fSetup(), "memEdit"), Qt::Key_Escape);
    else if (way == "F2")
        QTest::keyClick(control<QPlainTextEdit>(app.fSetup(), "memEdit"), Qt::Key_F2);
    else
        app.fSetup()->close();
    QVERIFY(!app.fSetup()->isVisible());
    QVERIFY(control<QComboBox>(app.fOpravenka(), "dbcomboMesto")->findText("Ostrava") >= 0);
    QVERIFY(app.errors.messages.isEmpty());
}

TRELOMAR_TEST(TestTfSetup)

#include "TestTfSetup.moc"
