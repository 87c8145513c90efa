#include "tests/powercut/PowerFs.h"
#include "tests/support/TestRegistry.h"

#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Every file and folder under a root, hidden ones too: path -> contents, a folder as "dir".
using Files = QMap<QString, QByteArray>;

Files snapshot(const QString& root)
{
    Files files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const bool read = !it.fileInfo().isDir() && file.open(QIODevice::ReadOnly);
        files[path.mid(root.size() + 1)] = it.fileInfo().isDir() ? QByteArray("dir") : read ? file.readAll() : "?";
    }
    return files;
}

// Plain POSIX calls through the mount, as a program makes them; false on any error.
QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

bool put(const QString& path, const QByteArray& bytes, bool sync, off_t offset = 0, int flags = 0)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::pwrite(fd, bytes.constData(), size_t(bytes.size()), offset) == bytes.size()
        && (!sync || ::fsync(fd) == 0);
    return ::close(fd) == 0 && ok;
}

bool syncDir(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

bool move(const QString& from, const QString& to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0;
}

bool shorten(const QString& path, off_t size, bool sync)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::ftruncate(fd, size) == 0 && (!sync || ::fsync(fd) == 0);
    return ::close(fd) == 0 && ok;
}

// Two files that already lasted: a = "A", b = "B".
bool durablePair(const QString& m)
{
    return put(m + "/a", "A", true) && put(m + "/b", "B", true) && syncDir(m);
}

// What a test does through the mount before the cut.
using Scene = bool (*)(const QString& mount);

// Several folders, each with changes of every kind, none forced.
bool mixedChanges(const QString& m)
{
    return durablePair(m) && ::mkdir(native(m + "/d").constData(), 0755) == 0 && syncDir(m)
        && put(m + "/a", QByteArray(1500, 'x'), false) && put(m + "/d/c", "C", true) && move(m + "/b", m + "/d/b")
        && put(m + "/e", "E", false) && ::unlink(native(m + "/a").constData()) == 0;
}

} // namespace

Q_DECLARE_METATYPE(Scene)

class TestPowerFs : public QObject
{
    Q_OBJECT

private:
    // Mounts, plays the scene, cuts with the seed, unmounts: what the disk holds.
    static Files afterCut(Scene scene, quint64 seed)
    {
        PowerFs fs;
        if (!fs.mount())
            return {{QStringLiteral("failed"), fs.error().toUtf8()}};
        const bool played = scene(fs.mountPoint());
        if (!played || !fs.cut(seed) || !fs.unmount())
            return {{QStringLiteral("failed"), (played ? fs.error() : qt_error_string(errno)).toUtf8()}};
        return snapshot(fs.disk());
    }

private slots:
    void initTestCase()
    {
        const QString reason = PowerFs::unavailable();
        if (reason.isEmpty())
            return;
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL(qPrintable(reason));
        QSKIP(qPrintable(reason));
    }

