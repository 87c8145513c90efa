#include "store/TicketBackend.h"

#include "store/PostgresBackend.h"
#include "store/SqliteBackend.h"

bool TicketBackend::isServerUrl(const QString& connectionString)
{
    const QString text = connectionString.trimmed();
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<TicketBackend> TicketBackend::open(const QString& connectionString, const QString& component,
                                                   int busyTimeoutMs)
{
    if (isServerUrl(connectionString))
        return std::make_unique<PostgresBackend>(connectionString, component);
    return std::make_unique<SqliteBackend>(connectionString, component, busyTimeoutMs);
}
