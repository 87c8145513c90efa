// The customer finder's search over every stored ticket.
#include "store/TicketStore.h"
#include "store/TicketStoreImpl.h"

using StoreRow::Row;

void TicketStore::prepareFinder() const
{
    d->checkActive();
    if (!d->customerIndex)
        d->customerIndex = std::make_unique<StoreRow::CustomerIndex>(d->rows, d->texts);
}

FoundTickets TicketStore::findCustomers(const QString& text, int limit) const
{
    prepareFinder();
    const StoreRow::CustomerIndex::Found found
        = d->customerIndex->find(StoreRow::CustomerQuery::parse(text), d->deleted, limit);
    FoundTickets result;
    result.total = found.total;
    result.tickets.reserve(found.rows.size());
    for (const qint32 index : found.rows) {
        const Row& row = d->rows[size_t(index)];
        const auto field = [&](int f) { return d->format(row, f, false); };
        using namespace TicketRecord;
        result.tickets.push_back({ row.id, field(cislo), field(prijato), field(jmeno), field(adresa), field(mesto),
            field(tel), field(telefon), d->statusOfId(row.id) });
    }
    return result;
}
