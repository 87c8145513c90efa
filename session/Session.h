#pragma once

#include "session/Workspace.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The program's session in its working folder, without any window: the files
// it keeps there (made when missing), the settings file, the editor's lists
// and the language texts the windows show. The windows ask it for what they
// show; the program wires them to it.
class Session : public QObject
{
    Q_OBJECT

public:
    // The main window's place on the screen as the settings file keeps it.
    struct WindowPlace
    {
        int left = 100;
        int top = 100;
        int height = 450;
    };

    // Makes the data folder and the four text files when they are missing,
    // starts with no language texts and reads the settings file.
    explicit Session(const FolderLayout& folder);

    const FolderLayout& folder() const { return m_workspace.folder(); }
    Workspace& workspace() { return m_workspace; }
    const Workspace& workspace() const { return m_workspace; }

    // As the settings file gave it at start.
    const WindowPlace& windowPlace() const { return m_place; }
    // Writes the window's place, the repair and warranty days and the last
    // name at the status windows; raises "Unable to write to %s" at the first
    // key that cannot be written.
    void writeSettings(const WindowPlace& place);

    // Creates an empty file at `path` unless one exists; a failure is left
    // to the windows that read the file, which report it.
    static void EnsureFile(const QString& path);

    // Reads the town and device-type lists and announces each.
    void loadLists();
    // Reads a language file into the workspace, which announces it to every
    // window; raises "Cannot open file %s".
    void applyLanguage(const QString& fileName);

signals:
    void townsLoaded(const QStringList& towns);
    void deviceTypesLoaded(const QStringList& deviceTypes);

private:
    void writeWho();

    Workspace m_workspace;
    WindowPlace m_place;
};
