#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Where a repair stands. Each status is stored by its code in the history
// table; its text comes from the language file.
namespace TicketStatus {

enum class Status : quint8 {
    None, // no history: a ticket from before statuses were kept
    Prijato,
    VOprave,
    CekaNaDil,
    CekaNaZakaznika,
    Hotovo,
    NelzeOpravit,
    Vydano,
    Unknown, // a code written by another program that this one does not know
};
constexpr int Count = int(Status::Vydano); // the known statuses, Prijato to Vydano

// "prijato" for Status::Prijato; empty for None and Unknown.
QByteArray code(Status status);
// The status a stored code names; Unknown for any other code.
Status fromCode(QByteArrayView code);

// The lists of work the main window offers beside all tickets. A ticket
// without a status is in none of them.
enum class WorkList : quint8 {
    All,
    Open, // any status but handed over
    Ready, // ready for pickup, repaired or not
    Overdue, // due before today and neither ready nor handed over
    WaitingForPart,
};
constexpr int WorkListCount = 5;

// Whether a ticket of `status` due on the Julian day `dueDay` (none: no due
// date) is in `list` on the Julian day `today`.
bool inWorkList(WorkList list, Status status, std::optional<qint64> dueDay, qint64 today);

// The schema version of the store this program knows: 2 added the history.
constexpr int SchemaVersion = 2;

} // namespace TicketStatus

// One row of a ticket's history, never changed once stored.
struct StatusEntry
{
    qint64 id = 0; // the history row's own key
    qint64 ticket = 0; // the ticket's id in opravenky
    QString time; // UTC, ISO 8601
    QByteArray code; // as stored, perhaps unknown here
    QString note;
    QString who;
    std::optional<qint64> amount; // ten-thousandths of a crown, as the price
};
