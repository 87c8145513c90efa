#include "base/AppError.h"
#include "session/StartFolder.h"
#include "session/WorkFolder.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// How a working folder is laid out and which one the program works in.
class TestWorkFolder : public QObject
{
    Q_OBJECT

private:
    // Files as "relative/path=content"; "relative/path=" alone names a folder.
    static void write(const QDir& root, const QStringList& files)
    {
        for (const QString& entry : files) {
            const QString path = root.filePath(entry.section(QLatin1Char('='), 0, 0));
            QDir().mkpath(QFileInfo(path).path());
            if (entry.endsWith(QLatin1Char('='))) {
                QDir().mkpath(path);
                continue;
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(entry.section(QLatin1Char('='), 1).toUtf8());
        }
    }

    static QString read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
    }

private slots:
    void prepareAddsOnlyWhatIsMissing_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("prepared");
        QTest::addColumn<QStringList>("expected"); // "path=content"; "<missing>" for none

        QTest::newRow("empty folder") << QStringList() << true
                                      << QStringList { "lang/cs.lng=CS", "lang/en.lng=EN", "lang/default.lng=CS",
                                             "trelomar.hlp=HELP" };
        QTest::newRow("shop's own choices kept")
            << QStringList { "lang/default.lng=EN", "trelomar.hlp=OWN", "data/mesta.txt=Brno" } << true
            << QStringList { "lang/default.lng=EN", "trelomar.hlp=OWN", "data/mesta.txt=Brno", "lang/cs.lng=CS" };
        QTest::newRow("store there: left alone")
            << QStringList { "data/data.mdb=STORE" } << false
            << QStringList { "data/data.mdb=STORE", "lang/cs.lng=<missing>", "trelomar.hlp=<missing>" };
    }
    void prepareAddsOnlyWhatIsMissing()
    {
        QFETCH(QStringList, existing);
        QFETCH(bool, prepared);
        QFETCH(QStringList, expected);
        QTemporaryDir shipped;
        write(QDir(shipped.path()), { "lang/cs.lng=CS", "lang/en.lng=EN", "trelomar.hlp=HELP", "lang/notes.txt=x" });
        QTemporaryDir temp;
        const QDir work(temp.filePath(QStringLiteral("shop"))); // made by prepare when missing
        write(work, existing);

        QCOMPARE(WorkFolder::prepare(work.path(), shipped.path()), prepared);
        QVERIFY(WorkFolder::hasStore(work.path()));
        for (const QString& entry : expected)
            QCOMPARE(read(work.filePath(entry.section(QLatin1Char('='), 0, 0))), entry.section(QLatin1Char('='), 1));
        QVERIFY(!QFileInfo::exists(work.filePath(QStringLiteral("lang/notes.txt"))));
        if (prepared)
            QVERIFY(QFileInfo(work.filePath(QStringLiteral("data/data.mdb"))).size() > 0); // a real store
    }

    void prepareFailsLoudly()
    {
        QTemporaryDir temp;
        write(QDir(temp.path()), { "blocker=a file, not a folder" });
        QVERIFY_THROWS_EXCEPTION(AppError, WorkFolder::prepare(temp.filePath(QStringLiteral("blocker/shop")), {}));
    }

    void newFoldersAreOwnersOnly()
    {
#ifndef Q_OS_UNIX
        QSKIP("modes are POSIX; Windows gives a new folder its parent's ACL");
#endif
        QTemporaryDir temp;
        const QDir root(temp.path());
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                        | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QDir().mkdir(root.filePath(QStringLiteral("shop")), open));
        WorkFolder::prepare(root.filePath(QStringLiteral("shop")), {});
        WorkFolder::prepare(root.filePath(QStringLiteral("new/shop")), {});
        const auto othersMay = [&](const char* path) {
            return bool(QFileInfo(root.filePath(QString::fromLatin1(path))).permissions()
                        & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther));
        };
        QVERIFY(othersMay("shop")); // existing: left as it was
        for (const char* made : { "shop/data", "new", "new/shop", "new/shop/data" })
            QVERIFY2(!othersMay(made), made);
    }

    void choose_data()
    {
        QTest::addColumn<QStringList>("current"); // files in the current folder
        QTest::addColumn<bool>("requested");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("named folder wins") << QStringList { "trelomar.ini=x" } << true << true << "requested";
        QTest::newRow("store folder") << QStringList { "data=" } << false << true << "current";
        QTest::newRow("settings only") << QStringList { "trelomar.ini=x" } << false << true << "current";
        QTest::newRow("installed, elsewhere") << QStringList { "notes.txt=x" } << false << true << "user";
        QTest::newRow("build folder") << QStringList() << false << false << "current";
    }
    void choose()
    {
        QFETCH(QStringList, current);
        QFETCH(bool, requested);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QTemporaryDir temp;
        write(QDir(temp.path()), current);
        const QHash<QString, QString> folders { { "requested", "/srv/shop" }, { "current", temp.path() },
            { "user", "/home/u/.local/share/trelomar" } };
        QCOMPARE(StartFolder::choose(requested ? folders["requested"] : QString(), temp.path(),
                     installed ? QStringLiteral("/usr/share/trelomar") : QString(), folders["user"]),
            folders[expected]);
    }
};

TRELOMAR_TEST(TestWorkFolder)
#include "TestWorkFolder.moc"
