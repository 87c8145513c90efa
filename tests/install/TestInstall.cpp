#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program as a shop's PC has it: installed under a prefix, started from
// the menu in some folder that is not a working folder.
class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_stage;
    QString m_prefix;

    static QString run(const QString& program, const QStringList& args, const QProcessEnvironment& env = {})
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (!env.isEmpty())
            process.setProcessEnvironment(env);
        process.start(program, args);
        if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return QStringLiteral("FAILED: ") + program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + "\n"
                + QString::fromUtf8(process.readAll()) + process.errorString();
        return {};
    }

    static QString read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_stage.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_stage.path());
        const QString failure = run(QStringLiteral("cmake"),
            { "--install", qEnvironmentVariable("TRELOMAR_BUILD_DIR"), "--prefix", "/usr" }, env);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        m_prefix = m_stage.filePath(QStringLiteral("usr"));
    }

    void installsItsFiles()
    {
        for (const char* path :
            { "bin/trelomar", "bin/trelomar-db", "share/trelomar/trelomar.hlp", "share/trelomar/lang/cs.lng",
                "share/trelomar/lang/en.lng", "share/applications/cz.trelomar.Trelomar.desktop",
                "share/icons/hicolor/scalable/apps/cz.trelomar.Trelomar.svg",
                "share/icons/hicolor/48x48/apps/cz.trelomar.Trelomar.png",
                "share/icons/hicolor/256x256/apps/cz.trelomar.Trelomar.png",
                "share/metainfo/cz.trelomar.Trelomar.metainfo.xml" })
            QVERIFY2(QFileInfo(QDir(m_prefix).filePath(QLatin1String(path))).size() > 0, path);
        QVERIFY(QFileInfo(m_prefix + QStringLiteral("/bin/trelomar")).isExecutable());
    }

    void menuFilesValidate()
    {
        QString failure = run(QStringLiteral("desktop-file-validate"),
            { m_prefix + QStringLiteral("/share/applications/cz.trelomar.Trelomar.desktop") });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        failure = run(QStringLiteral("appstreamcli"),
            { "validate", "--no-net", m_prefix + QStringLiteral("/share/metainfo/cz.trelomar.Trelomar.metainfo.xml") });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // Started, it prepares and opens its folder; a stop signal closes it
    // like Alt+F4, so its settings are written there.
    void startsInItsWorkingFolder_data()
    {
        QTest::addColumn<QString>("setup"); // what is there before the start
        QTest::addColumn<QString>("expected"); // the folder the program works in
        QTest::newRow("first start from anywhere") << ""
                                                   << "HOME/.local/share/trelomar";
        QTest::newRow("own data home") << "xdg"
                                       << "XDG/trelomar";
        QTest::newRow("named folder") << "workdir"
                                      << "TMP/named";
        QTest::newRow("started in a working folder") << "current"
                                                     << "CWD";
    }
    void startsInItsWorkingFolder()
    {
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        QTemporaryDir temp;
        const QString home = temp.filePath(QStringLiteral("home"));
        const QString cwd = temp.filePath(QStringLiteral("cwd"));
        QDir().mkpath(home);
        QDir().mkpath(cwd);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        QStringList args;
        if (setup == QLatin1String("xdg"))
            env.insert(QStringLiteral("XDG_DATA_HOME"), temp.filePath(QStringLiteral("xdg")));
        if (setup == QLatin1String("workdir"))
            args = { QStringLiteral("--workdir"), temp.filePath(QStringLiteral("named")) };
        if (setup == QLatin1String("current")) {
            const QString failure = run(m_prefix + QStringLiteral("/bin/trelomar-db"), { "prepare", cwd }, env);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
        QString folder = expected;
        folder.replace(QLatin1String("HOME"), home).replace(QLatin1String("XDG"), temp.filePath("xdg"));
        folder.replace(QLatin1String("TMP"), temp.path()).replace(QLatin1String("CWD"), cwd);

        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(cwd);
        program.start(m_prefix + QStringLiteral("/bin/trelomar"), args);
        // The main window makes the editor's lists when it is created.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder + QStringLiteral("/data/mesta.txt")), 60000);
        program.terminate();
        QVERIFY(program.waitForFinished(60000));
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(!errors.contains(QLatin1String("Error")), qPrintable(errors)); // no error box came up

        QVERIFY(QFileInfo(folder + QStringLiteral("/data/data.mdb")).size() > 0);
        QCOMPARE(read(folder + QStringLiteral("/lang/default.lng")), read(m_prefix + "/share/trelomar/lang/cs.lng"));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/trelomar.hlp")));
        QVERIFY2(read(folder + QStringLiteral("/trelomar.ini")).contains(QLatin1String("DayInc=30")),
            qPrintable(read(folder + QStringLiteral("/trelomar.ini"))));
        if (folder != cwd)
            QVERIFY(QDir(cwd).isEmpty()); // nothing mixed into the folder it was started in
    }
};

TRELOMAR_TEST(TestInstall)
#include "TestInstall.moc"
