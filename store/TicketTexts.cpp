#include "store/TicketTexts.h"

#include "store/TicketStore.h"

TicketTexts ticketDisplayTexts(TicketStore& table)
{
    TicketTexts texts;
    for (int field = 0; field < TicketRecord::FieldCount; ++field)
        texts[std::size_t(field)] = table.Fields(field)->DisplayText();
    return texts;
}
