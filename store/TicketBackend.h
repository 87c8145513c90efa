#pragma once

#include "store/TicketStatus.h"
#include "store/rows/StoreRow.h"

#include "base/AppError.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// A value stored in a form this program cannot read (another program's date
// "17.3.2024", a price "zdarma"): the ticket shows it as empty.
struct UnreadableValue
{
    qint64 id; // the ticket's row id
    int field; // TicketRecord::Field
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
    virtual void releaseNumber() { }

    virtual void setBusyTimeout(int milliseconds) { Q_UNUSED(milliseconds); }

    // Many writes as one: copying a whole store. A new row's id given in
    // `row.id` is kept.
    virtual void beginBulk() = 0;
    virtual void endBulk() = 0;

    // The schema version the store records; 1 when it records none (a store
    // made before the version was kept).
    virtual int schemaVersion() { return 1; }
    // Brings an older store to TicketStatus::SchemaVersion in one transaction,
    // each missing step in order, adding only what is missing; nothing when
    // another program did it first. Raises AppError.
    virtual void upgradeSchema() { throw AppError(QStringLiteral("this store keeps no schema version")); }
    // The history table's columns this program uses that the store lacks.
    virtual QStringList missingHistoryColumns() { return {}; }

    // Decides whether the repairs' statuses can be kept: upgrades an older
    // store first when `upgrade`. A store that cannot be upgraded, or a newer
    // one whose history table lacks a column, keeps its tickets working with
    // the statuses off (statusOff() says why). Never raises.
    void openStatus(bool upgrade);
    bool statusOn() const { return m_statusOff.isEmpty(); }
    const QString& statusOff() const { return m_statusOff; }

    // The current status (the history row with the highest id) of every
    // ticket that has one, by ticket id ascending; one query, not one per ticket.
    virtual std::vector<std::pair<qint64, TicketStatus::Status>> currentStatuses() { return {}; }
    // A ticket's history, newest first.
    virtual std::vector<StatusEntry> history(qint64 ticket)
    {
        Q_UNUSED(ticket);
        return {};
    }
    // Every history row, oldest first.
    virtual std::vector<StatusEntry> allHistory() { return {}; }
    // Stores a history row for `entry.ticket` (its id is the store's): a
    // transaction of its own, or part of the bulk. False when the ticket is gone.
    virtual bool addStatus(const StatusEntry& entry)
    {
        Q_UNUSED(entry);
        return false;
    }

    // Called, when set, as soon as another program's change is known without
    // being asked (a server's notification).
    std::function<void()> changedElsewhere;
    // Called, when set, when the reserved number `from` was lost with the
    // connection and another counter has it: this program now holds `to`.
    std::function<void(int from, int to)> numberMoved;

protected:
    // The first row of a new ticket's history, stored with the ticket.
    static StatusEntry received(qint64 ticket);

private:
    QString m_statusOff = QStringLiteral("the store has not been opened for statuses");
};
