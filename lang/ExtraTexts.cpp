#include "lang/ExtraTexts.h"

#include <array>
#include <utility>

namespace {

struct Entry
{
    const char* key;
    const char* czech; // UTF-8
};

// One row per ExtraText, in the enum's order.
constexpr std::array<Entry, static_cast<std::size_t>(ExtraText::Count)> Entries { {
    { "no_printer", "Není nainstalována žádná tiskárna." },
    { "imei_check", "Neplatná kontrolní číslice IMEI" },
    { "convert_question", "Soubor data/data.mdb je databáze Access z dřívější verze programu. "
                          "Převést ji nyní? Původní soubor zůstane uložen jako data/data-access.mdb." },
    { "convert_progress", "Převádím databázi..." },
    { "convert_failed", "Převod databáze se nezdařil. Původní soubor zůstal beze změny." },
    { "convert_done", "Databáze je převedena: %1 opravenek. Zpráva o převodu (%2 řádků: hodnoty uložené prázdné "
                      "nebo zkrácené a vynechané sloupce) je v souboru %3." },
    { "backup_failed", "Zálohu databáze do složky %1 se nepodařilo vytvořit: %2" },
} };

const Entry& entry(ExtraText id)
{
    return Entries.at(static_cast<std::size_t>(id));
}

} // namespace

ExtraTexts::ExtraTexts(QHash<QString, QString> fromFile)
    : m_fromFile(std::move(fromFile))
{
}

QString ExtraTexts::text(ExtraText id) const
{
    const auto found = m_fromFile.constFind(key(id));
    return found != m_fromFile.cend() ? *found : builtIn(id);
}

QString ExtraTexts::key(ExtraText id)
{
    return QString::fromLatin1(entry(id).key);
}

QString ExtraTexts::builtIn(ExtraText id)
{
    return QString::fromUtf8(entry(id).czech);
}
