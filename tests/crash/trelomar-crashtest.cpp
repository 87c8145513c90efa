// trelomar-crashtest: kills writers with SIGKILL at random moments, or cuts
// the power under them, and checks that nothing acknowledged is lost or damaged.
//
//   trelomar-crashtest [--kills N] [--seed S]    (N kills in all, 400 by default)
//   trelomar-crashtest --power-cuts N [--seed S]
//
// Power cuts: the same writers work in a folder of the power-cut file system
// (tests/powercut), which at a random moment forgets what was not forced to
// its disk, as a seed says; the checks then read what the disk holds.
//
// Store: a child posts tickets through TicketStore as fast as it can and
// prints each ticket number once Post has returned; after each kill the file
// must pass integrity_check and hold every acknowledged ticket with every
// field as written. Files: a child rewrites the settings file and the four
// text files in turn, from the generation after the last acknowledged one,
// and prints each finished generation; after each kill every file holds
// exactly the last acknowledged generation or the next one. Statuses: a
// child adds status changes to the stored tickets through TicketStore and
// prints each once addStatus has returned; after each kill every
// acknowledged change is there as written, no history row is half-stored or
// of no ticket, and each ticket's status is its newest acknowledged change
// or a later one. Copies: a child takes the daily copy of the store and
// prunes the copies to the two newest, a day at a time, and prints each day
// once done; after each stop every copy under its final name is whole, the
// last acknowledged one is there, and two good copies are left. The kills go
// to the four writers in turn.
#include "base/IniFile.h"
#include "base/TextList.h"
#include "store/StoreFile.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#ifdef TRELOMAR_POWER_CUTS
#include "tests/powercut/PowerFs.h"
using PowerCuts = PowerFs;
#else
// Without the power-cut file system only the kills run.
class PowerCuts
{
public:
    QString mountPoint() const { return QString(); }
    QString error() const { return QString(); }
    bool mount() { return false; }
    bool cut(quint64) { return false; }
    bool unmount() { return false; }
};
#endif

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <map>
#include <stdexcept>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <set>
#include <unistd.h>

