#include "legacy/LegacyImport.h"

#include "app/AppError.h"
#include "legacy/LegacyReader.h"
#include "platform/Platform.h"
#include "store/FieldText.h"
#include "store/TicketFileWriter.h"
#include "store/TicketStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using Value = LegacyReader::Value;

QString moneyText(qint64 money)
{
    const QString sign = money < 0 ? QStringLiteral("-") : QString();
    const quint64 magnitude = money < 0 ? quint64(0) - quint64(money) : quint64(money);
    return sign + QString::number(magnitude / 10000) + u'.'
        + QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
}

QString valueText(const Value& v)
{
    switch (v.kind) {
    case Value::Integer:
        return QString::number(v.integer);
    case Value::Currency:
        return moneyText(v.integer);
    case Value::Real:
        return QString::number(v.real, 'g', 17);
    case Value::Text:
        return u'"' + v.text + u'"';
    default:
        return QStringLiteral("null");
    }
}

// Converts the values of one Access row into a ticket, listing what it had to change.
class RowConverter
{
public:
    RowConverter(const QList<LegacyReader::Column>& columns, const LegacyImport::Sink& report)
        : m_report(report)
    {
        for (int f = 0; f < TicketRecord::FieldCount; ++f) {
            m_source[size_t(f)] = -1;
            if (TicketRecord::Fields[f].calculated)
                continue;
            const QString name = QLatin1String(TicketRecord::Fields[f].name);
            for (int c = 0; c < columns.size(); ++c)
                if (columns[c].name.compare(name, Qt::CaseInsensitive) == 0)
                    m_source[size_t(f)] = c;
            if (m_source[size_t(f)] < 0)
                throw AppError(QStringLiteral("ADOTable: Field '%1' not found").arg(name));
        }
        for (int c = 0; c < columns.size(); ++c)
            if (std::find(m_source.begin(), m_source.end(), c) == m_source.end())
                m_report(QStringLiteral("Column '%1' is not a ticket field; ignored.").arg(columns[c].name));
    }

    TicketValues convert(const QList<Value>& row, qint64 rowNo)
    {
        TicketValues out;
        for (int f = 0; f < TicketRecord::FieldCount; ++f) {
            const int c = m_source[size_t(f)];
            if (c < 0 || row[c].kind == Value::Null)
                continue;
            m_rowNo = rowNo;
            m_field = f;
            out[size_t(f)] = field(row[c]);
        }
        return out;
    }

private:
    TicketValue dropped(const Value& v, const QString& why)
    {
        problem(v, why + QStringLiteral("; stored as empty"));
        return std::monostate();
    }
    void problem(const Value& v, const QString& what)
    {
        m_report(QStringLiteral("Row %1, field %2, value %3: %4.")
                     .arg(m_rowNo)
                     .arg(QLatin1String(TicketRecord::Fields[m_field].name), valueText(v), what));
    }

    TicketValue field(const Value& v)
    {
        const FieldDef& def = TicketRecord::Fields[m_field];
        switch (def.kind) {
        case FieldKind::Integer:
            if (v.kind == Value::Integer && v.integer == qint32(v.integer))
                return v.integer;
            if (v.kind == Value::Real && v.real == std::trunc(v.real) && std::fabs(v.real) <= 2147483647.0)
                return qint64(v.real);
            if (v.kind == Value::Text) {
                bool ok = false;
                const int n = v.text.trimmed().toInt(&ok);
                if (ok)
                    return qint64(n);
            }
            return dropped(v, QStringLiteral("not a whole number of 32 bits"));
        case FieldKind::DateTime: {
            QDateTime date;
            if (v.kind != Value::Real)
                return dropped(v, QStringLiteral("not a date"));
            if (!LegacyReader::toDateTime(v.real, date))
                return dropped(v, QStringLiteral("a date outside the years 100 to 9999"));
            return FieldText::packDateTime(date);
        }
        case FieldKind::Currency:
            if (v.kind == Value::Currency)
                return v.integer; // both count ten-thousandths
            if (v.kind == Value::Integer && std::abs(v.integer) < (qint64(1) << 48))
                return v.integer * 10000;
            if (v.kind == Value::Real && std::fabs(v.real) < 1e14)
                return qint64(std::llround(v.real * 10000));
            return dropped(v, QStringLiteral("not an amount of money"));
        default: {
            QString text = v.kind == Value::Text ? v.text : valueText(v);
            if (def.size > 0 && text.size() > def.size) {
                problem(v, QStringLiteral("longer than %1 characters; cut to them").arg(def.size));
                text.truncate(def.size);
            }
            return text;
        }
        }
    }

    const LegacyImport::Sink& m_report;
    std::array<int, TicketRecord::FieldCount> m_source {};
    qint64 m_rowNo = 0;
    int m_field = 0;
};

void removeStore(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

[[noreturn]] void failed(const QString& step, const QString& why)
{
    throw AppError(QStringLiteral("Import failed while %1: %2").arg(step, why));
}

} // namespace

LegacyImport::LegacyImport(Sink report, Sink progress)
    : m_report(std::move(report)), m_progress(std::move(progress))
{
}

