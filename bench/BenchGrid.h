#pragma once

#include "base/ErrorHandler.h"

#include <QString>

#include <cstdio>
#include <functional>

class QTemporaryDir;

// Fills a new database file at path with count synthetic tickets.
using TicketGenerator = std::function<void(const QString& path, int count)>;

// The program's error messages on the standard error stream: a benchmark has
// no one to show a box to.
class StderrReporter : public ErrorReporter
{
public:
    void report(const QString& message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }
};

// A working folder in `dir` for the benchmarks that run the windows: `count`
// tickets and a Czech language file. False when it cannot be made.
bool makeWorkFolder(const QTemporaryDir& dir, int count, const TicketGenerator& generate);

// Child-process mode "--grid COUNT": the search keystroke as the counter
// staff feel it, with the main window's grid. Builds its own QApplication
// (offscreen unless a platform is chosen), so call it before any other
// application object exists. Prints one "GRID" result line.
int gridBenchMain(int argc, char* argv[], const TicketGenerator& generate);

// Runs the "--grid COUNT" child of this program and prints its result.
// Returns false when the child failed.
bool runGridBench(int count);
