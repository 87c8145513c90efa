#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "base/TextList.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTextList : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << "" << QStringList {};
        QTest::newRow("one line, no break") << "Praha" << QStringList {"Praha"};
        QTest::newRow("final break adds nothing") << "Praha\r\n" << QStringList {"Praha"};
        QTest::newRow("crlf, lf and cr") << "a\r\nb\nc\rd" << QStringList {"a", "b", "c", "d"};
        QTest::newRow("empty lines are entries") << "a\r\n\r\nb\n\n" << QStringList {"a", "", "b", ""};
        QTest::newRow("lf cr is two breaks") << "a\n\rb" << QStringList {"a", "", "b"};
        QTest::newRow("blanks kept") << "  a  \r\n\t" << QStringList {"  a  ", "\t"};
        QTest::newRow("only a break") << "\r\n" << QStringList {""};
    }

    void split()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(TextList::split(text), lines);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QByteArray("P\xc5\x99\xc3\xad" "bram") << QString::fromUtf8("Příbram");
        QTest::newRow("utf-8 bom dropped") << QByteArray("\xef\xbb\xbf\xc4\x8c") << QString::fromUtf8("Č");
        QTest::newRow("windows-1250") << QByteArray("P\xf8\xed" "bram \x9a\xe8") << QString::fromUtf8("Příbram šč");
        QTest::newRow("nul ends the text") << QByteArray("ab\0cd", 5) << QStringLiteral("ab");
        QTest::newRow("ascii") << QByteArray("Brno") << QStringLiteral("Brno");
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(TextList::decode(bytes), text);
    }

    void writeThenReadRoundTrips()
    {
        const QString path = m_dir.filePath(QStringLiteral("mesta.txt"));
        const QStringList towns {QString::fromUtf8("Ústí nad Labem"), "", "  Brno"};
        TextList::write(path, towns);
        {
            // Closed before the file is replaced: Windows refuses to replace an open file.
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("\xc3\x9ast\xc3\xad nad Labem\r\n\r\n  Brno\r\n"));
        }
        QCOMPARE(TextList::read(path), towns);
        TextList::write(path, {});
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    // A rewrite goes through a new file beside the old one: the old file's
    // permissions stay, a new file is readable by others, nothing is left beside it.
    void rewriteKeepsPermissionsAndLeavesNothingBeside()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("firma.txt"));
        TextList::write(path, {"a"});
#ifndef Q_OS_WIN
        QVERIFY(QFile::permissions(path) & QFile::ReadOther);
        const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QVERIFY(QFile::setPermissions(path, own));
#endif
        TextList::write(path, {"b"});
        QCOMPARE(TextList::read(path), QStringList {"b"});
#ifndef Q_OS_WIN
        QCOMPARE(QFile::permissions(path), own);
#endif
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"firma.txt"});
    }

    void missingFileRaisesCannotOpen()
    {
        const QString path = m_dir.filePath(QStringLiteral("none.txt"));
        try {
            TextList::read(path);
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), "Cannot open file " + QDir::toNativeSeparators(path));
        }
    }

    void unwritablePathRaisesCannotCreate()
    {
        const QString path = m_dir.filePath(QStringLiteral("missing/folder/x.txt"));
        try {
            TextList::write(path, {"a"});
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), "Cannot create file " + QDir::toNativeSeparators(path));
        }
    }

    void errorBoxAppendsFullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Cannot open file /x/a.txt" << "Cannot open file /x/a.txt.";
        QTest::newRow("full stop kept") << "Done." << "Done.";
        QTest::newRow("exclamation is lower than full stop") << "Stop!" << "Stop!";
        QTest::newRow("hyphen is lower") << "a -" << "a -";
        QTest::newRow("slash is higher") << "a/" << "a/.";
        QTest::newRow("empty") << "" << "";
    }

    void errorBoxAppendsFullStop()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        RecordingReporter recorder;
        guarded([&] { throw AppError(message); });
        QCOMPARE(recorder.messages, QStringList {shown});
    }

    void guardCatchesForeignExceptions()
    {
        RecordingReporter recorder;
        guarded([] { throw std::runtime_error("boom"); });
        QCOMPARE(recorder.messages, QStringList {"boom."});
    }
};

TRELOMAR_TEST(TestTextList)
#include "TestTextList.moc"
