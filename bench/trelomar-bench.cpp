// trelomar-bench: how the ticket store behaves with 1,000 to 100,000 tickets
// (and 1,000,000 with --million). Each size runs in a child process of its
// own so that its peak memory is its own.
#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "bench/BenchFinder.h"
#include "bench/BenchGrid.h"
#include "bench/BenchServer.h"
#include "bench/BenchStartup.h"
#include "bench/BenchTickets.h"
#include "datamodule/TDM.h"
#include "store/StoreFile.h"
#include "store/TField.h"
#include "store/TicketStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using BenchTickets::generate;

[[noreturn]] void fail(const char* what, sqlite3* db)
{
    std::fprintf(stderr, "%s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
    std::exit(1);
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

long statusKb(const char* key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    return -1;
}

// The baseline: every column of every row of both tables through the sqlite3 C API, no copies kept.
qint64 rawRead(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    // Without the API's own mutex, as the program's connection opens it.
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        fail("open", db);
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT rowid, cislo, prijato, vydej, jmeno, adresa, mesto, telefon, IMEI, cena, tel, technik, "
                      "druh_opravy, kompletnost, vada FROM opravenky ORDER BY rowid";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        fail("prepare", db);
    qint64 sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        // Numbers by value, texts by pointer and length: the least a reader can ask.
        for (int c : {0, 1, 9})
            sum += sqlite3_column_int64(st, c);
        for (int c : {2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14}) {
            const unsigned char* text = sqlite3_column_text(st, c);
            sum += sqlite3_column_bytes(st, c) + (text ? text[0] : 0);
        }
    }
    sqlite3_finalize(st);
    if (sqlite3_prepare_v2(db, "SELECT id, opravenka, cas, stav, poznamka, technik, castka FROM historie_stavu ORDER BY id",
            -1, &st, nullptr)
        != SQLITE_OK)
        fail("prepare", db);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c : {0, 1, 6})
            sum += sqlite3_column_int64(st, c);
        for (int c : {2, 3, 4, 5}) {
            const unsigned char* text = sqlite3_column_text(st, c);
            sum += sqlite3_column_bytes(st, c) + (text ? text[0] : 0);
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    const qint64 elapsed = timer.nsecsElapsed();
    if (sum == 42)
        std::fprintf(stderr, " ");
    return elapsed;
}

// The floor under a durable Post: one changed row committed by the C API
// with the same journal and sync settings, on the same file.
double rawCommit(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        fail("open", db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "UPDATE opravenky SET vada = ? WHERE rowid = ?", -1, &st, nullptr) != SQLITE_OK)
        fail("prepare", db);
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        const QByteArray text = "nejde zvuk " + QByteArray::number(i);
        QElapsedTimer timer;
        timer.start();
        sqlite3_bind_text(st, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, 1 + i * 37);
        if (sqlite3_step(st) != SQLITE_DONE)
            fail("update", db);
        sqlite3_reset(st);
        times.push_back(ms(timer.nsecsElapsed()));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return median(times);
}

struct Result
{
    double raw = 0, open = 0, keyMedian = 0, keyMax = 0, sortCold = 0, sortWarm = 0, postEdit = 0, postNew = 0;
    double postMax = 0, sortImei = 0, rawCommit = 0, backup = 0, listMedian = 0, listMax = 0;
    long baseKb = 0, peakKb = 0;
    int distinctNames = 0;
};

// With TRELOMAR_BENCH_VERBOSE set: the memory at each stage, to find where the peak comes from.
void stage(const char* name)
{
    if (qEnvironmentVariableIsSet("TRELOMAR_BENCH_VERBOSE"))
        std::fprintf(stderr, "%-24s rss %6.1f MB, peak %6.1f MB\n", name, statusKb("VmRSS:") / 1024.0,
                     statusKb("VmHWM:") / 1024.0);
}

