#pragma once

// The inside of TicketStore.

#include "store/FieldTable.h"
#include "store/TicketBackend.h"
#include "store/TicketStore.h"
#include "store/index/CustomerIndex.h"
#include "store/index/PrefixIndex.h"
#include "store/index/SortOrder.h"
#include "store/rows/StoreRow.h"

#include <array>

struct TicketStore::Impl final : FieldTable
{
    using Row = StoreRow::Row;
    using Texts = StoreRow::Texts;

    explicit Impl(TicketStore* owner);

    TicketStore* q;
    QString connectionString;
    QString sort;
    int sortField = -1;
    bool filtered = false;
    FilterHandler onFilterRecord;
    int prefixField = -1; // what onFilterRecord decides, when declared
    std::function<QString()> prefixText;
    DataSetHandler onCalcFields;
    DataSetHandler afterPost;
    int busyTimeoutMs = 5000;
    bool upgradesSchema = true;

    // The open store.
    std::unique_ptr<TicketBackend> backend;
    qint64 changeToken = -1; // the back end's token when the rows were read
    DataSetState state = DataSetState::Inactive;
    bool numberReserved = false;

    // Every row read, in the order of the ids; deleted rows stay as marks
    // until the next read so that indexes into the list stay valid.
    std::vector<Row> rows;
    size_t readCount = 0; // rows read in the order of their ids; those stored since follow them
    // What the rows' texts refer to: FieldTable::texts.
    std::vector<quint8> deleted; // per row, apart from the rows so that a pass over all rows reads less
    std::vector<quint8> passes; // per row: listed (passed the filter at the last refresh, not deleted)
    std::vector<qint32> view; // rows listed, in order; NewRow for the pending new row
    int recNo = -1;
    static constexpr qint32 NewRow = -1;

    // The pending row of edit or insert state.
    Row pending;
    QString pendingCalc;
    qint32 pendingIndex = -1; // row edited; -1 in insert state
    qint32 insertedAfter = -1; // the row current before Append, current again after Cancel
    quint32 changedFields = 0; // bits of the stored fields set since Edit or Append

    // The current status of every ticket that has one, by id.
    std::vector<std::pair<qint64, TicketStatus::Status>> statuses;
    void setStatus(qint64 id, TicketStatus::Status status); // None removes
    void readStatus(qint64 id); // again from the store
    TicketStatus::Status statusOfId(qint64 id) const;

    // The list of work shown, and the day it is reckoned on (a Julian day).
    TicketStatus::WorkList workList = TicketStatus::WorkList::All;
    qint64 today = 0;
    // Per row, its status, made when a list or a count needs it after a change.
    std::vector<TicketStatus::Status> rowStatus;
    bool rowStatusValid = false;
    std::array<int, TicketStatus::WorkListCount> counts {};
    bool countsValid = false;
    void listsChanged(); // a status, a row or the day changed
    void refreshRowStatus();
    bool inList(TicketStatus::WorkList list, const Row& row, TicketStatus::Status status) const;
    void applyWorkList(); // narrows the rows passing the filter to the list shown

    // The rows in the order of each field sorted on so far.
    std::array<std::unique_ptr<StoreRow::SortOrder>, TicketRecord::FieldCount> orders;
    // The rows by the declared filter field, made at the first search after a read.
    std::unique_ptr<StoreRow::PrefixIndex> prefixIndex;
    // The customer finder's keys, made at its first search after a read.
    std::unique_ptr<StoreRow::CustomerIndex> customerIndex;

    // While a handler runs: the row its field reads address, and where a
    // calculated field's value goes.
    const Row* context = nullptr;
    QString* calcTarget = nullptr;

    std::array<std::unique_ptr<TField>, TicketRecord::FieldCount> fields;

    // Sets the row and calculated-value target for the life of a handler call;
    // restores the previous ones when the handler ends, also by an error.
    class Scope
    {
    public:
        Scope(Impl& d, const Row* row, QString* target)
            : m_d(d)
            , m_row(d.context)
            , m_target(d.calcTarget)
        {
            d.context = row;
            d.calcTarget = target;
        }
        ~Scope()
        {
            m_d.context = m_row;
            m_d.calcTarget = m_target;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Impl& m_d;
        const Row* m_row;
        QString* m_target;
    };

    // Names and messages
    QString prefix() const;
    [[noreturn]] void raise(const QString& text) const;
    void checkActive() const;

    // Reading
    const Row* readRow() const override;
    bool readsPending() const;
    QString calcValue(const Row& row) const;
    QString calcOfReadRow() const override;

    // Writing a field of the pending row (or the calculated value in OnCalcFields)
    Row& rowToSet(int field) override;
    QString* calcToSet() override;
    void fieldSet(int field) override;
    void calcPending(bool notify);

    // The back end
    void open();
    void close();
    void readAll();
    // Reads again the rows others changed since the last read, when the back
    // end knows which; false when the whole table must be read.
    bool readChanges(qint64 token);
    Row readOne(qint64 id);
    qint64 writePending(); // the id of the row written
    void releaseNumber();

    // Lists
    void runFilter();
    bool runPrefixFilter(); // false when the declared filter cannot answer
    bool passesFilter(const Row& row);
    StoreRow::SortOrder& orderOf(int field);
    void rowChanged(qint32 index, bool added);
    void rebuildView();
    int positionOf(qint32 rowIndex) const;
    qint32 currentIndex() const;
    void relist(qint32 current, int oldRecNo); // after a new filter or order: rebuild and place the current row

    // State
    void setState(DataSetState s);
    void endPending();
    void moveTo(int newRecNo);
    void startInsert();
};
