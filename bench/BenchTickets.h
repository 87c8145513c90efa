#pragma once

#include <QString>

// The synthetic tickets every benchmark measures: Czech names, towns,
// devices and IMEIs as a shop's years of work leave them, each ticket with
// three status changes in its history.
namespace BenchTickets {

// Fills a new database file at `path` with `count` tickets; the same every time.
void generate(const QString& path, int count);

} // namespace BenchTickets
