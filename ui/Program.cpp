#include "ui/Program.h"

#include "app/Application.h"
#include "app/ErrorHandler.h"
#include "app/TfStart.h"
#include "store/TDM.h"
#include "ui/TfMain.h"
#include "ui/TfOpravenka.h"
#include "ui/TfSetup.h"

#include <QApplication>

#include <memory>

Program::Program()
{
    Application::Title = QStringLiteral("Trelomář");
    Application::HelpFile = QStringLiteral("trelomar.hlp");
    Application::initResources();

    auto splash = std::make_unique<TfStart>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // Each creation reports its own errors and the next one still runs.
    fMain = new TfMain;
    guarded([] { DM = new TDM; });
    fSetup = new TfSetup(fMain);
    fOpravenka = new TfOpravenka;
}

Program::~Program()
{
    delete fOpravenka;
    fOpravenka = nullptr;
    delete fSetup;
    fSetup = nullptr;
    delete DM;
    DM = nullptr;
    delete fMain;
    fMain = nullptr;
}

void Program::showMainWindow()
{
    fMain->show();
}

int Program::exec()
{
    showMainWindow();
    return QApplication::exec();
}
