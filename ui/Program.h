#pragma once

#include <memory>

class DailyBackup;
class TfStart;
struct Workspace;

// The program entry's work between the application object and the message
// loop: the workspace the windows share, then the windows and the data module
// created in order, each completely before the next, and destroyed in reverse
// order.
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

private:
    void startDailyBackup();
    std::unique_ptr<Workspace> m_workspace; // outlives every window
    std::unique_ptr<DailyBackup> m_backup; // the day's copy of the store, taken once the table is open
};