int LegacyImport::run(const Options& options)
{
    const QString source = QFileInfo(options.source).absoluteFilePath();
    const QString dataDir = QDir(options.dataDir).absolutePath();
    const QString target = dataDir + QStringLiteral("/data.mdb");
    const QString kept = dataDir + u'/' + keptName();

    if (!QFileInfo::exists(source))
        throw AppError(QStringLiteral("There is no file %1").arg(source));
    if (!LegacyReader::isAccessFile(source))
        throw AppError(QStringLiteral("%1 is not an Access database; nothing to convert").arg(source));
    if (options.inPlace && QFileInfo::exists(kept))
        throw AppError(QStringLiteral("%1 already exists; it is never overwritten, so nothing was converted").arg(kept));
    if (!options.inPlace && QFileInfo::exists(target))
        throw AppError(QStringLiteral("%1 already exists; the import only fills a folder without a ticket database")
                           .arg(target));
    if (!QDir().mkpath(dataDir))
        throw AppError(QStringLiteral("Cannot create folder %1").arg(dataDir));

    // Read everything first: a damaged file stops the import before anything is written.
    std::vector<TicketValues> tickets;
    {
        LegacyReader reader(source, options.codepage);
        reader.openTable(QStringLiteral("opravenky"));
        RowConverter converter(reader.columns(), m_report);
        const qint64 stated = reader.statedRowCount();
        tickets.reserve(size_t(std::clamp<qint64>(stated, 0, 10'000'000)));
        QList<Value> row;
        while (reader.next(row)) {
            tickets.push_back(converter.convert(row, qint64(tickets.size()) + 1));
            if (stated > ProgressStep && tickets.size() % ProgressStep == 0)
                m_progress(QStringLiteral("Read %1 of %2 tickets").arg(tickets.size()).arg(stated));
        }
        // Pages missing from a cut-short file go unnoticed by the reader; the count does not.
        if (qint64(tickets.size()) != stated)
            throw AppError(QStringLiteral("Cannot read %1: its table states %2 tickets but %3 could be read; "
                                          "the file may be damaged")
                               .arg(source)
                               .arg(stated)
                               .arg(tickets.size()));
    }

    QString temporary;
    do
        temporary = dataDir + QStringLiteral("/data-import-%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    while (QFileInfo::exists(temporary));
    try {
        try {
            TicketFileWriter writer(temporary);
            for (const TicketValues& ticket : tickets)
                writer.add(ticket);
            writer.commit();
        } catch (const AppError& error) {
            failed(QStringLiteral("writing the new database"), error.message());
        }
        const QString difference = TicketFileWriter::verify(temporary, tickets);
        if (!difference.isEmpty())
            failed(QStringLiteral("checking the new database"), difference);
        // The program itself must open it and see every ticket.
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + temporary);
        try {
            store.Open();
        } catch (const AppError& error) {
            failed(QStringLiteral("checking the new database"), error.message());
        }
        if (store.RecordCount() != int(tickets.size()))
            failed(QStringLiteral("checking the new database"),
                   QStringLiteral("it opens with %1 tickets instead of %2").arg(store.RecordCount()).arg(tickets.size()));
        store.Close();
        if (QFileInfo::exists(temporary + QStringLiteral("-wal")))
            failed(QStringLiteral("checking the new database"), QStringLiteral("its write-ahead log was left behind"));

        if (options.inPlace) {
            // The original stays reachable under one name or the other at every moment.
            const Platform::LinkResult keeping = Platform::linkNoReplace(source, kept);
            if (keeping.done) {
                const QString why = Platform::moveReplacing(temporary, target);
                if (!why.isEmpty()) {
                    Platform::removeFile(kept);
                    failed(QStringLiteral("moving the new database into place"), why);
                }
            } else if (keeping.exists) {
                failed(QStringLiteral("keeping the original"), kept + QStringLiteral(" already exists"));
            } else {
                // A file system without hard links: two renames, the first undone if the second fails.
                if (!QFile::rename(source, kept))
                    failed(QStringLiteral("keeping the original as %1").arg(kept), keeping.why);
                QFile moved(temporary);
                if (!moved.rename(target)) {
                    const QString why = moved.errorString();
                    if (!QFile::rename(kept, source))
                        failed(QStringLiteral("moving the new database into place"),
                            why + QStringLiteral("; the original is kept as %1").arg(kept));
                    failed(QStringLiteral("moving the new database into place"), why);
                }
            }
        } else {
            const Platform::LinkResult placed = Platform::linkNoReplace(temporary, target);
            if (placed.done)
                QFile::remove(temporary); // a link never replaces: a store made meanwhile is kept
            else if (placed.exists)
                failed(QStringLiteral("moving the new database into place"), target + QStringLiteral(" already exists"));
            else if (QFile moved(temporary); !moved.rename(target))
                failed(QStringLiteral("moving the new database into place"), moved.errorString());
        }
        Platform::syncFolder(dataDir);
    } catch (...) {
        removeStore(temporary);
        throw;
    }
    return int(tickets.size());
}
