#pragma once

#include <QStringList>

// trelomar-db prepare DIR [--from SHIPPED]: lays out a new working folder
// (see WorkFolder::prepare). SHIPPED defaults to the installed program's data.
int prepareCommand(const QStringList& args);
