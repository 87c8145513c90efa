#pragma once

#include <QString>

// trelomar-db copy FROM TO: every ticket of one store into another, empty one.
// A store is a folder holding data/data.mdb or a postgresql:// URL. A value the
// program cannot read refuses the copy, each one named, unless `dropUnreadable`,
// which copies them as empty and names each one.
int copyStore(const QString& from, const QString& to, bool dropUnreadable = false);
