#include "store/TicketBackend.h"

#include <QDateTime>

bool TicketBackend::isServerUrl(const QString& connectionString)
{
    const QString text = connectionString.trimmed();
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

void TicketBackend::openStatus(bool upgrade)
{
    m_statusOff.clear();
    try {
        int version = schemaVersion();
        if (version < TicketStatus::SchemaVersion && upgrade) {
            upgradeSchema();
            version = schemaVersion();
        }
        if (version < TicketStatus::SchemaVersion) {
            m_statusOff
                = QStringLiteral("the store is of schema version %1 and was opened without upgrading it").arg(version);
            return;
        }
        // A newer program may have added to the table; what this one writes must still be there.
        const QStringList missing = missingHistoryColumns();
        if (!missing.isEmpty())
            m_statusOff = QStringLiteral("the store is of schema version %1, newer than this program's %2, and its "
                                         "table historie_stavu lacks the columns %3")
                              .arg(version)
                              .arg(TicketStatus::SchemaVersion)
                              .arg(missing.join(QStringLiteral(", ")));
    } catch (const AppError& error) {
        m_statusOff = error.message();
    }
}

StatusEntry TicketBackend::received(qint64 ticket)
{
    StatusEntry entry;
    entry.ticket = ticket;
    entry.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    entry.code = TicketStatus::code(TicketStatus::Status::Prijato);
    return entry;
}
