// Windows made with only what they are given: a workspace, no main window.
#include "base/TextList.h"
#include "session/Workspace.h"
#include "tests/support/Controls.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TestRegistry.h"
#include "ui/windows/TfDelete.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestWindowsAlone : public QObject
{
    Q_OBJECT

private slots:
    void setupReportsWhatChanged();
    void dialogsTakeTheWorkspaceTexts();
};

void TestWindowsAlone::setupReportsWhatChanged()
{
    RecordingReporter errors;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QDir(dir.path()).mkpath("data");
    QDir(dir.path()).mkpath("lang");
    TextList::write(dir.filePath("lang/en.lng"), { "<name>", "English" });
    TextList::write(dir.filePath("data/mobil.txt"), { "Nokia 3310" });
    Workspace workspace { FolderLayout(dir.path()) };
    workspace.DayInc = 21;

    TfSetup setup(workspace, nullptr);
    QSignalSpy closed(&setup, &TfSetup::closed);
    QSignalSpy days(&setup, &TfSetup::daysChanged);
    QSignalSpy language(&setup, &TfSetup::languageChosen);
    setup.show();
    auto* edProdleva = control<QLineEdit>(&setup, "edProdleva");
    auto* comboLang = control<QComboBox>(&setup, "comboLang");
    QCOMPARE(edProdleva->text(), "21");
    QCOMPARE(comboLang->count(), 1);

    comboLang->setCurrentIndex(0);
    QCOMPARE(language.size(), 1);
    QCOMPARE(language.at(0).at(0).toString(), dir.filePath("lang/en.lng"));

    edProdleva->setText("45");
    setup.spbtSaveClick();
    QVERIFY(!setup.isVisible());
    QCOMPARE(days.size(), 1);
    QCOMPARE(days.at(0).at(0).toInt(), 45);
    QCOMPARE(closed.size(), 1);
    // The workspace is the main window's to change, on the signal.
    QCOMPARE(workspace.DayInc, 21);
    // The picked language became the default one.
    QCOMPARE(TextList::read(workspace.folder().defaultLanguage()), QStringList({ "<name>", "English" }));
    QCOMPARE(errors.messages, QStringList());
}

void TestWindowsAlone::dialogsTakeTheWorkspaceTexts()
{
    Workspace workspace { FolderLayout(QDir::tempPath()) };
    workspace.SettingsTexts = { "About", "OK", "Delete?", "Really delete this ticket?", "&Yes", "&No" };
    workspace.EditTexts = QStringList(18, "label");
    workspace.NewTitle = "New ticket";
    workspace.EditTitle = "Edit ticket";

    TfDelete question(workspace, nullptr);
    question.FormActivate();
    QCOMPARE(question.windowTitle(), "Delete?");
    QCOMPARE(control<QLabel>(&question, "lbText1")->text(), "Really delete this ticket?");

    TfOpravenka editor(workspace, nullptr);
    editor.ApplyLangTexts();
    QCOMPARE(control<QLabel>(&editor, "lbJmeno")->text(), "label");
    editor.IsNew = true;
    editor.FormActivate();
    QCOMPARE(editor.windowTitle(), "New ticket");
    editor.IsNew = false;
    editor.FormActivate();
    QCOMPARE(editor.windowTitle(), "Edit ticket");
}

TRELOMAR_TEST(TestWindowsAlone)

#include "TestWindowsAlone.moc"
