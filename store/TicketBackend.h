#pragma once

#include "store/rows/StoreRow.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// A value stored in a form this program cannot read (another program's date
// "17.3.2024", a price "zdarma"): the ticket shows it as empty.
struct UnreadableValue
{
    qint64 id;     // the ticket's row id
    int field;     // TicketRecord::Field
    QString stored; // the stored value as text
};

// Where the tickets are stored: the table contract (TicketStore) holds every
// row in memory and asks its back end only to read them all, to write or
// delete one, and whether anyone else has changed them. Every failure raises
// AppError with a complete message.
class TicketBackend
{
public:
    using Row = StoreRow::Row;
    using Texts = StoreRow::Texts;

    virtual ~TicketBackend() = default;

    // Whether a connection string names the shop's server (a postgresql:// URL)
    // rather than a database file; BackendFactory opens either.
    static bool isServerUrl(const QString& connectionString);

    // A value that changes when another program has changed the stored tickets.
    virtual qint64 changeToken() = 0;
    // The ids of the tickets others have stored, changed or deleted since the
    // last readAll or takeChanges, each to be read again; false when not known
    // (a full read is needed).
    virtual bool takeChanges(std::vector<qint64>& ids)
    {
        Q_UNUSED(ids);
        return false;
    }
    // Every stored ticket, in the order of its id.
    virtual void readAll(std::vector<Row>& rows, Texts& texts) = 0;
    // Every stored value that reads as empty although it is not, in the order
    // of the ids; none where the columns' types allow no such value.
    virtual std::vector<UnreadableValue> unreadableValues() { return {}; }
    // One ticket as stored; none when it is gone.
    virtual std::optional<Row> readOne(qint64 id, Texts& texts) = 0;
    // Writes the fields `changed` (a bit per field index) of `row`, a new row
    // when `insert`; returns its id, or 0 when the row to update is gone. A
    // back end may give a new row its id before writing it, so that writing
    // it again after a failure can never store it twice.
    virtual qint64 write(Row& row, quint32 changed, bool insert, const Texts& texts) = 0;
    virtual void remove(qint64 id) = 0;

    // The number the New action gives, `next` being one after the largest
    // this program has read. A server reserves it for this program until
    // releaseNumber, so that two counters never give the same number.
    virtual int reserveNumber(int next) { return next; }
    virtual void releaseNumber() {}

    virtual void setBusyTimeout(int milliseconds) { Q_UNUSED(milliseconds); }

    // Many writes as one: copying a whole store. A new row's id given in
    // `row.id` is kept.
    virtual void beginBulk() = 0;
    virtual void endBulk() = 0;

    // Called, when set, as soon as another program's change is known without
    // being asked (a server's notification).
    std::function<void()> changedElsewhere;
    // Called, when set, when the reserved number `from` was lost with the
    // connection and another counter has it: this program now holds `to`.
    std::function<void(int from, int to)> numberMoved;
};
