#include "bench/BenchFinder.h"

#include "datamodule/TDM.h"
#include "session/Session.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/controls/TDBGrid.h"
#include "ui/windows/TfFind.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

long statusKb(const char* key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').front().toLong();
    return 0;
}

double ms(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The time from the first key of a scan to the editor's first paint; the editor is then closed.
class EditorWatch : public QObject
{
public:
    QElapsedTimer timer;
    double shownMs = -1;
    int cislo = 0;
    TDM* data = nullptr;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && shownMs < 0) {
            shownMs = ms(timer);
            cislo = data->ADOTablecislo->AsInteger();
            auto* editor = static_cast<TfOpravenka*>(watched);
            QTimer::singleShot(0, editor, [editor] { editor->reject(); });
        }
        return QObject::eventFilter(watched, event);
    }
};

void sendKey(QWidget* to, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(to, &release);
}

} // namespace

int finderBenchMain(int argc, char* argv[], const TicketGenerator& generate)
{
    WindowBench bench(argc, argv, generate);
    if (!bench.ready())
        return 1;
    const int count = bench.count();

    const FolderLayout folder(QDir::currentPath());
    Session session(folder);
    auto fMain = std::make_unique<TfMain>(session);
    QElapsedTimer opening;
    opening.start();
    auto DM = std::make_unique<TDM>(folder);
    const double openMs = ms(opening);
    auto editor = std::make_unique<TfOpravenka>(session.workspace(), DM.get(), fMain.get());
    fMain->useWindows(DM.get(), nullptr, editor.get());
    fMain->resize(TfMain::WindowWidth, 400);
    fMain->show();
    QCoreApplication::processEvents();
    TicketStore& table = *DM->ADOTable;
    if (!table.Active() || table.RecordCount() != count) {
        std::fprintf(stderr, "the table did not open with %d tickets\n", count);
        return 1;
    }

    // What the counter staff would type: a common surname, a rare one, a
    // phone number, an IMEI and a ticket number, a key at a time, and a
    // name that is nowhere.
    table.setRecNo(count / 3);
    const QString phone = DM->ADOTabletel->AsString();
    const QString imei = DM->ADOTableIMEI->AsString();
    const QString number = DM->ADOTablecislo->AsString();
    const QString rare = DM->ADOTablejmeno->AsString().section(u' ', -1);
    QStringList texts;
    for (const QString& word : { QStringLiteral("Novák"), rare, phone, imei.left(10), number, QStringLiteral("Xyzzy") })
        for (qsizetype n = 1; n <= word.size(); ++n)
            texts << word.left(n);

    const long beforeKb = statusKb("VmRSS:");
    const long peakBeforeKb = statusKb("VmHWM:");
    QElapsedTimer indexing;
    indexing.start();
    table.prepareFinder();
    const double indexMs = ms(indexing);
    const long indexKb = statusKb("VmRSS:") - beforeKb;

    // A child of the main window, as the program makes it: it goes with the window.
    auto* finder = new TfFind(session.workspace(), DM.get(), fMain.get());
    auto* query = finder->findChild<QLineEdit*>(QStringLiteral("edQuery"));
    auto* list = finder->findChild<QTreeView*>(QStringLiteral("lvFound"));
    finder->show();
    QCoreApplication::processEvents();
    std::vector<double> keys;
    qint64 listed = 0;
    for (int round = 0; round < 2; ++round)
        for (const QString& text : texts) {
            QElapsedTimer timer;
            timer.start();
            query->setText(text);
            QCoreApplication::processEvents();
            list->viewport()->repaint();
            keys.push_back(ms(timer));
            listed += list->model()->rowCount();
            if (qEnvironmentVariableIsSet("TRELOMAR_BENCH_VERBOSE"))
                std::fprintf(stderr, "finder '%s': %.3f ms, %d listed\n", qPrintable(text), keys.back(),
                    list->model()->rowCount());
        }
    finder->hide();
    // The same searches in the store alone, without the window.
    std::vector<double> searches;
    for (const QString& text : texts) {
        QElapsedTimer timer;
        timer.start();
        const FoundTickets found = table.findCustomers(text, TfFind::Listed);
        searches.push_back(ms(timer));
        listed += qint64(found.tickets.size());
    }

    // A scan of a ticket the search box hides: the search goes, then the editor opens on it.
    auto* edFind = fMain->findChild<QLineEdit*>(QStringLiteral("edFind"));
    auto* grid = fMain->findChild<TDBGrid*>(QStringLiteral("DBGrid"));
    EditorWatch watch;
    watch.data = DM.get();
    editor->installEventFilter(&watch);
    std::vector<double> scans;
    for (int round = 0; round < 5; ++round) {
        edFind->setText(imei.left(6));
        QCoreApplication::processEvents();
        const int wanted = 1 + (round * 7919 + count / 2) % count;
        watch.shownMs = -1;
        watch.timer.start();
        sendKey(grid, Qt::Key_T, QStringLiteral("T"));
        for (const QChar c : QString::number(wanted))
            sendKey(grid, Qt::Key(c.unicode()), QString(c));
        sendKey(grid, Qt::Key_Return, QStringLiteral("\r"));
        if (watch.shownMs < 0 || watch.cislo != wanted) {
            std::fprintf(stderr, "the scan of ticket %d did not open it (%d)\n", wanted, watch.cislo);
            return 1;
        }
        scans.push_back(watch.shownMs);
    }

    std::printf("FINDER %d %.3f %.3f %.1f %.3f %.3f %d %lld %.3f %.3f %ld %ld %.3f %.3f\n", count, openMs, indexMs,
        indexKb / 1024.0, median(keys), *std::max_element(keys.begin(), keys.end()), int(keys.size()), listed,
        median(scans), *std::max_element(scans.begin(), scans.end()), peakBeforeKb, statusKb("VmHWM:"),
        median(searches), *std::max_element(searches.begin(), searches.end()));
    editor.reset();
    DM.reset();
    fMain.reset();
    return 0;
}

