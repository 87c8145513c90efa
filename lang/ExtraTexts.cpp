#include "lang/ExtraTexts.h"

#include "lang/LangFile.h"

#include <array>
#include <utility>

namespace {

struct Entry
{
    const char* key;
    const char* czech; // UTF-8
    const char* english;
};

// One row per ExtraText, in the enum's order.
constexpr std::array<Entry, static_cast<std::size_t>(ExtraText::Count)> Entries { {
    { "no_printer", "Není nainstalována žádná tiskárna.", "No printer is installed." },
    { "imei_check", "Neplatná kontrolní číslice IMEI", "IMEI check digit does not match" },
    { "convert_question",
        "Soubor data/data.mdb je databáze Access z dřívější verze programu. "
        "Převést ji nyní? Původní soubor zůstane uložen jako data/data-access.mdb.",
        "The file data/data.mdb is an Access database of an earlier version of the program. Convert it now? "
        "The original file is kept as data/data-access.mdb." },
    { "convert_progress", "Převádím databázi...", "Converting the database..." },
    { "convert_failed", "Převod databáze se nezdařil. Původní soubor zůstal beze změny.",
        "The database could not be converted. The original file is unchanged." },
    { "convert_done",
        "Databáze je převedena: %1 opravenek. Zpráva o převodu (%2 řádků: hodnoty uložené prázdné "
        "nebo zkrácené a vynechané sloupce) je v souboru %3.",
        "The database has been converted: %1 tickets. The conversion report (%2 lines: values stored empty or cut "
        "short, and columns ignored) is in the file %3." },
    { "backup_failed", "Zálohu databáze do složky %1 se nepodařilo vytvořit: %2",
        "The ticket database could not be backed up to the folder %1: %2" },
    { "status_off", "Stavy oprav jsou vypnuty, opravenky fungují dál: %1",
        "Repair statuses are off; the tickets work as before: %1" },
    { "status_prijato", "Přijato", "Received" },
    { "status_v_oprave", "V opravě", "In repair" },
    { "status_ceka_na_dil", "Čeká na díl", "Waiting for a part" },
    { "status_ceka_na_zakaznika", "Čeká na zákazníka", "Waiting for the customer" },
    { "status_hotovo", "Hotovo", "Ready for pickup" },
    { "status_nelze_opravit", "Nelze opravit", "Cannot be repaired" },
    { "status_vydano", "Vydáno", "Handed over" },
    { "status_unknown", "Neznámý stav", "Unknown status" },
    { "column_status", "Stav", "Status" },
    { "status_item", "Stav opravy...", "Repair status..." },
    { "handover_item", "Vydat zákazníkovi...", "Hand over..." },
    { "view_menu", "Zobrazit", "View" },
    { "view_all", "Všechny opravenky", "All tickets" },
    { "view_open", "Rozpracované", "Open" },
    { "view_ready", "K vyzvednutí", "Ready for pickup" },
    { "view_overdue", "Po termínu", "Overdue" },
    { "view_waiting", "Čeká na díl", "Waiting for a part" },
    { "list_counts", "K vyzvednutí: %1    Po termínu: %2", "Ready for pickup: %1    Overdue: %2" },
    { "no_table", "Tabulka opravenek není otevřena.", "The ticket table is not open." },
    { "no_ticket", "Není vybrána žádná opravenka.", "No ticket is selected." },
    { "ticket_pending", "Opravenka je rozpracovaná v editoru; nejprve ji uložte nebo zrušte.",
        "The ticket is still open in the editor; store it or drop it first." },
    { "handed_over", "Opravenka %1 už byla vydána %2.", "Ticket %1 was already handed over on %2." },
    { "status_title", "Stav opravy", "Repair status" },
    { "status_header", "Opravenka %1: %2, %3", "Ticket %1: %2, %3" },
    { "status_col_time", "Čas", "Time" },
    { "status_col_status", "Stav", "Status" },
    { "status_col_note", "Poznámka", "Note" },
    { "status_col_who", "Kdo", "Who" },
    { "status_new", "Nový stav:", "New status:" },
    { "status_note", "Poznámka:", "Note:" },
    { "status_choose", "Vyberte nový stav.", "Choose the new status." },
    { "status_save", "&Uložit  F2", "&Store  F2" },
    { "who", "Kdo:", "Who:" },
    { "close_esc", "Zavřít  Esc", "Close  Esc" },
    { "handover_title", "Výdej opravy", "Handover" },
    { "handover_amount", "Zaplaceno:", "Amount paid:" },
    { "handover_ok", "&Vydat  F2", "&Hand over  F2" },
    { "handover_print", "&Tisk  F7", "&Print  F7" },
    { "bad_amount", "Neplatná částka: %1", "Not a valid amount: %1" },
    { "slip_failed", "Předávací protokol se nepodařilo vytisknout: %1", "The handover slip could not be printed: %1" },
    { "slip_title", "PŘEDÁVACÍ PROTOKOL", "HANDOVER SLIP" },
    { "slip_ticket", "Číslo opravenky:", "Ticket number:" },
    { "slip_customer", "Zákazník:", "Customer:" },
    { "slip_device", "Přístroj:", "Device:" },
    { "slip_imei", "IMEI:", "IMEI:" },
    { "slip_fault", "Vada:", "Fault:" },
    { "slip_time", "Vydáno dne:", "Handed over on:" },
    { "slip_warranty", "Záruka do:", "Warranty until:" },
    { "slip_sign_customer", "Podpis zákazníka", "Customer's signature" },
    { "slip_sign_shop", "Za servis (podpis, razítko)", "For the shop (signature, stamp)" },
    { "warranty_days", "Záruka (dní):", "Warranty (days):" },
    { "scan_unknown", "Opravenka číslo %1 neexistuje.", "There is no ticket number %1." },
    { "find_item", "Hledat zákazníka...", "Find customer..." },
    { "find_title", "Hledat zákazníka", "Find customer" },
    { "find_label", "Jméno, telefon, IMEI nebo číslo opravenky:", "Name, phone, IMEI or ticket number:" },
    { "find_col_number", "Číslo", "Number" },
    { "find_col_date", "Přijato", "Received" },
    { "find_col_name", "Jméno", "Name" },
    { "find_col_phone", "Telefon", "Phone" },
    { "find_col_device", "Přístroj", "Device" },
    { "find_more", "Zobrazeno %1 nejnovějších z %2 nalezených.", "Showing the newest %1 of %2 found." },
    { "find_none", "Nic nenalezeno.", "Nothing found." },
    { "find_open", "&Otevřít  Enter", "&Open  Enter" },
    { "find_new", "&Nová opravenka pro zákazníka  Ctrl+Ins", "&New ticket for this customer  Ctrl+Ins" },
} };

const Entry& entry(ExtraText id)
{
    return Entries.at(static_cast<std::size_t>(id));
}

} // namespace

ExtraTexts::ExtraTexts(QHash<QString, QString> fromFile, const QString& langName)
    : m_fromFile(std::move(fromFile))
    , m_czech(langName.isEmpty() || isCzechLangName(langName))
{
}

QString ExtraTexts::text(ExtraText id) const
{
    const auto found = m_fromFile.constFind(key(id));
    return found != m_fromFile.cend() ? *found : builtIn(id, m_czech);
}

QString ExtraTexts::key(ExtraText id)
{
    return QString::fromLatin1(entry(id).key);
}

QString ExtraTexts::builtIn(ExtraText id, bool czech)
{
    return QString::fromUtf8(czech ? entry(id).czech : entry(id).english);
}
