#pragma once

#include <QString>

// trelomar-db copy FROM TO: every ticket of one store into another, empty one.
// A store is a folder holding data/data.mdb or a postgresql:// URL.
int copyStore(const QString& from, const QString& to);
