#include "base/TextList.h"

#include "base/AppError.h"
#include "base/DurableFile.h"
#include "platform/Platform.h"

#include <QFile>
#include <QStringDecoder>

namespace TextList {

QString decode(const QByteArray& bytes)
{
    QByteArray text = bytes;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = utf8.decode(text);
    if (!utf8.hasError())
        return result;
    return Platform::fromWindows1250(text);
}

QStringList split(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raiseCannotOpen(path);
    return decode(file.readAll());
}

QStringList read(const QString& path)
{
    return split(readText(path));
}

void writeText(const QString& path, const QString& text)
{
    if (!DurableFile::write(path, text.toUtf8()).isEmpty())
        raiseCannotCreate(path);
}

void write(const QString& path, const QStringList& entries)
{
    QString text;
    for (const QString& entry : entries) {
        text += entry;
        text += QLatin1String("\r\n");
    }
    writeText(path, text);
}

} // namespace TextList
