// Smoke paths through a real X server with a window manager: real key events,
// real activation and focus, the real program binary, read back from its
// database, the printer queue and its error stream.

#include "tests/e2e/TestEndToEnd.h"

#include "tests/legacy/JetWriter.h"
#include "tests/support/OwnServer.h"
#include "tests/support/PgDatabase.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <utility>
#include <vector>

QStringList sqlOn(const QString& folder, const QString& statement)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/data/data.mdb"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement)) {
                while (query.next()) {
                    QStringList columns;
                    for (int i = 0; i < query.record().count(); ++i)
                        columns << query.value(i).toString();
                    rows << columns.join(QLatin1Char('|'));
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}


// Jobs of the test printer that the print server has finished.
int completedJobs()
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), { QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o") });
    lpstat.waitForFinished();
    return int(QString::fromUtf8(lpstat.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

int pendingJobs()
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), { QStringLiteral("-o") });
    lpstat.waitForFinished();
    return int(QString::fromUtf8(lpstat.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

bool defaultPrinterIsTestPrinter()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return false;
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), { QStringLiteral("-v"), printer.printerName() });
    return lpstat.waitForFinished() && lpstat.readAllStandardOutput().contains("cups-pdf:");
}

// A counter's working folder whose store is the shop's server.
bool useServer(const Workspace& work, const QString& url)
{
    QFile ini(work.path() + QStringLiteral("/trelomar.ini"));
    return ini.open(QIODevice::WriteOnly) && ini.write("[Database]\nUrl=" + url.toUtf8() + '\n') > 0;
}

void TestEndToEnd::f7PrintsOneSheetAndEscStoresNothing()
{
    if (!defaultPrinterIsTestPrinter())
        QSKIP("the default printer is not the PDF test printer: not printing");
    START_SESSION(x);
    Workspace work;
    QVERIFY(work.ready());
    QVERIFY(x.startProgram(work.path()));

    QVERIFY(x.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Tab") })); // from the number to the name
    QVERIFY(x.type(QStringLiteral("Novak")));
    const int before = completedJobs();
    QVERIFY(x.key({ QStringLiteral("F7") }));
    // A second job for the same press would be sent right after the first,
    // long before the first is through the server.
    QTRY_VERIFY_WITH_TIMEOUT(completedJobs() > before && pendingJobs() == 0, Timeout);
    QCOMPARE(completedJobs(), before + 1);

    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Escape") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QVERIFY(work.names().isEmpty());
    QVERIFY2(x.programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(x.programErrors()));
}

void TestEndToEnd::f7WithoutPrinterSaysSoOnce()
{
    START_SESSION(x);
    Workspace work;
    QVERIFY(work.ready());
    QProcessEnvironment noPrinter;
    noPrinter.insert(QStringLiteral("CUPS_SERVER"), work.path() + QStringLiteral("/no-print-server"));
    QVERIFY(x.startProgram(work.path(), noPrinter));

    QVERIFY(x.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("F7") }));
    const QString message = QStringLiteral("Error: Není nainstalována žádná tiskárna.");
    QTRY_VERIFY_WITH_TIMEOUT(x.programErrors().contains(message), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), ErrorBoxTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Return") }));
    // Back in the editor with the ticket still pending, and no second box.
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QCOMPARE(x.programErrors().count(message), 1);
    QVERIFY(x.key({ QStringLiteral("Escape") }));
    QTRY_VERIFY_WITH_TIMEOUT(!x.isShown(EditorTitle), Timeout);
    QCOMPARE(x.programErrors().count(message), 1);
}

