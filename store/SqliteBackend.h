#pragma once

#include "store/TicketBackend.h"

#include <optional>

struct sqlite3;

// The tickets in a database file through the sqlite3 C API: table
// "opravenky" keyed by its row id, each write committed durably at once.
class SqliteBackend : public TicketBackend
{
public:
    // Opens the file named by "Data Source=" in the connection string; never creates it.
    SqliteBackend(const QString& connectionString, const QString& component, int busyTimeoutMs);
    ~SqliteBackend() override;

    qint64 changeToken() override;
    void readAll(std::vector<Row>& rows, Texts& texts) override;
    std::vector<UnreadableValue> unreadableValues() override;
    std::optional<Row> readOne(qint64 id, Texts& texts) override;
    qint64 write(Row& row, quint32 changed, bool insert, const Texts& texts) override;
    void remove(qint64 id) override;
    void setBusyTimeout(int milliseconds) override;
    void beginBulk() override;
    void endBulk() override;
    int schemaVersion() override;
    void upgradeSchema() override;
    QStringList missingHistoryColumns() override;
    std::vector<std::pair<qint64, TicketStatus::Status>> currentStatuses() override;
    std::vector<StatusEntry> history(qint64 ticket) override;
    std::vector<StatusEntry> allHistory() override;
    bool addStatus(const StatusEntry& entry) override;

    // Creates an empty database file holding the table; never replaces a file.
    static void createDatabase(const QString& path);

private:
    [[noreturn]] void raiseWrite() const;
    [[noreturn]] void raiseRead() const;
    void close();
    qint64 dataVersion() const;
    qint64 writeRow(Row& row, quint32 changed, bool insert, const Texts& texts);
    bool insertStatus(const StatusEntry& entry); // false when the ticket is gone
    // Every missing schema step in one transaction; empty when done, else why not.
    static QString upgradeFile(sqlite3* db);
    std::vector<StatusEntry> readHistory(const QByteArray& sql, qint64 ticket);
    // Each ticket's newest status; false when the file cannot be read.
    static bool readCurrentStatuses(sqlite3* db, std::vector<std::pair<qint64, TicketStatus::Status>>& newest);
    bool readWhole(sqlite3* db, std::vector<Row>& rows, Texts& texts) const;
    bool readFromBothEnds(std::vector<Row>& rows, Texts& texts, qint64 lowest, qint64 highest);

    QString m_path;
    QString m_connectionName;
    sqlite3* m_db = nullptr;
    int m_busyTimeoutMs;
    bool m_bulk = false;
    // The statuses read beside the rows, in their snapshot, for currentStatuses to hand over.
    std::optional<std::vector<std::pair<qint64, TicketStatus::Status>>> m_statusesWithRows;
};
