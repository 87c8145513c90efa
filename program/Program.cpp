#include "program/Program.h"

#include "base/Application.h"
#include "base/ErrorHandler.h"
#include "base/FolderLayout.h"
#include "datamodule/TDM.h"
#include "legacy/ImportProcess.h"
#include "program/LegacyConversion.h"
#include "session/DailyBackup.h"
#include "session/Session.h"
#include "store/TicketBackend.h"
#include "store/TicketStore.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"
#include "ui/windows/TfStart.h"

#include <QApplication>
#include <QDir>
#include <QFont>

#include <memory>

void Program::startDailyBackup()
{
    m_backup = std::make_unique<DailyBackup>();
    QObject::connect(m_backup.get(), &DailyBackup::finished, [this](const QString& folder, const QString& error) {
        const ExtraTexts& texts = m_session->workspace().Extra;
        if (!error.isEmpty())
            ErrorHandler::report(texts.text(ExtraText::BackupFailed).arg(QDir::toNativeSeparators(folder), error));
    });
    const FolderLayout& folder = m_session->folder();
    m_backup->keepDaily(folder, DailyBackup::configuredDays(folder.settings()));
}

void Program::wireWindows()
{
    Session* session = m_session.get();
    m_main->useWindows(m_data.get(), m_setup.get(), m_editor.get());
    // The editor's lists, read when the main window is first shown and again
    // whenever the setup window closes.
    TfOpravenka* editor = m_editor.get();
    QObject::connect(session, &Session::townsLoaded, editor,
        [editor](const QStringList& towns) { guarded([editor, &towns] { editor->setTowns(towns); }); });
    QObject::connect(session, &Session::deviceTypesLoaded, editor,
        [editor](const QStringList& types) { guarded([editor, &types] { editor->setDeviceTypes(types); }); });
    QObject::connect(
        m_setup.get(), &TfSetup::closed, session, [session] { guarded([session] { session->loadLists(); }); });
    QObject::connect(
        m_setup.get(), &TfSetup::daysChanged, session, [session](int days) { session->workspace().DayInc = days; });
    QObject::connect(m_setup.get(), &TfSetup::warrantyDaysChanged, session,
        [session](int days) { session->workspace().WarrantyDays = days; });
    QObject::connect(m_setup.get(), &TfSetup::languageChosen, session,
        [session](const QString& fileName) { guarded([session, &fileName] { session->applyLanguage(fileName); }); });
}

void Program::initResources()
{
    Q_INIT_RESOURCE(resources);
}

Program::Program(const FolderLayout& folder)
{
    Application::Title = QStringLiteral("Trelomář");
    Application::HelpFile = QStringLiteral("trelomar.hlp");
    initResources();
    // The windows are laid out for the narrow Windows dialog and menu fonts;
    // where they are missing, the condensed sans keeps texts within their
    // design widths (and menu texts as wide as the menus measure them).
    for (const QString& family : { QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma") })
        QFont::insertSubstitution(family, QStringLiteral("DejaVu Sans Condensed"));

    auto splash = std::make_unique<TfStart>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // The session comes first: it prepares the working folder. Each creation
    // after it reports its own errors and the next one still runs.
    m_session = std::make_unique<Session>(folder);
    m_main = std::make_unique<TfMain>(*m_session);
    // An Access database of the earlier program is converted, if the user wants, before the table opens.
    if (ImportProcess::needed(folder)) {
        splash->hide();
        guarded([&folder] { LegacyConversion::offer(folder); });
        splash->show();
    }
    guarded([this, &folder] { m_data = std::make_unique<TDM>(folder); });
    // Tickets work without the statuses; the user is told once why they are off.
    if (m_data && m_data->ADOTable->Active() && !m_data->ADOTable->statusOn())
        ErrorHandler::report(
            m_session->workspace().Extra.text(ExtraText::StatusOff).arg(m_data->ADOTable->statusOffReason()));
    // The daily copy is of the shop's own file; a server keeps its own backups.
    if (m_data && m_data->ADOTable->Active() && !TicketBackend::isServerUrl(m_data->ADOTable->ConnectionString()))
        startDailyBackup();
    m_setup = std::make_unique<TfSetup>(m_session->workspace(), m_main.get());
    m_editor = std::make_unique<TfOpravenka>(m_session->workspace(), m_data.get(), m_main.get());
    wireWindows();
}

Program::~Program()
{
    m_backup.reset();
    m_editor.reset();
    m_setup.reset();
    m_data.reset();
    m_main.reset();
    m_session.reset();
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
