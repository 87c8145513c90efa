#include "tools/CopyStore.h"

#include "base/AppError.h"
#include "store/BackendFactory.h"
#include "store/PostgresBackend.h"
#include "store/StoreFile.h"
#include "store/TicketBackend.h"
#include "tools/DbVerbs.h"

#include <QDir>
#include <QHash>
#include <QTextStream>

#include <algorithm>

using StoreRow::Row;
using StoreRow::Texts;

namespace {

QString connectionString(const QString& store)
{
    if (TicketBackend::isServerUrl(store))
        return store;
    return QStringLiteral("Data Source=") + DbVerbs::workFolder(store).store();
}

QString name(const QString& store)
{
    return TicketBackend::isServerUrl(store) ? PostgresBackend::describe(store) : DbVerbs::workFolder(store).store();
}

bool sameValue(const Row& a, const Texts& ta, const Row& b, const Texts& tb, int field)
{
    if (a.isNull(field) != b.isNull(field))
        return false;
    if (a.isNull(field))
        return true;
    const int slot = StoreRow::slotOf(field);
    if (StoreRow::isNumeric(TicketRecord::Fields[field].kind))
        return a.num[slot] == b.num[slot];
    return ta[slot].bytes(a.text[slot]) == tb[slot].bytes(b.text[slot]);
}

// Every stored field of every ticket, the id among them, compared.
QString difference(
    const std::vector<Row>& from, const Texts& fromTexts, const std::vector<Row>& to, const Texts& toTexts)
{
    if (from.size() != to.size())
        return QStringLiteral("%1 tickets read, %2 stored").arg(from.size()).arg(to.size());
    for (size_t i = 0; i < from.size(); ++i) {
        if (from[i].id != to[i].id)
            return QStringLiteral("ticket id %1 stored as %2").arg(from[i].id).arg(to[i].id);
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            if (StoreRow::isStored(f) && !sameValue(from[i], fromTexts, to[i], toTexts, f))
                return QStringLiteral("field %1 of ticket id %2 differs")
                    .arg(QLatin1String(TicketRecord::Fields[f].name))
                    .arg(from[i].id);
    }
    return QString();
}

// "ticket id 5 (number 12): prijato \"17.3.2024\"" for a value that reads as empty.
QString describe(const UnreadableValue& value, const std::vector<Row>& rows)
{
    const auto row
        = std::lower_bound(rows.begin(), rows.end(), value.id, [](const Row& r, qint64 id) { return r.id < id; });
    const int cislo = TicketRecord::cislo;
    QString ticket = QStringLiteral("ticket id %1").arg(value.id);
    if (row != rows.end() && row->id == value.id && !row->isNull(cislo))
        ticket += QStringLiteral(" (number %1)").arg(row->num[StoreRow::slotOf(cislo)]);
    return QStringLiteral("%1: %2 \"%3\"")
        .arg(ticket, QLatin1String(TicketRecord::Fields[value.field].name), value.stored);
}

} // namespace

int copyStore(const QString& from, const QString& to, bool dropUnreadable)
{
    QTextStream err(stderr);
    try {
        const QString component = QStringLiteral("trelomar-db");
        auto source = BackendFactory::open(connectionString(from), component, 5000);
        source->openStatus(false); // read as it is: an older store has no history to copy
        std::vector<Row> rows;
        Texts texts;
        source->readAll(rows, texts);
        // They would arrive empty: never without the user's word.
        const std::vector<UnreadableValue> unreadable = source->unreadableValues();
        if (!unreadable.empty() && !dropUnreadable) {
            for (const UnreadableValue& value : unreadable)
                err << "trelomar-db: cannot read " << describe(value, rows) << "\n";
            err << "trelomar-db: nothing copied; " << unreadable.size()
                << " values cannot be read (--drop-unreadable copies them as empty)\n";
            return 1;
        }

        auto target = BackendFactory::open(connectionString(to), component, 5000);
        target->openStatus(true);
        const std::vector<StatusEntry> history = source->statusOn() ? source->allHistory() : std::vector<StatusEntry>();
        if (!history.empty() && !target->statusOn()) {
            err << "trelomar-db: " << name(to) << " cannot keep the status history: " << target->statusOff() << "\n";
            return 1;
        }
        {
            std::vector<Row> present;
            Texts presentTexts;
            target->readAll(present, presentTexts);
            if (!present.empty()) {
                err << "trelomar-db: " << name(to) << " already holds " << present.size()
                    << " tickets; copying goes into an empty store only\n";
                return 1;
            }
        }
        quint32 allFields = 0;
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            if (StoreRow::isStored(f))
                allFields |= 1u << f;
        // One transaction: a failure leaves the destination as empty as it was.
        target->beginBulk();
        QHash<qint64, qint64> ids; // the source's ticket id -> the target's
        for (const Row& row : rows) {
            Row copy = row; // with its id, the bookmark
            ids.insert(row.id, target->write(copy, allFields, true, texts));
        }
        // Oldest first, so that each ticket's newest row stays its current status.
        for (StatusEntry entry : history) {
            entry.ticket = ids.value(entry.ticket);
            if (!entry.ticket)
                throw AppError(QStringLiteral("status row %1 belongs to no ticket").arg(entry.id));
            if (!target->addStatus(entry))
                throw AppError(QStringLiteral("status row %1 could not be stored").arg(entry.id));
        }
        target->endBulk();

        std::vector<Row> stored;
        Texts storedTexts;
        target->readAll(stored, storedTexts);
        QString problem = difference(rows, texts, stored, storedTexts);
        if (problem.isEmpty() && target->statusOn() && target->allHistory().size() != history.size())
            problem
                = QStringLiteral("%1 status rows read, %2 stored").arg(history.size()).arg(target->allHistory().size());
        if (!problem.isEmpty()) {
            err << "trelomar-db: the copy in " << name(to) << " does not match: " << problem << "\n";
            return 1;
        }
        QTextStream out(stdout);
        for (const UnreadableValue& value : unreadable)
            out << "Copied as empty: " << describe(value, rows) << "\n";
        out << "Copied " << rows.size() << " tickets from " << name(from) << " to " << name(to)
            << (history.empty() ? QString() : QStringLiteral(" with %1 status rows").arg(history.size()))
            << "; counts and fields checked\n";
        return 0;
    } catch (const AppError& error) {
        err << "trelomar-db: " << error.message() << "\n";
        return 1;
    }
}
