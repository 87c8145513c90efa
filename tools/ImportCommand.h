#pragma once

#include <QStringList>

// trelomar-db import [--codepage NAME] [DIR] | import [--codepage NAME] FILE.mdb [DIR]:
// converts an Access ticket database. Returns the exit code.
int importCommand(const QStringList& args);

extern const char* const ImportUsage;