namespace {

using namespace TicketRecord;

void acknowledge(const QByteArray& what)
{
    const QByteArray line = what + '\n';
    if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
        std::_Exit(3);
}

// ---------------------------------------------------------------- the store

// Every stored field of ticket n; a null QVariant is an empty field.
QVariant expected(int n, int field)
{
    const QDate day = QDate(2020, 1, 1).addDays(n % 3000);
    switch (field) {
    case cislo: return n;
    case prijato: return QDateTime(day, QTime(0, 0));
    case vydej: return n % 3 == 0 ? QVariant() : QVariant(QDateTime(day.addDays(n % 40), QTime(n % 24, n % 60, n % 59)));
    case jmeno: return QStringLiteral("Zákazník č. %1 Šťastný").arg(n);
    case adresa: return QStringLiteral("Ulice \"U Lípy\", %1").arg(n % 977);
    case mesto: return n % 5 == 0 ? QVariant() : QVariant(QStringLiteral("Město %1").arg(n % 13));
    case telefon: return QStringLiteral("Telefon typ %1").arg(n % 31);
    case IMEI: return QStringLiteral("35%1").arg(qint64(n) * 7919 % 10000000000000LL, 13, 10, QLatin1Char('0'));
    case cena: return n % 4 == 0 ? QVariant() : QVariant(qint64(n) * 12345 % 1000000000);
    case tel: return QStringLiteral("+420 %1").arg(600000000 + n);
    case technik: return QStringLiteral("Technik %1").arg(n % 3);
    case druh_opravy: return QStringLiteral("záruka %1").arg(n % 2);
    case kompletnost: return QStringLiteral("nabíječka, obal;\r\nřádek \"%1\"\n").repeated(1 + n % 40).arg(n);
    case vada: return QStringLiteral("nejde zapnout %1").arg(n);
    }
    return QVariant();
}

void set(TField* field, const QVariant& value)
{
    if (value.isNull())
        field->Clear();
    else if (field->Kind() == FieldKind::Integer)
        field->setAsInteger(value.toInt());
    else if (field->Kind() == FieldKind::DateTime)
        field->setAsDateTime(value.toDateTime());
    else if (field->Kind() == FieldKind::Currency)
        field->setAsCurrency(value.toLongLong());
    else
        field->setAsString(value.toString());
}

QVariant get(const TField* field)
{
    if (field->IsNull())
        return QVariant();
    switch (field->Kind()) {
    case FieldKind::Integer: return field->AsInteger();
    case FieldKind::DateTime: return field->AsDateTime();
    case FieldKind::Currency: return field->AsCurrency();
    default: return field->AsString();
    }
}

int storeChild(const QString& path)
{
    TicketStore store;
    store.setConnectionString(QStringLiteral("Data Source=") + path);
    store.Open();
    for (int n = store.maxCislo() + 1;; ++n) {
        store.Append();
        for (int f = 0; f < FieldCount; ++f)
            if (!store.Fields(f)->Calculated())
                set(store.Fields(f), expected(n, f));
        store.Post();
        acknowledge(QByteArray::number(n));
    }
}

// The rows of a query on the store file, each a list of its columns (null: an invalid QVariant).
QList<QVariantList> rawRows(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    QList<QVariantList> rows;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QVariantList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_NULL)
                    row << QVariant();
                else if (sqlite3_column_type(st, c) == SQLITE_INTEGER)
                    row << qint64(sqlite3_column_int64(st, c));
                else
                    row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            }
            rows << row;
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Empty when the store is whole and holds every acknowledged ticket as
// written; `ids` gets the stored tickets' ids.
QString verifyStore(const QString& path, const std::set<int>& acknowledged, std::set<qint64>* ids)
{
    const QList<QVariantList> check = rawRows(path, "PRAGMA integrity_check");
    const QString result = check.isEmpty() ? QStringLiteral("did not run") : check.first().value(0).toString();
    if (result != QLatin1String("ok"))
        return QStringLiteral("integrity_check: ") + result;
    TicketStore store;
    store.setConnectionString(QStringLiteral("Data Source=") + path);
    store.Open();
    std::set<int> found;
    for (int row = 0; row < store.RecordCount(); ++row) {
        store.setRecNo(row);
        const int n = store.Fields(cislo)->AsInteger();
        if (!found.insert(n).second)
            return QStringLiteral("ticket %1 twice").arg(n);
        ids->insert(store.GetBookmark());
        for (int f = 0; f < FieldCount; ++f)
            if (!store.Fields(f)->Calculated() && get(store.Fields(f)) != expected(n, f))
                return QStringLiteral("ticket %1: field %2 differs").arg(n).arg(store.Fields(f)->FieldName());
    }
    for (int n : acknowledged)
        if (!found.count(n))
            return QStringLiteral("acknowledged ticket %1 is lost").arg(n);
    return QString();
}

// ---------------------------------------------------------------- the statuses

// Status change s: every field follows from s; its note begins with s.
QByteArray changeCode(qint64 s)
{
    return TicketStatus::code(TicketStatus::Status(int(TicketStatus::Status::Prijato) + int(s % TicketStatus::Count)));
}

QString changeNote(qint64 s)
{
    return QStringLiteral("%1; díl \"č. %2\"\n%3").arg(s).arg(s % 97).arg(QString(int(s % 30), u'ž'));
}

QString changeWho(qint64 s)
{
    return s % 6 == 0 ? QString() : QStringLiteral("Technik %1 Řehoř").arg(s % 5);
}

// Only a handover records what was paid.
std::optional<qint64> changeAmount(qint64 s)
{
    return changeCode(s) == "vydano" ? std::optional<qint64>(s * 12345 % 1000000000) : std::nullopt;
}

