// The inside of the ticket table: field reads and writes of the current or
// pending row, the list of passing rows in order, and the states.
#include "store/TicketStoreImpl.h"

#include "base/AppError.h"
#include "store/BackendFactory.h"

#include <QDate>

#include <algorithm>

using StoreRow::isStored;
using StoreRow::Row;
using StoreRow::slotOf;

TicketStore::Impl::Impl(TicketStore* owner)
    : q(owner)
    , today(QDate::currentDate().toJulianDay())
{
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        fields[f] = std::make_unique<TField>(*this, f);
}

// ---------------------------------------------------------------- messages

QString TicketStore::Impl::prefix() const
{
    return q->objectName() + QStringLiteral(": ");
}

void TicketStore::Impl::raise(const QString& text) const
{
    throw AppError(prefix() + text);
}

void TicketStore::Impl::checkActive() const
{
    if (!backend)
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

// ---------------------------------------------------------------- reading

const Row* TicketStore::Impl::readRow() const
{
    if (context)
        return context;
    if (!backend)
        return nullptr;
    if (readsPending())
        return &pending;
    if (recNo < 0)
        return nullptr;
    return &rows[view[recNo]];
}

bool TicketStore::Impl::readsPending() const
{
    return !context && (state == DataSetState::Edit || state == DataSetState::Insert);
}

QString TicketStore::Impl::calcValue(const Row& row) const
{
    if (!onCalcFields)
        return QString();
    QString value;
    auto* self = const_cast<Impl*>(this);
    Scope scope(*self, &row, &value);
    onCalcFields(*q);
    return value;
}

QString TicketStore::Impl::calcOfReadRow() const
{
    if (context && calcTarget)
        return *calcTarget;
    if (readsPending())
        return pendingCalc;
    const Row* row = readRow();
    return row ? calcValue(*row) : QString();
}

// ---------------------------------------------------------------- writing fields

Row& TicketStore::Impl::rowToSet(int field)
{
    Q_UNUSED(field);
    checkActive();
    if (context || (state != DataSetState::Edit && state != DataSetState::Insert))
        raise(QStringLiteral("Dataset not in edit or insert mode"));
    return pending;
}

QString* TicketStore::Impl::calcToSet()
{
    checkActive();
    if (context && calcTarget)
        return calcTarget;
    if (context || (state != DataSetState::Edit && state != DataSetState::Insert))
        raise(QStringLiteral("Dataset not in edit or insert mode"));
    return &pendingCalc;
}

void TicketStore::Impl::fieldSet(int field)
{
    if (context)
        return; // a calculated value set by OnCalcFields
    if (isStored(field)) {
        changedFields |= 1u << field;
        emit q->fieldChanged(field);
        calcPending(true);
    } else {
        emit q->fieldChanged(field);
    }
}

void TicketStore::Impl::calcPending(bool notify)
{
    if (!onCalcFields)
        return;
    QString value;
    {
        Scope scope(*this, &pending, &value);
        onCalcFields(*q);
    }
    if (value == pendingCalc)
        return;
    pendingCalc = value;
    if (notify)
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            if (!isStored(f))
                emit q->fieldChanged(f);
}

// ---------------------------------------------------------------- the back end

void TicketStore::Impl::open()
{
    backend = BackendFactory::open(connectionString, q->objectName(), busyTimeoutMs);
    backend->openStatus(upgradesSchema);
    backend->changedElsewhere = [this] { emit q->changedElsewhere(); };
    // The new ticket shows the number it will be stored with, unless the user typed another.
    backend->numberMoved = [this](int from, int to) {
        if (state == DataSetState::Insert && numberReserved && !pending.isNull(TicketRecord::cislo)
            && pending.num[StoreRow::slotOf(TicketRecord::cislo)] == from)
            q->Fields(TicketRecord::cislo)->setAsInteger(to);
    };
    try {
        readAll();
    } catch (...) {
        close();
        throw;
    }
}

void TicketStore::Impl::close()
{
    rows.clear();
    rows.shrink_to_fit();
    readCount = 0;
    deleted.clear();
    passes.clear();
    view.clear();
    recNo = -1;
    pending = Row();
    pendingCalc.clear();
    changedFields = 0;
    for (auto& order : orders)
        order.reset();
    prefixIndex.reset();
    customerIndex.reset();
    texts = Texts();
    statuses.clear();
    statuses.shrink_to_fit();
    rowStatus.clear();
    rowStatus.shrink_to_fit();
    listsChanged();
    numberReserved = false;
    backend.reset(); // a reserved number goes with the connection
    changeToken = -1;
}

void TicketStore::Impl::readAll()
{
    // The token first: a change by another program during the read makes the next Refresh read again.
    const qint64 token = backend->changeToken();
    std::vector<Row> fresh;
    Texts freshTexts;
    backend->readAll(fresh, freshTexts);
    std::vector<std::pair<qint64, TicketStatus::Status>> freshStatuses;
    if (backend->statusOn())
        freshStatuses = backend->currentStatuses();
    for (auto& order : orders)
        order.reset();
    prefixIndex.reset();
    customerIndex.reset();
    rows = std::move(fresh);
    texts = std::move(freshTexts);
    statuses = std::move(freshStatuses);
    listsChanged();
    deleted.assign(rows.size(), 0);
    passes.assign(rows.size(), 1);
    readCount = rows.size();
    changeToken = token;
    // The search index now, while the counter waits for the table anyway: the
    // first keystroke then costs what the others do.
    if (prefixField >= 0)
        prefixIndex = std::make_unique<StoreRow::PrefixIndex>(prefixField, rows, texts);
}

bool TicketStore::Impl::readChanges(qint64 token)
{
    std::vector<qint64> ids;
    if (!backend->takeChanges(ids))
        return false;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (const qint64 id : ids) {
        const auto read = rows.begin() + qsizetype(readCount);
        auto it = std::lower_bound(rows.begin(), read, id, [](const Row& row, qint64 key) { return row.id < key; });
        if (it == read || it->id != id)
            it = std::find_if(read, rows.end(), [id](const Row& row) { return row.id == id; });
        const qint32 index = it == rows.end() ? -1 : qint32(it - rows.begin());
        if (index >= 0 && deleted[index])
            continue; // deleted here
        std::optional<Row> row = backend->readOne(id, texts);
        readStatus(id);
        if (!row) {
            if (index >= 0) {
                deleted[index] = 1; // gone elsewhere: a mark, so that indexes stay
                passes[index] = 0;
            }
        } else if (index >= 0) {
            rows[index] = std::move(*row);
            rowChanged(index, false);
        } else {
            rows.push_back(std::move(*row));
            deleted.push_back(0);
            passes.push_back(1);
            rowChanged(qint32(rows.size()) - 1, true);
        }
    }
    changeToken = token;
    return true;
}

Row TicketStore::Impl::readOne(qint64 id)
{
    if (std::optional<Row> row = backend->readOne(id, texts))
        return *row;
    // Stored but not readable back (a trigger removed it, say): keep what was written.
    Row row = pending;
    row.id = id;
    return row;
}

qint64 TicketStore::Impl::writePending()
{
    const bool insert = state == DataSetState::Insert;
    const qint64 id = backend->write(pending, changedFields, insert, texts);
    if (id == 0)
        raise(QStringLiteral("Row cannot be located for updating: another program has deleted it"));
    if (insert && backend->statusOn()) // stored with it
        setStatus(id, TicketStatus::Status::Prijato);
    return id;
}

void TicketStore::Impl::releaseNumber()
{
    if (!numberReserved)
        return;
    numberReserved = false;
    backend->releaseNumber();
}

// ---------------------------------------------------------------- lists

void TicketStore::Impl::runFilter()
{
    passes.resize(rows.size());
    const bool filtering = filtered && onFilterRecord;
    if (!filtering || prefixField < 0 || !runPrefixFilter())
        for (size_t i = 0; i < rows.size(); ++i)
            passes[i] = !deleted[i] && (!filtering || passesFilter(rows[i]));
    applyWorkList();
}

bool TicketStore::Impl::runPrefixFilter()
{
    const QString text = prefixText();
    if (text.isEmpty()) {
        for (size_t i = 0; i < rows.size(); ++i)
            passes[i] = !deleted[i];
        return true;
    }
    // An ASCII prefix of the decoded text is the same prefix of its UTF-8 bytes, even of bytes
    // that are not valid UTF-8; other texts are left to the handler.
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    if (!prefixIndex)
        prefixIndex = std::make_unique<StoreRow::PrefixIndex>(prefixField, rows, texts);
    prefixIndex->select(text.toLatin1(), deleted, passes, [this](qint32 row) { return passesFilter(rows[row]); });
    return true;
}

bool TicketStore::Impl::passesFilter(const Row& row)
{
    bool accept = true;
    Scope scope(*this, &row, nullptr);
    onFilterRecord(*q, accept);
    return accept;
}

StoreRow::SortOrder& TicketStore::Impl::orderOf(int field)
{
    if (!orders[field])
        orders[field] = std::make_unique<StoreRow::SortOrder>(field, rows, texts);
    return *orders[field];
}

void TicketStore::Impl::rowChanged(qint32 index, bool added)
{
    listsChanged();
    for (auto& order : orders)
        if (order)
            order->rowChanged(index, added);
    if (prefixIndex)
        prefixIndex->rowChanged(index);
    if (customerIndex)
        customerIndex->rowChanged(index);
}

void TicketStore::Impl::rebuildView()
{
    view.clear();
    const qint32 n = qint32(rows.size());
    if (sortField < 0) {
        for (qint32 i = 0; i < n; ++i)
            if (passes[i])
                view.push_back(i);
    } else {
        for (const qint32 i : orderOf(sortField).order())
            if (passes[i])
                view.push_back(i);
    }
    if (state == DataSetState::Insert)
        view.push_back(NewRow);
}

int TicketStore::Impl::positionOf(qint32 rowIndex) const
{
    const auto it = std::find(view.begin(), view.end(), rowIndex);
    return it == view.end() ? -1 : int(it - view.begin());
}

void TicketStore::Impl::relist(qint32 current, int oldRecNo)
{
    rebuildView();
    if (state == DataSetState::Insert) {
        recNo = int(view.size()) - 1;
    } else if (current >= 0 && !deleted[current]) {
        // The current row stays if it passes, else the next passing one, else the previous.
        // "Next" and "previous" in the order of all rows, the rows the filter rejects among them.
        const std::vector<qint32>* order = sortField >= 0 ? &orderOf(sortField).order() : nullptr;
        const auto rowAt = [&](qint32 k) { return order ? (*order)[k] : k; };
        const qint32 n = qint32(rows.size());
        const qint32 from = order ? qint32(std::find(order->begin(), order->end(), current) - order->begin()) : current;
        qint32 chosen = -1;
        for (qint32 k = from; k < n && chosen < 0; ++k)
            if (passes[rowAt(k)])
                chosen = rowAt(k);
        for (qint32 k = from - 1; k >= 0 && chosen < 0; --k)
            if (passes[rowAt(k)])
                chosen = rowAt(k);
        recNo = chosen < 0 ? -1 : positionOf(chosen);
    } else {
        recNo = view.empty() ? -1 : std::clamp(oldRecNo, 0, int(view.size()) - 1);
    }
    emit q->dataSetChanged();
    emit q->currentChanged();
}

qint32 TicketStore::Impl::currentIndex() const
{
    return recNo >= 0 ? view[recNo] : -1;
}

// ---------------------------------------------------------------- state

void TicketStore::Impl::setState(DataSetState s)
{
    if (state == s)
        return;
    state = s;
    emit q->stateChanged();
}

void TicketStore::Impl::endPending()
{
    if (state != DataSetState::Edit && state != DataSetState::Insert)
        return;
    q->UpdateRecord();
    if (changedFields)
        q->Post();
    else
        q->Cancel();
}

void TicketStore::Impl::moveTo(int newRecNo)
{
    if (newRecNo == recNo)
        return;
    recNo = newRecNo;
    emit q->currentChanged();
}

void TicketStore::Impl::startInsert()
{
    insertedAfter = currentIndex();
    pending = StoreRow::emptyRow();
    pendingCalc.clear();
    pendingIndex = -1;
    changedFields = 0;
    state = DataSetState::Insert;
    calcPending(false);
    view.push_back(NewRow);
    recNo = int(view.size()) - 1;
    emit q->dataSetChanged();
    emit q->currentChanged();
    emit q->stateChanged();
}
