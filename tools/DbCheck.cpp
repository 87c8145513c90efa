// trelomar-db check: is the store intact and complete?
#include "store/StoreFile.h"
#include "tools/DbVerbs.h"

#include <QDir>
#include <QTextStream>

namespace DbVerbs {

namespace {

const char* const CheckUsage
    = "Usage: trelomar-db check [DIR]\n"
      "Checks DIR/data/data.mdb: integrity, every stored field present with its type, the ticket count,\n"
      "ticket numbers used more than once, and the status history: rows of no ticket, unknown status codes,\n"
      "a schema newer than this program's. An older store is read as it is, never upgraded.\n"
      "Exit code 0 only when all is well.\n";

} // namespace

int check(const QStringList& args)
{
    if (isHelp(args))
        return usage(CheckUsage, true);
    if (args.size() > 1 || (!args.isEmpty() && args[0].startsWith(u'-')))
        return usage(CheckUsage, false);
    const QString path = workFolder(args.value(0, QStringLiteral("."))).store();
    StoreFile::CheckResult result;
    try {
        result = StoreFile::check(path);
    } catch (const AppError& e) {
        error(e.message());
        return Failed;
    }
    QTextStream out(stdout);
    out << QDir::cleanPath(path) << "\n";
    for (const QString& problem : result.problems)
        out << "problem: " << problem << "\n";
    if (result.problems.isEmpty())
        out << "integrity: ok\nfields: ok\ntickets: " << result.tickets << "\n";
    for (const QString& problem : result.history)
        out << "history problem: " << problem << "\n";
    for (const auto& [number, count] : result.duplicates)
        out << "duplicate ticket number: " << number << " (" << count << " tickets)\n";
    out << (result.ok() ? "all well\n" : "NOT well\n");
    return result.ok() ? Done : Failed;
}

} // namespace DbVerbs
