#include "base/AppError.h"
#include "base/IniFile.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("t.ini"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return path;
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private slots:
    void parseInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "45" << true << 45;
        QTest::newRow("signed") << "-5" << true << -5;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("dollar hex") << "$10" << true << 16;
        QTest::newRow("0x hex") << "0x10" << true << 16;
        QTest::newRow("0X hex") << "0X1f" << true << 31;
        QTest::newRow("all bits") << "$FFFFFFFF" << true << -1;
        QTest::newRow("blanks around") << " 12 " << true << 12;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("trailing text") << "45abc" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign alone") << "-" << false << 0;
        QTest::newRow("too big") << "4294967296" << false << 0;
        QTest::newRow("hex too big") << "$100000000" << false << 0;
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0661\u0662") << false << 0;
    }

    void parseInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto parsed = IniFile::parseInteger(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void readsCaseInsensitiveNamesAndDefaults()
    {
        const IniFile ini(write("; comment\r\n[other]\r\nLeft=1\r\n[PROGRAM]\r\nleft = 250\r\nDayInc=0x10\r\nTop=garbage\r\n"));
        QCOMPARE(ini.readInteger("Program", "Left", 100), 250);
        QCOMPARE(ini.readInteger("Program", "DayInc", 30), 16);
        QCOMPARE(ini.readInteger("Program", "Top", 100), 100);
        QCOMPARE(ini.readInteger("Program", "Height", 450), 450);
        QCOMPARE(ini.readInteger("Missing", "Left", 7), 7);
        QCOMPARE(IniFile(m_dir.filePath("none.ini")).readInteger("Program", "Left", 9), 9);
    }

    void binaryGarbageGivesDefaults()
    {
        const IniFile ini(write(QByteArray("\x00\xff\xfe[Program]\x00Left=\x01\x02\n", 20)));
        QCOMPARE(ini.readInteger("Program", "Left", 100), 100);
        QCOMPARE(ini.readInteger("Program", "Top", 100), 100);
    }

    void writeKeepsEveryOtherLine()
    {
        const QString path = write("; shop settings\r\n[Other]\r\nKey=\xe8\r\n\r\n[program]\r\nLeft=1\r\nWidth=900\r\n");
        IniFile ini(path);
        ini.writeInteger("Program", "Left", 321);
        ini.writeInteger("Program", "DayInc", 30);
        QCOMPARE(contents(path),
            QByteArray("; shop settings\r\n[Other]\r\nKey=\xe8\r\n\r\n[program]\r\nLeft=321\r\nWidth=900\r\nDayInc=30\r\n"));
        QCOMPARE(ini.readInteger("Program", "Left", 0), 321);
    }

    void writeKeepsEachLineEnding_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("hand-edited LF file") << QByteArray("[Program]\nLeft=1\nTop=2\n") << "Left"
                                            << QByteArray("[Program]\nLeft=5\nTop=2\n");
        QTest::newRow("new key in an LF file") << QByteArray("[Program]\nLeft=1\n") << "Top"
                                              << QByteArray("[Program]\nLeft=1\nTop=5\n");
        QTest::newRow("new section in an LF file") << QByteArray("[Other]\nA=1\n") << "Left"
                                                  << QByteArray("[Other]\nA=1\n\n[Program]\nLeft=5\n");
        QTest::newRow("mixed: each line its own") << QByteArray("[Program]\r\nLeft=1\nTop=2\r\n") << "Left"
                                                 << QByteArray("[Program]\r\nLeft=5\nTop=2\r\n");
        QTest::newRow("last line without ending") << QByteArray("[Program]\nLeft=1") << "Left"
                                                 << QByteArray("[Program]\nLeft=5");
        QTest::newRow("key after a last line without ending") << QByteArray("[Program]\nLeft=1") << "Top"
                                                              << QByteArray("[Program]\nLeft=1\nTop=5\n");
    }
    void writeKeepsEachLineEnding()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QByteArray, after);
        const QString path = write(before);
        IniFile(path).writeInteger("Program", key, 5);
        QCOMPARE(contents(path), after);
    }

    void writeCreatesFileAndSection()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        IniFile ini(path);
        for (const auto& [key, value] : {std::pair {"Left", 100}, {"Top", 100}, {"Height", 450}, {"DayInc", 30}})
            ini.writeInteger("Program", key, value);
        QCOMPARE(contents(path), QByteArray("[Program]\r\nLeft=100\r\nTop=100\r\nHeight=450\r\nDayInc=30\r\n"));
    }

    void unwritableFileIsReported()
    {
        // A folder in the file's place can't be written even by root, unlike a read-only file.
        const QString path = m_dir.filePath(QStringLiteral("folder.ini"));
        QDir().mkpath(path);
        IniFile ini(path);
        try {
            ini.writeInteger("Program", "Left", 6);
            QFAIL("writing over a folder succeeded");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path)));
        }
        QVERIFY(QFileInfo(path).isDir());
    }
};

TRELOMAR_TEST(TestIniFile)
#include "TestIniFile.moc"
