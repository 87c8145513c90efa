#include "ui/ErrorBox.h"
#include "ui/Program.h"
#include "ui/TApplication.h"

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    // Every error the program reports is shown in its standard box.
    ErrorBox box;
    ErrorHandler::setReporter(&box);
    Program program;
    return program.exec();
}
