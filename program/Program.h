#pragma once

#include <memory>

class DailyBackup;
class FolderLayout;
class Session;
class TDM;
class TfMain;
class TfOpravenka;
class TfSetup;
class TfStart;

// The program entry's work between the application object and the message
// loop, in the working folder it is given: the session the windows share,
// then the windows and the data module created in order, each completely
// before the next, and destroyed in reverse order. It is the one owner of
// them and the one place that knows the steps; each is handed what it uses,
// and it wires what one window reports to where it is carried out.
class Program
{
public:
    // Title, help file, splash, the session (which prepares the folder),
    // fMain, DM, fSetup, fOpravenka; splash gone.
    explicit Program(const FolderLayout& folder);
    ~Program(); // fOpravenka, fSetup, DM, fMain (which writes the settings file), the session

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
    Session& session() const { return *m_session; }

private:
    void startDailyBackup();
    void wireWindows();
    std::unique_ptr<Session> m_session; // outlives every window
    // In creation order: destroyed in reverse.
    std::unique_ptr<TfMain> m_main;
    std::unique_ptr<TDM> m_data;
    std::unique_ptr<TfSetup> m_setup;
    std::unique_ptr<TfOpravenka> m_editor;
    std::unique_ptr<DailyBackup> m_backup; // the day's copy of the store, taken once the table is open
};