// Adds changes `from`, `from` + 1, ... to the stored tickets in turn and
// prints "s ticket" for each once addStatus has returned.
int statusChild(const QString& path, qint64 from)
{
    TicketStore store;
    store.setConnectionString(QStringLiteral("Data Source=") + path);
    store.Open();
    std::vector<TBookmark> ids;
    for (int row = 0; row < store.RecordCount(); ++row) {
        store.setRecNo(row);
        ids.push_back(store.GetBookmark());
    }
    if (ids.empty())
        return 4;
    for (qint64 s = from;; ++s) {
        const TBookmark id = ids[size_t(s) % ids.size()];
        store.addStatus(id, changeCode(s), changeNote(s), changeWho(s), changeAmount(s));
        acknowledge(QByteArray::number(s) + ' ' + QByteArray::number(id));
    }
}

// Empty when every history row is whole and of a stored ticket, each
// acknowledged change (s -> ticket) is there as written, and each ticket's
// status is its newest acknowledged change or a later one. `next` gets the
// first change number not stored yet.
QString verifyStatuses(
    const QString& path, const std::set<qint64>& tickets, const std::map<qint64, qint64>& acknowledged, qint64* next)
{
    struct Newest
    {
        qint64 row = 0, change = -1;
        QByteArray code;
    };
    std::map<qint64, Newest> newest; // by ticket
    std::map<qint64, qint64> stored; // change -> ticket
    const QList<QVariantList> rows
        = rawRows(path, "SELECT id, opravenka, cas, stav, poznamka, technik, castka FROM historie_stavu ORDER BY id");
    for (const QVariantList& row : rows) {
        const qint64 id = row[0].toLongLong(), ticket = row[1].toLongLong();
        const QByteArray code = row[3].toString().toUtf8();
        const QString note = row[4].toString();
        if (!tickets.count(ticket))
            return QStringLiteral("history row %1 is of no ticket (%2)").arg(id).arg(ticket);
        if (row[2].toString().isEmpty())
            return QStringLiteral("history row %1 has no time").arg(id);
        Newest& last = newest[ticket];
        if (note.isEmpty()) { // the received row a new ticket gets with it, before any other
            if (code != "prijato" || last.row != 0 || !row[5].isNull() || !row[6].isNull())
                return QStringLiteral("history row %1 is neither a change nor a ticket's first").arg(id);
            last = { id, -1, code };
            continue;
        }
        const qint64 s = note.section(u';', 0, 0).toLongLong();
        const std::optional<qint64> amount = row[6].isNull() ? std::nullopt : std::optional(row[6].toLongLong());
        if (code != changeCode(s) || note != changeNote(s) || row[5].toString() != changeWho(s)
            || amount != changeAmount(s))
            return QStringLiteral("history row %1 (change %2) differs from what was written").arg(id).arg(s);
        if (last.row == 0)
            return QStringLiteral("ticket %1 has a change before its first row").arg(ticket);
        if (!stored.emplace(s, ticket).second || s <= last.change)
            return QStringLiteral("change %1 stored twice or out of order").arg(s);
        last = { id, s, code };
        *next = std::max(*next, s + 1);
    }
    for (qint64 ticket : tickets)
        if (!newest.count(ticket))
            return QStringLiteral("ticket id %1 has no history").arg(ticket);
    std::map<qint64, qint64> newestAcknowledged; // by ticket
    for (const auto& [s, ticket] : acknowledged) {
        const auto found = stored.find(s);
        if (found == stored.end() || found->second != ticket)
            return QStringLiteral("acknowledged change %1 of ticket id %2 is lost").arg(s).arg(ticket);
        newestAcknowledged[ticket] = s;
    }
    TicketStore store;
    store.setConnectionString(QStringLiteral("Data Source=") + path);
    store.Open();
    for (const auto& [ticket, last] : newest) {
        const auto acked = newestAcknowledged.find(ticket);
        if (acked != newestAcknowledged.end() && last.change < acked->second)
            return QStringLiteral("ticket id %1 is at change %2 before acknowledged %3")
                .arg(ticket)
                .arg(last.change)
                .arg(acked->second);
        if (store.statusOf(ticket) != TicketStatus::fromCode(last.code))
            return QStringLiteral("ticket id %1 is not at its newest status %2")
                .arg(ticket)
                .arg(QString::fromLatin1(last.code));
    }
    return QString();
}

