#pragma once

#include "store/TicketStore.h"

#include <QByteArray>
#include <QString>

class ExtraTexts;
class TDM;

// What the status and handover windows share: the ticket they open on and
// how a row of its history reads at the counter.
namespace CurrentTicket {

// The stored ticket current in the data module's table. Raises AppError
// with the language's text when there is none to open: no table, a ticket
// still pending in the editor, no current row, or the statuses off.
TBookmark require(const ExtraTexts& texts, const TDM* data);

// A stored UTC time as local "dd.MM.yyyy HH:mm"; a text that is no time as it is.
QString localTime(const QString& utcIso);

// The text of a status code; a code this program does not know, as stored.
QString statusText(const ExtraTexts& texts, const QByteArray& code);

// The status a history names: its newest row's; None for no row.
TicketStatus::Status newest(const std::vector<StatusEntry>& history);

} // namespace CurrentTicket
