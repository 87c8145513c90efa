#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "ui/controls/TDBEdit.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// The store when it cannot be written: a full disk, another program's lock,
// a read-only file. The user is told once, the ticket being typed stays in
// the editor, and every stored ticket is still there, whole.
namespace {

// Another program's connection to the store, held open while it lives.
class OtherProgram
{
public:
    explicit OtherProgram(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        db.open();
    }
    ~OtherProgram()
    {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    bool exec(const QString& sql) { return QSqlQuery(QSqlDatabase::database(name(), false)).exec(sql); }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(name(), false));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    // Every ticket as "number name", in number order.
    QStringList tickets()
    {
        QStringList all;
        QSqlQuery q(QSqlDatabase::database(name(), false));
        q.exec(QStringLiteral("SELECT cislo, jmeno FROM opravenky ORDER BY cislo"));
        while (q.next())
            all << q.value(0).toString() + u' ' + q.value(1).toString();
        return all;
    }

private:
    static QString name() { return QStringLiteral("other-program"); }
};

// What a second look at the file finds: checked, every ticket listed.
QStringList storedTickets(const QString& path)
{
    OtherProgram look(path);
    if (look.value(QStringLiteral("PRAGMA integrity_check")).toString() != QLatin1String("ok"))
        return {QStringLiteral("damaged")};
    return look.tickets();
}

const QStringList ThreeTickets = {QStringLiteral("1 Novák"), QStringLiteral("2 Dvořák"), QStringLiteral("3 Svoboda")};

void addThreeTickets(const AppFixture& app)
{
    for (const QString& ticket : ThreeTickets) {
        app.DM()->ADOTable->Append();
        app.DM()->ADOTablecislo->setAsInteger(ticket.section(u' ', 0, 0).toInt());
        app.DM()->ADOTablejmeno->setAsString(ticket.section(u' ', 1));
        app.DM()->ADOTable->Post();
    }
}

void typeName(const AppFixture& app, const QString& name)
{
    auto* box = control<TDBEdit>(app.fOpravenka(), "dbedJmeno");
    box->setFocus(Qt::TabFocusReason);
    for (const QChar c : name)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void pressF2()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
}

// Writes beyond `bytes` into any file fail with EFBIG while it lives,
// instead of raising SIGXFSZ, which would end the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved {};
    void (*m_handler)(int) = nullptr;
};

// A small file system of its own on a folder (root only); lazily unmounted
// at the end, so that open files never keep it.
class TinyFileSystem
{
public:
    bool mount(const QString& folder)
    {
        m_folder = folder;
        m_mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k") == 0;
        return m_mounted;
    }
    // Takes every free byte; false if the disk never filled.
    bool fill()
    {
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'f');
        for (int i = 0; i < 1024; ++i)
            if (filler.write(block) != block.size() || !filler.flush())
                return true;
        return false;
    }
    void unmount()
    {
        if (m_mounted)
            umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
        m_mounted = false;
    }
    void free()
    {
        if (m_mounted)
            QFile::remove(m_folder + QStringLiteral("/filler"));
    }
    ~TinyFileSystem() { unmount(); }

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

