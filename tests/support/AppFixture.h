#pragma once

#include "tests/support/RecordingReporter.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class Program;
class QWidget;
class Session;
class TDM;
class TfMain;
class TfOpravenka;
class TfSetup;

// A fresh working folder with an empty ticket store, made the current
// directory, and the program's windows started there exactly as the program
// entry starts them (without the message loop). Errors are recorded.
class AppFixture
{
public:
    struct Options
    {
        bool createDatabase = true;
        // Lays out lang/default.lng as a shop has it: the shipped Czech file.
        // Turn off to start without any language file.
        bool defaultLanguage = true;
        bool show = true; // show the main window, so its FormShow runs
        // Runs in the working folder before any window exists: lay files out here.
        std::function<void(const QString& dir)> beforeStart;
    };

    AppFixture();
    explicit AppFixture(Options options);
    ~AppFixture(); // the windows are destroyed in reverse order, then the folder

    const QString& dir() const { return m_dirPath; }
    QString path(const QString& relative) const; // dir() + "/" + relative

    // Ends the program as closing the main window would: windows destroyed,
    // settings written. Safe to call once before the destructor.
    void stop();

    // The program's windows and data module, as it made them.
    TfMain* fMain() const;
    TDM* DM() const;
    TfSetup* fSetup() const;
    TfOpravenka* fOpravenka() const;
    Session& session() const;

    // Opens the editor with `open` (New or Edit of the main window, which run
    // it modally) and runs `steps` once it is active. The steps end with the
    // editor closed; an editor still open is closed without touching the
    // table, and the result is false.
    bool inEditor(void (TfMain::*open)(), const std::function<void()>& steps) const;

    RecordingReporter errors;

    // Writes a file (UTF-8) below the working folder, creating folders.
    static void writeFile(const QString& path, const QByteArray& bytes);

private:
    QTemporaryDir m_dir;
    QString m_dirPath;
    QString m_previousDir;
    std::unique_ptr<Program> m_program;
};

// Runs `action` on the next modal window as soon as it is shown, so that a
// test can answer a dialog that the code under test opens with exec().
void whenModalShown(std::function<void(QWidget* modal)> action);