Result measure(int count)
{
    Result r;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString path = dir.filePath(QStringLiteral("data/data.mdb"));
    generate(path, count);
    QDir::setCurrent(dir.path());

    rawRead(path); // the file into the page cache for both
    std::vector<double> raws;
    for (int i = 0; i < 3; ++i)
        raws.push_back(ms(rawRead(path)));
    r.raw = *std::min_element(raws.begin(), raws.end());
    r.baseKb = statusKb("VmRSS:");

    // Opening as the program does: the data module reads every row and runs the filter on each.
    std::vector<double> opens;
    std::unique_ptr<TDM> dm;
    const int opens_ = std::max(3, qEnvironmentVariableIntValue("TRELOMAR_BENCH_OPENS"));
    for (int i = 0; i < opens_; ++i) {
        dm.reset();
        QElapsedTimer timer;
        timer.start();
        dm = std::make_unique<TDM>(FolderLayout(QDir::currentPath()));
        opens.push_back(ms(timer.nsecsElapsed()));
    }
    r.open = *std::min_element(opens.begin(), opens.end());
    // The first sort as a counter meets it: on a freshly opened store, with no
    // search and no other sort before it; the best of as many fresh opens.
    {
        std::vector<double> names, imeis;
        for (int i = 0; i < opens_; ++i) {
            for (const auto& [sort, times] :
                 {std::pair{QStringLiteral("jmeno ASC"), &names}, std::pair{QStringLiteral("IMEI ASC"), &imeis}}) {
                dm.reset();
                dm = std::make_unique<TDM>(FolderLayout(QDir::currentPath()));
                QElapsedTimer timer;
                timer.start();
                dm->ADOTable->setSort(sort);
                times->push_back(ms(timer.nsecsElapsed()));
                if (qEnvironmentVariableIsSet("TRELOMAR_BENCH_VERBOSE"))
                    std::fprintf(stderr, "first sort %s: %.3f ms\n", qPrintable(sort), times->back());
            }
        }
        r.sortCold = *std::min_element(names.begin(), names.end());
        r.sortImei = *std::min_element(imeis.begin(), imeis.end());
        dm.reset();
        dm = std::make_unique<TDM>(FolderLayout(QDir::currentPath()));
    }
    stage("opened");
    TicketStore& table = *dm->ADOTable;
    if (!table.Active() || table.RecordCount() != count) {
        std::fprintf(stderr, "the table did not open with %d rows\n", count);
        std::exit(1);
    }

    // Typing an IMEI into the search box, then deleting it again.
    table.setRecNo(count / 2);
    QString imei;
    for (int row = count / 2; imei.isEmpty(); ++row)
        imei = table.displayText(row % count, TicketRecord::IMEI);
    std::vector<double> keys;
    auto keystroke = [&](const QString& text) {
        QElapsedTimer timer;
        timer.start();
        dm->FindText = text;
        table.Refresh();
        keys.push_back(ms(timer.nsecsElapsed()));
        if (qEnvironmentVariableIsSet("TRELOMAR_BENCH_VERBOSE"))
            std::fprintf(stderr, "key '%s': %.3f ms, %d rows\n", qPrintable(text), keys.back(), table.RecordCount());
    };
    const int rounds = qEnvironmentVariableIntValue("TRELOMAR_BENCH_ROUNDS");
    for (int round = 0; round <= rounds; ++round) {
        for (int n = 1; n <= 8; ++n)
            keystroke(imei.left(n));
        for (int n = 7; n >= 0; --n)
            keystroke(imei.left(n));
    }
    stage("searched");
    r.keyMedian = median(keys);
    r.keyMax = *std::max_element(keys.begin(), keys.end());

    // Switching between the lists of work, each list made from the statuses and due dates.
    {
        using TicketStatus::WorkList;
        std::vector<double> switches;
        for (int round = 0; round < 3; ++round)
            for (const WorkList list :
                { WorkList::Open, WorkList::Ready, WorkList::Overdue, WorkList::WaitingForPart, WorkList::All }) {
                QElapsedTimer timer;
                timer.start();
                table.setWorkList(list);
                switches.push_back(ms(timer.nsecsElapsed()));
                if (qEnvironmentVariableIsSet("TRELOMAR_BENCH_VERBOSE"))
                    std::fprintf(stderr, "list %d: %.3f ms, %d rows\n", int(list), switches.back(), table.RecordCount());
            }
        r.listMedian = median(switches);
        r.listMax = *std::max_element(switches.begin(), switches.end());
        stage("lists");
    }

    // Sort by name again, its order already made; the IMEI order too, for the memory it holds.
    {
        table.setSort(QStringLiteral("jmeno ASC"));
        stage("sorted by name");
        table.setSort(QStringLiteral("cislo ASC"));
        stage("sorted by number");
        QElapsedTimer timer;
        timer.start();
        table.setSort(QStringLiteral("jmeno ASC"));
        r.sortWarm = ms(timer.nsecsElapsed());
        table.setSort(QStringLiteral("IMEI ASC"));
        stage("sorted by IMEI");
    }
    {
        // Only the distinct names kept: a list of every name would count in the store's peak.
        QSet<QString> names;
        for (int row = 0; row < table.RecordCount(); ++row)
            names.insert(table.displayText(row, TicketRecord::jmeno));
        r.distinctNames = int(names.size());
    }

    // Posts: a changed ticket, then a new one as the New action makes it; each
    // written durably, then the table back in number order (AfterPost).
    std::vector<double> edits, news;
    for (int i = 0; i < 15; ++i) {
        table.setSort(QStringLiteral("jmeno ASC"));
        table.setRecNo((i * 7919) % table.RecordCount());
        table.Edit();
        dm->ADOTablevada->setAsString(QStringLiteral("nefunguje mikrofon %1").arg(i));
        QElapsedTimer timer;
        timer.start();
        table.Post();
        edits.push_back(ms(timer.nsecsElapsed()));
        if (i == 0)
            stage("edited one");
    }
    stage("edited");
    for (int i = 0; i < 15; ++i) {
        table.setSort(QStringLiteral("cislo ASC"));
        table.Last();
        const int next = table.maxCislo() + 1;
        table.Append();
        dm->ADOTablecislo->setAsInteger(next);
        dm->ADOTableprijato->setAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
        dm->ADOTablejmeno->setAsString(QStringLiteral("Nový Zákazník %1").arg(i));
        QElapsedTimer timer;
        timer.start();
        table.Post();
        news.push_back(ms(timer.nsecsElapsed()));
    }
    r.postEdit = median(edits);
    r.postNew = median(news);
    r.postMax = std::max(*std::max_element(edits.begin(), edits.end()), *std::max_element(news.begin(), news.end()));
    stage("posted");
    r.peakKb = statusKb("VmHWM:");
    {
        // The day's copy as the program takes it at start, while the table is open.
        QElapsedTimer timer;
        timer.start();
        StoreFile::backup(path, dir.filePath(QStringLiteral("data/copy.mdb")));
        r.backup = ms(timer.nsecsElapsed());
    }
    dm.reset();
    r.rawCommit = rawCommit(path);
    QDir::setCurrent(QDir::tempPath());
    return r;
}

