#include "tools/PrepareCommand.h"

#include "base/AppError.h"
#include "session/WorkFolder.h"

#include <QDir>
#include <QTextStream>

int prepareCommand(const QStringList& args)
{
    QTextStream err(stderr);
    const char* const usage = "Usage: trelomar-db prepare DIR [--from SHIPPED]\n"
                              "Lays out a new working folder in DIR: an empty ticket database, the help file and the\n"
                              "language files of SHIPPED (default: the installed program's), Czech as the default.\n"
                              "A folder that holds a database already is left as it is.\n";
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        QTextStream(stdout) << usage;
        return 0;
    }
    QString dir;
    QString shipped = WorkFolder::installedData();
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--from") && i + 1 < args.size())
            shipped = args[++i];
        else if (dir.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            dir = args[i];
        else {
            dir.clear();
            break;
        }
    }
    if (dir.isEmpty()) {
        err << usage;
        return 2;
    }
    dir = QDir(dir).absolutePath();
    try {
        if (WorkFolder::prepare(dir, shipped))
            QTextStream(stdout) << "Prepared " << QDir::cleanPath(dir) << "\n";
        else
            QTextStream(stdout) << QDir::cleanPath(dir) << " holds a ticket store already; left as it is\n";
    } catch (const AppError& error) {
        err << "trelomar-db: " << error.message() << "\n";
        return 1;
    }
    return 0;
}
