#include "lang/LangFile.h"
#include "session/Workspace.h"
#include "tests/support/TestRegistry.h"

#include <QTest>

class TestWorkspace : public QObject
{
    Q_OBJECT

private slots:
    void pathTable_data();
    void pathTable();
    void textsKeepWhatAFileLacks();
};

void TestWorkspace::pathTable_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("mesta");
    QTest::addColumn<QString>("ini");
    QTest::newRow("folder") << "/home/shop" << "/home/shop/data/mesta.txt" << "/home/shop/trelomar.ini";
    // No doubled slash at the root.
    QTest::newRow("root") << "/" << "/data/mesta.txt" << "/trelomar.ini";
}

void TestWorkspace::pathTable()
{
    QFETCH(QString, dir);
    QFETCH(QString, mesta);
    QFETCH(QString, ini);
    const Workspace workspace { FolderLayout(dir) };
    const FolderLayout& folder = workspace.folder();
    QCOMPARE(folder.folder(), dir);
    QCOMPARE(folder.towns(), mesta);
    QCOMPARE(folder.settings(), ini);
    const QString base = dir == "/" ? QString() : dir;
    QCOMPARE(folder.deviceTypes(), base + "/data/mobil.txt");
    QCOMPARE(folder.ticketText(), base + "/data/tisk.txt");
    QCOMPARE(folder.shopAddress(), base + "/data/firma.txt");
    QCOMPARE(folder.defaultLanguage(), base + "/lang/default.lng");
}

void TestWorkspace::textsKeepWhatAFileLacks()
{
    Workspace workspace { FolderLayout(QStringLiteral("/home/shop")) };
    LangFile english;
    english.edit = QStringList(18, "label");
    english.edit[16] = "New ticket";
    english.edit[17] = "Edit ticket";
    english.settings = { "About" };
    english.name = "English";
    workspace.takeTexts(english);
    QCOMPARE(workspace.NewTitle, "New ticket");
    QCOMPARE(workspace.EditTitle, "Edit ticket");
    QCOMPARE(workspace.LangName, "English");
    QCOMPARE(workspace.SettingsTexts, QStringList { "About" });

    // A file without a name line and with a short editor section: the
    // sections are replaced, the name and the editor's titles stay.
    LangFile partial;
    partial.edit = QStringList(17, "x");
    workspace.takeTexts(partial);
    QCOMPARE(workspace.EditTexts.size(), 17);
    QVERIFY(workspace.SettingsTexts.isEmpty());
    QCOMPARE(workspace.NewTitle, "New ticket");
    QCOMPARE(workspace.EditTitle, "Edit ticket");
    QCOMPARE(workspace.LangName, "English");
}

TRELOMAR_TEST(TestWorkspace)

#include "TestWorkspace.moc"
