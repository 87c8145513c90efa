#pragma once

#include <QString>
#include <QStringList>

// Debian's mdbtools programs, an independent reader of the files JetWriter writes.
namespace MdbTools {

// Whether the programs are here: the Windows build has none, so there our
// reader alone checks the files (the Linux run checks them with both).
bool available();

// The program's standard output; empty when it fails.
QString run(const QString& program, const QStringList& args);

// The rows of `mdb-export` (dates as yyyy-MM-dd HH:mm:ss), split into fields
// with the quotes removed; the header row first. Values must hold no commas.
QList<QStringList> exportTable(const QString& path, const QString& table);

// Whether mdb-ver, mdb-tables and mdb-schema accept the file as Jet 4 with
// this table and these columns; the reason when not.
QString checkFile(const QString& path, const QString& table, const QStringList& columns);

} // namespace MdbTools
