#include "base/ErrorHandler.h"

#include <QDebug>
#include <QDir>

namespace {

ErrorReporter* g_reporter = nullptr;

} // namespace

void raiseCannotOpen(const QString& path)
{
    throw AppError(QStringLiteral("Cannot open file %1").arg(QDir::toNativeSeparators(path)));
}

void raiseCannotCreate(const QString& path)
{
    throw AppError(QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path)));
}

QString ErrorHandler::formatMessage(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ErrorHandler::report(const QString& message) noexcept
{
    try {
        const QString text = formatMessage(message);
        if (g_reporter) {
            g_reporter->report(text);
        } else {
            qWarning().noquote() << "Error:" << text;
        }
    } catch (...) {
        // Reporting must never take the program down.
    }
}

void ErrorHandler::report(const std::exception& error) noexcept
{
    if (const auto* appError = dynamic_cast<const AppError*>(&error))
        report(appError->message());
    else
        report(QString::fromLocal8Bit(error.what()));
}

ErrorReporter* ErrorHandler::setReporter(ErrorReporter* reporter)
{
    return std::exchange(g_reporter, reporter);
}
