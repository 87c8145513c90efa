#include "ui/Program.h"

#include "ui/TApplication.h"

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    Program program;
    return program.exec();
}
