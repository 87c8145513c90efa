#include "store/TicketStore.h"

#include "app/AppError.h"
#include "store/FieldText.h"
#include "store/TicketStoreImpl.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

using StoreRow::Row;
using StoreRow::isNumeric;
using StoreRow::slotOf;
using namespace TicketRecord;

namespace {

const QString TableName = QStringLiteral("opravenky");

bool isText(int field)
{
    const FieldKind kind = TicketRecord::Fields[field].kind;
    return kind == FieldKind::Text || kind == FieldKind::Memo;
}

bool isStored(int field)
{
    return !TicketRecord::Fields[field].calculated;
}

// A prepared statement that finalizes itself.
class Statement
{
public:
    Statement(sqlite3* db, const QByteArray& sql)
    {
        m_rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3_stmt* get() const { return m_stmt; }
    int step() { return sqlite3_step(m_stmt); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

QByteArray quoted(const char* name)
{
    return '"' + QByteArray(name) + '"';
}

// The stored columns in field order, as a select list after the row id.
QByteArray selectList()
{
    QByteArray list = "rowid";
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f))
            list += ", " + quoted(TicketRecord::Fields[f].name);
    return list;
}

// A number as this or another program stored it. An integer is in the field's
// own unit (ten-thousandths for money); a value with a fraction is in whole
// units, so a script's price of 1234.5 is crowns, rounded to ten-thousandths.
// Text is read as the number it spells. False for anything else and for money
// too large to show, which then reads as null and stays in the file as it is.
bool readNumber(sqlite3_stmt* stmt, int column, bool money, qint64& out)
{
    constexpr qint64 MoneyLimit = std::numeric_limits<qint64>::max() - 10000; // room to round for display
    double real = 0;
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        out = sqlite3_column_int64(stmt, column);
        return !money || (out <= MoneyLimit && out >= -MoneyLimit);
    case SQLITE_FLOAT:
        real = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_TEXT: {
        const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                                        sqlite3_column_bytes(stmt, column));
        bool ok = false;
        out = text.toLongLong(&ok);
        if (ok)
            return !money || (out <= MoneyLimit && out >= -MoneyLimit);
        real = text.toDouble(&ok);
        if (!ok)
            return false;
        break;
    }
    default:
        return false;
    }
    const double scaled = money ? real * 10000.0 : real;
    if (!(std::abs(scaled) < double(MoneyLimit))) // also NaN
        return false;
    out = std::llround(scaled);
    return true;
}

void readColumns(sqlite3_stmt* stmt, Row& row, StoreRow::Texts& texts)
{
    row.id = sqlite3_column_int64(stmt, 0);
    int column = 1;
    for (int f = 0; f < TicketRecord::FieldCount; ++f) {
        if (!isStored(f))
            continue;
        const int slot = slotOf(f);
        const FieldKind kind = TicketRecord::Fields[f].kind;
        if (kind == FieldKind::Integer || kind == FieldKind::Currency) {
            // A ticket number beyond 32 bits is kept whole, never wrapped: it shows and sorts as
            // stored, and TField::AsInteger and New refuse it.
            if (!readNumber(stmt, column, kind == FieldKind::Currency, row.num[slot])) {
                row.num[slot] = 0;
                row.nulls |= 1u << f;
            }
        } else {
            // No text is NULL.
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            if (kind != FieldKind::DateTime) {
                if (text)
                    row.text[slot] = texts[slot].add(text, sqlite3_column_bytes(stmt, column));
            } else if (!text || !FieldText::parseIso(text, sqlite3_column_bytes(stmt, column), row.num[slot])) {
                row.nulls |= 1u << f; // also a text this program cannot read as a date: shown empty, kept in the file
            }
        }
        ++column;
    }
}

