// trelomar-db: the ticket database from the command line. init [DIR] creates
// DIR/data/data.mdb, the empty ticket database the program expects beside it
// (never replacing an existing file); the other verbs live in files of their own.
#include "base/AppError.h"
#include "base/FolderLayout.h"
#include "session/WorkFolder.h"
#include "store/TicketBackend.h"
#include "store/TicketStore.h"
#include "tools/CopyStore.h"
#include "tools/DbVerbs.h"
#include "tools/ImportCommand.h"
#include "tools/InitServer.h"
#include "tools/PrepareCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

const char* const Usage
    = "Usage: trelomar-db init [DIR]\n"
      "Creates DIR/data/data.mdb, an empty ticket database with its status history (DIR defaults\n"
      "to the current folder).\n"
      "An existing database is never replaced.\n"
      "       trelomar-db init --url postgresql://USER@HOST[:PORT]/DBNAME\n"
      "Creates the ticket table in an existing database on the shop's server; never replaces one.\n"
      "The password comes from PGPASSWORD or ~/.pgpass: written in the URL, others see it in ps.\n"
      "       trelomar-db copy FROM TO [--drop-unreadable]\n"
      "Copies every ticket from one store to another, empty one, and checks the copy. A store is a\n"
      "folder holding data/data.mdb or a postgresql:// URL. A value that cannot be read (a date\n"
      "in another form, a price in words) stops the copy, each named, unless --drop-unreadable\n"
      "copies them as empty (each named). The status history goes along; an older target is\n"
      "upgraded first, an older source is read as it is.\n"
      "       trelomar-db prepare DIR [--from SHIPPED]\n"
      "Lays out a new working folder: the database, the help and the language files.\n"
      "Other commands (each with --help): backup, restore, check, export.\n";

void usage(QTextStream& stream)
{
    stream << Usage << ImportUsage;
}

int init(const QString& dir)
{
    QTextStream err(stderr);
    const FolderLayout folder(QDir(dir).absolutePath());
    const QString dataDir = folder.dataFolder();
    const QString path = folder.store();
    try {
        WorkFolder::makeFolder(dataDir);
        TicketStore::createDatabase(path);
    } catch (const AppError& error) {
        err << "trelomar-db: " << error.message() << "\n";
        return 1;
    }
    QTextStream(stdout) << "Created " << QDir::cleanPath(path) << "\n";
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        QTextStream out(stdout);
        usage(out);
        return 0;
    }
    if (!args.isEmpty() && args[0] == QLatin1String("import")) {
        const int code = importCommand(args.mid(1));
        if (code >= 0)
            return code;
        QTextStream err(stderr);
        usage(err);
        return 2;
    }
    const QStringList rest = args.mid(1);
    if (!args.isEmpty() && args[0] == QLatin1String("prepare"))
        return prepareCommand(rest);
    if (!args.isEmpty() && args[0] == QLatin1String("backup"))
        return DbVerbs::backup(rest);
    if (!args.isEmpty() && args[0] == QLatin1String("restore"))
        return DbVerbs::restore(rest);
    if (!args.isEmpty() && args[0] == QLatin1String("check"))
        return DbVerbs::check(rest);
    if (!args.isEmpty() && args[0] == QLatin1String("export"))
        return DbVerbs::exportCsv(rest);
    if (args.size() == 3 && args[0] == QLatin1String("init") && args[1] == QLatin1String("--url"))
        return initServer(args[2]);
    if (args.size() == 3 && args[0] == QLatin1String("copy"))
        return copyStore(args[1], args[2]);
    if (args.size() == 4 && args[0] == QLatin1String("copy") && args[3] == QLatin1String("--drop-unreadable"))
        return copyStore(args[1], args[2], true);
    if (args.isEmpty() || args[0] != QLatin1String("init") || args.size() > 2
        || (args.size() == 2 && (args[1].startsWith(u'-') || TicketBackend::isServerUrl(args[1])))) {
        QTextStream err(stderr);
        usage(err);
        return 2;
    }
    return init(args.size() == 2 ? args[1] : QStringLiteral("."));
}
