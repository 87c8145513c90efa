// The session's steps with no window at all: what the windows are later wired to.
#include "base/TextList.h"
#include "session/Session.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void runsWithoutAWindow();
};

void TestSession::runsWithoutAWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const FolderLayout folder(dir.path());
    QVERIFY(QDir().mkpath(folder.languageFolder()));
    TextList::write(folder.settings(), { "[Program]", "Left=5", "Top=6", "Height=300", "DayInc=12" });
    TextList::write(folder.languageFolder() + "/en.lng", { "<name>", "English" });

    Session session(folder);
    for (const QString& path : { folder.towns(), folder.deviceTypes(), folder.ticketText(), folder.shopAddress() })
        QVERIFY2(QFile::exists(path), qPrintable(path));
    // The window applies its own limits to the height it is given.
    QCOMPARE(session.windowPlace().height, 300);
    QCOMPARE(session.workspace().DayInc, 12);

    TextList::write(folder.towns(), { "Praha", "Brno" });
    QSignalSpy towns(&session, &Session::townsLoaded);
    session.loadLists();
    QCOMPARE(towns.size(), 1);
    QCOMPARE(towns.at(0).at(0).toStringList(), QStringList({ "Praha", "Brno" }));

    QSignalSpy texts(&session.workspace(), &Workspace::textsChanged);
    session.applyLanguage(folder.languageFolder() + "/en.lng");
    QCOMPARE(texts.size(), 1);
    QCOMPARE(session.workspace().LangName, "English");

    session.workspace().DayInc = 9;
    session.writeSettings({ 7, 8, 500 });
    QCOMPARE(
        TextList::read(folder.settings()), QStringList({ "[Program]", "Left=7", "Top=8", "Height=500", "DayInc=9", "", "[Handover]", "WarrantyDays=90" }));
}

TRELOMAR_TEST(TestSession)

#include "TestSession.moc"
