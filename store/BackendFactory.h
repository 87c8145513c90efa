#pragma once

#include "store/TicketBackend.h"

#include <QString>

#include <memory>

// The one place that knows every back end: which one a connection string
// names, and how a new database file is made. The table and the tools ask
// here, so that a back end's base never needs its subclasses.
namespace BackendFactory {

// The back end a connection string names, opened: "Data Source=<file>" for
// the database file, or a postgresql:// URL (TicketBackend::isServerUrl) for
// the shop's server. `component` begins the texts of the table component's
// own errors.
std::unique_ptr<TicketBackend> open(const QString& connectionString, const QString& component, int busyTimeoutMs);

// Creates an empty database file holding the table; never replaces a file.
void createDatabase(const QString& path);

} // namespace BackendFactory
