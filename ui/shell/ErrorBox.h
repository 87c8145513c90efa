#pragma once

#include "base/ErrorHandler.h"

// The program's standard error box: the application title as its caption, an
// error icon and an OK button. Each message also goes to the error stream,
// for a shop's log and for the end-to-end tests, which cannot read the box.
class ErrorBox : public ErrorReporter
{
public:
    void report(const QString& message) override;
};