class TestBadStoreWrites : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskWhilePosting_data()
    {
        QTest::addColumn<bool>("tinyFileSystem"); // else a file size limit
        QTest::addColumn<QString>("reason");
        QTest::newRow("file size limit") << false << "disk I/O error";
        QTest::newRow("full file system") << true << "database or disk is full";
    }
    void fullDiskWhilePosting()
    {
        QFETCH(bool, tinyFileSystem);
        QFETCH(QString, reason);
        TinyFileSystem disk;
        AppFixture::Options options;
        options.createDatabase = !tinyFileSystem;
        bool mounted = false;
        options.beforeStart = [&](const QString& dir) {
            if (!tinyFileSystem)
                return;
            QDir().mkpath(dir + QStringLiteral("/data"));
            mounted = disk.mount(dir + QStringLiteral("/data"));
            if (mounted)
                TicketStore::createDatabase(dir + QStringLiteral("/data/data.mdb"));
        };
        AppFixture app(options);
        if (tinyFileSystem && !mounted)
            QSKIP("mounting a tmpfs needs root");
        addThreeTickets(app);
        const QString store = app.path(QStringLiteral("data/data.mdb"));

        QStringList shown;
        QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
            typeName(app, QStringLiteral("Černý"));
            {
                std::optional<FileSizeLimit> limit;
                if (tinyFileSystem)
                    QVERIFY(disk.fill());
                else // the write-ahead log only grows here: any write beyond its end is refused
                    limit.emplace(rlim_t(QFileInfo(store + QStringLiteral("-wal")).size()));
                pressF2();
                shown = app.errors.messages;
                disk.free();
            }
            QVERIFY(app.fOpravenka()->isVisible());
            QCOMPARE(app.DM()->ADOTable->State(), DataSetState::Insert);
            QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Černý"));
            pressF2(); // room again: the same ticket is stored
        }));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(QStringLiteral("Cannot write to file %1: ").arg(store)), qPrintable(shown[0]));
        QVERIFY2(shown[0].contains(reason), qPrintable(shown[0]));
        QCOMPARE(app.errors.messages.size(), 1);
        QCOMPARE(app.DM()->ADOTable->RecordCount(), 4);
        QCOMPARE(storedTickets(store), ThreeTickets + QStringList {QStringLiteral("4 Černý")});
        app.stop();
        disk.unmount(); // before the working folder is removed
    }

    // Another program holding the store exclusively: the program waits its
    // busy time, says so, and starts without tickets; nothing is changed.
    void storeLockedAtStart()
    {
        std::unique_ptr<OtherProgram> other;
        AppFixture::Options options;
        options.beforeStart = [&](const QString& dir) {
            other = std::make_unique<OtherProgram>(dir + QStringLiteral("/data/data.mdb"));
            other->exec(QStringLiteral("INSERT INTO opravenky (cislo, jmeno) VALUES (1, 'Novák')"));
            other->exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
            other->exec(QStringLiteral("INSERT INTO opravenky (cislo, jmeno) VALUES (2, 'Dvořák')"));
        };
        AppFixture app(options);
        const QString store = app.path(QStringLiteral("data/data.mdb"));
        QCOMPARE(app.errors.messages.size(), 1);
        QCOMPARE(app.errors.messages[0], QStringLiteral("Cannot open file %1: database is locked.").arg(store));
        QVERIFY(!app.DM()->ADOTable->Active());
        other.reset();
        app.DM()->ADOTable->Open();
        QCOMPARE(app.DM()->ADOTable->RecordCount(), 2);
        QCOMPARE(storedTickets(store), ThreeTickets.first(2));
    }

    // Another program's write left open: Post waits, says so, and the ticket
    // stays in the editor until the lock is gone.
    void storeLockedAtPost()
    {
        AppFixture app;
        addThreeTickets(app);
        const QString store = app.path(QStringLiteral("data/data.mdb"));
        app.DM()->ADOTable->setBusyTimeout(100);
        QVERIFY(app.inEditor(&TfMain::actNewExecute, [&] {
            typeName(app, QStringLiteral("Černý"));
            {
                OtherProgram other(store);
                QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
                QVERIFY(other.exec(QStringLiteral("UPDATE opravenky SET jmeno = 'X' WHERE cislo = 1")));
                pressF2();
                QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
            }
            QCOMPARE(app.errors.messages,
                QStringList {QStringLiteral("Cannot write to file %1: database is locked.").arg(store)});
            QCOMPARE(app.DM()->ADOTable->State(), DataSetState::Insert);
            pressF2();
        }));
        QCOMPARE(app.errors.messages.size(), 1);
        QCOMPARE(storedTickets(store), ThreeTickets + QStringList {QStringLiteral("4 Černý")});
    }

    // A store nobody may write, even root: one message at start, the file untouched.
    void readOnlyStore()
    {
        QString store;
        bool immutable = false;
        AppFixture::Options options;
        options.beforeStart = [&](const QString& dir) {
            store = dir + QStringLiteral("/data/data.mdb");
            OtherProgram(store).exec(QStringLiteral("INSERT INTO opravenky (cislo, jmeno) VALUES (1, 'Novák')"));
            if (geteuid() != 0)
                immutable = QFile::setPermissions(store, QFileDevice::ReadOwner);
            else
                immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), store}) == 0;
        };
        AppFixture app(options);
        // Before the working folder is removed.
        const auto writable = qScopeGuard([&] {
            if (geteuid() == 0)
                QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), store});
            QFile::setPermissions(store, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        });
        if (!immutable)
            QSKIP("this file system cannot make a file read-only for root (chattr +i)");
        QCOMPARE(app.errors.messages,
            QStringList {QStringLiteral("Cannot open file %1: the file is read-only.").arg(store)});
        QVERIFY(!app.DM()->ADOTable->Active());
        app.stop();
        QCOMPARE(storedTickets(store), ThreeTickets.first(1));
    }
};

TRELOMAR_TEST(TestBadStoreWrites)
#include "TestBadStoreWrites.moc"
