// trelomar-db export: every ticket as one row of a CSV file.
#include "base/Csv.h"
#include "store/BackendFactory.h"
#include "store/StoreFile.h"
#include "store/TField.h"
#include "store/TicketBackend.h"
#include "store/TicketStore.h"
#include "tools/DbVerbs.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>

namespace DbVerbs {

namespace {

const char* const ExportUsage
    = "Usage: trelomar-db export [DIR] --csv FILE [--separator ';'] [--raw]\n"
      "Writes every ticket of DIR/data/data.mdb to FILE: a header of field names, one row per ticket,\n"
      "UTF-8 with a byte-order mark, fields quoted where needed, dates as YYYY-MM-DD[ HH:MM:SS],\n"
      "prices with a decimal point. The separator is a comma unless given (';' suits spreadsheets set up for Czech).\n"
      "A value this program cannot read (a date in another form, a price in words) goes out as stored.\n"
      "A cell a spreadsheet would take for a formula (starting with =, @, or + or - before other than a number)\n"
      "gets a leading apostrophe; --raw writes every cell as stored.\n"
      "       trelomar-db export [DIR] --history FILE [--separator ';'] [--raw]\n"
      "Writes the repairs' status history to FILE the same way: one row per status change, oldest first, with\n"
      "the ticket's number (cislo) and id, the time (UTC), the status code, note, who and the amount paid.\n"
      "--csv and --history may be given together. An older store is read as it is, never upgraded.\n";

// A spreadsheet evaluates a cell starting with = or @, and one starting with + or -
// unless a number, a phone number or an amount follows (digits, blanks and ()/.,-).
QString inert(const QString& cell)
{
    if (cell.isEmpty())
        return cell;
    const QChar first = cell.front();
    bool formula = first == u'=' || first == u'@';
    if (first == u'+' || first == u'-')
        formula = std::any_of(cell.begin() + 1, cell.end(),
            [](QChar c) { return !(c.isDigit() && c.unicode() < 128) && !QStringView(u" ()/.,-").contains(c); });
    return formula ? u'\'' + cell : cell;
}

// Ten-thousandths as a decimal number with at least two decimals: 1234.5 -> "1234.50".
QString money(qint64 value)
{
    const bool negative = value < 0;
    const quint64 magnitude = negative ? quint64(-(value + 1)) + 1 : quint64(value);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.size() > 2 && fraction.endsWith(u'0'))
        fraction.chop(1);
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10000) + u'.' + fraction;
}

QString exported(const TField& field)
{
    if (field.IsNull())
        return QString();
    switch (field.Kind()) {
    case FieldKind::Integer:
        return field.DisplayText(); // as stored: a number may be beyond 32 bits
    case FieldKind::Currency:
        return money(field.AsCurrency());
    case FieldKind::DateTime: {
        const QDateTime value = field.AsDateTime();
        return value.time().msecsSinceStartOfDay() == 0 ? value.toString(QStringLiteral("yyyy-MM-dd"))
                                                        : value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    default:
        return field.AsString();
    }
}

// Writes `text` as the file's whole content, or raises.
void save(const QString& file, const QString& text)
{
    QSaveFile out(file);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw AppError(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(file), out.errorString()));
}

