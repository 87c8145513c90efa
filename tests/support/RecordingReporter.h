#pragma once

#include "base/ErrorHandler.h"

#include <QStringList>

// Takes the place of the error box while it lives: every reported message is
// kept, in order, and nothing waits for a person.
class RecordingReporter : public ErrorReporter
{
public:
    RecordingReporter();
    ~RecordingReporter() override;

    void report(const QString& message) override;

    QStringList messages;

private:
    ErrorReporter* m_previous;
};
