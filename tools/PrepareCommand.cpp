#include "tools/PrepareCommand.h"

#include "app/AppError.h"
#include "workdir/WorkFolder.h"

#include <QDir>
#include <QTextStream>

int prepareCommand(const QStringList& args)
{
    QTextStream err(stderr);
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
        err << "Usage: trelomar-db prepare DIR [--from SHIPPED]\n";
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
