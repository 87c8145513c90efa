#include "datamodule/TDM.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfStart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

AppFixture::Options withIni(const QByteArray& ini)
{
    AppFixture::Options options;
    options.beforeStart = [ini](const QString& dir) { AppFixture::writeFile(dir + "/trelomar.ini", ini); };
    return options;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void firstStartInEmptyFolder()
    {
        AppFixture::Options options;
        options.defaultLanguage = false;
        AppFixture app(options);
        for (const char* name : {"mesta.txt", "mobil.txt", "tisk.txt", "firma.txt"}) {
            const QFileInfo file(app.path(QStringLiteral("data/") + name));
            QVERIFY2(file.isFile(), name);
            QCOMPARE(file.size(), 0);
        }
        QVERIFY(!QDir(app.path("lang")).exists());
        // Without a language file the program says so once and keeps its design texts.
        QCOMPARE(app.errors.messages, QStringList {QStringLiteral("Cannot open file %1.").arg(QDir::toNativeSeparators(app.path("lang/default.lng")))});
        QCOMPARE(app.fMain()->windowTitle(), QStringLiteral("Trelomář  ver. 1.5"));
        QCOMPARE(app.fMain()->AppDir(), app.dir());
        QCOMPARE(app.fMain()->PathTisk(), app.path("data/tisk.txt"));
        QCOMPARE(app.fMain()->pos(), QPoint(100, 100));
        QCOMPARE(app.fMain()->height(), 450);
        QCOMPARE(app.fMain()->width(), TfMain::WindowWidth);
        QCOMPARE(app.fMain()->DayInc(), 30);
        QVERIFY(app.DM()->ADOTable->Active());

        // No splash window survives the start.
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<TfStart*>(w) || !w->isVisible());

        app.stop();
        QCOMPARE(readAll(app.path("trelomar.ini")), QByteArray("[Program]\r\nLeft=100\r\nTop=100\r\nHeight=450\r\nDayInc=30\r\n"
                                                              "\r\n[Handover]\r\nWarrantyDays=90\r\n"));
    }

    void existingTextFilesAreKept()
    {
        AppFixture::Options options;
        options.beforeStart = [](const QString& dir) { AppFixture::writeFile(dir + "/data/mesta.txt", "Praha\r\nBrno\r\n"); };
        AppFixture app(options);
        QCOMPARE(readAll(app.path("data/mesta.txt")), QByteArray("Praha\r\nBrno\r\n"));
    }

    void settingsAreReadLeniently_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("dayInc");
        QTest::newRow("low height, width ignored") << QByteArray("[Program]\nLeft=10\nTop=20\nHeight=300\nWidth=900\nDayInc=7\n") << QPoint(10, 20) << 400 << 7;
        QTest::newRow("hex and garbage") << QByteArray("[program]\nleft=$20\nTOP=x\nHeight=0x200\nDayInc=abc\n") << QPoint(32, 100) << 512 << 30;
        QTest::newRow("dayinc hex") << QByteArray("[Program]\r\nDayInc=0x10\r\n") << QPoint(100, 100) << 450 << 16;
        QTest::newRow("binary bytes") << QByteArray("\x00\x01\xff[Program]\x00\n\xfe", 12) << QPoint(100, 100) << 450 << 30;
    }

    void settingsAreReadLeniently()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QPoint, pos);
        QFETCH(int, height);
        QFETCH(int, dayInc);
        AppFixture app(withIni(ini));
        QCOMPARE(app.fMain()->pos(), pos);
        QCOMPARE(app.fMain()->height(), height);
        QCOMPARE(app.fMain()->DayInc(), dayInc);
    }

    void windowPlaceSurvivesRestart()
    {
        QString dir;
        QByteArray ini;
        {
            AppFixture app(withIni("; kept\r\n[Program]\r\nLeft=5\r\n[Shop]\r\nName=A\r\n"));
            app.fMain()->move(140, 160);
            app.fMain()->resize(600, 520);
            app.fMain()->DayInc() = 14;
            app.stop();
            ini = readAll(app.path("trelomar.ini"));
        }
        QCOMPARE(ini, QByteArray("; kept\r\n[Program]\r\nLeft=140\r\nTop=160\r\nHeight=520\r\nDayInc=14\r\n[Shop]\r\nName=A\r\n"
                                 "\r\n[Handover]\r\nWarrantyDays=90\r\n"));
        AppFixture again(withIni(ini));
        QCOMPARE(again.fMain()->pos(), QPoint(140, 160));
        QCOMPARE(again.fMain()->height(), 520);
        QCOMPARE(again.fMain()->DayInc(), 14);
    }

    // Windows may end the process once the session's end is answered, before
    // the window is destroyed: the settings are on disk when it closes.
    void closingTheWindowWritesTheSettings()
    {
        AppFixture app;
        app.fMain()->DayInc() = 9;
        QVERIFY(app.fMain()->close());
        QVERIFY(readAll(app.path("trelomar.ini")).contains("DayInc=9"));
    }

    void unwritableSettingsAreReportedOnce()
    {
        AppFixture::Options options;
        options.beforeStart = [](const QString& dir) { QDir().mkpath(dir + "/trelomar.ini"); };
        AppFixture app(options);
        QVERIFY(app.fMain()->close());
        app.stop();
        QCOMPARE(app.errors.messages, QStringList {QStringLiteral("Unable to write to %1.").arg(QDir::toNativeSeparators(app.path("trelomar.ini")))});
    }

    void missingDatabaseLeavesTableClosed()
    {
        AppFixture::Options options;
        options.createDatabase = false;
        AppFixture app(options);
        QCOMPARE(app.errors.messages.size(), 1);
        QVERIFY2(app.errors.messages.first().contains("data.mdb"), qPrintable(app.errors.messages.first()));
        QVERIFY(!app.DM()->ADOTable->Active());
        QVERIFY(!QFile::exists(app.path("data/data.mdb")));
        QVERIFY(app.fMain()->isVisible());
    }
};

TRELOMAR_TEST(TestStartup)
#include "TestStartup.moc"
