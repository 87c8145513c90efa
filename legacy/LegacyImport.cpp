#include "legacy/LegacyImport.h"

#include "base/AppError.h"
#include "legacy/LegacyReader.h"
#include "platform/Platform.h"
#include "store/FieldText.h"
#include "store/TicketFileWriter.h"
#include "store/TicketStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

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

    // " (ticket N)" when the row's number could be read, for a message about the row.
    QString ticketOf(const QList<Value>& row) const
    {
        const int c = m_source[TicketRecord::cislo];
        if (c < 0 || c >= row.size() || row[c].kind != Value::Integer)
            return QString();
        return QStringLiteral(" (ticket %1)").arg(row[c].integer);
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

// The new store is written under such a name; one left by an interrupted import is removed.
const QRegularExpression& temporaryName()
{
    static const QRegularExpression name(QStringLiteral("^data-import-[0-9a-f]{8}\\.tmp(-wal|-shm|-journal)?$"));
    return name;
}

// The file operations of the conversion that Qt does not offer, on the platform's own calls.

enum class Kept { Done, NameTaken, NoHardLinks };

// Gives the file `from` the second name `to`, never replacing a file of that name.
Kept keepUnderSecondName(const QString& from, const QString& to, QString& why)
{
    const Platform::LinkResult link = Platform::linkNoReplace(from, to);
    if (link.done)
        return Kept::Done;
    why = link.why;
    return link.exists ? Kept::NameTaken : Kept::NoHardLinks;
}

// Moves `from` to `to` in one step, replacing the file there.
bool moveReplacing(const QString& from, const QString& to, QString& why)
{
    why = Platform::moveReplacing(from, to);
    return why.isEmpty();
}

// Moves `from` to `to`, never replacing a file there: a store made meanwhile is kept.
bool moveWithoutReplacing(const QString& from, const QString& to, QString& why)
{
    switch (keepUnderSecondName(from, to, why)) {
    case Kept::Done:
        QFile::remove(from);
        return true;
    case Kept::NameTaken:
        return false;
    case Kept::NoHardLinks:
        break;
    }
    QFile file(from);
    if (file.rename(to))
        return true;
    why = file.errorString();
    return false;
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

LegacyImport::Result LegacyImport::run(const Options& options)
{
    const QString source = QFileInfo(options.source).absoluteFilePath();
    const QString dataDir = QDir(options.dataDir).absolutePath();
    const QString target = dataDir + QStringLiteral("/data.mdb");
    const QString kept = dataDir + u'/' + keptName();
    Result result;
    result.reportPath = dataDir + u'/' + reportName();

    if (!QFileInfo::exists(source))
        throw AppError(QStringLiteral("There is no file %1").arg(QDir::toNativeSeparators(source)));
    if (!LegacyReader::isAccessFile(source))
        throw AppError(QStringLiteral("%1 is not an Access database; nothing to convert").arg(QDir::toNativeSeparators(source)));
    // Both names lead to the original when an earlier conversion stopped right after keeping it.
    const bool keptBefore = options.inPlace && QFileInfo::exists(kept);
    if (keptBefore && !Platform::sameFile(source, kept))
        throw AppError(QStringLiteral("%1 already exists; it is never overwritten, so nothing was converted").arg(QDir::toNativeSeparators(kept)));
    if (!options.inPlace && QFileInfo::exists(target))
        throw AppError(QStringLiteral("%1 already exists; the import only fills a folder without a ticket database")
                           .arg(QDir::toNativeSeparators(target)));
    if (!QDir().mkpath(dataDir))
        throw AppError(QStringLiteral("Cannot create folder %1").arg(dataDir));

    QStringList report;
    const Sink reportLine = [&](const QString& line) {
        report.append(line);
        m_report(line);
    };
    // Read everything first: a damaged file stops the import before anything is written.
    std::vector<TicketValues> tickets;
    {
        LegacyReader reader(source, options.codepage);
        reader.openTable(QStringLiteral("opravenky"));
        RowConverter converter(reader.columns(), reportLine);
        const qint64 stated = reader.statedRowCount();
        tickets.reserve(size_t(std::clamp<qint64>(stated, 0, 10'000'000)));
        QList<Value> row;
        const auto nextRow = [&] {
            try {
                return reader.next(row);
            } catch (const AppError& error) {
                throw AppError(error.message() + converter.ticketOf(row));
            }
        };
        while (nextRow()) {
            tickets.push_back(converter.convert(row, qint64(tickets.size()) + 1));
            if (stated > ProgressStep && tickets.size() % ProgressStep == 0)
                m_progress(QStringLiteral("Read %1 of %2 tickets").arg(tickets.size()).arg(stated));
        }
        // Pages missing from a cut-short file go unnoticed by the reader; the count does not.
        if (qint64(tickets.size()) != stated)
            throw AppError(QStringLiteral("Cannot read %1: its table states %2 tickets but %3 could be read; "
                                          "the file may be damaged")
                               .arg(QDir::toNativeSeparators(source))
                               .arg(stated)
                               .arg(tickets.size()));
    }
    result.tickets = int(tickets.size());
    result.reportLines = int(report.size());

    for (const QString& name : QDir(dataDir).entryList(QDir::Files | QDir::Hidden))
        if (temporaryName().match(name).hasMatch())
            QFile::remove(dataDir + u'/' + name);
    QString temporary;
    bool reportWritten = false;
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

        // The report goes in first: once the new store is in place, the conversion is done.
        QSaveFile reportFile(result.reportPath);
        const QByteArray reportText = report.isEmpty() ? QByteArray() : (report.join(u'\n') + u'\n').toUtf8();
        if (!reportFile.open(QIODevice::WriteOnly) || reportFile.write(reportText) != reportText.size() || !reportFile.commit())
            failed(QStringLiteral("writing the report %1").arg(result.reportPath), reportFile.errorString());
        reportWritten = true;

        QString why;
        if (options.inPlace && keptBefore) {
            if (!moveReplacing(temporary, target, why))
                failed(QStringLiteral("moving the new database into place"), why);
        } else if (options.inPlace) {
            // The original stays reachable under one name or the other at every moment.
            switch (keepUnderSecondName(source, kept, why)) {
            case Kept::Done:
                if (!moveReplacing(temporary, target, why)) {
                    QFile::remove(kept);
                    failed(QStringLiteral("moving the new database into place"), why);
                }
                break;
            case Kept::NameTaken:
                failed(QStringLiteral("keeping the original"), kept + QStringLiteral(" already exists"));
            case Kept::NoHardLinks: {
                // Two renames, the first undone if the second fails.
                QFile original(source);
                if (!original.rename(kept))
                    failed(QStringLiteral("keeping the original as %1").arg(kept), original.errorString());
                QFile converted(temporary);
                if (!converted.rename(target)) {
                    why = converted.errorString();
                    if (!QFile::rename(kept, source))
                        failed(QStringLiteral("moving the new database into place"),
                            why + QStringLiteral("; the original is kept as %1").arg(kept));
                    failed(QStringLiteral("moving the new database into place"), why);
                }
            }
            }
        } else if (!moveWithoutReplacing(temporary, target, why)) {
            failed(QStringLiteral("moving the new database into place"), why);
        }
        Platform::syncFolder(dataDir);
    } catch (...) {
        removeStore(temporary);
        if (reportWritten)
            QFile::remove(result.reportPath);
        throw;
    }
    return result;
}