    void cut_data()
    {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<quint64>("seed");
        QTest::addColumn<Files>("expected");
        // Seed 0 loses everything that was not forced.
        QTest::newRow("unsynced overwrite") << Scene([](const QString& m) {
            return durablePair(m) && put(m + "/a", "N", false);
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("unsynced append") << Scene([](const QString& m) {
            return durablePair(m) && put(m + "/a", QByteArray(700, 'n'), false, 1);
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("unsynced truncate") << Scene([](const QString& m) {
            return durablePair(m) && shorten(m + "/a", 0, false);
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("unsynced rewrite with O_TRUNC") << Scene([](const QString& m) {
            return durablePair(m) && put(m + "/a", "NN", false, 0, O_TRUNC);
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("file synced, folder not") << Scene([](const QString& m) {
            return durablePair(m) && put(m + "/c", "C", true);
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("new folder synced, its parent not") << Scene([](const QString& m) {
            return durablePair(m) && ::mkdir(native(m + "/d").constData(), 0755) == 0 && put(m + "/d/c", "C", true)
                && syncDir(m + "/d");
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("rename over a file, folder not synced") << Scene([](const QString& m) {
            return durablePair(m) && move(m + "/a", m + "/b");
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        QTest::newRow("unlink, folder not synced") << Scene([](const QString& m) {
            return durablePair(m) && ::unlink(native(m + "/a").constData()) == 0;
        }) << quint64(0) << Files {{"a", "A"}, {"b", "B"}};
        // What was forced lasts whatever the seed.
        for (const quint64 seed : {0, 7, 12345}) {
            const QByteArray s = " seed " + QByteArray::number(seed);
            QTest::newRow("new file, file and folder synced" + s) << Scene([](const QString& m) {
                return put(m + "/c", QByteArray(1300, 'c'), true) && syncDir(m);
            }) << seed << Files {{"c", QByteArray(1300, 'c')}};
            QTest::newRow("write, fsync, rename over, folder synced" + s) << Scene([](const QString& m) {
                return durablePair(m) && put(m + "/t", "T", true) && move(m + "/t", m + "/b") && syncDir(m);
            }) << seed << Files {{"a", "A"}, {"b", "T"}};
            // As in a journal, the rename carries the source folder's earlier changes with it.
            QTest::newRow("rename between folders, only the target synced" + s) << Scene([](const QString& m) {
                return durablePair(m) && ::mkdir(native(m + "/d").constData(), 0755) == 0 && syncDir(m)
                    && put(m + "/c", "C", true) && move(m + "/a", m + "/d/a") && syncDir(m + "/d");
            }) << seed << Files {{"b", "B"}, {"c", "C"}, {"d", "dir"}, {"d/a", "A"}};
            QTest::newRow("truncate and unlink, both synced" + s) << Scene([](const QString& m) {
                return durablePair(m) && put(m + "/a", "AAA", true, 1) && shorten(m + "/a", 2, true)
                    && ::unlink(native(m + "/b").constData()) == 0 && syncDir(m);
            }) << seed << Files {{"a", "AA"}};
        }
    }

    // The disk after the cut, read directly and then through a fresh mount.
    void cut()
    {
        QFETCH(Scene, scene);
        QFETCH(quint64, seed);
        QFETCH(Files, expected);
        PowerFs fs;
        QVERIFY2(fs.mount(), qPrintable(fs.error()));
        QVERIFY(scene(fs.mountPoint()));
        QVERIFY2(fs.cut(seed), qPrintable(fs.error()));
        QVERIFY2(fs.unmount(), qPrintable(fs.error()));
        QCOMPARE(snapshot(fs.disk()), expected);
        QVERIFY2(fs.mount(), qPrintable(fs.error()));
        QCOMPARE(snapshot(fs.mountPoint()), expected);
    }

    // An unsynced overwrite of four sectors: each sector is old, new, or a
    // prefix of the new bytes over the old ones, and the seeds show all three.
    void sectorsAreKeptDroppedOrTorn()
    {
        QSet<QString> seen;
        for (quint64 seed = 1; seed <= 12; ++seed) {
            const Files disk = afterCut(
                [](const QString& m) {
                    return put(m + "/f", QByteArray(2048, 'o'), true) && syncDir(m)
                        && put(m + "/f", QByteArray(2048, 'n'), false);
                },
                seed);
            const QByteArray f = disk.value("f");
            QCOMPARE(f.size(), 2048);
            for (int s = 0; s < 4; ++s) {
                const QByteArray sector = f.mid(s * 512, 512);
                const qsizetype fresh = sector.indexOf('o') < 0 ? 512 : sector.indexOf('o');
                QVERIFY2(sector == QByteArray(fresh, 'n') + QByteArray(512 - fresh, 'o'), sector.constData());
                seen << (fresh == 0 ? "dropped" : fresh == 512 ? "kept" : "torn");
            }
        }
        QCOMPARE(seen, (QSet<QString> {"kept", "dropped", "torn"}));
    }

    // Four files made in turn, each fsynced, the folder not: what survives is
    // always the first few, and the seeds choose how many.
    void folderKeepsAPrefixOfItsChanges()
    {
        const QStringList order {"f1", "f2", "f3", "f4"};
        QSet<int> lengths;
        for (quint64 seed = 1; seed <= 12; ++seed) {
            const QStringList left = afterCut(
                                         [](const QString& m) {
                                             for (const char* name : {"/f1", "/f2", "/f3", "/f4"})
                                                 if (!put(m + name, name, true))
                                                     return false;
                                             return true;
                                         },
                                         seed)
                                         .keys();
            QCOMPARE(left, order.mid(0, left.size()));
            lengths << int(left.size());
        }
        QVERIFY2(lengths.size() > 2, "the seeds should keep prefixes of different lengths");
    }

    // A rename between folders undone in one of them is undone in both, and so
    // is every later change of each: a folder made where the file was must go first.
    void renameBetweenFoldersUndoneWithWhatFollows()
    {
        const Files before {{"a", "A"}, {"b", "B"}, {"d", "dir"}};
        const Files renamed {{"b", "B"}, {"d", "dir"}, {"d/a", "A"}};
        Files both = renamed;
        both.insert("a", "dir");
        for (quint64 seed = 1; seed <= 24; ++seed) {
            const Files disk = afterCut(
                [](const QString& m) {
                    return durablePair(m) && ::mkdir(native(m + "/d").constData(), 0755) == 0 && syncDir(m)
                        && move(m + "/a", m + "/d/a") && ::mkdir(native(m + "/a").constData(), 0755) == 0;
                },
                seed);
            QVERIFY2(disk == before || disk == renamed || disk == both, qPrintable(QString::number(seed)));
        }
    }

    void sameSeedSameDisk_data()
    {
        QTest::addColumn<quint64>("seed");
        for (const quint64 seed : {1, 2, 3, 99})
            QTest::newRow(QByteArray::number(seed).constData()) << seed;
    }

    void sameSeedSameDisk()
    {
        QFETCH(quint64, seed);
        const Files first = afterCut(mixedChanges, seed);
        QVERIFY(!first.contains("failed"));
        QCOMPARE(afterCut(mixedChanges, seed), first);
    }

    void seedsChooseDifferentDisks()
    {
        QSet<QByteArray> disks;
        for (quint64 seed = 1; seed <= 4; ++seed) {
            const Files disk = afterCut(mixedChanges, seed);
            QByteArray all;
            for (auto it = disk.begin(); it != disk.end(); ++it)
                all += it.key().toUtf8() + '=' + it.value() + ';';
            disks << all;
        }
        QVERIFY(disks.size() > 1);
    }

    // A dead disk: a file open before the cut can no longer be written, nothing new can be made.
    void refusesWritesAfterTheCut()
    {
        PowerFs fs;
        QVERIFY2(fs.mount(), qPrintable(fs.error()));
        const int fd = ::open(native(fs.mountPoint() + "/f").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        QVERIFY2(fs.cut(5), qPrintable(fs.error()));
        errno = 0;
        QCOMPARE(::write(fd, "x", 1), ssize_t(-1));
        QCOMPARE(errno, EIO);
        ::close(fd);
        QVERIFY(!put(fs.mountPoint() + "/g", "G", false));
        QCOMPARE(errno, EIO);
        QVERIFY2(fs.unmount(), qPrintable(fs.error()));
    }
};

TRELOMAR_TEST(TestPowerFs)
#include "TestPowerFs.moc"
