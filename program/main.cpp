#include "program/Program.h"
#include "session/StartFolder.h"
#include "ui/shell/CloseOnSignal.h"
#include "ui/shell/ErrorBox.h"
#include "ui/shell/TApplication.h"

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    // Every error the program reports is shown in its standard box.
    ErrorBox box;
    ErrorHandler::setReporter(&box);
    // Installed first: a stop signal during start-up is handled once the loop runs.
    CloseOnSignal closeOnSignal;
    const StartFolder::Outcome start = StartFolder::enter(QCoreApplication::arguments());
    if (!start.folder)
        return start.exitCode;
    Program program(*start.folder);
    return program.exec();
}
