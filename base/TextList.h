#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Plain text files of the shop: lists, ticket text, address block, language
// files. Shops bring files from older systems in the Central European
// Windows code page, so decoding falls back to it when a file is not UTF-8.
namespace TextList {

// Decodes a file's bytes: UTF-8 (a BOM is dropped) when the bytes are valid
// UTF-8, otherwise Windows-1250. A NUL byte ends the text.
QString decode(const QByteArray& bytes);

// Splits at CR LF, lone LF and lone CR; entries are not trimmed, a final line
// break adds no entry, an empty text gives no entry.
QStringList split(const QString& text);

// Reads a whole file as text; raises "Cannot open file %s".
QString readText(const QString& path);

// Reads a file as a text list; raises "Cannot open file %s".
QStringList read(const QString& path);

// Writes every entry followed by CR LF, replacing the whole file atomically so
// a crash or a full disk never leaves half a file; raises "Cannot create file %s".
void write(const QString& path, const QStringList& entries);

// Writes a text as it is (UTF-8), replacing the whole file atomically; raises
// "Cannot create file %s".
void writeText(const QString& path, const QString& text);

} // namespace TextList
