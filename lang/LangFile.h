#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// What one language file holds: the entries of its four sections and the
// language name. Plain data, so the reader can be tested on its own.
struct LangFile
{
    QStringList main;
    QStringList edit;
    QStringList settings;
    QStringList print;
    // The line after the last "<name>" line; empty optional when the file has
    // no name line that another line follows, so the caller keeps its old name.
    std::optional<QString> name;
    // The "key=text" lines of the <extra> section: texts of features the four
    // fixed-size sections have no room for. The last line of a key wins.
    QHash<QString, QString> extra;
};

// Parses a language file's lines: comment lines (";" first) are dropped, then
// every line is checked for the name rule and for the section markers.
LangFile parseLangFile(const QStringList& lines);

// Reads and parses a language file; raises "Cannot open file %s".
LangFile readLangFile(const QString& path);

// Removes leading and trailing characters of codes 0 to 32, the way marker
// lines are compared (unlike QString::trimmed, other Unicode spaces stay).
QString trimControl(const QString& line);

// Whether a language name selects the Czech product name: its first five
// characters are exactly "Česky".
bool isCzechLangName(const QString& langName);

// The main window's title for a language name: "Trelomář " or "Trelomar "
// followed by the version text.
QString mainWindowTitle(const QString& langName, const QString& versionText);
