#include "lang/LangList.h"

#include "base/AppError.h"
#include "base/TextList.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

QCollator caselessCollator()
{
    QCollator collator(QLocale {});
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

bool isLangFileName(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".lng")) && fileName != QLatin1String("default.lng");
}

std::optional<QString> langDisplayName(const QStringList& lines)
{
    if (lines.isEmpty())
        return std::nullopt;
    const QCollator collator = caselessCollator();
    const QString marker = QStringLiteral("<name>");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (collator.compare(lines.at(i), marker) != 0)
            continue;
        if (i + 1 < lines.size())
            return lines.at(i + 1);
        return std::nullopt;
    }
    return lines.first();
}

LangList listLangFiles(const QString& langDir)
{
    struct Entry
    {
        QString key; // name + ";" + path, the text the list is sorted by
        QString name;
        QString path;
    };
    std::vector<Entry> entries;
    LangList list;

    const QDir dir(langDir);
    const QStringList found
        = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& fileName : found) {
        if (!isLangFileName(fileName))
            continue;
        const QString path = langDir + QLatin1Char('/') + fileName;
        if (QFileInfo(path).isDir())
            continue;
        QStringList lines;
        try {
            lines = TextList::read(path);
        } catch (const AppError&) {
            list.unreadable.append(path);
            continue;
        }
        const std::optional<QString> name = langDisplayName(lines);
        if (!name)
            continue;
        entries.push_back({ *name + QLatin1Char(';') + path, *name, path });
    }

    const QCollator collator = caselessCollator();
    std::sort(entries.begin(), entries.end(),
        [&collator](const Entry& a, const Entry& b) { return collator.compare(a.key, b.key) < 0; });
    for (const Entry& entry : entries) {
        list.names.append(entry.name);
        list.paths.append(entry.path);
    }
    return list;
}