void TestEndToEnd::f2StoresCzechNameOnce()
{
    START_SESSION(x);
    Workspace work;
    QVERIFY(work.ready());
    QVERIFY(x.startProgram(work.path()));

    QVERIFY(x.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Tab") }));
    QVERIFY(x.type(QStringLiteral("Jůlie Čechová")));
    QVERIFY(x.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(work.names(), QStringList { QStringLiteral("Jůlie Čechová") }, Timeout);
    QCOMPARE(work.sql(QStringLiteral("SELECT cislo FROM opravenky")), QStringList { QStringLiteral("1") });
    QVERIFY2(x.programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(x.programErrors()));
}

void TestEndToEnd::searchBoxKeysAndFocusAfterDialogs()
{
    START_SESSION(x);
    Workspace work;
    QVERIFY(work.ready());
    work.addTicket(1, QStringLiteral("Adam"), QStringLiteral("111111111111111"));
    work.addTicket(2, QStringLiteral("Bara"), QStringLiteral("222222222222222"));
    work.addTicket(3, QStringLiteral("Cyril"), QStringLiteral("333333333333333"));
    QVERIFY(x.startProgram(work.path()));

    // Into the search box at the bottom, by mouse as counter staff do.
    QVERIFY(x.clickFromBottomLeft(MainTitle, 140, 13));

    // Typing narrows the grid to Bara's ticket; Ctrl+Del deletes that one.
    QVERIFY(x.type(QStringLiteral("22")));
    QVERIFY(x.key({ QStringLiteral("ctrl+Delete") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), DeleteTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(work.names(), QStringList({ QStringLiteral("Adam"), QStringLiteral("Cyril") }), Timeout);

    // After the delete dialog and the setup window the search box still has
    // the keyboard: the typed text narrows the grid to Cyril's ticket.
    QVERIFY(x.key({ QStringLiteral("ctrl+s") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), SetupTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Escape") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("BackSpace"), QStringLiteral("BackSpace"), QStringLiteral("3") }));
    QVERIFY(x.key({ QStringLiteral("ctrl+Delete") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), DeleteTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Escape") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QCOMPARE(work.names().size(), 2); // Esc deleted nothing
    QVERIFY(x.key({ QStringLiteral("ctrl+Delete") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), DeleteTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(work.names(), QStringList { QStringLiteral("Adam") }, Timeout);

    // Ctrl+Ins from the search box: a new ticket with its IMEI, eight boxes
    // below the number.
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("BackSpace"), QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Tab") }));
    QVERIFY(x.type(QStringLiteral("Dana")));
    QVERIFY(x.key(QStringList(7, QStringLiteral("Tab"))));
    QVERIFY(x.type(QStringLiteral("444444")));
    QVERIFY(x.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(work.names(), QStringList({ QStringLiteral("Adam"), QStringLiteral("Dana") }), Timeout);
    QCOMPARE(work.sql(QStringLiteral("SELECT IMEI FROM opravenky WHERE jmeno = 'Dana'")),
        QStringList { QStringLiteral("444444") });

    // Back in the search box after the editor: "1" leaves Adam alone.
    QVERIFY(x.type(QStringLiteral("1")));
    QVERIFY(x.key({ QStringLiteral("ctrl+Delete") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), DeleteTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(work.names(), QStringList { QStringLiteral("Dana") }, Timeout);
    QVERIFY2(x.programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(x.programErrors()));
}

void TestEndToEnd::accessFileConvertedAtStart()
{
    START_SESSION(x);
    Workspace work(Workspace::Store::None);
    QVERIFY(work.ready());
    // A shop's old working folder: its tickets in an Access file.
    using W = JetWriter;
    W access(QStringLiteral("opravenky"),
        { { "cislo", W::Long }, { "jmeno", W::Text, 100 }, { "adresa", W::Text, 100 }, { "mesto", W::Text, 50 },
            { "telefon", W::Text, 50 }, { "IMEI", W::Text, 50 }, { "vada", W::Text, 50 }, { "cena", W::Money },
            { "tel", W::Text, 20 }, { "technik", W::Text, 25 }, { "druh_opravy", W::Text, 20 },
            { "kompletnost", W::Memo }, { "prijato", W::DateTime }, { "vydej", W::DateTime } });
    for (const auto& [number, name] : { std::pair { 7, "Jůlie" }, std::pair { 8, "Řehoř" } })
        access.addRow({ qint64(number), QString::fromUtf8(name), {}, {}, {}, QStringLiteral("350000000000001"), {},
            qint64(12345000), {}, {}, {}, {}, W::oleDate(2004, 3, 1), {} });
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("data")));
    QVERIFY(access.write(work.path() + QStringLiteral("/data/data.mdb")));

    // The question comes before the main window; Enter answers Yes.
    QVERIFY(x.startProgram(work.path()));
    QCOMPARE(x.activeWindow(), ErrorBoxTitle);
    QVERIFY(x.key({ QStringLiteral("Return") }));
    // The closing message, once the report is written, under the title the progress window has too:
    // Enter closes the message and the progress window ignores it.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(work.path() + QStringLiteral("/data/import-report.txt")), 3 * Timeout);
    QTRY_VERIFY_WITH_TIMEOUT([&] {
        const QString active = x.activeWindow();
        if (active == ErrorBoxTitle)
            x.key({ QStringLiteral("Return") });
        return active == MainTitle;
    }(), 3 * Timeout);
    QCOMPARE(work.sql(QStringLiteral("SELECT cislo, jmeno, cena, prijato FROM opravenky ORDER BY cislo")),
        QStringList({ QStringLiteral("7|Jůlie|12345000|2004-03-01T00:00:00"), QStringLiteral("8|Řehoř|12345000|2004-03-01T00:00:00") }));
    QVERIFY(QFile::exists(work.path() + QStringLiteral("/data/data-access.mdb")));
    QVERIFY2(x.programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(x.programErrors()));
}

void TestEndToEnd::twoCountersOnOneServer()
{
    PG_DATABASE(db);
    QProcess init;
    init.start(qEnvironmentVariable("TRELOMAR_DB_TOOL"), { QStringLiteral("init"), QStringLiteral("--url"), db.url() });
    QVERIFY(init.waitForFinished());
    QVERIFY2(init.exitCode() == 0, init.readAllStandardError().constData());
    const auto count = [&](const QString& where) {
        return db.exec(QStringLiteral("SELECT count(*) FROM opravenky WHERE ") + where).toInt();
    };

    START_SESSION(a);
    START_SESSION(b);
    Workspace workA(Workspace::Store::None), workB(Workspace::Store::None);
    QVERIFY(workA.ready() && workB.ready());
    QVERIFY(useServer(workA, db.url()) && useServer(workB, db.url()));
    QVERIFY(a.startProgram(workA.path()));
    QVERIFY(b.startProgram(workB.path()));

    // B searches for an IMEI nobody has stored yet: its grid is empty.
    QVERIFY(b.clickFromBottomLeft(MainTitle, 140, 13));
    QVERIFY(b.type(QStringLiteral("44")));

    // A stores that ticket; it is on the server at once.
    QVERIFY(a.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_VERIFY2_WITH_TIMEOUT(a.activeWindow() == EditorTitle, qPrintable(a.programErrors()), Timeout);
    QVERIFY(a.key({ QStringLiteral("Tab") }));
    QVERIFY(a.type(QStringLiteral("Dana")));
    QVERIFY(a.key(QStringList(7, QStringLiteral("Tab"))));
    QVERIFY(a.type(QStringLiteral("444444")));
    QVERIFY(a.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("imei = '444444' AND jmeno = 'Dana'")), 1, Timeout);

    // Idle, B lists it within a second without a key pressed: its Ctrl+Del
    // then deletes exactly that ticket. The wait is the allowed delay itself.
    QTest::qWait(1000);
    QVERIFY(b.key({ QStringLiteral("ctrl+Delete") }));
    QTRY_COMPARE_WITH_TIMEOUT(b.activeWindow(), DeleteTitle, Timeout);
    QVERIFY(b.key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("true")), 0, Timeout);

    // Both press New together: two numbers, both tickets stored.
    QTRY_COMPARE_WITH_TIMEOUT(b.activeWindow(), MainTitle, Timeout);
    QVERIFY(XSession::keyTogether(a, b, { QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(a.activeWindow(), EditorTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(b.activeWindow(), EditorTitle, Timeout);
    for (auto [counter, name] : { std::pair { &a, "Eva" }, std::pair { &b, "Filip" } }) {
        QVERIFY(counter->key({ QStringLiteral("Tab") }));
        QVERIFY(counter->type(QString::fromLatin1(name)));
        QVERIFY(counter->key({ QStringLiteral("F2") }));
        QTRY_COMPARE_WITH_TIMEOUT(counter->activeWindow(), MainTitle, Timeout);
    }
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("true")), 2, Timeout);
    // The deleted ticket's number was free again; whichever came first got it.
    QCOMPARE(db.exec(QStringLiteral("SELECT string_agg(cislo::text, ',' ORDER BY cislo) FROM opravenky")),
        QStringLiteral("1,2"));
    for (XSession* counter : { &a, &b })
        QVERIFY2(counter->programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(counter->programErrors()));
}

// The installed program started from the menu (the setup program's test sets
// TRELOMAR_USER_FOLDER, where it must work, and TRELOMAR_END_SESSION, the
// command that ends the desktop session): it prepares that folder, stores a
// ticket there, and writes its settings when the session ends.
void TestEndToEnd::installedProgramInUserFolder()
{
    const QString folder = qEnvironmentVariable("TRELOMAR_USER_FOLDER");
    if (folder.isEmpty())
        QSKIP("run by the setup program's test");
    START_SESSION(x);
    QTemporaryDir elsewhere;
    QVERIFY(x.startProgram(elsewhere.path()));
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/data/data.mdb")));

    QVERIFY(x.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), EditorTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Tab") }));
    QVERIFY(x.type(QStringLiteral("Řehoř Šťastný")));
    QVERIFY(x.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(sqlOn(folder, QStringLiteral("SELECT jmeno FROM opravenky")),
        QStringList { QStringLiteral("Řehoř Šťastný") }, Timeout);

    // The session's end may end the process itself once it has answered: the settings are written first.
    QProcess::execute(QStringLiteral("sh"), { QStringLiteral("-c"), qEnvironmentVariable("TRELOMAR_END_SESSION") });
    QVERIFY(x.waitForProgramEnd(Timeout));
    QFile ini(folder + QStringLiteral("/trelomar.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("DayInc=30"));
    QVERIFY(QDir(elsewhere.path()).isEmpty());
    QVERIFY2(x.programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(x.programErrors()));

    QProcess check;
    check.start(qEnvironmentVariable("TRELOMAR_DB_TOOL"), { QStringLiteral("check"), folder });
    QVERIFY(check.waitForFinished(3 * Timeout));
    QVERIFY2(check.exitCode() == 0, check.readAll().constData());
}

void TestEndToEnd::countersThroughServerRestart()
{
    PG_DATABASE(shared);
    OwnServer server;
    QVERIFY2(!server.url().isEmpty(), "the test's own server did not start");
    QProcess init;
    init.start(qEnvironmentVariable("TRELOMAR_DB_TOOL"), { QStringLiteral("init"), QStringLiteral("--url"), server.url() });
    QVERIFY(init.waitForFinished());
    QVERIFY2(init.exitCode() == 0, init.readAllStandardError().constData());
    const auto sql = [&](const char* statement) { return PgDatabase::execOn(server.url(), QString::fromUtf8(statement)); };

    START_SESSION(a);
    START_SESSION(b);
    Workspace workA(Workspace::Store::None), workB(Workspace::Store::None);
    QVERIFY(workA.ready() && workB.ready());
    QVERIFY(useServer(workA, server.url()) && useServer(workB, server.url()));
    QVERIFY(a.startProgram(workA.path()));
    QVERIFY(b.startProgram(workB.path()));

    // A opens New, the server restarts, B opens New: once A is back, each
    // editor holds its own number (a number is held by one counter only).
    QVERIFY(a.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(a.activeWindow(), EditorTitle, Timeout);
    QVERIFY(server.kill() && server.restart());
    QVERIFY(b.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(b.activeWindow(), EditorTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(sql("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'"), QStringLiteral("2"),
                              Timeout);
    for (auto [counter, name] : { std::pair { &a, "Eva" }, std::pair { &b, "Filip" } }) {
        QVERIFY(counter->key({ QStringLiteral("Tab") }));
        QVERIFY(counter->type(QString::fromLatin1(name)));
        QVERIFY(counter->key(QStringList(7, QStringLiteral("Tab"))));
        QVERIFY(counter->type(QStringLiteral("111111"))); // not listed by the search below
        QVERIFY(counter->key({ QStringLiteral("F2") }));
        QTRY_COMPARE_WITH_TIMEOUT(counter->activeWindow(), MainTitle, Timeout);
    }
    QTRY_COMPARE_WITH_TIMEOUT(sql("SELECT count(DISTINCT cislo) || ' ' || count(*) FROM opravenky"),
                              QStringLiteral("2 2"), Timeout);

    // A, idle with a search that lists nothing yet, shows the ticket B stores
    // after another restart within 10 s of it, without a key pressed: its
    // Ctrl+Del then deletes exactly that ticket.
    QVERIFY(a.clickFromBottomLeft(MainTitle, 140, 13));
    QVERIFY(a.type(QStringLiteral("55")));
    QVERIFY(server.kill() && server.restart());
    QElapsedTimer sinceRestart;
    sinceRestart.start();
    QVERIFY(b.key({ QStringLiteral("ctrl+Insert") }));
    QTRY_COMPARE_WITH_TIMEOUT(b.activeWindow(), EditorTitle, Timeout);
    QVERIFY(b.key({ QStringLiteral("Tab") }));
    QVERIFY(b.type(QStringLiteral("Gita")));
    QVERIFY(b.key(QStringList(7, QStringLiteral("Tab"))));
    QVERIFY(b.type(QStringLiteral("555555")));
    QVERIFY(b.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(sql("SELECT count(*) FROM opravenky WHERE imei = '555555'"), QStringLiteral("1"), Timeout);
    QTest::qWait(int(std::max<qint64>(0, 10000 - sinceRestart.elapsed()))); // the allowed delay itself
    QVERIFY(a.key({ QStringLiteral("ctrl+Delete") }));
    QTRY_COMPARE_WITH_TIMEOUT(a.activeWindow(), DeleteTitle, Timeout);
    QVERIFY(a.key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(sql("SELECT count(*) FROM opravenky"), QStringLiteral("2"), Timeout);
    QCOMPARE(sql("SELECT count(*) FROM opravenky WHERE imei = '555555'"), QStringLiteral("0"));
    for (XSession* counter : { &a, &b })
        QVERIFY2(counter->programErrors().indexOf(QLatin1String("Error:")) < 0, qPrintable(counter->programErrors()));
}

void TestEndToEnd::statusHandoverAndListsByKeys()
{
    START_SESSION(x);
    Workspace work;
    QVERIFY(work.ready());
    // Each list below holds one ticket, so the grid's current row after a
    // list key tells which list is shown. Bara's ticket is handed over first.
    const struct
    {
        int number;
        const char* name;
        const char* status;
        const char* due;
    } tickets[] = { { 1, "Adam", "prijato", "2001-01-01T00:00:00" }, { 2, "Bara", "v_oprave", "2999-01-01T00:00:00" },
        { 3, "Cyril", "hotovo", "2999-01-01T00:00:00" }, { 4, "Dana", "ceka_na_dil", "2999-01-01T00:00:00" } };
    for (const auto& ticket : tickets) {
        work.addTicket(ticket.number, QString::fromLatin1(ticket.name), QString(15, QChar(u'0' + ticket.number)));
        work.sql(QStringLiteral("UPDATE opravenky SET vydej = '%1', cena = 15000000 WHERE cislo = %2")
                     .arg(QLatin1String(ticket.due))
                     .arg(ticket.number));
        work.sql(QStringLiteral("INSERT INTO historie_stavu (opravenka, cas, stav) SELECT id, '2024-01-01T08:00:00Z', "
                                "'%1' FROM opravenky WHERE cislo = %2")
                     .arg(QLatin1String(ticket.status))
                     .arg(ticket.number));
    }
    const auto newestChange = [&] {
        return work
            .sql(QStringLiteral("SELECT o.cislo, h.stav, h.poznamka, h.technik, h.castka FROM historie_stavu h "
                                "JOIN opravenky o ON o.id = h.opravenka ORDER BY h.id DESC LIMIT 1"))
            .value(0);
    };
    QVERIFY(x.startProgram(work.path()));

    // F4 on Bara's ticket, found by its IMEI: the next status, a note and who.
    QVERIFY(x.clickFromBottomLeft(MainTitle, 140, 13));
    QVERIFY(x.type(QStringLiteral("22")));
    QVERIFY(x.key({ QStringLiteral("F4") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), StatusTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("Down"), QStringLiteral("Tab") }));
    QVERIFY(x.type(QStringLiteral("Čeká na displej")));
    QVERIFY(x.key({ QStringLiteral("Tab") }));
    QVERIFY(x.type(QStringLiteral("Jana")));
    QVERIFY(x.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(newestChange(), QStringLiteral("2|ceka_na_dil|Čeká na displej|Jana|"), Timeout);

    // F8 hands it over for its price, by the same counter; a second F8 says it went already.
    QVERIFY(x.key({ QStringLiteral("F8") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), HandoverTitle, Timeout);
    QVERIFY(x.key({ QStringLiteral("F2") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(newestChange(), QStringLiteral("2|vydano||Jana|15000000"), Timeout);
    QVERIFY(x.key({ QStringLiteral("F8") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), ErrorBoxTitle, Timeout);
    // The installed Windows program under Wine logs its errors to the debugger,
    // not to its error stream: the box alone there.
    const bool windowsProgram = qEnvironmentVariableIsSet("TRELOMAR_E2E_PASTE");
    if (!windowsProgram)
        QVERIFY(x.programErrors().contains(QStringLiteral("Error: Opravenka 2 už byla vydána")));
    QVERIFY(!x.isShown(HandoverTitle));
    QVERIFY(x.key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);

    // The list keys, digits and the Czech top row: F4 and a note on the
    // current row name the one ticket of the list shown. Each list differs
    // from the one before, so a key that did nothing is caught.
    QVERIFY(x.key({ QStringLiteral("BackSpace"), QStringLiteral("BackSpace") }));
    // Under Wine the Czech letters, on no key of the test keyboard, can be lost
    // as typed text is (see XSession::type): the digits alone there.
    const std::vector<std::pair<const char*, const char*>> lists = !windowsProgram
        ? std::vector<std::pair<const char*, const char*>> { { "ctrl+3", "3|hotovo" }, { "ctrl+ccaron", "1|prijato" },
              { "ctrl+5", "4|ceka_na_dil" }, { "ctrl+scaron", "3|hotovo" }, { "ctrl+rcaron", "4|ceka_na_dil" } }
        : std::vector<std::pair<const char*, const char*>> {
              { "ctrl+3", "3|hotovo" }, { "ctrl+4", "1|prijato" }, { "ctrl+5", "4|ceka_na_dil" } };
    for (const auto& [keys, ticket] : lists) {
        QVERIFY(x.key({ QString::fromLatin1(keys) }));
        QVERIFY(x.key({ QStringLiteral("F4") }));
        QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), StatusTitle, Timeout);
        QVERIFY(x.key({ QStringLiteral("Tab") }));
        const QString note = QString::fromLatin1(keys).replace(QLatin1Char('+'), QLatin1Char(' '));
        QVERIFY(x.type(note));
        QVERIFY(x.key({ QStringLiteral("F2") }));
        QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), MainTitle, Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(
            newestChange(), QStringLiteral("%1|%2|Jana|").arg(QLatin1String(ticket), note), Timeout);
    }
    if (!windowsProgram)
        QCOMPARE(x.programErrors().count(QLatin1String("Error:")), 1);
}

TRELOMAR_TEST(TestEndToEnd)
