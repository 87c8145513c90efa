#pragma once

#include "session/Session.h"
#include "store/TicketStore.h"
#include "ui/shell/KeyPreview.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace Ui {
class TfMain;
}
class QAction;
class TIdleRefresh;
class QActionGroup;
class QKeyEvent;
class QModelIndex;
class THelpWindow;
class TMenuPainter;
class TicketGridModel;
class TDM;
class TfOpravenka;
class TfSetup;

// The main window: the ticket list and every command. It shows what the
// session holds (the working folder, the repair days, the language texts)
// and asks the session for what it reads or writes; the program wires it to
// the other windows.
class TfMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfMain(Session& session, QWidget* parent = nullptr); // runs FormCreate
    ~TfMain() override; // runs FormDestroy

    // The state this window has always shown as its own, where the session
    // keeps it: the base directory, the path table, the texts, the repair days.
    QString AppDir() const { return folder().folder(); }
    QString PathMesta() const { return folder().towns(); }
    QString PathMobil() const { return folder().deviceTypes(); }
    QString PathTisk() const { return folder().ticketText(); }
    QString PathFirma() const { return folder().shopAddress(); }
    QString PathDefaultLng() const { return folder().defaultLanguage(); }
    QString PathIni() const { return folder().settings(); }
    QString& VersionText() { return m_workspace.VersionText; }
    QStringList& MainTexts() { return m_workspace.MainTexts; }
    QStringList& EditTexts() { return m_workspace.EditTexts; }
    QStringList& SettingsTexts() { return m_workspace.SettingsTexts; }
    QStringList& PrintTexts() { return m_workspace.PrintTexts; }
    QString& LangName() { return m_workspace.LangName; }
    QString& NewTitle() { return m_workspace.NewTitle; }
    QString& EditTitle() { return m_workspace.EditTitle; }
    int& DayInc() { return m_workspace.DayInc; }

    // The window's fixed width: the grid's columns, the status column among them.
    static constexpr int WindowWidth = 730;

    // The help context that Help opens.
    static constexpr int HelpContext = 100;

    // The pictures of the commands: new, edit, delete, setup, about, exit.
    QList<QIcon> Images;

    TMenuPainter* MenuPainter = nullptr;

    TicketGridModel* gridModel() const { return m_gridModel; }
    THelpWindow* helpWindow() const { return m_helpWindow; }

    void FormCreate();
    void FormDestroy();
    void FormShow();
    // The window's place and the repair days, written when the window closes:
    // Windows may end the process as soon as the session's end is answered.
    void WriteSettings();

    // Binds the grid to the data module's data source; the data module is
    // created after this window, so this runs when the window is first shown.
    void ConnectDataSource();

    // Has the session fill the editor's town and device-type lists from their files.
    void LoadCombo();
    // Has the session read a language file, which every window then shows;
    // raises "Cannot open file %s".
    void ApplyLang(const QString& FileName);
    // What the commands work on, made after this window: the data module
    // (none when it could not be made), the setup window and the editor.
    void useWindows(TDM* data, TfSetup* setup, TfOpravenka* editor);

    void actNewExecute();
    void actEditExecute();
    void actDeleteExecute();
    void actSetupExecute();
    void actAboutExecute();
    void actHelpExecute();
    void actExitExecute();
    // The customer finder; the ticket chosen there opens in the editor, or a
    // new ticket for its customer does.
    void actFindExecute();
    void openFinder(const QString& text);
    // The status and handover windows, on the ticket current in the grid.
    void actStatusExecute();
    void actHandoverExecute();
    // Every sort command: the table in the order of one column.
    void actSortExecute(const QString& sort);
    // Every list command: the grid shows one list of work, the IMEI search within it.
    void actViewExecute(TicketStatus::WorkList list);
    void DBGridKeyDown(QKeyEvent* event);
    // A ticket scanned from its printout's barcode, or typed as "T", its number
    // and Enter wherever the focus is in this window: the editor opens on it,
    // among all tickets when the list or the search hid it.
    void openScanned(qint64 cislo);
    // The editor on a stored ticket, among all tickets when the list or the search hides it.
    void openTicket(TBookmark id);
    void DBGridDblClick();
    void edFindChange(const QString& text);

    // A menu item's caption; the shortcut shown beside it stays.
    static void setMenuItemCaption(QAction* item, const QString& caption);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    void createImages();
    void connectCommands();
    void connectToolBar();
    void connectGrid();
    void connectBottomPanel();
    void connectMenus();
    // A menu item shows its command's caption and shortcut and triggers it:
    // the shortcut itself stays on the command, so that it fires once.
    void showCommand(QAction* item, QAction* command);
    void createMenuPainter();
    void applyLangTexts();
    void applyMainTexts();
    void applyExtraTexts();
    // The counts of ready and overdue tickets beside the search box; none
    // while the statuses are off.
    void showCounts();
    // At midnight yesterday's due tickets become overdue.
    void startMidnightTimer();
    const FolderLayout& folder() const { return m_workspace.folder(); }

    // True when the key ended a scan and is taken; every key passes here first.
    bool scanKey(const QKeyEvent* key);
    void showCurrentRow();
    void DBGridRowChanged(const QModelIndex& current);
    void DBGridExit();

    Session& m_session;
    Workspace& m_workspace; // the session's
    TDM* m_data = nullptr;
    TfSetup* m_setup = nullptr;
    TfOpravenka* m_editor = nullptr;
    TicketGridModel* m_gridModel = nullptr;
    TIdleRefresh* m_idleRefresh = nullptr; // other counters' tickets shown while idle
    QActionGroup* m_sortGroup = nullptr;
    QActionGroup* m_viewGroup = nullptr;
    QTimer* m_midnight = nullptr;
    THelpWindow* m_helpWindow = nullptr;
    bool m_shown = false;
    bool m_settingsWritten = false;
    bool m_movingGrid = false; // the grid follows the table: no table move back
    QString m_scan; // "T" and the digits typed since, while they may be a scan
    KeyPreview m_keyPreview { this };
    std::unique_ptr<Ui::TfMain> m_ui; // the controls, by their object names
};
