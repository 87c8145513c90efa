#pragma once

#include <QString>

#include <exception>

// The one exception type of the program: an error ends the action that raised
// it and travels up to the guard at the event-handler entry, which shows it.
class AppError : public std::exception
{
public:
    explicit AppError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Raises the standard file errors with the full path in place of %s.
[[noreturn]] void raiseCannotOpen(const QString& path);
[[noreturn]] void raiseCannotCreate(const QString& path);
