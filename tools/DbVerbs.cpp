#include "tools/DbVerbs.h"

#include <QDir>
#include <QTextStream>

namespace DbVerbs {

int usage(const char* text, bool asked)
{
    if (asked) {
        QTextStream(stdout) << text;
        return Done;
    }
    QTextStream(stderr) << text;
    return BadArguments;
}

void error(const QString& message)
{
    QTextStream(stderr) << "trelomar-db: " << message << "\n";
}

bool isHelp(const QStringList& args)
{
    return args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"));
}

FolderLayout workFolder(const QString& dir)
{
    return FolderLayout(QDir(dir).absolutePath());
}

} // namespace DbVerbs