// The history with each ticket's number; a store without one gives the header alone.
int exportHistory(const QString& store, const QString& file, QChar separator, bool raw)
{
    auto backend = BackendFactory::open(QStringLiteral("Data Source=") + store, QStringLiteral("trelomar-db"), 5000);
    backend->openStatus(false);
    if (!backend->statusOn() && backend->schemaVersion() >= TicketStatus::SchemaVersion)
        throw AppError(QStringLiteral("Cannot read the status history of %1: %2")
                           .arg(QDir::toNativeSeparators(store), backend->statusOff()));
    std::vector<StoreRow::Row> rows;
    StoreRow::Texts texts;
    backend->readAll(rows, texts);
    const std::vector<StatusEntry> history = backend->statusOn() ? backend->allHistory() : std::vector<StatusEntry>();
    QString text = QChar(0xFEFF);
    text += Csv::row(
        { QStringLiteral("cislo"), QStringLiteral("opravenka"), QStringLiteral("cas"), QStringLiteral("stav"),
            QStringLiteral("poznamka"), QStringLiteral("technik"), QStringLiteral("castka") },
        separator);
    const int cislo = TicketRecord::cislo;
    for (const StatusEntry& entry : history) {
        const auto row = std::lower_bound(
            rows.begin(), rows.end(), entry.ticket, [](const StoreRow::Row& r, qint64 id) { return r.id < id; });
        const bool numbered = row != rows.end() && row->id == entry.ticket && !row->isNull(cislo);
        const QStringList values { numbered ? QString::number(row->num[StoreRow::slotOf(cislo)]) : QString(),
            QString::number(entry.ticket), entry.time, QString::fromUtf8(entry.code),
            raw ? entry.note : inert(entry.note), raw ? entry.who : inert(entry.who),
            entry.amount ? money(*entry.amount) : QString() };
        text += Csv::row(values, separator);
    }
    save(file, text);
    QTextStream(stdout) << "Exported " << history.size() << " status rows to " << QDir::cleanPath(file) << "\n";
    return Done;
}

} // namespace

int exportCsv(const QStringList& args)
{
    if (isHelp(args))
        return usage(ExportUsage, true);
    QString dir, file, historyFile;
    QChar separator = u',';
    bool raw = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--csv") && i + 1 < args.size()) {
            file = args[++i];
        } else if (args[i] == QLatin1String("--history") && i + 1 < args.size()) {
            historyFile = args[++i];
        } else if (args[i] == QLatin1String("--separator") && i + 1 < args.size() && args[i + 1].size() == 1
            && args[i + 1] != QLatin1String("\"") && args[i + 1] != QLatin1String("\r")
            && args[i + 1] != QLatin1String("\n")) {
            separator = args[++i].front();
        } else if (args[i] == QLatin1String("--raw")) {
            raw = true;
        } else if (!args[i].startsWith(u'-') && dir.isEmpty()) {
            dir = args[i];
        } else {
            return usage(ExportUsage, false);
        }
    }
    if (file.isEmpty() && historyFile.isEmpty())
        return usage(ExportUsage, false);
    if (dir.isEmpty())
        dir = QStringLiteral(".");

    try {
        if (!historyFile.isEmpty())
            exportHistory(workFolder(dir).store(), historyFile, separator, raw);
        if (file.isEmpty())
            return Done;
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + workFolder(dir).store());
        store.setUpgradesSchema(false); // exporting reads an older store as it is
        store.Open();
        QString text = QChar(0xFEFF);
        QStringList header;
        QList<int> fields;
        for (int f = 0; f < store.FieldCount(); ++f) {
            if (store.Fields(f)->Calculated())
                continue;
            fields << f;
            header << store.Fields(f)->FieldName();
        }
        // What the store reads as empty but holds: goes out as it is.
        QHash<QPair<qint64, int>, QString> unreadable;
        for (const UnreadableValue& value : store.unreadableValues())
            unreadable.insert({ value.id, value.field }, value.stored);
        text += Csv::row(header, separator);
        const int count = store.RecordCount();
        for (int row = 0; row < count; ++row) {
            store.setRecNo(row);
            const TBookmark id = store.GetBookmark();
            QStringList values;
            for (const int f : fields) {
                const QString value = unreadable.value({ id, f }, exported(*store.Fields(f)));
                values << (raw ? value : inert(value));
            }
            text += Csv::row(values, separator);
        }
        save(file, text);
        QTextStream(stdout) << "Exported " << count << " tickets to " << QDir::cleanPath(file) << "\n";
    } catch (const AppError& e) {
        error(e.message());
        return Failed;
    }
    return Done;
}

} // namespace DbVerbs
