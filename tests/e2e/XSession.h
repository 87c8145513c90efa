#pragma once

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

// A real X server with a window manager and the real program in it, driven
// by real X key events. Each session brings up its own server on a free
// display (Xvfb -displayfd) and tears everything down when it goes.
class XSession
{
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Empty when the server and the window manager are up; otherwise why not.
    const QString& failure() const { return m_failure; }

    // Starts the program in a working folder and waits for its main window
    // to be shown and active. `extra` is added to the program's environment.
    bool startProgram(const QString& workDir, const QProcessEnvironment& extra = {});
    // Waits for the program to end, by itself or ended by the system; whether it did.
    bool waitForProgramEnd(int milliseconds);
    // What the program wrote on its error stream so far.
    QString programErrors();

    // Presses keys by X key-symbol names ("ctrl+Insert", "F7", "aacute").
    bool key(const QStringList& keys);
    // Presses the same keys in two sessions at once, as two counters might.
    static bool keyTogether(XSession& first, XSession& second, const QStringList& keys);
    // Types text, Czech letters included, one key symbol per character.
    bool type(const QString& text);
    // Clicks into a window of the program at a point given from its bottom
    // left corner (the search box sits on the bottom edge).
    bool clickFromBottomLeft(const QString& window, int x, int fromBottom);

    // The titles of the program's windows that are shown now, and the title
    // of the window that has the keyboard.
    QStringList shownWindows();
    QString activeWindow();
    bool isShown(const QString& title) { return shownWindows().contains(title); }

private:
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr);
    // The program's shown windows: X window id and title.
    QList<std::pair<QString, QString>> programWindows();
    QProcessEnvironment xEnvironment() const;

    QString m_failure;
    QString m_display;
    QProcess m_server;
    QProcess m_windowManager;
    std::unique_ptr<QProcess> m_program;
    QString m_errors;
};
