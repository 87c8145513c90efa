#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The Debian package CPack makes from the build folder.
class TestPackage : public QObject
{
    Q_OBJECT

private:
    static QString output(const QString& program, const QStringList& args, QString* failure)
    {
        QProcess process;
        process.start(program, args);
        if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0) {
            *failure = program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + " failed:\n"
                + QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())
                + process.errorString();
            return {};
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }

private slots:
    void packageHoldsTheProgramAndItsDependencies()
    {
        QTemporaryDir out;
        QString failure;
        QElapsedTimer timer;
        timer.start();
        output(QStringLiteral("cpack"),
            { "-G", "DEB", "--config", qEnvironmentVariable("TRELOMAR_BUILD_DIR") + "/CPackConfig.cmake", "-B",
                out.path() },
            &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QStringList debs = QDir(out.path()).entryList({ QStringLiteral("trelomar_*.deb") }, QDir::Files);
        QCOMPARE(debs.size(), 1);
        const QString deb = out.filePath(debs.first());
        qInfo("%s: %lld bytes, built in %lld ms", qPrintable(debs.first()), QFileInfo(deb).size(), timer.elapsed());

        const QString files = output(QStringLiteral("dpkg-deb"), { "--contents", deb }, &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        for (const char* path : { "./usr/bin/trelomar", "./usr/bin/trelomar-db", "./usr/share/trelomar/lang/cs.lng",
                 "./usr/share/trelomar/trelomar.hlp", "./usr/share/applications/cz.trelomar.Trelomar.desktop",
                 "./usr/share/icons/hicolor/scalable/apps/cz.trelomar.Trelomar.svg",
                 "./usr/share/metainfo/cz.trelomar.Trelomar.metainfo.xml" })
            QVERIFY2(files.contains(QLatin1String(path)), path);
        QVERIFY2(!files.contains(QLatin1String("tst_")) && !files.contains(QLatin1String("bench")), qPrintable(files));

        const QString depends = output(QStringLiteral("dpkg-deb"), { "--field", deb, "Depends" }, &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        // Found in the binaries, and the plugins loaded at run time.
        for (const char* package : { "libc6", "libqt6widgets6", "libqt6sql6", "libqt6printsupport6", "libsqlite3-0",
                 "libqt6sql6-sqlite", "libqt6svg6", "libpq5", "libmdb3" })
            QVERIFY2(depends.contains(QRegularExpression(QStringLiteral("(^|, )%1( |,|$)").arg(package))),
                qPrintable(package + QStringLiteral(" missing from: ") + depends));
        QCOMPARE(output(QStringLiteral("dpkg-deb"), { "--field", deb, "Package" }, &failure).trimmed(),
            QStringLiteral("trelomar"));
    }
};

TRELOMAR_TEST(TestPackage)
#include "TestPackage.moc"
