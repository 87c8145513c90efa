#include "store/TicketBackend.h"

bool TicketBackend::isServerUrl(const QString& connectionString)
{
    const QString text = connectionString.trimmed();
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}