// ---------------------------------------------------------------- the files

const char* const TextFiles[] = {"mesta.txt", "mobil.txt", "tisk.txt", "firma.txt"};

QStringList textGeneration(int g, int file)
{
    QStringList lines;
    for (int i = 0; i < 200 + (g * 37 + file * 11) % 400; ++i)
        lines << QStringLiteral("%1/%2 řádek %3 %4").arg(g).arg(file).arg(i).arg(QString(g % 50, u'x'));
    return lines;
}

int filesChild(const QString& dir, int from)
{
    for (int g = from;; ++g) {
        IniFile(dir + QStringLiteral("/trelomar.ini")).writeInteger(QStringLiteral("Crash"), QStringLiteral("Gen"), g);
        for (int f = 0; f < 4; ++f)
            TextList::write(dir + u'/' + QLatin1String(TextFiles[f]), textGeneration(g, f));
        acknowledge(QByteArray::number(g));
    }
}

void prepareFiles(const QString& dir)
{
    IniFile ini(dir + QStringLiteral("/trelomar.ini"));
    for (int k = 0; k < 100; ++k) // lines that every rewrite must keep
        ini.writeInteger(QStringLiteral("Keep"), QStringLiteral("Key%1").arg(k), k * 1000);
    ini.writeInteger(QStringLiteral("Crash"), QStringLiteral("Gen"), 0);
    for (int f = 0; f < 4; ++f)
        TextList::write(dir + u'/' + QLatin1String(TextFiles[f]), textGeneration(0, f));
}

QString verifyFiles(const QString& dir, int acknowledged)
{
    const IniFile ini(dir + QStringLiteral("/trelomar.ini"));
    const int gen = ini.readInteger(QStringLiteral("Crash"), QStringLiteral("Gen"), -1);
    if (gen != acknowledged && gen != acknowledged + 1)
        return QStringLiteral("settings file at generation %1, acknowledged %2").arg(gen).arg(acknowledged);
    for (int k = 0; k < 100; ++k)
        if (ini.readInteger(QStringLiteral("Keep"), QStringLiteral("Key%1").arg(k), -1) != k * 1000)
            return QStringLiteral("settings file lost Key%1").arg(k);
    for (int f = 0; f < 4; ++f) {
        const QStringList lines = TextList::read(dir + u'/' + QLatin1String(TextFiles[f]));
        if (lines != textGeneration(acknowledged, f) && lines != textGeneration(acknowledged + 1, f))
            return QStringLiteral("%1 is neither generation %2 nor the next").arg(QLatin1String(TextFiles[f])).arg(acknowledged);
    }
    for (const QString& left : QDir(dir).entryList(QDir::Files))
        if (!left.endsWith(QLatin1String(".txt")) && !left.endsWith(QLatin1String(".ini")))
            QFile::remove(dir + u'/' + left); // a temporary file of a killed writer: harmless, cleared
    return QString();
}

// ---------------------------------------------------------------- the copies

QString copyName(int g)
{
    return StoreFile::dailyBackupName(QDate(2020, 1, 1).addDays(g));
}

// Takes the daily copy of the store for day `from`, `from` + 1, ..., each
// followed by the pruning to the two newest, and prints each day's number
// once both are done.
int copiesChild(const QString& store, const QString& folder, int from)
{
    // A copy taken but not acknowledged before the stop is there already: the next day then.
    while (QFileInfo::exists(folder + u'/' + copyName(from)))
        ++from;
    for (int g = from;; ++g) {
        StoreFile::backup(store, folder + u'/' + copyName(g));
        StoreFile::pruneBackups(folder, 2, QDate(2020, 1, 1).addDays(g));
        acknowledge(QByteArray::number(g));
    }
}

