#pragma once

#include "store/rows/TicketRecord.h"

#include <QString>

#include <array>

class TicketStore;

// What one ticket shows, field by field (indexed by TicketRecord::Field): a
// plain value, so that whoever prints or shows a ticket needs no table.
using TicketTexts = std::array<QString, TicketRecord::FieldCount>;

// The current row's fields as DisplayText gives them; empty texts when the
// table is closed or has no current row.
TicketTexts ticketDisplayTexts(TicketStore& table);
