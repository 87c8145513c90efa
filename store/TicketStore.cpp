// The ticket table's contract: states, cursor, bookmarks, the pending row and
// the events. Where the rows are stored is its back end's business.
#include "store/TicketStore.h"

#include "base/AppError.h"
#include "store/BackendFactory.h"
#include "store/TicketStoreImpl.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

using StoreRow::isStored;
using StoreRow::Row;
using StoreRow::slotOf;
using namespace TicketRecord;

// ================================================================ TicketStore

TicketStore::TicketStore(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>(this))
{
    setObjectName(QStringLiteral("ADOTable"));
}

TicketStore::~TicketStore()
{
    d->close();
}

QString TicketStore::ConnectionString() const
{
    return d->connectionString;
}

void TicketStore::setConnectionString(const QString& value)
{
    d->connectionString = value;
}

bool TicketStore::Active() const
{
    return d->backend != nullptr;
}

void TicketStore::setActive(bool active)
{
    if (active == Active())
        return;
    if (active) {
        d->open();
        d->state = DataSetState::Browse;
        d->runFilter();
        d->rebuildView();
        d->recNo = d->view.empty() ? -1 : 0;
    } else {
        d->state = DataSetState::Inactive; // a pending row is dropped, not stored
        d->close();
    }
    emit dataSetChanged();
    emit currentChanged();
    emit stateChanged();
}

DataSetState TicketStore::State() const
{
    return d->state;
}

QString TicketStore::Sort() const
{
    return d->sort;
}

void TicketStore::setSort(const QString& sort)
{
    d->checkActive();
    int field = -1;
    const QStringList words = sort.split(u' ', Qt::SkipEmptyParts);
    if (!words.isEmpty()) {
        if (words.size() > 2 || (words.size() == 2 && words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0))
            d->raise(QStringLiteral("Invalid sort order \"%1\"").arg(sort));
        field = FieldByName(words[0])->Index();
        if (!isStored(field))
            d->raise(QStringLiteral("Cannot sort on the calculated field '%1'").arg(words[0]));
    }
    d->sort = sort;
    if (field == d->sortField)
        return; // the list is always kept in its order
    d->sortField = field;
    d->relist(d->currentIndex(), d->recNo);
}

bool TicketStore::Filtered() const
{
    return d->filtered;
}

void TicketStore::setFiltered(bool filtered)
{
    if (filtered == d->filtered)
        return;
    d->filtered = filtered;
    if (Active()) {
        d->runFilter();
        d->relist(d->currentIndex(), d->recNo);
    }
}

void TicketStore::setOnFilterRecord(FilterHandler handler)
{
    d->onFilterRecord = std::move(handler);
    d->prefixField = -1;
    d->prefixText = nullptr;
}

void TicketStore::setFilterPrefix(int field, std::function<QString()> prefix)
{
    if (field < 0 || field >= TicketRecord::FieldCount || !StoreRow::isText(field))
        throw AppError(
            QStringLiteral("%1: Cannot search the field %2 by the start of its text").arg(objectName()).arg(field));
    d->prefixField = field;
    d->prefixText = std::move(prefix);
}

void TicketStore::setOnCalcFields(DataSetHandler handler)
{
    d->onCalcFields = std::move(handler);
}

void TicketStore::setAfterPost(DataSetHandler handler)
{
    d->afterPost = std::move(handler);
}

int TicketStore::busyTimeout() const
{
    return d->busyTimeoutMs;
}

void TicketStore::setBusyTimeout(int milliseconds)
{
    d->busyTimeoutMs = milliseconds;
    if (d->backend)
        d->backend->setBusyTimeout(milliseconds);
}

void TicketStore::Refresh()
{
    d->checkActive();
    d->endPending();
    qint32 current = d->currentIndex();
    const int oldRecNo = d->recNo;
    const qint64 token = d->backend->changeToken();
    if (token != d->changeToken && !d->readChanges(token)) {
        const qint64 id = current >= 0 ? d->rows[current].id : 0;
        d->readAll();
        // Rows are read in the order of their ids.
        const auto it = std::lower_bound(
            d->rows.begin(), d->rows.end(), id, [](const Row& row, qint64 key) { return row.id < key; });
        current = (it != d->rows.end() && it->id == id) ? qint32(it - d->rows.begin()) : -1;
    }
    d->runFilter();
    d->relist(current, oldRecNo);
}

