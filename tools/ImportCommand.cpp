#include "tools/ImportCommand.h"

#include "base/AppError.h"
#include "base/FolderLayout.h"
#include "legacy/LegacyImport.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

const char* const ImportUsage =
    "       trelomar-db import [--codepage NAME] [DIR]\n"
    "       trelomar-db import [--codepage NAME] FILE.mdb [DIR]\n"
    "Converts the Access database DIR/data/data.mdb in place, keeping it as DIR/data/data-access.mdb;\n"
    "or converts FILE.mdb into DIR/data/data.mdb, a folder without a ticket database.\n"
    "Every value stored empty or cut short and every column ignored gets a line, also written\n"
    "to DIR/data/import-report.txt.\n"
    "--codepage names the code page of Access 97 text (default CP1250).\n";

int importCommand(const QStringList& args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    LegacyImport::Options options;
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--codepage") && i + 1 < args.size())
            options.codepage = args[++i];
        else if (args[i].startsWith(QLatin1String("--")))
            return -1;
        else
            positional.append(args[i]);
    }
    if (positional.size() > 2)
        return -1;
    // A file given first is the source; otherwise the folder's own database is converted.
    if (!positional.isEmpty() && QFileInfo(positional[0]).isFile()) {
        options.source = positional[0];
        options.dataDir = FolderLayout(positional.value(1, QStringLiteral("."))).dataFolder();
    } else {
        if (positional.size() > 1)
            return -1;
        const FolderLayout folder(positional.value(0, QStringLiteral(".")));
        options.dataDir = folder.dataFolder();
        options.source = folder.store();
        options.inPlace = true;
    }

    const auto line = [&out](const QString& text) {
        out << text << "\n";
        out.flush();
    };
    try {
        LegacyImport import(line, line);
        const LegacyImport::Result result = import.run(options);
        const QString source = QDir::cleanPath(QFileInfo(options.source).absoluteFilePath());
        const QString dataDir = QDir::cleanPath(QDir(options.dataDir).absolutePath());
        const QString from = options.inPlace ? dataDir + u'/' + LegacyImport::keptName() : source;
        line(QStringLiteral("Imported %1 tickets from %2 into %3; %4 report lines in %5")
                 .arg(QString::number(result.tickets), from, dataDir + QStringLiteral("/data.mdb"),
                      QString::number(result.reportLines), QDir::cleanPath(result.reportPath)));
        return 0;
    } catch (const AppError& error) {
        err << "trelomar-db: " << error.message() << "\n";
        return 1;
    }
}