bool runFinderBench(const std::vector<int>& counts)
{
    std::printf("\nThe customer finder (ms, MB): each keystroke from the text into its box to its list repainted,"
                " medians and maxima over every prefix\nof a common and a rare surname, a phone number, an IMEI, a"
                " ticket number and a name that is nowhere, twice; the scan from its first key to the\neditor painted"
                " on the ticket, a search hiding it first (5 scans).\n\n");
    std::printf("%9s %8s %8s %8s %8s %8s %6s %8s %8s %9s %9s %8s %8s\n", "tickets", "open", "index", "index MB",
        "key med", "key max", "keys", "srch med", "srch max", "scan med", "scan max", "peak bef", "peak");
    for (const int count : counts) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--finder"), QString::number(count) });
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::printf("%9d failed\n", count);
            return false;
        }
        const QList<QByteArray> f = process.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 15 || f[0] != "FINDER") {
            std::printf("%9d: unexpected output\n", count);
            return false;
        }
        std::printf("%9d %8.1f %8.1f %8.1f %8.2f %8.2f %6d %8.2f %8.2f %9.2f %9.2f %8.1f %8.1f\n", count,
            f[2].toDouble(), f[3].toDouble(), f[4].toDouble(), f[5].toDouble(), f[6].toDouble(), f[7].toInt(),
            f[13].toDouble(), f[14].toDouble(), f[9].toDouble(), f[10].toDouble(), f[11].toDouble() / 1024,
            f[12].toDouble() / 1024);
        std::fflush(stdout);
    }
    std::printf("\nTargets: a keystroke ≤ 10 ms at 100,000 and ≤ 30 ms at 1,000,000; a scan ≤ 100 ms at 1,000,000;"
                " the index ≤ 20%% of the open time and ≤ 60 MB at 1,000,000.\n"
                "open: the data module opening the table (once); index: the finder's keys made, at the finder's first"
                " opening after a read;\nsrch: the same searches in the store alone, without the window; peak bef /"
                " peak: the process's peak before the index was made / at the end.\n");
    std::fflush(stdout);
    return true;
}
