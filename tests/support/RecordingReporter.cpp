#include "tests/support/RecordingReporter.h"

RecordingReporter::RecordingReporter()
    : m_previous(ErrorHandler::setReporter(this))
{
}

RecordingReporter::~RecordingReporter()
{
    ErrorHandler::setReporter(m_previous);
}

void RecordingReporter::report(const QString& message)
{
    messages.append(message);
}
