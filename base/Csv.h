#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated values as spreadsheets read them: a field is quoted when it
// holds the separator, a quote or a line break, and a quote inside is doubled;
// rows end with CR LF.
namespace Csv {

QString field(const QString& value, QChar separator);
QString row(const QStringList& fields, QChar separator); // with the closing CR LF

// Reads such text back: quoted fields may hold anything; a final line break
// adds no row. False in *ok (when given) for a stray quote or an unclosed one.
QList<QStringList> parse(QStringView text, QChar separator, bool* ok = nullptr);

} // namespace Csv
