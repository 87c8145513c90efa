#include "program/LegacyConversion.h"

#include "base/AppError.h"
#include "base/Application.h"
#include "lang/ExtraTexts.h"
#include "lang/LangFile.h"
#include "legacy/ImportProcess.h"

#include <QDir>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

// The language texts are not applied yet: the default language file's own
// texts where it has them, the built-in ones of its language otherwise.
ExtraTexts startTexts(const FolderLayout& folder)
{
    try {
        const LangFile file = readLangFile(folder.defaultLanguage());
        return ExtraTexts(file.extra, file.name.value_or(QString()));
    } catch (const AppError&) {
        return ExtraTexts();
    }
}

} // namespace

LegacyConversion::Outcome LegacyConversion::offer(const FolderLayout& folder, QString tool, QWidget* parent)
{
    if (!ImportProcess::needed(folder))
        return Outcome::NothingToConvert;
    const ExtraTexts texts = startTexts(folder);

    QMessageBox question(QMessageBox::Question, Application::Title, texts.text(ExtraText::ConvertQuestion),
                         QMessageBox::Yes | QMessageBox::No, parent);
    question.setObjectName(QStringLiteral("convertQuestion"));
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() != QMessageBox::Yes)
        return Outcome::Declined;

    QString failure;
    QString done; // the closing message: tickets, report lines, the report's path
    if (tool.isEmpty())
        tool = ImportProcess::findTool();
    if (tool.isEmpty()) {
        failure = QStringLiteral("trelomar-db: not found beside the program nor on the PATH");
    } else {
        QProgressDialog progress(texts.text(ExtraText::ConvertProgress), QString(), 0, 0, parent);
        progress.setObjectName(QStringLiteral("convertProgress"));
        progress.setWindowTitle(Application::Title);
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.show();

        ImportProcess import;
        QObject::connect(&import, &ImportProcess::progress, &progress, [&progress](int read, int total) {
            progress.setMaximum(total);
            progress.setValue(read);
        });
        const ImportProcess::Result result = import.run(tool, folder);
        progress.hide();
        failure = result.failure;
        if (!result.tickets.isEmpty())
            done = texts.text(ExtraText::ConvertDone)
                       .arg(result.tickets, result.reportLines, QDir::toNativeSeparators(result.reportPath));
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
