#include "session/StartFolder.h"

#include "base/Application.h"
#include "base/ErrorHandler.h"
#include "session/WorkFolder.h"

#include <QDir>
#include <QTextStream>

namespace {

QString usage()
{
    return QStringLiteral("Usage: trelomar [--workdir DIR]\n"
                          "Works in DIR, preparing it when it holds no ticket store yet. Without DIR: in the\n"
                          "current folder when it is a working folder, otherwise in %1.\n")
        .arg(QDir::toNativeSeparators(WorkFolder::userFolder()));
}

} // namespace

QString StartFolder::choose(
    const QString& requested, const QString& current, const QString& shipped, const QString& userFolder)
{
    if (!requested.isEmpty())
        return requested;
    if (shipped.isEmpty() || WorkFolder::isWorkFolder(current))
        return current;
    return userFolder;
}

StartFolder::Outcome StartFolder::enter(const QStringList& arguments)
{
    QString requested;
    const QStringList args = arguments.mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            QTextStream(stdout) << usage();
            return {};
        }
        if (arg == QLatin1String("--workdir") && i + 1 < args.size() && !args[i + 1].isEmpty()) {
            requested = args[++i];
        } else if (arg.startsWith(QLatin1String("--workdir=")) && arg.size() > 10) {
            requested = arg.mid(10);
        } else {
            QTextStream(stderr) << usage();
            return { std::nullopt, 2 };
        }
    }
    if (!requested.isEmpty())
        requested = QDir(requested).absolutePath();

    const QString current = QDir::currentPath();
    const QString shipped = WorkFolder::installedData();
    const QString folder = choose(requested, current, shipped, WorkFolder::userFolder());
    if (folder == current && requested.isEmpty())
        return { FolderLayout(current) }; // as it always was: the current directory, untouched

    try {
        WorkFolder::prepare(folder, shipped);
        if (!QDir::setCurrent(folder))
            throw AppError(QStringLiteral("Cannot open folder %1").arg(QDir::toNativeSeparators(folder)));
    } catch (const AppError& error) {
        // No window exists yet to set the box's caption.
        if (Application::Title.isEmpty())
            Application::Title = QStringLiteral("Trelomář");
        ErrorHandler::report(error);
        return { std::nullopt, 1 };
    }
    return { FolderLayout(QDir::currentPath()) };
}