void TicketStore::First()
{
    d->checkActive();
    d->endPending();
    d->moveTo(d->view.empty() ? -1 : 0);
}

void TicketStore::Last()
{
    d->checkActive();
    d->endPending();
    d->moveTo(int(d->view.size()) - 1);
}

void TicketStore::Next()
{
    d->checkActive();
    d->endPending();
    if (d->recNo + 1 < int(d->view.size()))
        d->moveTo(d->recNo + 1);
}

void TicketStore::Prior()
{
    d->checkActive();
    d->endPending();
    if (d->recNo > 0)
        d->moveTo(d->recNo - 1);
}

void TicketStore::Append()
{
    d->checkActive();
    d->endPending();
    d->startInsert();
}

void TicketStore::Edit()
{
    d->checkActive();
    if (d->state != DataSetState::Browse)
        return;
    if (d->recNo < 0) {
        d->startInsert(); // nothing to edit: a new row, like the first change in an empty grid
        return;
    }
    d->pendingIndex = d->view[d->recNo];
    d->pending = d->rows[d->pendingIndex];
    d->pendingCalc = d->calcValue(d->pending);
    d->changedFields = 0;
    d->setState(DataSetState::Edit);
}

void TicketStore::Post()
{
    d->checkActive();
    UpdateRecord();
    // A failed write raises here and leaves the row pending with its values.
    const qint64 id = d->writePending();
    qint32 index;
    if (d->state == DataSetState::Insert) {
        d->releaseNumber(); // stored: the number is taken now
        d->rows.push_back(d->readOne(id));
        d->deleted.push_back(0);
        d->passes.push_back(1); // listed until the next refresh judges it
        index = qint32(d->rows.size()) - 1;
        d->rowChanged(index, true);
    } else {
        index = d->pendingIndex;
        if (d->changedFields) {
            d->rows[index] = d->readOne(id);
            d->rowChanged(index, false);
        }
    }
    d->pending = Row();
    d->pendingCalc.clear();
    d->changedFields = 0;
    d->state = DataSetState::Browse;
    d->rebuildView();
    d->recNo = d->positionOf(index);
    emit dataSetChanged();
    emit currentChanged();
    emit stateChanged();
    if (d->afterPost)
        d->afterPost(*this);
}

void TicketStore::Cancel()
{
    d->checkActive();
    if (d->state == DataSetState::Edit) {
        d->pending = Row();
        d->pendingCalc.clear();
        d->changedFields = 0;
        d->state = DataSetState::Browse;
        emit fieldChanged(-1);
        emit stateChanged();
    } else if (d->state == DataSetState::Insert) {
        d->releaseNumber(); // abandoned: the next New may give it again
        d->pending = Row();
        d->pendingCalc.clear();
        d->changedFields = 0;
        d->state = DataSetState::Browse;
        d->view.pop_back();
        d->recNo = d->insertedAfter >= 0 ? d->positionOf(d->insertedAfter) : -1;
        if (d->recNo < 0 && !d->view.empty())
            d->recNo = int(d->view.size()) - 1;
        emit dataSetChanged();
        emit currentChanged();
        emit stateChanged();
    }
}