int child(int count)
{
    const Result r = measure(count);
    std::printf("RESULT %d %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %ld %ld %d %.3f %.3f %.3f %.3f %.3f\n", count, r.raw,
                r.open, r.keyMedian, r.keyMax, r.sortCold, r.sortWarm, r.postEdit, r.postNew, r.postMax, r.baseKb, r.peakKb,
                r.distinctNames, r.sortImei, r.rawCommit, r.backup, r.listMedian, r.listMax);
    return 0;
}

int parent(bool million)
{
    std::vector<int> sizes = {1000, 10000, 100000};
    if (million)
        sizes.push_back(1000000);
    std::printf("Ticket store benchmark (times in ms, memory in MB; best of 3 opens and of 3 first sorts, median of 16 "
                "keystrokes, of 15 posts and of 15 list switches each);\nthree status changes per ticket in the history\n\n");
    std::printf("%9s %8s %8s %6s %8s %8s %8s %8s %8s %8s %8s %8s %8s %7s %7s %8s %8s %8s %8s\n", "tickets", "raw rd", "open",
                "×raw", "key med", "key max", "sort 1st", "sort 2nd", "IMEI 1st", "post ed", "post new", "post max",
                "raw cmt", "base", "peak", "names", "backup", "list med", "list max");
    for (int size : sizes) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), QString::number(size)});
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::printf("%9d failed\n", size);
            return 1;
        }
        const QList<QByteArray> f = process.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 19 || f[0] != "RESULT") {
            std::printf("%9d: unexpected output\n", size);
            return 1;
        }
        const double raw = f[2].toDouble(), open = f[3].toDouble();
        std::printf("%9d %8.1f %8.1f %6.2f %8.2f %8.2f %8.1f %8.1f %8.1f %8.2f %8.2f %8.2f %8.2f %7.1f %7.1f %8d %8.1f %8.2f "
                    "%8.2f\n",
                    size, raw, open, open / raw, f[4].toDouble(), f[5].toDouble(), f[6].toDouble(), f[7].toDouble(),
                    f[14].toDouble(), f[8].toDouble(), f[9].toDouble(), f[10].toDouble(), f[15].toDouble(),
                    f[11].toDouble() / 1024, f[12].toDouble() / 1024, f[13].toInt(), f[16].toDouble(), f[17].toDouble(),
                    f[18].toDouble());
        std::fflush(stdout);
    }
    std::printf("\nTargets at 100,000: open within 1.3× raw read, keystroke < 5 ms, sort by name < 40 ms, post < 2 ms,"
                " peak < 150 MB, list switch ≤ 50 ms;\nat 1,000,000: list switch ≤ 300 ms, peak ≤ 400 MB.\n"
                "raw rd: every column of every row of the tickets and their history through the sqlite3 C API;"
                "\nopen: the data module opening the table with each ticket's status;"
                "\nkey: FindText changed and Refresh; sort 1st: Sort = \"jmeno ASC\" on a freshly opened table, no search"
                " or sort before it;\nsort 2nd: the same again after the keystrokes and a sort by number;"
                " IMEI 1st: Sort = \"IMEI ASC\" as sort 1st;\npost ed/new: a changed / a new ticket written durably, AfterPost included;"
                "\nraw cmt: one row committed durably through the C API, the disk's floor under a post;"
                " base: memory before the open; peak: the process's peak;\nnames: distinct customer names;"
                " backup: the day's checked copy of the store (run off the main window's thread);\n"
                "list: the table narrowed to another list of work (open, ready, overdue, waiting for a part, all).\n");
    std::vector<int> finderSizes = {100000};
    if (million)
        finderSizes.push_back(1000000);
    if (!runGridBench(100000) || !runFinderBench(finderSizes) || !runStartupBench(0, 5, generate) || !runStartupBench(100000, 5, generate))
        return 1;
    const QString server = qEnvironmentVariable("TRELOMAR_PG_URL");
    if (server.isEmpty()) {
        std::printf("\nServer store not measured: set TRELOMAR_PG_URL to a server's maintenance database"
                    " (scripts/start-postgres.sh DIR starts one and prints it).\n");
        return 0;
    }
    std::vector<int> serverSizes = {100000};
    if (million)
        serverSizes.push_back(1000000);
    return runServerBench(server, serverSizes, generate) ? 0 : 1;
}

