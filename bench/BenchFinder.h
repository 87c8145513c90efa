#pragma once

#include "bench/BenchGrid.h"

// Child-process mode "--finder COUNT": the customer finder as the counter
// staff feel it, each keystroke from the text into its search box to its
// list repainted; the index it makes, in time and memory; and a scan of a
// ticket's barcode, from the keys to the editor painted on that ticket.
// Builds its own application, as gridBenchMain. Prints one "FINDER" line.
int finderBenchMain(int argc, char* argv[], const TicketGenerator& generate);

// Runs the "--finder COUNT" child of this program for each count and prints
// the results as a table. Returns false when a child failed.
bool runFinderBench(const std::vector<int>& counts);
