#pragma once

#include <QString>

#include <functional>

// Fills a new database file at path with count synthetic tickets.
using TicketGenerator = std::function<void(const QString& path, int count)>;

// Child-process mode "--grid COUNT": the search keystroke as the counter
// staff feel it, with the main window's grid. Builds its own QApplication
// (offscreen unless a platform is chosen), so call it before any other
// application object exists. Prints one "GRID" result line.
int gridBenchMain(int argc, char* argv[], const TicketGenerator& generate);

// Runs the "--grid COUNT" child of this program and prints its result.
// Returns false when the child failed.
bool runGridBench(int count);