// The server store alone, beside the same tickets in a file.
int serverOnly(bool million)
{
    const QString server = qEnvironmentVariable("TRELOMAR_PG_URL");
    if (server.isEmpty()) {
        std::fprintf(stderr, "set TRELOMAR_PG_URL to a server's maintenance database\n");
        return 2;
    }
    std::vector<int> sizes = {100000};
    if (million)
        sizes.push_back(1000000);
    return runServerBench(server, sizes, generate) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // The grid's measurement needs a widget application: a child of its own.
    if (argc >= 2 && qstrcmp(argv[1], "--grid") == 0)
        return gridBenchMain(argc, argv, generate);
    if (argc >= 2 && qstrcmp(argv[1], "--finder") == 0)
        return finderBenchMain(argc, argv, generate);
    if (argc >= 2 && qstrcmp(argv[1], "--startup") == 0)
        return startupBenchMain(argc, argv);
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    StderrReporter reporter;
    ErrorHandler::setReporter(&reporter);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 2 && args[0] == QLatin1String("--run"))
            return child(args[1].toInt());
        if (args.size() == 3 && args[0] == QLatin1String("--generate")) { // a file to profile with
            generate(args[1], args[2].toInt());
            return 0;
        }
        if (args.size() <= 2 && args.value(0) == QLatin1String("--finder-only"))
            return runFinderBench(args.size() == 2 ? std::vector<int> { 100000, 1000000 } : std::vector<int> { 100000 }) ? 0 : 1;
        if (args.size() == 1 && args[0] == QLatin1String("--startup-only"))
            return runStartupBench(0, 5, generate) && runStartupBench(100000, 5, generate) ? 0 : 1;
        if (args.isEmpty() || (args.size() == 1 && args[0] == QLatin1String("--million")))
            return parent(!args.isEmpty());
        if (!args.isEmpty() && args[0] == QLatin1String("--server") && args.size() <= 2)
            return serverOnly(args.size() == 2 && args[1] == QLatin1String("--million"));
    } catch (const AppError& error) {
        std::fprintf(stderr, "error: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "Usage: trelomar-bench [--million | --startup-only | --finder-only [--million] | --generate FILE COUNT]"
                         " | --server [--million]\n");
    return 2;
}
