#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The settings file with the semantics the program relies on: section and key
// names compare without case, integers are read leniently, and writing one key
// keeps every other line of the file byte for byte, each with its own line
// ending; lines written anew take the ending most lines have (CR LF in a new file).
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // A decimal number with an optional sign, or hexadecimal after "$" or
    // "0x"; a missing file or key, or anything else, gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    // The text of a key, blanks around it removed; a missing file or key gives the default.
    QString readString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;

    // Writes the value in decimal, creating the file and the section when they
    // are missing; raises "Unable to write to %s" when the file can't be written.
    void writeInteger(const QString& section, const QString& key, int value);
    // Writes a text the same way (UTF-8); line breaks in it become blanks.
    void writeString(const QString& section, const QString& key, const QString& value);

    // The lenient integer reading on its own.
    static std::optional<int> parseInteger(const QString& text);

private:
    std::optional<QByteArray> readValue(const QString& section, const QString& key) const;
    void writeValue(const QString& section, const QString& key, const QByteArray& value);

    QString m_path;
};