// Empty when every copy under its final name is whole, the last acknowledged
// one is there, and the pruning left no fewer good copies than it keeps.
QString verifyCopies(const QString& folder, int acknowledged)
{
    int good = 0;
    for (const QString& name : QDir(folder).entryList({ QStringLiteral("data-*.mdb") }, QDir::Files)) {
        const QList<QVariantList> check = rawRows(folder + u'/' + name, "PRAGMA integrity_check");
        if (check.isEmpty() || check.first().value(0).toString() != QLatin1String("ok"))
            return QStringLiteral("the copy %1 is not whole").arg(name);
        ++good;
    }
    if (acknowledged >= 0 && !QFileInfo::exists(folder + u'/' + copyName(acknowledged)))
        return QStringLiteral("the acknowledged copy %1 is lost").arg(copyName(acknowledged));
    if (good < std::min(acknowledged + 1, 2))
        return QStringLiteral("%1 good copies, fewer than the two kept").arg(good);
    return QString();
}

// ---------------------------------------------------------------- the killer

// Starts the child, lets it work for a random time after its first
// acknowledgement, calls `stop` (the power cut) if given, kills it, and
// returns the lines it acknowledged: an acknowledgement follows a write
// forced to the disk, so one printed after the cut still counts.
QList<QByteArray> runAndKill(const QStringList& args, std::mt19937& rng, bool* acknowledgedAny,
    const std::function<void()>& stop = {})
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForStarted(10000)) {
        std::fprintf(stderr, "cannot start the child\n");
        std::exit(2);
    }
    QElapsedTimer timer;
    timer.start();
    while (child.bytesAvailable() == 0 && child.state() == QProcess::Running && timer.elapsed() < 20000)
        child.waitForReadyRead(100);
    QThread::usleep(std::uniform_int_distribution<int>(0, 40000)(rng));
    if (stop)
        stop();
    // A child already gone has no id: kill(0) would end this whole process group.
    if (child.processId() > 0)
        ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(10000);
    const QByteArray out = child.readAllStandardOutput();
    QList<QByteArray> lines = out.left(out.lastIndexOf('\n') + 1).split('\n');
    lines.removeAll(QByteArray());
    *acknowledgedAny = !lines.isEmpty();
    return lines;
}

