#include "lang/ExtraTexts.h"
#include "lang/LangFile.h"
#include "lang/LangSlots.h"
#include "tests/support/TestRegistry.h"

#include "base/AppError.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList lines(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

} // namespace

class TestLangFile : public QObject
{
    Q_OBJECT

private slots:
    void sections_data();
    void sections();
    void name_data();
    void name();
    void title_data();
    void title();
    void extra_data();
    void extra();
    void shippedFiles_data();
    void shippedFiles();
    void missingFileRaises();
};

void TestLangFile::sections_data()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QStringList>("main");
    QTest::addColumn<QStringList>("edit");
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("print");

    const QStringList none;
    QTest::newRow("empty file") << QStringList() << none << none << none << none;
    QTest::newRow("only comments and a name")
        << lines(";x\n<name>\nČesky\n;<main>\n;a") << none << none << none << none;
    QTest::newRow("all four in order") << lines(
        "<main>\nm0\n</main>\n<edit>\ne0\n</edit>\n<settings>\ns0\n</settings>\n<print>\np0\n</print>")
                                       << QStringList { "m0" } << QStringList { "e0" } << QStringList { "s0" }
                                       << QStringList { "p0" };
    QTest::newRow("comments do not count as entries")
        << lines("<main>\n;c\na\n;c\nb\n</main>") << QStringList { "a", "b" } << none << none << none;
    QTest::newRow("empty line is an entry")
        << lines("<main>\na\n\nb\n</main>") << QStringList { "a", "", "b" } << none << none << none;
    QTest::newRow("entries keep their blanks")
        << lines("<main>\n  a \t\n</main>") << QStringList { "  a \t" } << none << none << none;
    QTest::newRow("marker with blanks and tabs")
        << lines(" \t<main>\t \nx\n  </main>\ny") << QStringList { "x" } << none << none << none;
    QTest::newRow("marker with control characters")
        << QStringList { QStringLiteral("\x01<edit>\x1f"), QStringLiteral("x"), QStringLiteral("</edit>") } << none
        << QStringList { "x" } << none << none;
    QTest::newRow("non-breaking space is no blank")
        << QStringList { QStringLiteral("<main>\u00a0"), QStringLiteral("x") } << none << none << none << none;
    QTest::newRow("marker in capitals is an entry")
        << lines("<main>\n<MAIN>\n</MAIN>\n</main>") << QStringList { "<MAIN>", "</MAIN>" } << none << none << none;
    QTest::newRow("capital marker opens nothing") << lines("<MAIN>\nx\n</MAIN>") << none << none << none << none;
    QTest::newRow("section written twice continues")
        << lines("<main>\na\n</main>\nignored\n<main>\nb\n</main>") << QStringList { "a", "b" } << none << none << none;
    QTest::newRow("own start marker repeated is an entry")
        << lines("<main>\n<main>\na\n</main>") << QStringList { "<main>", "a" } << none << none << none;
    QTest::newRow("missing end runs to the end and feeds later sections")
        << lines("<main>\na\n<edit>\nb\n</edit>\nc") << QStringList { "a", "<edit>", "b", "</edit>", "c" }
        << QStringList { "b" } << none << none;
    QTest::newRow("name lines inside a section are entries")
        << lines("<print>\n<name>\nEnglish\n</print>") << none << none << none << QStringList { "<name>", "English" };
    QTest::newRow("end marker without open section") << lines("</main>\n</print>\nx") << none << none << none << none;
    QTest::newRow("markers on one line with text are entries")
        << lines("<main>\n<main> x\n</main>") << QStringList { "<main> x" } << none << none << none;
}

void TestLangFile::sections()
{
    QFETCH(QStringList, input);
    const LangFile file = parseLangFile(input);
    QTEST(file.main, "main");
    QTEST(file.edit, "edit");
    QTEST(file.settings, "settings");
    QTEST(file.print, "print");
}

void TestLangFile::name_data()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<bool>("hasName");
    QTest::addColumn<QString>("name");

    QTest::newRow("none") << lines("<main>\nx\n</main>") << false << QString();
    QTest::newRow("plain") << lines("<name>\nČesky") << true << QStringLiteral("Česky");
    QTest::newRow("taken whole") << lines("<name>\n  English  ") << true << QStringLiteral("  English  ");
    QTest::newRow("text after the marker is ignored")
        << lines("<name>Deutsch\nEnglish") << true << QStringLiteral("English");
    QTest::newRow("comment between is skipped")
        << lines("<name>\n; comment\nEnglish") << true << QStringLiteral("English");
    QTest::newRow("name line last keeps the earlier name")
        << lines("<name>\nEnglish\n<name>") << true << QStringLiteral("English");
    QTest::newRow("only name line") << lines("<name>") << false << QString();
    QTest::newRow("name line last after comments") << lines("<name>\n;x") << false << QString();
    QTest::newRow("last one wins") << lines("<name>\nA\n<name>\nB") << true << QStringLiteral("B");
    QTest::newRow("marker must start the line") << lines(" <name>\nA") << false << QString();
    QTest::newRow("case-sensitive") << lines("<NAME>\nA") << false << QString();
    QTest::newRow("empty name line") << lines("<name>\n\n<main>") << true << QString();
    QTest::newRow("name line followed by name line") << lines("<name>\n<name>\nX") << true << QStringLiteral("X");
}

