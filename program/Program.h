#pragma once

#include <memory>

class DailyBackup;
class FolderLayout;
class TDM;
class TfMain;
class TfOpravenka;
class TfSetup;
class TfStart;
class Workspace;

// The program entry's work between the application object and the message
// loop: the workspace the windows share, then the windows and the data module
// created in order, each completely before the next, and destroyed in reverse
// order. It is the one owner of them and the one place that knows the order;
// each is handed what it uses.
class Program
{
public:
    Program();  // title, help file, splash, fMain, DM, fSetup, fOpravenka; splash gone
    ~Program(); // fOpravenka, fSetup, DM, fMain (which writes the settings file)

    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Makes the pictures of resources/ available; call once before any window.
    static void initResources();

    void showMainWindow(); // shows fMain; its FormShow runs
    int exec();            // shows fMain and runs the message loop

    // The windows and the data module, for the program's tests. DM is null
    // when it could not be made.
    TfMain* fMain() const { return m_main.get(); }
    TDM* DM() const { return m_data.get(); }
    TfSetup* fSetup() const { return m_setup.get(); }
    TfOpravenka* fOpravenka() const { return m_editor.get(); }

private:
    void startDailyBackup(const FolderLayout& folder);
    std::unique_ptr<Workspace> m_workspace; // outlives every window
    // In creation order: destroyed in reverse.
    std::unique_ptr<TfMain> m_main;
    std::unique_ptr<TDM> m_data;
    std::unique_ptr<TfSetup> m_setup;
    std::unique_ptr<TfOpravenka> m_editor;
    std::unique_ptr<DailyBackup> m_backup; // the day's copy of the store, taken once the table is open
};
