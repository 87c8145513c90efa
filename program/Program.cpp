#include "program/Program.h"

#include "base/Application.h"
#include "base/ErrorHandler.h"
#include "base/FolderLayout.h"
#include "session/Workspace.h"
#include "legacy/ImportProcess.h"
#include "store/TicketBackend.h"
#include "store/TicketStore.h"
#include "program/LegacyConversion.h"
#include "datamodule/TDM.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"
#include "ui/windows/TfStart.h"
#include "session/DailyBackup.h"

#include <QApplication>
#include <QDir>
#include <QFont>

#include <memory>

void Program::startDailyBackup(const FolderLayout& folder)
{
    m_backup = std::make_unique<DailyBackup>();
    QObject::connect(m_backup.get(), &DailyBackup::finished, [this](const QString& folder, const QString& error) {
        if (!error.isEmpty())
            ErrorHandler::report(m_workspace->Extra.text(ExtraText::BackupFailed).arg(QDir::toNativeSeparators(folder), error));
    });
    m_backup->keepDaily(folder.folder(), DailyBackup::configuredDays(folder.settings()));
}

void Program::initResources()
{
    Q_INIT_RESOURCE(resources);
}

Program::Program()
    : m_workspace(std::make_unique<Workspace>())
{
    Application::Title = QStringLiteral("Trelomář");
    Application::HelpFile = QStringLiteral("trelomar.hlp");
    initResources();
    // The windows are laid out for the narrow Windows dialog and menu fonts;
    // where they are missing, the condensed sans keeps texts within their
    // design widths (and menu texts as wide as the menus measure them).
    for (const QString& family : {QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma")})
        QFont::insertSubstitution(family, QStringLiteral("DejaVu Sans Condensed"));

    auto splash = std::make_unique<TfStart>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // The program works in its current directory, the working folder.
    const FolderLayout folder(QDir::currentPath());
    // Each creation reports its own errors and the next one still runs. The
    // main window comes first: it prepares the working folder.
    m_main = std::make_unique<TfMain>(*m_workspace);
    // An Access database of the earlier program is converted, if the user wants, before the table opens.
    if (ImportProcess::needed(folder.folder())) {
        splash->hide();
        guarded([&folder] { LegacyConversion::offer(folder.folder()); });
        splash->show();
    }
    guarded([this, &folder] { m_data = std::make_unique<TDM>(folder); });
    // The daily copy is of the shop's own file; a server keeps its own backups.
    if (m_data && m_data->ADOTable->Active() && !TicketBackend::isServerUrl(m_data->ADOTable->ConnectionString()))
        startDailyBackup(folder);
    m_setup = std::make_unique<TfSetup>(*m_workspace, m_main.get());
    m_editor = std::make_unique<TfOpravenka>(*m_workspace, m_data.get(), m_main.get());
    m_main->useWindows(m_data.get(), m_setup.get(), m_editor.get());
}

Program::~Program()
{
    m_backup.reset();
    m_editor.reset();
    m_setup.reset();
    m_data.reset();
    m_main.reset();
}

void Program::showMainWindow()
{
    m_main->show();
}

int Program::exec()
{
    showMainWindow();
    return QApplication::exec();
}
