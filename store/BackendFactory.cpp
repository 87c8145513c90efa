#include "store/BackendFactory.h"

#include "store/PostgresBackend.h"
#include "store/SqliteBackend.h"

namespace BackendFactory {

std::unique_ptr<TicketBackend> open(const QString& connectionString, const QString& component, int busyTimeoutMs)
{
    if (TicketBackend::isServerUrl(connectionString))
        return std::make_unique<PostgresBackend>(connectionString, component);
    return std::make_unique<SqliteBackend>(connectionString, component, busyTimeoutMs);
}

void createDatabase(const QString& path)
{
    SqliteBackend::createDatabase(path);
}

} // namespace BackendFactory
