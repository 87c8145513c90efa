#include "ui/LegacyConversion.h"

#include "app/AppError.h"
#include "app/Application.h"
#include "lang/ExtraTexts.h"
#include "lang/LangFile.h"
#include "store/StoreFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// The language texts are not applied yet: the default language file's own
// texts where it has them, the built-in ones of its language otherwise.
ExtraTexts startTexts(const QString& dir)
{
    try {
        const LangFile file = readLangFile(QDir(dir).filePath(QStringLiteral("lang/default.lng")));
        return ExtraTexts(file.extra, file.name.value_or(QString()));
    } catch (const AppError&) {
        return ExtraTexts();
    }
}

} // namespace

QString LegacyConversion::findTool()
{
    // Beside the program first (installed), then in its build folder's tools/; the search adds ".exe" on Windows.
    const QString here = QCoreApplication::applicationDirPath();
    const QString beside = QStandardPaths::findExecutable(QStringLiteral("trelomar-db"),
                                                          { here, here + QStringLiteral("/tools") });
    return beside.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("trelomar-db")) : beside;
}

bool LegacyConversion::needed(const QString& dir)
{
    return StoreFile::isAccessFile(QDir(dir).filePath(QStringLiteral("data/data.mdb")));
}

LegacyConversion::Outcome LegacyConversion::offer(const QString& dir, QString tool, QWidget* parent)
{
    if (!needed(dir))
        return Outcome::NothingToConvert;
    const ExtraTexts texts = startTexts(dir);

    QMessageBox question(QMessageBox::Question, Application::Title, texts.text(ExtraText::ConvertQuestion),
                         QMessageBox::Yes | QMessageBox::No, parent);
    question.setObjectName(QStringLiteral("convertQuestion"));
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() != QMessageBox::Yes)
        return Outcome::Declined;

    QString failure;
    QString done; // the closing message: tickets, report lines, the report's path
    if (tool.isEmpty())
        tool = findTool();
    if (tool.isEmpty()) {
        failure = QStringLiteral("trelomar-db: not found beside the program nor on the PATH");
    } else {
        QProgressDialog progress(texts.text(ExtraText::ConvertProgress), QString(), 0, 0, parent);
        progress.setObjectName(QStringLiteral("convertProgress"));
        progress.setWindowTitle(Application::Title);
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.show();

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
                    progress.setMaximum(m.captured(2).toInt());
                    progress.setValue(m.captured(1).toInt());
                } else if (const QRegularExpressionMatch d = doneLine.match(line); d.hasMatch()) {
                    done = texts.text(ExtraText::ConvertDone)
                               .arg(d.captured(1), d.captured(2), QDir::toNativeSeparators(d.captured(3)));
                }
            }
        };
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &progress, readLines);
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                loop.quit();
        });
        process.start(tool, {QStringLiteral("import"), QDir(dir).absolutePath()});
        if (process.state() != QProcess::NotRunning)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        readLines();
        progress.hide();
        if (process.error() == QProcess::FailedToStart)
            failure = QStringLiteral("%1: %2").arg(tool, process.errorString());
        else if (process.exitStatus() != QProcess::NormalExit)
            failure = QStringLiteral("trelomar-db: the conversion stopped unexpectedly (%1)").arg(process.errorString());
        else if (process.exitCode() != 0)
            failure = QString::fromUtf8(process.readAllStandardError()).trimmed();
    }
    if (failure.isEmpty()) {
        if (!done.isEmpty()) {
            QMessageBox box(QMessageBox::Information, Application::Title, done, QMessageBox::Ok, parent);
            box.setObjectName(QStringLiteral("convertDone"));
            box.exec();
        }
        return Outcome::Converted;
    }

    QMessageBox failed(QMessageBox::Critical, Application::Title,
                       texts.text(ExtraText::ConvertFailed) + QStringLiteral("\n\n") + failure, QMessageBox::Ok, parent);
    failed.setObjectName(QStringLiteral("convertFailed"));
    failed.exec();
    return Outcome::Failed;
}