// The writers' folder: the store and the files, made on `disk` directly (so
// durable from the start). `powerFs` null: kills; otherwise power cuts, the
// writers working in its mount and the checks reading its disk.
int parent(int kills, unsigned seed, const QString& disk, PowerCuts* powerFs)
{
    std::mt19937 rng(seed);
    TicketStore::createDatabase(disk + QStringLiteral("/data.mdb"));
    QDir().mkpath(disk + QStringLiteral("/files"));
    prepareFiles(disk + QStringLiteral("/files"));
    const QString work = powerFs ? powerFs->mountPoint() : disk;
    const QString store = work + QStringLiteral("/data.mdb");
    const QString files = work + QStringLiteral("/files");
    const QString storeOnDisk = disk + QStringLiteral("/data.mdb");
    const QString filesOnDisk = disk + QStringLiteral("/files");
    QDir().mkpath(disk + QStringLiteral("/backup"));
    const QString copies = work + QStringLiteral("/backup");
    const QString copiesOnDisk = disk + QStringLiteral("/backup");
    const auto cut = [&] {
        if (!powerFs->cut(rng()))
            throw std::runtime_error("power cut: " + powerFs->error().toStdString());
    };
    const std::function<void()> stop = powerFs ? std::function<void()>(cut) : std::function<void()>();

    std::set<int> tickets;
    std::map<qint64, qint64> changes; // acknowledged: change -> ticket id
    qint64 nextChange = 0;
    int generation = 0, silent = 0, copy = -1;
    QElapsedTimer timer;
    timer.start();
    // The kills go to the writers in turn, the store's first: the statuses and the copies need its tickets.
    for (int i = 0; i < kills; ++i) {
        if (powerFs && !powerFs->mount())
            throw std::runtime_error("mount: " + powerFs->error().toStdString());
        bool any = false;
        QString fault;
        if (i % 4 == 1) {
            const QList<QByteArray> gens = runAndKill(
                { QStringLiteral("--child-files"), files, QString::number(generation + 1) }, rng, &any, stop);
            generation = gens.isEmpty() ? generation : gens.last().toInt();
        } else if (i % 4 == 3) {
            const QList<QByteArray> days = runAndKill(
                { QStringLiteral("--child-copies"), store, copies, QString::number(copy + 1) }, rng, &any, stop);
            copy = days.isEmpty() ? copy : days.last().toInt();
        } else if (i % 4 == 0) {
            for (const QByteArray& line : runAndKill({ QStringLiteral("--child-store"), store }, rng, &any, stop))
                tickets.insert(line.toInt());
        } else {
            const QStringList args = { QStringLiteral("--child-status"), store, QString::number(nextChange) };
            for (const QByteArray& line : runAndKill(args, rng, &any, stop))
                changes[line.split(' ').value(0).toLongLong()] = line.split(' ').value(1).toLongLong();
        }
        if (powerFs && !powerFs->unmount())
            throw std::runtime_error("unmount: " + powerFs->error().toStdString());
        if (i % 4 == 1) {
            fault = verifyFiles(filesOnDisk, generation);
        } else if (i % 4 == 3) {
            fault = verifyCopies(copiesOnDisk, copy);
        } else {
            std::set<qint64> ids;
            fault = verifyStore(storeOnDisk, tickets, &ids);
            if (fault.isEmpty())
                fault = verifyStatuses(storeOnDisk, ids, changes, &nextChange);
        }
        silent += any ? 0 : 1;
        if (!fault.isEmpty()) {
            std::printf("%s %d: %s\n0 passed, 1 failed\n", powerFs ? "cut" : "kill", i + 1, qPrintable(fault));
            return 1;
        }
    }
    std::printf("%d %s of four writers in turn in %.1f s (seed %u): %zu acknowledged tickets and %zu acknowledged "
                "status changes all present and intact, %d file generations, every file old or new, never mixed, "
                "%d daily copies, every copy whole; %d children stopped before their first acknowledgement\n"
                "1 passed, 0 failed\n",
        kills, powerFs ? "power cuts" : "kills", double(timer.elapsed()) / 1000, seed, tickets.size(), changes.size(),
        generation, copy + 1, silent);
    return 0;
}

int powerCuts(int cuts, unsigned seed)
{
#ifdef TRELOMAR_POWER_CUTS
    const QString why = PowerFs::unavailable();
    if (!why.isEmpty()) {
        std::printf("power cuts not run: %s\n", qPrintable(why));
        return qEnvironmentVariable("CI") == QLatin1String("true") ? 1 : 77;
    }
    PowerFs fs;
    return parent(cuts, seed, fs.disk(), &fs);
#else
    Q_UNUSED(cuts);
    Q_UNUSED(seed);
    std::printf("power cuts not run: built without the power-cut file system\n");
    return 77;
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 2 && args[0] == QLatin1String("--child-store"))
            return storeChild(args[1]);
        if (args.size() == 3 && args[0] == QLatin1String("--child-files"))
            return filesChild(args[1], args[2].toInt());
        if (args.size() == 4 && args[0] == QLatin1String("--child-copies"))
            return copiesChild(args[1], args[2], args[3].toInt());
        if (args.size() == 3 && args[0] == QLatin1String("--child-status"))
            return statusChild(args[1], args[2].toLongLong());
        int kills = 400;
        int cuts = 0;
        unsigned seed = std::random_device()();
        for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
            if (args[i] == QLatin1String("--kills"))
                kills = args[i + 1].toInt();
            else if (args[i] == QLatin1String("--power-cuts"))
                cuts = args[i + 1].toInt();
            else if (args[i] == QLatin1String("--seed"))
                seed = args[i + 1].toUInt();
        }
        if (cuts > 0)
            return powerCuts(cuts, seed);
        QTemporaryDir dir;
        return parent(kills, seed, dir.path(), nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "trelomar-crashtest: %s\n", e.what());
        return 2;
    }
}
