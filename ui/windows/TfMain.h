#pragma once

#include "session/Workspace.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

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

// The main window: the ticket list and every command. It holds the
// workspace the program's start-up owns (the base directory, the file paths,
// the repair days and the language texts) and shows it as its own fields.
class TfMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfMain(Workspace& workspace, QWidget* parent = nullptr); // runs FormCreate
    ~TfMain() override; // runs FormDestroy

private:
    Workspace& m_workspace; // declared first: the fields below are its members

public:
    QString& AppDir = m_workspace.AppDir;
    QString& VersionText = m_workspace.VersionText;
    QString& PathMesta = m_workspace.PathMesta;
    QString& PathMobil = m_workspace.PathMobil;
    QString& PathTisk = m_workspace.PathTisk;
    QString& PathFirma = m_workspace.PathFirma;
    QString& PathDefaultLng = m_workspace.PathDefaultLng;
    QString& PathIni = m_workspace.PathIni;

    QStringList& MainTexts = m_workspace.MainTexts;
    QStringList& EditTexts = m_workspace.EditTexts;
    QStringList& SettingsTexts = m_workspace.SettingsTexts;
    QStringList& PrintTexts = m_workspace.PrintTexts;
    QString& LangName = m_workspace.LangName;
    QString& NewTitle = m_workspace.NewTitle;
    QString& EditTitle = m_workspace.EditTitle;
    ExtraTexts& Extra = m_workspace.Extra;

    int& DayInc = m_workspace.DayInc;

    // The help context that Help opens.
    static constexpr int HelpContext = 100;

    // The pictures of the commands: new, edit, delete, setup, about, exit.
    QList<QIcon> Images;

    TMenuPainter* MenuPainter = nullptr;

    TicketGridModel* gridModel() const { return m_gridModel; }
    THelpWindow* helpWindow() const { return m_helpWindow; }

    static void EnsureFile(const QString& path);

    void FormCreate();
    void FormDestroy();
    void FormShow();
    // The window's place and the repair days, written when the window closes:
    // Windows may end the process as soon as the session's end is answered.
    void WriteSettings();

    // Binds the grid to the data module's data source; the data module is
    // created after this window, so this runs when the window is first shown.
    void ConnectDataSource();

    // Fills the editor's town and device-type lists from their files.
    void LoadCombo();
    // Reads a language file into the workspace, which announces it to every
    // window, and puts its texts on this one; raises "Cannot open file %s".
    void ApplyLang(const QString& FileName);
    // What the program made after this window: the data module (none when it
    // could not be made), the setup window and the editor. What the setup
    // window reports is answered: the lists reloaded when it closes, the
    // repair days it saved, the language the user picked.
    void useWindows(TDM* data, TfSetup* setup, TfOpravenka* editor);

    void actNewExecute();
    void actEditExecute();
    void actDeleteExecute();
    void actSetupExecute();
    void actAboutExecute();
    void actHelpExecute();
    void actExitExecute();
    void actSortNumberExecute();
    void actSortNameExecute();
    void actSortMobilExecute();
    void actSortStartExecute();
    void actSortEndExecute();
    void actSortIMEIExecute();
    void DBGridKeyDown(QKeyEvent* event);
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
    void applyMainTexts();
    void setSort(const QString& sort);

    void showCurrentRow();
    void DBGridRowChanged(const QModelIndex& current);
    void DBGridExit();

    TDM* m_data = nullptr;
    TfSetup* m_setup = nullptr;
    TfOpravenka* m_editor = nullptr;
    TicketGridModel* m_gridModel = nullptr;
    TIdleRefresh* m_idleRefresh = nullptr; // other counters' tickets shown while idle
    QActionGroup* m_sortGroup = nullptr;
    THelpWindow* m_helpWindow = nullptr;
    bool m_shown = false;
    bool m_settingsWritten = false;
    bool m_movingGrid = false; // the grid follows the table: no table move back
    std::unique_ptr<Ui::TfMain> m_ui; // the controls, by their object names
};
