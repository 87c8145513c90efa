#include "base/Csv.h"

namespace Csv {

QString field(const QString& value, QChar separator)
{
    const bool quote = value.contains(separator) || value.contains(u'"') || value.contains(u'\r')
        || value.contains(u'\n');
    if (!quote)
        return value;
    QString out = value;
    out.replace(u'"', QLatin1String("\"\""));
    return u'"' + out + u'"';
}

QString row(const QStringList& fields, QChar separator)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        out += field(fields[i], separator);
    }
    return out + QLatin1String("\r\n");
}

QList<QStringList> parse(QStringView text, QChar separator, bool* ok)
{
    QList<QStringList> rows;
    QStringList current;
    QString value;
    bool good = true;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        // One field: quoted or plain.
        if (text[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        value += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed)
                good = false;
        }
        while (i < n && text[i] != separator && text[i] != u'\r' && text[i] != u'\n') {
            if (text[i] == u'"')
                good = false;
            value += text[i++];
        }
        current << std::exchange(value, QString());
        if (i < n && text[i] == separator) {
            ++i;
            if (i == n) // a separator at the very end still opens an empty field
                current << QString();
            continue;
        }
        // End of the row: CR LF, LF, CR or the end of the text.
        if (i < n && text[i] == u'\r')
            ++i;
        if (i < n && text[i] == u'\n')
            ++i;
        rows << std::exchange(current, QStringList());
    }
    if (!current.isEmpty())
        rows << current;
    if (ok)
        *ok = good;
    return rows;
}

} // namespace Csv
