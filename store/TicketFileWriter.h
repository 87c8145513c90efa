#pragma once

#include "store/rows/TicketRecord.h"

#include <QString>

#include <array>
#include <variant>
#include <vector>

// One ticket's stored values for a bulk write: null, a number (cislo; dates
// as FieldText::packDateTime; cena in ten-thousandths) or a text (empty text
// is null, as the table keeps it). The calculated field is ignored.
using TicketValue = std::variant<std::monostate, qint64, QString>;
using TicketValues = std::array<TicketValue, TicketRecord::FieldCount>;

// Writes many tickets into a new database file in one transaction, for
// conversions; TicketStore writes one post at a time. Errors raise AppError.
class TicketFileWriter
{
public:
    // Creates the file (TicketStore::createDatabase: never replaces one).
    explicit TicketFileWriter(const QString& path);
    ~TicketFileWriter(); // closes; uncommitted tickets are dropped
    TicketFileWriter(const TicketFileWriter&) = delete;
    TicketFileWriter& operator=(const TicketFileWriter&) = delete;

    void add(const TicketValues& values);
    void commit(); // writes durably and closes the file

    // Reads a committed file back: "PRAGMA integrity_check", then the rows in
    // the order they were added, every stored field compared with `expected`.
    // Returns an empty text when all agrees, else what differs.
    static QString verify(const QString& path, const std::vector<TicketValues>& expected);

private:
    struct Impl;
    Impl* d;
};