void bindField(sqlite3_stmt* stmt, int parameter, const Row& row, int field, QByteArrayView text)
{
    if (row.isNull(field)) {
        sqlite3_bind_null(stmt, parameter);
        return;
    }
    const int slot = slotOf(field);
    switch (TicketRecord::Fields[field].kind) {
    case FieldKind::Integer:
    case FieldKind::Currency:
        sqlite3_bind_int64(stmt, parameter, row.num[slot]);
        break;
    case FieldKind::DateTime: {
        const QByteArray iso = FieldText::toIso(row.num[slot]);
        sqlite3_bind_text(stmt, parameter, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        sqlite3_bind_text(stmt, parameter, text.data(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
}

// The value of "Data Source=" in a connection string.
QString dataSource(const QString& connectionString)
{
    const QStringList parts = connectionString.split(u';');
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0 || part.left(eq).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) != 0)
            continue;
        QString value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QString();
}

bool isJetFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head.size() == 19 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4))
        && (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB");
}

QAtomicInt connectionCounter;

} // namespace

StoreRow::TextRef StoreRow::TextColumn::add(const char* utf8, int length)
{
    if (length <= 0)
        return TextRef();
    if (m_capacity - m_used < length) {
        if (m_blocks.size() >= m_maxBlocks)
            throw AppError(QStringLiteral("The texts of one field of the table are too large to hold in memory"));
        // Blocks grow with the table; an offset must fit in 24 bits.
        const qsizetype next = std::min<qsizetype>(qsizetype(1) << 24, m_blocks.empty() ? 16384 : m_capacity * 2);
        m_capacity = std::max<qsizetype>(next, length);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size_t(m_capacity)));
        m_used = 0;
    }
    std::memcpy(m_blocks.back().get() + m_used, utf8, size_t(length));
    const TextRef ref {quint32((m_blocks.size() - 1) << 24 | m_used), quint32(length)};
    m_used += length;
    return ref;
}

StoreRow::TextRef StoreRow::TextColumn::add(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    return add(utf8.constData(), int(utf8.size()));
}

QString StoreRow::TextColumn::string(TextRef ref) const
{
    return QString::fromUtf8(bytes(ref));
}

QStringView StoreRow::TextColumn::decode(QByteArrayView utf8) const
{
    QChar* out = reinterpret_cast<QChar*>(m_buffer.data());
    return QStringView(out, m_decoder.appendToBuffer(out, utf8) - out);
}

