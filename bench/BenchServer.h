#pragma once

#include "bench/BenchGrid.h"

#include <QString>

// The ticket store on a PostgreSQL server beside the same tickets in a file:
// open, a durable post, another counter's new ticket seen, the search
// keystroke. `url` names the server's maintenance database, where a database
// of its own is made for each size and dropped after. Prints a table.
bool runServerBench(const QString& url, const std::vector<int>& sizes, const TicketGenerator& generate);
