#pragma once

#include <QHash>
#include <QString>

// Texts of the features beyond the four fixed language sections. Each has a
// key in the language file's <extra> section and built-in texts, Czech and
// English, for a file that lacks it: a language file of the earlier program
// has no such section.
enum class ExtraText {
    NoPrinter,
    ImeiCheck,
    ConvertQuestion,
    ConvertProgress,
    ConvertFailed,
    ConvertDone, // %1 tickets, %2 report lines, %3 the report's path
    BackupFailed, // %1 the folder, %2 the reason
    StatusOff, // %1 the reason the store gives
    // The repairs' statuses, in the order of TicketStatus::Status from Prijato.
    StatusPrijato,
    StatusVOprave,
    StatusCekaNaDil,
    StatusCekaNaZakaznika,
    StatusHotovo,
    StatusNelzeOpravit,
    StatusVydano,
    StatusUnknown, // a status code another program wrote
    // The main window's status column, commands and lists of work.
    ColumnStatus,
    StatusItem,
    HandoverItem,
    ViewMenu,
    ViewAll,
    ViewOpen,
    ViewReady,
    ViewOverdue,
    ViewWaiting,
    ListCounts, // %1 ready, %2 overdue
    // The status and handover windows, the handover slip and the warranty days.
    NoTable,
    NoTicket,
    TicketPending,
    HandedOver, // %1 the ticket's number, %2 when
    StatusTitle,
    StatusHeader, // %1 number, %2 name, %3 device
    StatusColTime,
    StatusColStatus,
    StatusColNote,
    StatusColWho,
    StatusNew,
    StatusNote,
    StatusChoose,
    StatusSave,
    WhoLabel,
    CloseButton,
    HandoverTitle,
    HandoverAmount,
    HandoverOk,
    HandoverPrint,
    BadAmount, // %1 the text typed
    SlipFailed, // %1 the printer's reason
    SlipTitle,
    SlipTicket,
    SlipCustomer,
    SlipDevice,
    SlipImei,
    SlipFault,
    SlipTime,
    SlipWarranty,
    SlipSignCustomer,
    SlipSignShop,
    WarrantyDays,
    // A ticket scanned or typed as "T" and its number.
    ScanUnknown, // %1 the number
    // The customer finder.
    FindItem,
    FindTitle,
    FindLabel,
    FindColNumber,
    FindColDate,
    FindColName,
    FindColPhone,
    FindColDevice,
    FindMore, // %1 shown, %2 found
    FindNone,
    FindOpen,
    FindNew,
    Count
};

class ExtraTexts
{
public:
    ExtraTexts() = default;
    // `langName` is the file's language name; empty when none is known.
    ExtraTexts(QHash<QString, QString> fromFile, const QString& langName);

    // The file's text for the key, or the built-in one of the file's
    // language: Czech for a Czech or unnamed file, English for any other.
    QString text(ExtraText id) const;

    // The key that names a text in the <extra> section.
    static QString key(ExtraText id);
    static QString builtIn(ExtraText id, bool czech = true);

private:
    QHash<QString, QString> m_fromFile;
    bool m_czech = true;
};
