#pragma once

#include "base/FolderLayout.h"

#include <QStringList>

// The verbs of trelomar-db; each takes the arguments after its name and
// returns the exit code (0 done, 1 failed or problems found, 2 bad arguments,
// 3 the store is in use by a running program).
namespace DbVerbs {

enum Exit { Done = 0, Failed = 1, BadArguments = 2, InUse = 3 };

int backup(const QStringList& args);
int restore(const QStringList& args);
int check(const QStringList& args);
int exportCsv(const QStringList& args);

// Writes the verb's usage to stdout for --help (exit 0), else to stderr (exit 2).
int usage(const char* text, bool asked);
// "trelomar-db: <message>" on stderr.
void error(const QString& message);
bool isHelp(const QStringList& args);
// The working folder an argument names, relative ones below the current directory.
FolderLayout workFolder(const QString& dir);

} // namespace DbVerbs
