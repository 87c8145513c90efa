#include "legacy/ImportProcess.h"

#include "store/AccessSignature.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

bool ImportProcess::needed(const FolderLayout& folder)
{
    return AccessSignature::matches(folder.store());
}

QString ImportProcess::findTool()
{
    // Beside the program first (installed), then in its build folder's tools/; the search adds ".exe" on Windows.
    const QString here = QCoreApplication::applicationDirPath();
    const QString beside = QStandardPaths::findExecutable(QStringLiteral("trelomar-db"),
                                                          { here, here + QStringLiteral("/tools") });
    return beside.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("trelomar-db")) : beside;
}

ImportProcess::Result ImportProcess::run(const QString& tool, const FolderLayout& folder)
{
    Result result;
    QProcess process;
    QEventLoop loop;
    static const QRegularExpression readLine(QStringLiteral("^Read (\\d+) of (\\d+) tickets"));
    static const QRegularExpression doneLine(QStringLiteral("^Imported (\\d+) tickets .*; (\\d+) report lines in (.+)$"));
    const auto readLines = [&] {
        while (process.canReadLine()) {
            QString line = QString::fromUtf8(process.readLine());
            while (line.endsWith(u'\n') || line.endsWith(u'\r'))
                line.chop(1);
            if (const QRegularExpressionMatch m = readLine.match(line); m.hasMatch()) {
                emit progress(m.captured(1).toInt(), m.captured(2).toInt());
            } else if (const QRegularExpressionMatch d = doneLine.match(line); d.hasMatch()) {
                result.tickets = d.captured(1);
                result.reportLines = d.captured(2);
                result.reportPath = d.captured(3);
            }
        }
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, this, readLines);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    process.start(tool, {QStringLiteral("import"), QDir(folder.folder()).absolutePath()});
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    readLines();
    if (process.error() == QProcess::FailedToStart)
        result.failure = QStringLiteral("%1: %2").arg(tool, process.errorString());
    else if (process.exitStatus() != QProcess::NormalExit)
        result.failure = QStringLiteral("trelomar-db: the conversion stopped unexpectedly (%1)").arg(process.errorString());
    else if (process.exitCode() != 0)
        result.failure = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return result;
}
