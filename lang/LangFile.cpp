#include "lang/LangFile.h"

#include "base/TextList.h"

#include <array>

namespace {

const QString NameMarker = QStringLiteral("<name>");
const QString ExtraStart = QStringLiteral("<extra>");
const QString ExtraEnd = QStringLiteral("</extra>");

bool isControl(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

QString trimControl(const QString& line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isControl(line.at(begin)))
        ++begin;
    while (end > begin && isControl(line.at(end - 1)))
        --end;
    return line.mid(begin, end - begin);
}

LangFile parseLangFile(const QStringList& lines)
{
    // Comments go first, so they never count as markers, entries or names.
    QStringList rest;
    rest.reserve(lines.size());
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1Char(';')))
            rest.append(line);
    }

    LangFile file;
    struct Section
    {
        QString start;
        QString end;
        QStringList* entries;
        bool open;
    };
    std::array<Section, 4> sections { {
        { QStringLiteral("<main>"), QStringLiteral("</main>"), &file.main, false },
        { QStringLiteral("<edit>"), QStringLiteral("</edit>"), &file.edit, false },
        { QStringLiteral("<settings>"), QStringLiteral("</settings>"), &file.settings, false },
        { QStringLiteral("<print>"), QStringLiteral("</print>"), &file.print, false },
    } };

    bool extraOpen = false;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString& line = rest.at(i);
        if (line.startsWith(NameMarker) && i + 1 < rest.size())
            file.name = rest.at(i + 1);

        const QString trimmed = trimControl(line);
        // End marker, then the entry, then the start marker: a section's own
        // markers are never its entries, while other sections' markers are.
        for (Section& section : sections) {
            if (trimmed == section.end)
                section.open = false;
            if (section.open)
                section.entries->append(line);
            if (trimmed == section.start)
                section.open = true;
        }
        // Lines outside the four sections are no entries of theirs, so older
        // readers skip this section whole.
        if (trimmed == ExtraEnd)
            extraOpen = false;
        if (extraOpen) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals >= 0)
                file.extra.insert(line.left(equals), line.mid(equals + 1));
        }
        if (trimmed == ExtraStart)
            extraOpen = true;
    }
    return file;
}

LangFile readLangFile(const QString& path)
{
    return parseLangFile(TextList::read(path));
}

bool isCzechLangName(const QString& langName)
{
    return langName.startsWith(QStringLiteral("Česky"));
}

QString mainWindowTitle(const QString& langName, const QString& versionText)
{
    const QString product = isCzechLangName(langName) ? QStringLiteral("Trelomář ") : QStringLiteral("Trelomar ");
    return product + versionText;
}
