#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The language files offered in the setup window, sorted by display name.
// names and paths pair up by index.
struct LangList
{
    QStringList names;
    QStringList paths;
    // Files that matched but could not be read (locked, no permission); they
    // are left out of the list so that the others can still be offered.
    QStringList unreadable;
};

// Whether a folder entry is a language file: its name ends in ".lng" exactly
// (case-sensitive) and is not "default.lng", the copy applied at start.
bool isLangFileName(const QString& fileName);

// The display name of a language file's lines: the line after the first line
// that equals "<name>" in the locale's collation with case ignored, else the
// first line; none for an empty file or a "<name>" line that ends the file.
std::optional<QString> langDisplayName(const QStringList& lines);

// Lists the language files in a folder. Entries without a display name,
// folders and unreadable files are left out; a missing folder gives an empty
// list. The order is that of "name;path" in the locale's collation with case
// ignored, while names and paths are kept paired even when a name holds ";".
LangList listLangFiles(const QString& langDir);
