#pragma once

#include <QDir>
#include <QString>

class FolderLayout;

// A working folder holds everything the program reads and writes: the ticket
// store under data/, the language files under lang/, the help file and the
// settings file. The program works in one such folder, its current directory.
class WorkFolder
{
public:
    // A folder the program has worked in already: it has data/ or the settings file.
    static bool isWorkFolder(const QString& dir);
    // The folder already holds a ticket store (data/data.mdb).
    static bool hasStore(const QString& dir);

    // Lays out a new working folder in dir (created when missing): an empty
    // ticket store, the help file and the language files found in shipped
    // (its trelomar.hlp and lang/*.lng), with Czech as the default language.
    // A folder that has a store already is left as it is (returns false);
    // files that exist are never replaced. Throws AppError on failure.
    static bool prepare(const QString& dir, const QString& shipped);

    // The shipped data of an installed program, beside its bin folder;
    // empty when the program runs from a build folder.
    static QString installedData();

    // The user's own working folder: $XDG_DATA_HOME/trelomar.
    static QString userFolder();

    // Creates path and the missing folders above it, each for its owner only:
    // a working folder holds customers' names and perhaps a server password.
    // Folders that exist keep their mode. Throws AppError on failure.
    static void makeFolder(const QString& path);

private:
    static void copyShipped(const FolderLayout& from, const FolderLayout& work);
};
