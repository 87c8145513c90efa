// The repairs' statuses beside the ticket table, and the lists of work made of them.
#include "store/FieldText.h"
#include "store/TicketStore.h"
#include "store/TicketStoreImpl.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>

using StoreRow::Row;
using TicketStatus::Status;
using TicketStatus::WorkList;

// ================================================================ Impl

void TicketStore::Impl::setStatus(qint64 id, TicketStatus::Status status)
{
    auto it = std::lower_bound(
        statuses.begin(), statuses.end(), id, [](const auto& entry, qint64 key) { return entry.first < key; });
    const bool found = it != statuses.end() && it->first == id;
    if (status == TicketStatus::Status::None) {
        if (found)
            statuses.erase(it);
    } else if (found) {
        it->second = status;
    } else {
        statuses.insert(it, { id, status });
    }
    listsChanged();
}

void TicketStore::Impl::readStatus(qint64 id)
{
    if (!backend->statusOn())
        return;
    const std::vector<StatusEntry> history = backend->history(id);
    setStatus(id, history.empty() ? TicketStatus::Status::None : TicketStatus::fromCode(history.front().code));
}

Status TicketStore::Impl::statusOfId(qint64 id) const
{
    const auto it = std::lower_bound(
        statuses.begin(), statuses.end(), id, [](const auto& entry, qint64 key) { return entry.first < key; });
    return it != statuses.end() && it->first == id ? it->second : Status::None;
}

void TicketStore::Impl::listsChanged()
{
    rowStatusValid = false;
    countsValid = false;
}

void TicketStore::Impl::refreshRowStatus()
{
    if (rowStatusValid)
        return;
    // The rows read and the statuses are both in the order of the ids: one pass over both.
    rowStatus.assign(rows.size(), Status::None);
    size_t s = 0;
    for (size_t i = 0; i < readCount; ++i) {
        const qint64 id = rows[i].id;
        while (s < statuses.size() && statuses[s].first < id)
            ++s;
        if (s < statuses.size() && statuses[s].first == id)
            rowStatus[i] = statuses[s].second;
    }
    for (size_t i = readCount; i < rows.size(); ++i)
        rowStatus[i] = statusOfId(rows[i].id);
    rowStatusValid = true;
}

bool TicketStore::Impl::inList(WorkList list, const Row& row, Status status) const
{
    using TicketRecord::vydej;
    const std::optional<qint64> due
        = row.isNull(vydej) ? std::nullopt : std::optional(FieldText::packedDay(row.num[StoreRow::slotOf(vydej)]));
    return TicketStatus::inWorkList(list, status, due, today);
}

void TicketStore::Impl::applyWorkList()
{
    if (workList == WorkList::All)
        return;
    refreshRowStatus();
    for (size_t i = 0; i < rows.size(); ++i)
        if (passes[i])
            passes[i] = inList(workList, rows[i], rowStatus[i]);
}

// ================================================================ TicketStore

bool TicketStore::statusOn() const
{
    return Active() && d->backend->statusOn();
}

QString TicketStore::statusOffReason() const
{
    if (!Active())
        return QStringLiteral("the table is closed");
    return d->backend->statusOff();
}

TicketStatus::Status TicketStore::statusOf(TBookmark id) const
{
    return d->statusOfId(id);
}

TicketStatus::Status TicketStore::statusAt(int row) const
{
    if (row < 0 || row >= int(d->view.size()) || d->view[row] == Impl::NewRow)
        return TicketStatus::Status::None;
    return statusOf(d->rows[d->view[row]].id);
}

std::vector<StatusEntry> TicketStore::statusHistory(TBookmark id) const
{
    d->checkActive();
    if (!d->backend->statusOn())
        return {};
    return d->backend->history(id);
}

void TicketStore::addStatus(
    TBookmark id, const QByteArray& code, const QString& note, const QString& who, std::optional<qint64> amount)
{
    d->checkActive();
    if (!d->backend->statusOn())
        d->raise(QStringLiteral("The repair statuses are off: %1").arg(d->backend->statusOff()));
    const TicketStatus::Status status = TicketStatus::fromCode(code);
    if (status == TicketStatus::Status::Unknown)
        d->raise(QStringLiteral("Unknown repair status \"%1\"").arg(QString::fromUtf8(code)));
    StatusEntry entry;
    entry.ticket = id;
    entry.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    entry.code = code;
    entry.note = note;
    entry.who = who;
    entry.amount = amount;
    if (id == 0 || !d->backend->addStatus(entry))
        d->raise(QStringLiteral("The ticket is no longer stored: another program has deleted it"));
    d->setStatus(id, status);
    // The grid shows the new status, and a list the ticket has left lets it go.
    d->runFilter();
    d->relist(d->currentIndex(), d->recNo);
}

void TicketStore::setWorkList(WorkList list)
{
    if (list == d->workList)
        return;
    d->workList = list;
    if (Active()) {
        d->endPending();
        d->runFilter();
        d->relist(d->currentIndex(), d->recNo);
    }
}

WorkList TicketStore::workList() const
{
    return d->workList;
}

void TicketStore::setToday(const QDate& day)
{
    const qint64 julian = day.toJulianDay();
    if (julian == d->today)
        return;
    d->today = julian;
    d->countsValid = false;
    if (Active() && d->workList == WorkList::Overdue) {
        d->endPending();
        d->runFilter();
        d->relist(d->currentIndex(), d->recNo);
    }
}

bool TicketStore::listedIn(int row, WorkList list) const
{
    if (row < 0 || row >= int(d->view.size()) || d->view[row] == Impl::NewRow)
        return false;
    const Row& stored = d->rows[d->view[row]];
    return d->inList(list, stored, d->statusOfId(stored.id));
}

int TicketStore::countIn(WorkList list) const
{
    if (!d->countsValid) {
        d->refreshRowStatus();
        d->counts.fill(0);
        for (size_t i = 0; i < d->rows.size(); ++i) {
            if (d->deleted[i] || d->rowStatus[i] == Status::None)
                continue;
            for (int l = 0; l < TicketStatus::WorkListCount; ++l)
                d->counts[size_t(l)] += d->inList(WorkList(l), d->rows[i], d->rowStatus[i]);
        }
        d->countsValid = true;
    }
    return d->counts[size_t(list)];
}
