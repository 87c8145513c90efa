#include "lang/LangList.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TestLangList : public QObject
{
    Q_OBJECT

private slots:
    void fileNames_data();
    void fileNames();
    void displayName_data();
    void displayName();
    void listsAndPairs();
    void sortsInLocaleOrder();
    void nameWithSemicolonKeepsItsPath();
    void missingFolderGivesEmptyList();
    void unreadableFileIsLeftOut();
};

void TestLangList::fileNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("taken");
    QTest::newRow("en.lng") << "en.lng" << true;
    QTest::newRow("default.lng") << "default.lng" << false;
    QTest::newRow("Default.lng") << "Default.lng" << true;
    QTest::newRow("EN.LNG") << "EN.LNG" << false;
    QTest::newRow("en.Lng") << "en.Lng" << false;
    QTest::newRow("notes.lng.bak") << "notes.lng.bak" << false;
    QTest::newRow("hidden") << ".x.lng" << true;
    QTest::newRow("no stem") << ".lng" << true;
    QTest::newRow("lng without dot") << "xlng" << false;
}

void TestLangList::fileNames()
{
    QFETCH(QString, fileName);
    QTEST(isLangFileName(fileName), "taken");
}

void TestLangList::displayName_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("hasName");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty file") << QStringList() << false << QString();
    QTest::newRow("marker") << QStringList { ";c", "<name>", "English" } << true << "English";
    QTest::newRow("marker in capitals") << QStringList { "x", "<NAME>", "English" } << true << "English";
    QTest::newRow("first marker wins") << QStringList { "<name>", "A", "<name>", "B" } << true << "A";
    QTest::newRow("blank after marker is no marker")
        << QStringList { "first", "<name> ", "English" } << true << "first";
    QTest::newRow("text after marker is no marker") << QStringList { "first", "<name>x", "English" } << true << "first";
    QTest::newRow("comment after marker is the name") << QStringList { "<name>", "; c", "English" } << true << "; c";
    QTest::newRow("taken whole") << QStringList { "<name>", " English " } << true << " English ";
    QTest::newRow("no marker gives first line") << QStringList { "; Slovensky", "<main>" } << true << "; Slovensky";
    QTest::newRow("marker last gives none") << QStringList { "x", "<name>" } << false << QString();
}

void TestLangList::displayName()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, hasName);
    const std::optional<QString> name = langDisplayName(lines);
    QCOMPARE(name.has_value(), hasName);
    if (hasName)
        QTEST(*name, "name");
}

void TestLangList::listsAndPairs()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    writeFile(d + "/cz.lng", "<name>\r\nČesky\r\n");
    writeFile(d + "/en.lng", "<name>\nEnglish\n");
    writeFile(d + "/default.lng", "<name>\nDefault copy\n"); // names are judged as in fileNames
    // Windows' file systems hold one of the two spellings only.
    const bool bothSpellings = !QFileInfo::exists(d + "/Default.lng");
    if (bothSpellings)
        writeFile(d + "/Default.lng", "<name>\nDeutsch\n");
    writeFile(d + "/empty.lng", "");
    writeFile(d + "/last.lng", "x\n<name>\n");
    writeFile(d + "/pl.lng", "Polsk\xe9\n<main>\n"); // Windows-1250 bytes, no name line
    QVERIFY(QDir(d).mkdir("folder.lng"));

    const LangList list = listLangFiles(d);
    QStringList names { "Česky", "Deutsch", "English", "Polské" };
    QStringList paths { d + "/cz.lng", d + "/Default.lng", d + "/en.lng", d + "/pl.lng" };
    if (!bothSpellings) {
        names.removeAt(1);
        paths.removeAt(1);
    }
    QCOMPARE(list.names, names);
    QCOMPARE(list.paths, paths);
    QVERIFY(list.unreadable.isEmpty());
}

void TestLangList::sortsInLocaleOrder()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    writeFile(d + "/1.lng", "<name>\ngamma\n");
    writeFile(d + "/2.lng", "<name>\nBeta\n");
    writeFile(d + "/3.lng", "<name>\nalpha\n");
    // In Czech "ch" sorts after "h".
    writeFile(d + "/4.lng", "<name>\nchorvatsky\n");
    writeFile(d + "/5.lng", "<name>\nHebrejsky\n");
    // Equal names follow their paths.
    writeFile(d + "/b.lng", "<name>\nSame\n");
    writeFile(d + "/a.lng", "<name>\nsame\n");

    const LangList list = listLangFiles(d);
    QCOMPARE(list.names, QStringList({ "alpha", "Beta", "gamma", "Hebrejsky", "chorvatsky", "same", "Same" }));
    QCOMPARE(list.paths.mid(5), QStringList({ d + "/a.lng", d + "/b.lng" }));
}

void TestLangList::nameWithSemicolonKeepsItsPath()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    writeFile(d + "/a.lng", "<name>\nEnglish;UK\n");
    writeFile(d + "/b.lng", "<name>\nEnglish\n");
    const LangList list = listLangFiles(d);
    QCOMPARE(list.names.size(), 2);
    QCOMPARE(list.paths.size(), 2);
    const qsizetype uk = list.names.indexOf("English;UK");
    QVERIFY(uk >= 0);
    QCOMPARE(list.paths.at(uk), d + "/a.lng");
    QCOMPARE(list.paths.at(1 - uk), d + "/b.lng");
}

void TestLangList::missingFolderGivesEmptyList()
{
    QTemporaryDir dir;
    const LangList list = listLangFiles(dir.path() + "/lang");
    QVERIFY(list.names.isEmpty());
    QVERIFY(list.paths.isEmpty());
    QVERIFY(list.unreadable.isEmpty());
}

void TestLangList::unreadableFileIsLeftOut()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    writeFile(d + "/a.lng", "<name>\nEnglish\n");
    writeFile(d + "/locked.lng", "<name>\nLocked\n");
    QFile::setPermissions(d + "/locked.lng", QFileDevice::Permissions {});
    QFile probe(d + "/locked.lng");
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("running with rights that read any file");
    const LangList list = listLangFiles(d);
    QCOMPARE(list.names, QStringList { "English" });
    QCOMPARE(list.unreadable, QStringList { d + "/locked.lng" });
}

TRELOMAR_TEST(TestLangList)

#include "TestLangList.moc"
