#include "ui/CloseOnSignal.h"
#include "ui/Program.h"
#include "ui/TApplication.h"
#include "workdir/StartFolder.h"

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    // Installed first: a stop signal during start-up is handled once the loop runs.
    CloseOnSignal closeOnSignal;
    if (const std::optional<int> exitCode = StartFolder::enter(QCoreApplication::arguments()))
        return *exitCode;
    Program program;
    return program.exec();
}
