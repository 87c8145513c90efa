#pragma once

#include "base/FolderLayout.h"

#include <QString>
#include <QStringList>

#include <optional>

// The working folder chosen at start, before any window exists:
// - "--workdir DIR" names it; it is prepared when it has no store yet;
// - otherwise the current directory, when it is a working folder already or
//   the program runs from its build folder (as with run.sh and the tests);
// - otherwise, for an installed program started from the menu or from any
//   other folder, the user's own folder, prepared on the first start.
class StartFolder
{
public:
    // The folder entered, as the system reports it once entered (a folder
    // reached through a link shows the paths it has there); or, when the
    // program must not go on, the code it ends with.
    struct Outcome
    {
        std::optional<FolderLayout> folder;
        int exitCode = 0;
    };

    // Reads the arguments, then prepares and enters the chosen folder. No
    // folder when help was asked for, for unknown arguments, or for a folder
    // that cannot be prepared or entered (reported).
    static Outcome enter(const QStringList& arguments);

    // The folder to work in; requested is empty when no folder was named and
    // shipped is empty when the program is not installed.
    static QString choose(
        const QString& requested, const QString& current, const QString& shipped, const QString& userFolder);
};
