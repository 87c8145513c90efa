// Start-up time: from the start of a process to the main window exposed.
#include "bench/BenchStartup.h"

#include "base/ErrorHandler.h"
#include "program/Program.h"
#include "session/StartFolder.h"
#include "ui/shell/ErrorBox.h"
#include "ui/shell/TApplication.h"
#include "ui/windows/TfMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Ends the process at the main window's first expose: the time after it is not start-up.
class ExposeWatch : public QObject
{
public:
    explicit ExposeWatch(const Program& program)
        : m_program(program)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const TfMain* main = m_program.fMain();
        if (event->type() == QEvent::Expose && main && watched == main->windowHandle()
            && main->windowHandle()->isExposed()) {
            std::fputs("SHOWN\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const Program& m_program;
};

} // namespace

int startupBenchMain(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program's main() does, in the current folder, with the watch installed before the event loop runs.
    TApplication app(argc, argv);
    ErrorBox box;
    ErrorHandler::setReporter(&box);
    const StartFolder::Outcome start = StartFolder::enter(
        {QCoreApplication::applicationFilePath(), QStringLiteral("--workdir"), QDir::currentPath()});
    if (!start.folder)
        return start.exitCode;
    Program program(*start.folder);
    ExposeWatch watch(program);
    app.installEventFilter(&watch);
    return program.exec();
}

bool runStartupBench(int count, int runs, const TicketGenerator& generate)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    QDir(dir.path()).mkpath(QStringLiteral("lang"));
    generate(dir.filePath(QStringLiteral("data/data.mdb")), count);
    if (!QFile::copy(QStringLiteral(TRELOMAR_SOURCE_DIR "/resources/lang/cs.lng"), dir.filePath(QStringLiteral("lang/default.lng"))))
        return false;
    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setWorkingDirectory(dir.path());
        QElapsedTimer timer;
        timer.start();
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup")});
        QByteArray out;
        while (!out.contains("SHOWN\n") && process.waitForReadyRead(60000))
            out += process.readAllStandardOutput();
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        process.waitForFinished(60000);
        if (!out.contains("SHOWN\n")) {
            std::printf("\nStart-up at %d tickets: failed\n", count);
            return false;
        }
        if (run > 0) // the first start of the day also takes the day's backup
            times.push_back(elapsed);
    }
    std::sort(times.begin(), times.end());
    std::printf("\nStart-up at %d tickets, process start to the main window exposed, lang/default.lng applied:"
                " median %.1f ms, min %.1f ms, max %.1f ms over %d starts.\n",
                count, times[times.size() / 2], times.front(), times.back(), int(times.size()));
    std::fflush(stdout);
    return true;
}
