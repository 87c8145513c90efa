#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/SetupWindowTest.h"

#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

// The setup window's language box: its list, typing into it, what is saved
// as the default, and a language applied as soon as it is picked.
class TestTfSetupLanguages : public QObject
{
    Q_OBJECT

private slots:
    void languageListRebuiltEveryShowing();
    void typingCompletesToListedName();
    void pickedLanguageSavedAsDefault();
    void saveWithoutPickLeavesDefault();
    void pickedFileGoneAtSave();
    void pickingAppliesAtOnce();
};

void TestTfSetupLanguages::languageListRebuiltEveryShowing()
{
    AppFixture app({ .beforeStart = writeLanguages });
    showSetup(app);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->count(), 3);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->itemText(0), QStringLiteral("Česky"));
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->itemText(1), QStringLiteral("Deutsch"));
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->itemText(2), QStringLiteral("English"));
    QCOMPARE(
        app.fSetup()->LangFiles, QStringList({ app.path("lang/cs.lng"), app.path("lang/de.lng"), app.path("lang/en.lng") }));
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentIndex(), -1);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentText(), QStringLiteral("Default"));

    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(1);
    app.fSetup()->done(QDialog::Rejected);

    // A file added meanwhile is listed at once; the box keeps the last pick
    // but nothing is selected.
    AppFixture::writeFile(app.path("lang/aa.lng"), "<name>\nAfrikaans\n");
    showSetup(app);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->count(), 4);
    QCOMPARE(app.fSetup()->LangFiles.first(), app.path("lang/aa.lng"));
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentIndex(), -1);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentText(), QStringLiteral("Deutsch"));

    // Without the folder the list is empty and the text stays.
    app.fSetup()->done(QDialog::Rejected);
    QVERIFY(QDir(app.path("lang")).removeRecursively());
    showSetup(app);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->count(), 0);
    QVERIFY(app.fSetup()->LangFiles.isEmpty());
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentText(), QStringLiteral("Deutsch"));
    app.fSetup()->done(QDialog::Rejected);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetupLanguages::typingCompletesToListedName()
{
    AppFixture app({ .beforeStart = writeLanguages });
    showSetup(app);
    QComboBox* combo = control<QComboBox>(app.fSetup(), "comboLang");
    combo->setFocus();
    combo->lineEdit()->selectAll();

    QTest::keyClicks(combo, "en");
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("English"));
    QCOMPARE(combo->lineEdit()->selectedText(), QStringLiteral("glish"));

    // Typing on over the completion keeps the entry.
    QTest::keyClicks(combo, "G");
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(combo->lineEdit()->selectedText(), QStringLiteral("lish"));

    // Deleting leaves no entry selected and does not complete again.
    QTest::keyClick(combo, Qt::Key_Backspace);
    QCOMPARE(combo->currentText(), QStringLiteral("Eng"));
    QCOMPARE(combo->currentIndex(), -1);

    // Text that begins no listed name selects nothing.
    QTest::keyClicks(combo, "x");
    QCOMPARE(combo->currentText(), QStringLiteral("Engx"));
    QCOMPARE(combo->currentIndex(), -1);

    // The arrow keys walk the list.
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("Česky"));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), 1);
    QTest::keyClick(combo, Qt::Key_Up);
    QCOMPARE(combo->currentIndex(), 0);
    // Non-ASCII letters complete without regard to case.
    combo->lineEdit()->selectAll();
    QTest::sendKeyEvent(QTest::Press, combo, Qt::Key_unknown, QString::fromUtf8("\u010d"), Qt::NoModifier);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("Česky"));

    app.fSetup()->done(QDialog::Rejected);
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetupLanguages::pickedLanguageSavedAsDefault()
{
    AppFixture app({ .beforeStart = writeLanguages });
    showSetup(app);
    // The first entry is saved like any other.
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(0);
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(2);
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtSave"), Qt::LeftButton);
    QCOMPARE(contents(app.fMain()->PathDefaultLng()), QByteArray("; English\r\n<name>\r\nEnglish\r\n<main>\r\n</main>\r\n"));

    showSetup(app);
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(0);
    app.fSetup()->spbtSaveClick();
    QCOMPARE(contents(app.fMain()->PathDefaultLng()),
        QByteArray("<name>\r\n\xc4\x8c"
                   "esky\r\n"));
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetupLanguages::saveWithoutPickLeavesDefault()
{
    AppFixture app({ .beforeStart = writeLanguages });
    showSetup(app);
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(2);
    app.fSetup()->spbtSaveClick();
    AppFixture::writeFile(app.fMain()->PathDefaultLng(), "changed meanwhile\n");

    showSetup(app);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentText(), QStringLiteral("English"));
    app.fSetup()->spbtSaveClick();
    QCOMPARE(contents(app.fMain()->PathDefaultLng()), QByteArray("changed meanwhile\n"));

    // A pick undone by deleting the text is no pick either.
    showSetup(app);
    control<QComboBox>(app.fSetup(), "comboLang")->setFocus();
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(1);
    control<QComboBox>(app.fSetup(), "comboLang")->lineEdit()->end(false);
    QTest::keyClick(control<QComboBox>(app.fSetup(), "comboLang"), Qt::Key_Backspace);
    QCOMPARE(control<QComboBox>(app.fSetup(), "comboLang")->currentIndex(), -1);
    app.fSetup()->spbtSaveClick();
    QCOMPARE(contents(app.fMain()->PathDefaultLng()), QByteArray("changed meanwhile\n"));
    QVERIFY(app.errors.messages.isEmpty());
}

