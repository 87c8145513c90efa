// The whole search keystroke with the grid: the text into the search box,
// FindText and Refresh, the grid model's reset, the current row shown again,
// pending layout work and the repaint of the grid in the main window, 400
// pixels high; and the same for a switch to another list of work.
#include "bench/BenchGrid.h"

#include "base/Application.h"
#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "program/Program.h"
#include "store/TicketStore.h"
#include "ui/controls/TDBGrid.h"
#include "ui/controls/TicketGridModel.h"
#include "ui/shell/TApplication.h"
#include "ui/windows/TfMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <vector>

namespace {

// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    int count = 0;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int& WindowBench::offscreenUnlessChosen(int& argc)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return argc;
}

WindowBench::WindowBench(int& argc, char** argv, const TicketGenerator& generate)
    : m_app(offscreenUnlessChosen(argc), argv)
    , m_count(argc >= 3 ? QString::fromLocal8Bit(argv[2]).toInt() : 100000)
{
    Program::initResources();
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::Czechia));
    ErrorHandler::setReporter(&m_reporter);
    const QDir dir(m_dir.path());
    if (!dir.mkpath(QStringLiteral("data")) || !dir.mkpath(QStringLiteral("lang")))
        return;
    generate(dir.filePath(QStringLiteral("data/data.mdb")), m_count);
    QFile lang(dir.filePath(QStringLiteral("lang/default.lng")));
    m_ready = lang.open(QIODevice::WriteOnly) && lang.write("<name>\r\n\xc4\x8c" "esky\r\n") > 0;
    if (m_ready)
        QDir::setCurrent(dir.path());
}

WindowBench::~WindowBench()
{
    // Out of the working folder, so that it can go.
    QDir::setCurrent(QDir::tempPath());
}

int gridBenchMain(int argc, char* argv[], const TicketGenerator& generate)
{
    WindowBench bench(argc, argv, generate);
    if (!bench.ready())
        return 1;
    const int count = bench.count();

    // The windows as the program makes them, without the editor and the setup window.
    const FolderLayout folder(QDir::currentPath());
    Session session(folder);
    auto fMain = std::make_unique<TfMain>(session);
    auto DM = std::make_unique<TDM>(folder);
    fMain->useWindows(DM.get(), nullptr, nullptr);
    fMain->resize(TfMain::WindowWidth, 400);
    fMain->show();
    QCoreApplication::processEvents();
    TicketStore& table = *DM->ADOTable;
    if (!table.Active() || fMain->gridModel()->rowCount() != count) {
        std::fprintf(stderr, "the grid does not list %d tickets\n", count);
        return 1;
    }

    table.setRecNo(count / 2);
    QString imei;
    for (int row = count / 2; imei.isEmpty(); ++row)
        imei = table.displayText(row % count, TicketRecord::IMEI);
    // The grid and the search box, by their object names.
    auto* grid = fMain->findChild<TDBGrid*>(QStringLiteral("DBGrid"));
    auto* edFind = fMain->findChild<QLineEdit*>(QStringLiteral("edFind"));
    PaintCounter paints;
    grid->viewport()->installEventFilter(&paints);
    std::vector<double> keys;
    const auto keystroke = [&](const QString& text) {
        const int before = paints.count;
        QElapsedTimer timer;
        timer.start();
        edFind->setText(text);
        // The update the reset asked for: deferred layout and the repaint.
        QCoreApplication::processEvents();
        if (paints.count == before)
            grid->viewport()->repaint();
        keys.push_back(double(timer.nsecsElapsed()) / 1e6);
    };
    edFind->setFocus();
    for (int round = 0; round < 2; ++round) {
        for (int n = 1; n <= 8; ++n)
            keystroke(imei.left(n));
        for (int n = 7; n >= 0; --n)
            keystroke(imei.left(n));
    }
    // The lists of work from the View menu, each shown in the grid.
    std::vector<double> switches;
    using TicketStatus::WorkList;
    for (int round = 0; round < 3; ++round)
        for (const WorkList list :
            { WorkList::Open, WorkList::Ready, WorkList::Overdue, WorkList::WaitingForPart, WorkList::All }) {
            const int before = paints.count;
            QElapsedTimer timer;
            timer.start();
            fMain->actViewExecute(list);
            QCoreApplication::processEvents();
            if (paints.count == before)
                grid->viewport()->repaint();
            switches.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    std::printf("GRID %d %.3f %.3f %d %.3f %.3f\n", count, median(keys), *std::max_element(keys.begin(), keys.end()),
        int(keys.size()), median(switches), *std::max_element(switches.begin(), switches.end()));

    DM.reset();
    fMain.reset();
    return 0;
}

bool runGridBench(int count)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--grid"), QString::number(count) });
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::printf("\nSearch keystroke with the grid: failed\n");
        return false;
    }
    const QList<QByteArray> f = process.readAllStandardOutput().trimmed().split(' ');
    if (f.size() != 7 || f[0] != "GRID") {
        std::printf("\nSearch keystroke with the grid: unexpected output\n");
        return false;
    }
    std::printf(
        "\nSearch keystroke with the grid at %d tickets (%d × 400 window): median %.2f ms, max %.2f ms over %d "
        "keystrokes; target ≤ 5 ms.\n"
        "The text into the search box, FindText and Refresh, the grid model's reset, the current row shown "
        "again, pending layout work and the grid repainted.\n"
        "List switch with the grid (View menu, Ctrl+1 to Ctrl+5): median %.2f ms, max %.2f ms over 15; target ≤ 50 ms.\n",
        f[1].toInt(), TfMain::WindowWidth, f[2].toDouble(), f[3].toDouble(), f[4].toInt(), f[5].toDouble(),
        f[6].toDouble());
    std::fflush(stdout);
    return true;
}
