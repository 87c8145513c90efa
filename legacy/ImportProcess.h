#pragma once

#include "base/FolderLayout.h"

#include <QObject>
#include <QString>

// Converts a working folder's Access database by running "trelomar-db import"
// as a child process: a damaged file can only bring the child down. The
// child's progress lines are passed on as they come.
class ImportProcess : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        QString failure; // empty when the conversion succeeded
        // From the tool's last line; empty when it gave none.
        QString tickets;
        QString reportLines;
        QString reportPath;
    };

    // Whether the folder's store is an Access database.
    static bool needed(const FolderLayout& folder);
    // trelomar-db beside the program, in its tools/ folder (the build tree), or on PATH.
    static QString findTool();

    // Runs `tool` on the working folder and returns once it has ended.
    // Meanwhile the windows are painted but take no input.
    Result run(const QString& tool, const FolderLayout& folder);

signals:
    void progress(int done, int total);
};
