#pragma once

#include "bench/BenchGrid.h"

// Child-process mode "--startup": the program's own start in the current
// folder (TApplication, Program, exec), offscreen unless a platform is
// chosen; prints "SHOWN" when the main window is first exposed and ends.
int startupBenchMain(int argc, char* argv[]);

// Prepares a working folder with count tickets and lang/default.lng, starts
// the "--startup" child there `runs` times after one start that takes the
// day's backup, and prints the median time from process start to the main
// window exposed. Returns false when a child failed.
bool runStartupBench(int count, int runs, const TicketGenerator& generate);