TicketStore::Impl::Impl(TicketStore* owner)
    : q(owner)
{
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        fields[f] = std::make_unique<TField>(*owner, f);
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
    if (!db)
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

// ---------------------------------------------------------------- reading

const Row* TicketStore::Impl::readRow() const
{
    if (context)
        return context;
    if (!db)
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

QString TicketStore::Impl::format(const Row& row, int field, bool edit) const
{
    if (row.isNull(field))
        return QString();
    const int slot = slotOf(field);
    switch (TicketRecord::Fields[field].kind) {
    case FieldKind::Integer:
        return QString::number(row.num[slot]);
    case FieldKind::DateTime:
        return FieldText::displayDate(row.num[slot]);
    case FieldKind::Currency:
        return edit ? FieldText::editMoney(row.num[slot]) : FieldText::displayMoney(row.num[slot]);
    default:
        return textOf(row, field);
    }
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

// ---------------------------------------------------------------- the file

void TicketStore::Impl::open()
{
    const QString source = dataSource(connectionString);
    if (source.isEmpty())
        raise(QStringLiteral("No data source in the connection string \"%1\"").arg(connectionString));
    path = QFileInfo(source).absoluteFilePath();
    if (isJetFile(path))
        throw AppError(QStringLiteral("Cannot open file %1: it is an Access (Jet) database, which this program "
                                      "cannot read; it must be converted to the program's database format first")
                           .arg(path));

    connectionName = QStringLiteral("TicketStore-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
    QString failure;
    {
        QSqlDatabase sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        // mode=rw: opening must never create the file.
        QUrl url = QUrl::fromLocalFile(path);
        url.setQuery(QStringLiteral("mode=rw"));
        sql.setDatabaseName(url.toString(QUrl::FullyEncoded));
        sql.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (sql.open()) {
            const QVariant handle = sql.driver()->handle();
            if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
                db = *static_cast<sqlite3* const*>(handle.constData());
            if (!db)
                failure = QStringLiteral("the SQLite driver gives no handle");
        } else {
            failure = sql.lastError().driverText();
            if (!sql.lastError().databaseText().isEmpty())
                failure += QStringLiteral(" (") + sql.lastError().databaseText() + u')';
            if (!QFileInfo::exists(path))
                failure = QStringLiteral("the file does not exist; ") + failure;
        }
    }
    if (!failure.isEmpty()) {
        db = nullptr;
        QSqlDatabase::removeDatabase(connectionName);
        throw AppError(QStringLiteral("Cannot open file %1: %2").arg(path, failure));
    }

    try {
        sqlite3_busy_timeout(db, busyTimeoutMs);
        auto pragma = [this](const char* sql) {
            Statement st(db, sql);
            if (!st.ok())
                return false;
            int rc;
            while ((rc = st.step()) == SQLITE_ROW) {
            }
            return rc == SQLITE_DONE;
        };
        const auto openError = [this] {
            return AppError(QStringLiteral("Cannot open file %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
        };
        // Each post must be on the disk when Post returns: write-ahead log with a sync at every commit.
        if (!pragma("PRAGMA journal_mode=WAL") || !pragma("PRAGMA synchronous=FULL"))
            throw openError();
        if (sqlite3_db_readonly(db, "main") == 1)
            throw AppError(QStringLiteral("Cannot open file %1: the file is read-only").arg(path));

        QSet<QString> columns;
        {
            Statement st(db, "PRAGMA table_info(" + TableName.toUtf8() + ")");
            if (!st.ok())
                throw openError();
            int rc;
            while ((rc = st.step()) == SQLITE_ROW)
                columns.insert(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1))).toLower());
            if (rc != SQLITE_DONE)
                throw openError();
        }
        if (columns.isEmpty())
            throw AppError(QStringLiteral("Cannot open file %1: no such table: %2").arg(path, TableName));
        for (int f = 0; f < TicketRecord::FieldCount; ++f)
            if (isStored(f) && !columns.contains(QString::fromLatin1(TicketRecord::Fields[f].name).toLower()))
                raise(QStringLiteral("Field '%1' not found").arg(QLatin1String(TicketRecord::Fields[f].name)));

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
    deleted.clear();
    passes.clear();
    view.clear();
    recNo = -1;
    pending = Row();
    pendingCalc.clear();
    changedFields = 0;
    for (auto& order : orders)
        order.reset();
    texts = Texts();
    db = nullptr;
    dataVersion = -1;
    if (!connectionName.isEmpty()) {
        {
            QSqlDatabase sql = QSqlDatabase::database(connectionName, false);
            sql.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
        connectionName.clear();
    }
}

qint64 TicketStore::Impl::currentDataVersion() const
{
    Statement st(db, "PRAGMA data_version");
    if (!st.ok() || st.get() == nullptr || sqlite3_step(st.get()) != SQLITE_ROW)
        throw AppError(QStringLiteral("Cannot read file %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
    return sqlite3_column_int64(st.get(), 0);
}

void TicketStore::Impl::readAll()
{
    // The version first: a commit by another program during the read makes the next Refresh read again.
    const qint64 version = currentDataVersion();
    std::vector<Row> fresh;
    Texts freshTexts;
    {
        // The highest id is a cheap, close guess of the number of rows.
        Statement count(db, "SELECT max(rowid) FROM " + TableName.toUtf8());
        if (count.ok() && count.step() == SQLITE_ROW)
            fresh.reserve(size_t(std::clamp<qint64>(sqlite3_column_int64(count.get(), 0), 0, 10'000'000)));
    }
    {
        Statement st(db, "SELECT " + selectList() + " FROM " + TableName.toUtf8() + " ORDER BY rowid");
        if (!st.ok())
            throw AppError(QStringLiteral("Cannot read file %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
        int rc;
        while ((rc = st.step()) == SQLITE_ROW) {
            fresh.emplace_back();
            readColumns(st.get(), fresh.back(), freshTexts);
        }
        if (rc != SQLITE_DONE)
            throw AppError(QStringLiteral("Cannot read file %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
    }
    for (auto& order : orders)
        order.reset();
    rows = std::move(fresh);
    texts = std::move(freshTexts);
    deleted.assign(rows.size(), 0);
    passes.assign(rows.size(), 1);
    dataVersion = version;
}

Row TicketStore::Impl::readOne(qint64 id)
{
    Statement st(db, "SELECT " + selectList() + " FROM " + TableName.toUtf8() + " WHERE rowid = ?");
    Row row = StoreRow::emptyRow();
    row.nulls = 0;
    if (st.ok()) {
        sqlite3_bind_int64(st.get(), 1, id);
        if (st.step() == SQLITE_ROW) {
            readColumns(st.get(), row, texts);
            return row;
        }
    }
    // Stored but not readable back (a trigger removed it, say): keep what was written.
    row = pending;
    row.id = id;
    return row;
}

void TicketStore::Impl::raiseWrite() const
{
    throw AppError(QStringLiteral("Cannot write to file %1: %2").arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
}

qint64 TicketStore::Impl::writePending()
{
    std::vector<int> changed;
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f) && (changedFields & (1u << f)))
            changed.push_back(f);
    const bool insert = state == DataSetState::Insert;
    if (!insert && changed.empty())
        return pending.id;

    QByteArray sql;
    if (insert && changed.empty()) {
        sql = "INSERT INTO " + TableName.toUtf8() + " DEFAULT VALUES";
    } else if (insert) {
        QByteArray names, marks;
        for (int f : changed) {
            names += (names.isEmpty() ? "" : ", ") + quoted(TicketRecord::Fields[f].name);
            marks += marks.isEmpty() ? "?" : ", ?";
        }
        sql = "INSERT INTO " + TableName.toUtf8() + " (" + names + ") VALUES (" + marks + ")";
    } else {
        QByteArray sets;
        for (int f : changed)
            sets += (sets.isEmpty() ? "" : ", ") + quoted(TicketRecord::Fields[f].name) + " = ?";
        sql = "UPDATE " + TableName.toUtf8() + " SET " + sets + " WHERE rowid = ?";
    }
    Statement st(db, sql);
    if (!st.ok())
        raiseWrite();
    int parameter = 1;
    for (int f : changed)
        bindField(st.get(), parameter++, pending, f,
                  isText(f) ? texts[slotOf(f)].bytes(pending.text[slotOf(f)]) : QByteArrayView());
    if (!insert)
        sqlite3_bind_int64(st.get(), parameter, pending.id);
    if (st.step() != SQLITE_DONE)
        raiseWrite();
    if (insert)
        return sqlite3_last_insert_rowid(db);
    if (sqlite3_changes(db) == 0)
        raise(QStringLiteral("Row cannot be located for updating: another program has deleted it"));
    return pending.id;
}

void TicketStore::Impl::deleteRow(qint64 id)
{
    Statement st(db, "DELETE FROM " + TableName.toUtf8() + " WHERE rowid = ?");
    if (!st.ok())
        raiseWrite();
    sqlite3_bind_int64(st.get(), 1, id);
    if (st.step() != SQLITE_DONE)
        raiseWrite();
}

// ---------------------------------------------------------------- lists

void TicketStore::Impl::runFilter()
{
    passes.resize(rows.size());
    const bool filtering = filtered && onFilterRecord;
    for (size_t i = 0; i < rows.size(); ++i)
        passes[i] = !deleted[i] && (!filtering || passesFilter(rows[i]));
}

bool TicketStore::Impl::passesFilter(const Row& row)
{
    bool accept = true;
    Scope scope(*this, &row, nullptr);
    onFilterRecord(*q, accept);
    return accept;
}

bool TicketStore::Impl::lessThan(int field, qint32 a, qint32 b) const
{
    if (isText(field)) {
        const SortOrder& o = *orders[field];
        const qint32 ia = o.valueIds[a], ib = o.valueIds[b];
        if (ia != ib) {
            if (ia < 0 || ib < 0)
                return ia < 0; // empty first
            const int c = o.keys[ia].compare(o.keys[ib]);
            if (c != 0)
                return c < 0;
        }
        return a < b;
    }
    const bool na = rows[a].isNull(field), nb = rows[b].isNull(field);
    if (na != nb)
        return na;
    const qint64 va = rows[a].num[slotOf(field)], vb = rows[b].num[slotOf(field)];
    if (!na && va != vb)
        return va < vb;
    return a < b;
}

TicketStore::Impl::SortOrder& TicketStore::Impl::orderOf(int field)
{
    if (orders[field])
        return *orders[field];
    auto o = std::make_unique<SortOrder>();
    const qint32 n = qint32(rows.size());
    o->order.resize(n);
    if (isText(field)) {
        // One collation key per distinct value; rows then sort by the rank of their value.
        o->collator.emplace(QLocale());
        o->collator->setCaseSensitivity(Qt::CaseInsensitive);
        const int slot = slotOf(field);
        o->valueIds.resize(n);
        for (qint32 i = 0; i < n; ++i)
            o->valueIds[i] = valueId(*o, field, rows[i].text[slot]);
        const qint32 distinct = qint32(o->keys.size());
        std::vector<qint32> byKey(distinct);
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(), [&](qint32 a, qint32 b) { return o->keys[a].compare(o->keys[b]) < 0; });
        std::vector<qint32> rank(distinct);
        qint32 r = 0;
        for (qint32 k = 0; k < distinct; ++k) {
            if (k > 0 && o->keys[byKey[k - 1]].compare(o->keys[byKey[k]]) != 0)
                ++r;
            rank[byKey[k]] = r + 1; // 0 is the empty value
        }
        // Counting sort by rank keeps the file order among equal values.
        std::vector<qint32> start(size_t(r) + 3, 0);
        for (qint32 i = 0; i < n; ++i)
            ++start[o->valueIds[i] < 0 ? 1 : rank[o->valueIds[i]] + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (qint32 i = 0; i < n; ++i)
            o->order[start[o->valueIds[i] < 0 ? 0 : rank[o->valueIds[i]]]++] = i;
    } else {
        struct Key
        {
            bool notNull;
            qint64 value;
            qint32 index;
            bool operator<(const Key& other) const
            {
                return std::tie(notNull, value, index) < std::tie(other.notNull, other.value, other.index);
            }
        };
        std::vector<Key> keys(n);
        const int slot = slotOf(field);
        for (qint32 i = 0; i < n; ++i) {
            const bool null = rows[i].isNull(field);
            keys[i] = {!null, null ? 0 : rows[i].num[slot], i};
        }
        std::sort(keys.begin(), keys.end());
        for (qint32 i = 0; i < n; ++i)
            o->order[i] = keys[i].index;
    }
    orders[field] = std::move(o);
    return *orders[field];
}

qint32 TicketStore::Impl::valueId(SortOrder& o, int field, StoreRow::TextRef ref)
{
    if (ref.size == 0)
        return -1;
    const StoreRow::TextColumn& column = texts[slotOf(field)];
    const QByteArrayView text = column.bytes(ref);
    const size_t hash = qHash(text);
    if (o.values.size() * 2 >= o.table.size()) {
        o.table.assign(std::max<size_t>(1024, o.table.size() * 2), -1);
        const size_t mask = o.table.size() - 1;
        for (qint32 id = 0; id < qint32(o.values.size()); ++id) {
            size_t at = o.hashes[id] & mask;
            while (o.table[at] >= 0)
                at = (at + 1) & mask;
            o.table[at] = id;
        }
    }
    const size_t mask = o.table.size() - 1;
    size_t at = hash & mask;
    for (; o.table[at] >= 0; at = (at + 1) & mask) {
        const qint32 id = o.table[at];
        if (o.hashes[id] == hash && column.bytes(o.values[id]) == text)
            return id;
    }
    const qint32 id = qint32(o.values.size());
    o.table[at] = id;
    o.values.push_back(ref);
    o.hashes.push_back(hash);
    o.keys.push_back(o.collator->sortKey(QString::fromUtf8(text)));
    return id;
}

void TicketStore::Impl::rowChanged(qint32 index, bool added)
{
    for (int field = 0; field < TicketRecord::FieldCount; ++field) {
        SortOrder* o = orders[field].get();
        if (!o)
            continue;
        if (isText(field)) {
            const qint32 id = valueId(*o, field, rows[index].text[slotOf(field)]);
            if (added)
                o->valueIds.push_back(id);
            else
                o->valueIds[index] = id;
        }
        if (!added)
            o->order.erase(std::find(o->order.begin(), o->order.end(), index));
        const auto at = std::lower_bound(o->order.begin(), o->order.end(), index,
                                         [&](qint32 a, qint32 b) { return lessThan(field, a, b); });
        o->order.insert(at, index);
    }
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
        for (const qint32 i : orderOf(sortField).order)
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
        const std::vector<qint32>* order = sortField >= 0 ? &orderOf(sortField).order : nullptr;
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

// ================================================================ TicketStore

TicketStore::TicketStore(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>(this))
{
    setObjectName(QStringLiteral("ADOTable"));
}

TicketStore::~TicketStore()
{
    d->close();
}

QString TicketStore::ConnectionString() const
{
    return d->connectionString;
}

void TicketStore::setConnectionString(const QString& value)
{
    d->connectionString = value;
}

bool TicketStore::Active() const
{
    return d->db != nullptr;
}

void TicketStore::setActive(bool active)
{
    if (active == Active())
        return;
    if (active) {
        d->open();
        d->state = DataSetState::Browse;
        d->runFilter();
        d->rebuildView();
        d->recNo = d->view.empty() ? -1 : 0;
    } else {
        d->state = DataSetState::Inactive; // a pending row is dropped, not stored
        d->close();
    }
    emit dataSetChanged();
    emit currentChanged();
    emit stateChanged();
}

DataSetState TicketStore::State() const
{
    return d->state;
}

QString TicketStore::Sort() const
{
    return d->sort;
}

void TicketStore::setSort(const QString& sort)
{
    d->checkActive();
    int field = -1;
    const QStringList words = sort.split(u' ', Qt::SkipEmptyParts);
    if (!words.isEmpty()) {
        if (words.size() > 2 || (words.size() == 2 && words[1].compare(QLatin1String("ASC"), Qt::CaseInsensitive) != 0))
            d->raise(QStringLiteral("Invalid sort order \"%1\"").arg(sort));
        field = FieldByName(words[0])->Index();
        if (!isStored(field))
            d->raise(QStringLiteral("Cannot sort on the calculated field '%1'").arg(words[0]));
    }
    d->sort = sort;
    if (field == d->sortField)
        return; // the list is always kept in its order
    d->sortField = field;
    d->relist(d->currentIndex(), d->recNo);
}

bool TicketStore::Filtered() const
{
    return d->filtered;
}

void TicketStore::setFiltered(bool filtered)
{
    if (filtered == d->filtered)
        return;
    d->filtered = filtered;
    if (Active()) {
        d->runFilter();
        d->relist(d->currentIndex(), d->recNo);
    }
}

void TicketStore::setOnFilterRecord(FilterHandler handler)
{
    d->onFilterRecord = std::move(handler);
}

void TicketStore::setOnCalcFields(DataSetHandler handler)
{
    d->onCalcFields = std::move(handler);
}

void TicketStore::setAfterPost(DataSetHandler handler)
{
    d->afterPost = std::move(handler);
}

int TicketStore::busyTimeout() const
{
    return d->busyTimeoutMs;
}

void TicketStore::setBusyTimeout(int milliseconds)
{
    d->busyTimeoutMs = milliseconds;
    if (d->db)
        sqlite3_busy_timeout(d->db, milliseconds);
}

void TicketStore::Refresh()
{
    d->checkActive();
    d->endPending();
    qint32 current = d->currentIndex();
    const int oldRecNo = d->recNo;
    if (d->currentDataVersion() != d->dataVersion) {
        const qint64 id = current >= 0 ? d->rows[current].id : 0;
        d->readAll();
        // Rows are read in the order of their ids.
        const auto it = std::lower_bound(d->rows.begin(), d->rows.end(), id,
                                         [](const Row& row, qint64 key) { return row.id < key; });
        current = (it != d->rows.end() && it->id == id) ? qint32(it - d->rows.begin()) : -1;
    }
    d->runFilter();
    d->relist(current, oldRecNo);
}

void TicketStore::First()
{
    d->checkActive();
    d->endPending();
    d->moveTo(d->view.empty() ? -1 : 0);
}

void TicketStore::Last()
{
    d->checkActive();
    d->endPending();
    d->moveTo(int(d->view.size()) - 1);
}

void TicketStore::Next()
{
    d->checkActive();
    d->endPending();
    if (d->recNo + 1 < int(d->view.size()))
        d->moveTo(d->recNo + 1);
}

void TicketStore::Prior()
{
    d->checkActive();
    d->endPending();
    if (d->recNo > 0)
        d->moveTo(d->recNo - 1);
}

void TicketStore::Append()
{
    d->checkActive();
    d->endPending();
    d->startInsert();
}

void TicketStore::Edit()
{
    d->checkActive();
    if (d->state != DataSetState::Browse)
        return;
    if (d->recNo < 0) {
        d->startInsert(); // nothing to edit: a new row, like the first change in an empty grid
        return;
    }
    d->pendingIndex = d->view[d->recNo];
    d->pending = d->rows[d->pendingIndex];
    d->pendingCalc = d->calcValue(d->pending);
    d->changedFields = 0;
    d->setState(DataSetState::Edit);
}

void TicketStore::Post()
{
    d->checkActive();
    UpdateRecord();
    // A failed write raises here and leaves the row pending with its values.
    const qint64 id = d->writePending();
    qint32 index;
    if (d->state == DataSetState::Insert) {
        d->rows.push_back(d->readOne(id));
        d->deleted.push_back(0);
        d->passes.push_back(1); // listed until the next refresh judges it
        index = qint32(d->rows.size()) - 1;
        d->rowChanged(index, true);
    } else {
        index = d->pendingIndex;
        if (d->changedFields) {
            d->rows[index] = d->readOne(id);
            d->rowChanged(index, false);
        }
    }
    d->pending = Row();
    d->pendingCalc.clear();
    d->changedFields = 0;
    d->state = DataSetState::Browse;
    d->rebuildView();
    d->recNo = d->positionOf(index);
    emit dataSetChanged();
    emit currentChanged();
    emit stateChanged();
    if (d->afterPost)
        d->afterPost(*this);
}

void TicketStore::Cancel()
{
    d->checkActive();
    if (d->state == DataSetState::Edit) {
        d->pending = Row();
        d->pendingCalc.clear();
        d->changedFields = 0;
        d->state = DataSetState::Browse;
        emit fieldChanged(-1);
        emit stateChanged();
    } else if (d->state == DataSetState::Insert) {
        d->pending = Row();
        d->pendingCalc.clear();
        d->changedFields = 0;
        d->state = DataSetState::Browse;
        d->view.pop_back();
        d->recNo = d->insertedAfter >= 0 ? d->positionOf(d->insertedAfter) : -1;
        if (d->recNo < 0 && !d->view.empty())
            d->recNo = int(d->view.size()) - 1;
        emit dataSetChanged();
        emit currentChanged();
        emit stateChanged();
    }
}

void TicketStore::Delete()
{
    d->checkActive();
    if (d->state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (d->recNo < 0)
        d->raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const qint32 index = d->view[d->recNo];
    d->deleteRow(d->rows[index].id);
    d->deleted[index] = 1;
    d->passes[index] = 0;
    const bool wasEditing = d->state == DataSetState::Edit;
    d->pending = Row();
    d->changedFields = 0;
    d->state = DataSetState::Browse;
    d->view.erase(d->view.begin() + d->recNo);
    if (d->recNo >= int(d->view.size()))
        d->recNo = int(d->view.size()) - 1;
    emit dataSetChanged();
    emit currentChanged();
    if (wasEditing)
        emit stateChanged();
}

void TicketStore::UpdateRecord()
{
    d->checkActive();
    if (d->state != DataSetState::Edit && d->state != DataSetState::Insert)
        d->raise(QStringLiteral("Dataset not in edit or insert mode"));
    emit updateRecordRequested();
}

TBookmark TicketStore::GetBookmark() const
{
    if (!Active() || d->state == DataSetState::Insert || d->recNo < 0)
        return 0;
    return d->rows[d->view[d->recNo]].id;
}

void TicketStore::GotoBookmark(TBookmark bookmark)
{
    if (bookmark == 0)
        return;
    d->checkActive();
    d->endPending();
    for (int i = 0; i < int(d->view.size()); ++i) {
        if (d->view[i] != Impl::NewRow && d->rows[d->view[i]].id == bookmark) {
            d->moveTo(i);
            return;
        }
    }
    d->raise(QStringLiteral("Record not found"));
}

int TicketStore::FieldCount() const
{
    return TicketRecord::FieldCount;
}

TField* TicketStore::Fields(int index)
{
    if (index < 0 || index >= TicketRecord::FieldCount)
        throw AppError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return d->fields[index].get();
}

TField* TicketStore::FieldByName(const QString& name)
{
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (name.compare(QLatin1String(TicketRecord::Fields[f].name), Qt::CaseInsensitive) == 0)
            return d->fields[f].get();
    d->raise(QStringLiteral("Field '%1' not found").arg(name));
    return nullptr;
}

int TicketStore::RecordCount() const
{
    return int(d->view.size());
}

int TicketStore::RecNo() const
{
    return d->recNo;
}

void TicketStore::setRecNo(int index)
{
    d->checkActive();
    if (index < 0 || index >= int(d->view.size()) || index == d->recNo)
        return;
    // The grid names a row by its place; ending the pending row may reorder the list.
    const qint32 target = d->view[index];
    d->endPending();
    const int at = d->positionOf(target);
    if (at >= 0)
        d->moveTo(at);
}

bool TicketStore::Modified() const
{
    return d->changedFields != 0;
}

QString TicketStore::displayText(int row, int field) const
{
    if (!Active() || row < 0 || row >= int(d->view.size()) || field < 0 || field >= TicketRecord::FieldCount)
        return QString();
    const qint32 index = d->view[row];
    const bool pending = index == Impl::NewRow || (d->state == DataSetState::Edit && index == d->pendingIndex);
    const Row& source = pending ? d->pending : d->rows[index];
    if (!isStored(field))
        return pending ? d->pendingCalc : d->calcValue(source);
    return d->format(source, field, false);
}

qint64 TicketStore::maxCislo() const
{
    qint64 result = 0;
    bool any = false;
    for (size_t i = 0; i < d->rows.size(); ++i) {
        const Row& row = d->rows[i];
        if (d->deleted[i] || row.isNull(cislo))
            continue;
        const qint64 value = row.num[slotOf(cislo)];
        result = any ? std::max(result, value) : value;
        any = true;
    }
    return result;
}

void TicketStore::createDatabase(const QString& path)
{
    // Created exclusively, so that an existing file is never replaced.
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                throw AppError(QStringLiteral("Cannot create file %1: the file already exists").arg(path));
            throw AppError(QStringLiteral("Cannot create file %1: %2").arg(path, file.errorString()));
        }
    }
    sqlite3* db = nullptr;
    QString failure;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        failure = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    } else {
        QByteArray sql = "PRAGMA journal_mode=WAL; CREATE TABLE " + TableName.toUtf8() + " (id INTEGER PRIMARY KEY";
        for (const FieldDef& def : TicketRecord::Fields) {
            if (def.calculated)
                continue;
            const bool textual = def.kind == FieldKind::Text || def.kind == FieldKind::Memo
                || def.kind == FieldKind::DateTime;
            sql += ", " + quoted(def.name) + (textual ? " TEXT" : " INTEGER");
        }
        sql += ");";
        char* message = nullptr;
        if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK)
            failure = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (!failure.isEmpty()) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw AppError(QStringLiteral("Cannot create file %1: %2").arg(path, failure));
    }
}
