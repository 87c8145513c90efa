#include "tools/InitServer.h"

#include "base/AppError.h"
#include "store/PostgresBackend.h"
#include "store/TicketBackend.h"

#include <QTextStream>

int initServer(const QString& url)
{
    QTextStream err(stderr);
    if (!TicketBackend::isServerUrl(url)) {
        err << "trelomar-db: not a postgresql:// URL\n"; // not echoed: it may hold a password
        return 2;
    }
    try {
        PostgresBackend::createTable(url);
    } catch (const AppError& error) {
        err << "trelomar-db: " << error.message() << "\n";
        return 1;
    }
    QTextStream(stdout) << "Created the table opravenky in " << PostgresBackend::describe(url) << "\n";
    return 0;
}