void TestTfSetupLanguages::pickedFileGoneAtSave()
{
    AppFixture app({ .beforeStart = writeLanguages });
    app.fMain()->DayInc() = 30;
    showSetup(app);
    control<QComboBox>(app.fSetup(), "comboLang")->setCurrentIndex(1);
    QVERIFY(QFile::remove(app.path("lang/de.lng")));
    control<QPlainTextEdit>(app.fSetup(), "memEdit")->setPlainText("Nokia");
    control<QLineEdit>(app.fSetup(), "edProdleva")->setText("7");
    control<QToolButton>(app.fSetup(), "spbtSave")->click();

    QCOMPARE(app.errors.messages, QStringList { "Cannot open file " + QDir::toNativeSeparators(app.path("lang/de.lng")) + "." });
    QVERIFY(app.fSetup()->isVisible());
    QCOMPARE(contents(app.fMain()->PathMobil()), QByteArray("Nokia"));
    QCOMPARE(app.fMain()->DayInc(), 7);
    QCOMPARE(contents(app.fMain()->PathDefaultLng()), QByteArray("old default\n"));
    app.fSetup()->done(QDialog::Rejected);
}

void TestTfSetupLanguages::pickingAppliesAtOnce()
{
    const QString source = qEnvironmentVariable("TRELOMAR_SOURCE_DIR");
    if (source.isEmpty())
        QSKIP("TRELOMAR_SOURCE_DIR is set by CTest");
    AppFixture app({ .beforeStart = [&source](const QString& dir) {
        QDir().mkpath(dir + "/lang");
        QFile::copy(source + "/resources/lang/cs.lng", dir + "/lang/cs.lng");
        QFile::copy(source + "/resources/lang/en.lng", dir + "/lang/en.lng");
    } });
    showSetup(app);
    QComboBox* combo = control<QComboBox>(app.fSetup(), "comboLang");
    combo->setFocus();
    combo->lineEdit()->selectAll();

    QTest::keyClicks(combo, "e");
    QCOMPARE(app.fMain()->LangName(), QStringLiteral("English"));
    QCOMPARE(app.fSetup()->windowTitle(), QStringLiteral("Program settings"));
    QCOMPARE(control<QToolButton>(app.fSetup(), "spbtMobily")->text(), QStringLiteral("Device types"));
    QCOMPARE(app.fMain()->windowTitle(), QStringLiteral("Trelomar ver. 1.5"));

    // Deleting applies nothing and reports nothing.
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(combo, Qt::Key_Backspace);
    QCOMPARE(combo->currentText(), QString());
    QCOMPARE(app.fMain()->LangName(), QStringLiteral("English"));

    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), QStringLiteral("Česky"));
    QCOMPARE(app.fMain()->LangName(), QStringLiteral("Česky"));
    QCOMPARE(app.fSetup()->windowTitle(), QStringLiteral("Nastavení programu"));
    QCOMPARE(app.fMain()->windowTitle(), QStringLiteral("Trelomář ver. 1.5"));
    QVERIFY(app.errors.messages.isEmpty());

    // A file removed since the list was built: the error is shown and the
    // language in force stays.
    QVERIFY(QFile::remove(app.path("lang/en.lng")));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(app.errors.messages, QStringList { "Cannot open file " + QDir::toNativeSeparators(app.path("lang/en.lng")) + "." });
    QCOMPARE(app.fMain()->LangName(), QStringLiteral("Česky"));
    app.fSetup()->done(QDialog::Rejected);
}

TRELOMAR_TEST(TestTfSetupLanguages)

#include "TestTfSetupLanguages.moc"
