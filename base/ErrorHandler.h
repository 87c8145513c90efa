#pragma once

#include "base/AppError.h"

#include <QString>

#include <exception>
#include <utility>

// Where reported errors go. The program installs the error box (ErrorBox in
// the windows' library); tests install a recorder so that nothing ever waits
// for a person. With none installed, errors go to the error stream.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    virtual void report(const QString& message) = 0;
};

class ErrorHandler
{
public:
    // The message as the error box shows it: a full stop is appended when the
    // last character has a higher code than the full stop.
    static QString formatMessage(const QString& message);

    // Shows the message through the installed reporter. Never throws.
    static void report(const QString& message) noexcept;
    static void report(const std::exception& error) noexcept;

    // Installs a reporter; returns the previous one. nullptr: the error stream.
    static ErrorReporter* setReporter(ErrorReporter* reporter);
};

// Runs an event handler's body so that no exception crosses a Qt frame: an
// error ends the action and is shown in the standard error box.
template <class F>
void guarded(F&& body) noexcept
{
    try {
        std::forward<F>(body)();
    } catch (const std::exception& error) {
        ErrorHandler::report(error);
    } catch (...) {
        ErrorHandler::report(QStringLiteral("Unknown error"));
    }
}
