#pragma once

#include "base/ErrorHandler.h"
#include "ui/shell/TApplication.h"

#include <QTemporaryDir>

#include <QString>

#include <cstdio>
#include <functional>

// Fills a new database file at path with count synthetic tickets.
using TicketGenerator = std::function<void(const QString& path, int count)>;

// The program's error messages on the standard error stream: a benchmark has
// no one to show a box to.
class StderrReporter : public ErrorReporter
{
public:
    void report(const QString& message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }
};

// What every child that measures the windows starts with: the application
// (offscreen unless a platform is chosen), the shop's locale, errors on the
// standard error stream, and a working folder of COUNT tickets (argv[2],
// 100,000 by default) with a Czech language file, made the current folder.
// Windows made after it go before it.
class WindowBench
{
public:
    WindowBench(int& argc, char** argv, const TicketGenerator& generate);
    ~WindowBench();
    WindowBench(const WindowBench&) = delete;
    WindowBench& operator=(const WindowBench&) = delete;

    bool ready() const { return m_ready; } // the working folder is made
    int count() const { return m_count; }

private:
    static int& offscreenUnlessChosen(int& argc);

    TApplication m_app;
    StderrReporter m_reporter;
    QTemporaryDir m_dir;
    int m_count;
    bool m_ready = false;
};

// Child-process mode "--grid COUNT": the search keystroke as the counter
// staff feel it, with the main window's grid. Builds its own QApplication
// (offscreen unless a platform is chosen), so call it before any other
// application object exists. Prints one "GRID" result line.
int gridBenchMain(int argc, char* argv[], const TicketGenerator& generate);

// Runs the "--grid COUNT" child of this program and prints its result.
// Returns false when the child failed.
bool runGridBench(int count);