void TestLangFile::name()
{
    QFETCH(QStringList, input);
    QFETCH(bool, hasName);
    const LangFile file = parseLangFile(input);
    QCOMPARE(file.name.has_value(), hasName);
    if (hasName)
        QTEST(*file.name, "name");
}

void TestLangFile::title_data()
{
    QTest::addColumn<QString>("langName");
    QTest::addColumn<QString>("title");

    QTest::newRow("Czech") << QStringLiteral("Česky") << QStringLiteral("Trelomář ver. 1.5");
    QTest::newRow("Czech with more") << QStringLiteral("Česky (CZ)") << QStringLiteral("Trelomář ver. 1.5");
    QTest::newRow("lower case") << QStringLiteral("česky") << QStringLiteral("Trelomar ver. 1.5");
    QTest::newRow("without diacritics") << QStringLiteral("Cesky") << QStringLiteral("Trelomar ver. 1.5");
    QTest::newRow("leading blank") << QStringLiteral(" Česky") << QStringLiteral("Trelomar ver. 1.5");
    QTest::newRow("shorter") << QStringLiteral("Česk") << QStringLiteral("Trelomar ver. 1.5");
    QTest::newRow("empty") << QString() << QStringLiteral("Trelomar ver. 1.5");
    QTest::newRow("English") << QStringLiteral("English") << QStringLiteral("Trelomar ver. 1.5");
}

void TestLangFile::title()
{
    QFETCH(QString, langName);
    QTEST(mainWindowTitle(langName, QStringLiteral("ver. 1.5")), "title");
}

void TestLangFile::extra_data()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QString>("noPrinter"); // what the program shows for the key

    const QString czech = ExtraTexts::builtIn(ExtraText::NoPrinter);
    // A file of another language lacking the key (the earlier program's) falls back to English.
    QTest::newRow("no section") << lines("<name>\nX\n<main>\nno_printer=A\n</main>")
                                << ExtraTexts::builtIn(ExtraText::NoPrinter, false);
    QTest::newRow("no section, Czech") << lines("<name>\nČesky\n") << czech;
    QTest::newRow("key missing") << lines("<extra>\nother=A\n</extra>") << czech;
    QTest::newRow("last wins") << lines("<extra>\nno_printer=A\nno_printer=B\n</extra>") << QStringLiteral("B");
    QTest::newRow("text taken whole") << lines("<extra>\nno_printer= a=b \n</extra>") << QStringLiteral(" a=b ");
    QTest::newRow("key not trimmed") << lines("<extra>\nno_printer =A\n</extra>") << czech;
    QTest::newRow("line without =") << lines("<extra>\nno_printer\nno_printer=A\n</extra>") << QStringLiteral("A");
    QTest::newRow("before the name") << lines("<extra>\nno_printer=A\n</extra>\n<name>\nX") << QStringLiteral("A");
    QTest::newRow("after the end") << lines("<extra>\n</extra>\nno_printer=A") << czech;
    QTest::newRow("unclosed") << lines("<extra>\nno_printer=A") << QStringLiteral("A");
    QTest::newRow("comment") << lines("<extra>\n;no_printer=A\n</extra>") << czech;
    QTest::newRow("empty text") << lines("<extra>\nno_printer=\n</extra>") << QString();
}

void TestLangFile::extra()
{
    QFETCH(QStringList, input);
    const LangFile file = parseLangFile(input);
    QTEST(ExtraTexts(file.extra, file.name.value_or(QString())).text(ExtraText::NoPrinter), "noPrinter");
}

void TestLangFile::shippedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("cs") << QStringLiteral("cs.lng") << QStringLiteral("Česky");
    QTest::newRow("en") << QStringLiteral("en.lng") << QStringLiteral("English");
}

void TestLangFile::shippedFiles()
{
    QFETCH(QString, file);
    const QString dir = qEnvironmentVariable("TRELOMAR_SOURCE_DIR");
    if (dir.isEmpty())
        QSKIP("TRELOMAR_SOURCE_DIR is set by CTest");
    const LangFile lang = readLangFile(dir + QStringLiteral("/resources/lang/") + file);
    QVERIFY(lang.name.has_value());
    QTEST(*lang.name, "name");
    QCOMPARE(lang.main.size(), MainText::Count);
    QCOMPARE(lang.edit.size(), EditText::Count);
    QCOMPARE(lang.settings.size(), SettingsText::Count);
    QCOMPARE(lang.print.size(), PrintText::Count);
    for (const QStringList* section : { &lang.main, &lang.edit, &lang.settings, &lang.print }) {
        for (const QString& entry : *section)
            QVERIFY2(!entry.isEmpty() && entry == entry.trimmed(), qPrintable(entry));
    }
    // Every text beyond the four sections is translated, none left to the fallback.
    for (int id = 0; id < static_cast<int>(ExtraText::Count); ++id) {
        const QString key = ExtraTexts::key(static_cast<ExtraText>(id));
        QVERIFY2(!lang.extra.value(key).isEmpty(), qPrintable(key));
        QCOMPARE(lang.extra.value(key), ExtraTexts::builtIn(static_cast<ExtraText>(id), isCzechLangName(*lang.name)));
    }
    QCOMPARE(lang.extra.size(), static_cast<int>(ExtraText::Count));
}

void TestLangFile::missingFileRaises()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/none.lng");
    try {
        readLangFile(path);
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Cannot open file ") + QDir::toNativeSeparators(path));
    }
}

TRELOMAR_TEST(TestLangFile)

#include "TestLangFile.moc"