void TicketStore::Delete()
{
    d->checkActive();
    if (d->state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (d->recNo < 0)
        d->raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const qint32 index = d->view[d->recNo];
    d->backend->remove(d->rows[index].id);
    d->setStatus(d->rows[index].id, TicketStatus::Status::None); // the store removed the history with it
    d->deleted[index] = 1;
    d->passes[index] = 0;
    d->listsChanged();
    const bool wasEditing = d->state == DataSetState::Edit;
    d->pending = Row();
    d->changedFields = 0;
    d->state = DataSetState::Browse;
    d->view.erase(d->view.begin() + d->recNo);
    if (d->recNo >= int(d->view.size()))
        d->recNo = int(d->view.size()) - 1;
    emit dataSetChanged();
    emit currentChanged();
    if (wasEditing)
        emit stateChanged();
}

void TicketStore::UpdateRecord()
{
    d->checkActive();
    if (d->state != DataSetState::Edit && d->state != DataSetState::Insert)
        d->raise(QStringLiteral("Dataset not in edit or insert mode"));
    emit updateRecordRequested();
}

TBookmark TicketStore::GetBookmark() const
{
    if (!Active() || d->state == DataSetState::Insert || d->recNo < 0)
        return 0;
    return d->rows[d->view[d->recNo]].id;
}

void TicketStore::GotoBookmark(TBookmark bookmark)
{
    if (bookmark == 0)
        return;
    d->checkActive();
    d->endPending();
    const int row = listedRowOf(bookmark);
    if (row < 0)
        d->raise(QStringLiteral("Record not found"));
    d->moveTo(row);
}

int TicketStore::listedRowOf(TBookmark id) const
{
    for (int i = 0; i < int(d->view.size()); ++i)
        if (d->view[i] != Impl::NewRow && d->rows[d->view[i]].id == id)
            return i;
    return -1;
}

int TicketStore::FieldCount() const
{
    return TicketRecord::FieldCount;
}

TField* TicketStore::Fields(int index)
{
    if (index < 0 || index >= TicketRecord::FieldCount)
        throw AppError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return d->fields[index].get();
}

TField* TicketStore::FieldByName(const QString& name)
{
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (name.compare(QLatin1String(TicketRecord::Fields[f].name), Qt::CaseInsensitive) == 0)
            return d->fields[f].get();
    d->raise(QStringLiteral("Field '%1' not found").arg(name));
    return nullptr;
}

int TicketStore::RecordCount() const
{
    return int(d->view.size());
}

int TicketStore::RecNo() const
{
    return d->recNo;
}

void TicketStore::setRecNo(int index)
{
    d->checkActive();
    if (index < 0 || index >= int(d->view.size()) || index == d->recNo)
        return;
    // The grid names a row by its place; ending the pending row may reorder the list.
    const qint32 target = d->view[index];
    d->endPending();
    const int at = d->positionOf(target);
    if (at >= 0)
        d->moveTo(at);
}

bool TicketStore::Modified() const
{
    return d->changedFields != 0;
}

QString TicketStore::displayText(int row, int field) const
{
    if (!Active() || row < 0 || row >= int(d->view.size()) || field < 0 || field >= TicketRecord::FieldCount)
        return QString();
    const qint32 index = d->view[row];
    const bool pending = index == Impl::NewRow || (d->state == DataSetState::Edit && index == d->pendingIndex);
    const Row& source = pending ? d->pending : d->rows[index];
    if (!isStored(field))
        return pending ? d->pendingCalc : d->calcValue(source);
    return d->format(source, field, false);
}

void TicketStore::setUpgradesSchema(bool upgrade)
{
    d->upgradesSchema = upgrade;
}

std::vector<UnreadableValue> TicketStore::unreadableValues() const
{
    if (!Active())
        return {};
    return d->backend->unreadableValues();
}

qint64 TicketStore::maxCislo() const
{
    qint64 result = 0;
    bool any = false;
    for (size_t i = 0; i < d->rows.size(); ++i) {
        const Row& row = d->rows[i];
        if (d->deleted[i] || row.isNull(cislo))
            continue;
        const qint64 value = row.num[slotOf(cislo)];
        result = any ? std::max(result, value) : value;
        any = true;
    }
    return result;
}

std::vector<TBookmark> TicketStore::idsOfCislo(qint64 cislo) const
{
    std::vector<TBookmark> ids;
    for (size_t i = 0; i < d->rows.size(); ++i) {
        const Row& row = d->rows[i];
        if (!d->deleted[i] && !row.isNull(TicketRecord::cislo) && row.num[slotOf(TicketRecord::cislo)] == cislo)
            ids.push_back(row.id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

int TicketStore::reserveCislo()
{
    d->checkActive();
    d->releaseNumber();
    const qint64 largest = maxCislo();
    if (largest >= std::numeric_limits<int>::max())
        throw AppError(QStringLiteral("No new ticket number follows %1: the largest there can be is %2")
                           .arg(largest)
                           .arg(std::numeric_limits<int>::max()));
    const int number = d->backend->reserveNumber(int(largest + 1));
    d->numberReserved = true;
    return number;
}

void TicketStore::createDatabase(const QString& path)
{
    BackendFactory::createDatabase(path);
}
