#include "legacy/LegacyReader.h"

#include "base/AppError.h"
#include "store/AccessSignature.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <mdbtools.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr int PrefixSize = 0x18;
// Bound columns (Yes/No and the types the tickets have no use for) give short texts.
constexpr size_t BindSize = 16384;

// Values read from the row's own bytes; libmdb converts the others (bound).
bool isFixed(LegacyReader::Type type)
{
    using T = LegacyReader::Type;
    return type == T::Integer || type == T::Currency || type == T::Real || type == T::DateTime;
}
bool isText(LegacyReader::Type type)
{
    return type == LegacyReader::Type::Text || type == LegacyReader::Type::Memo;
}

LegacyReader::Type typeOf(int fileType)
{
    switch (fileType) {
    case MDB_BOOL:
        return LegacyReader::Type::Boolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return LegacyReader::Type::Integer;
    case MDB_MONEY:
        return LegacyReader::Type::Currency;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return LegacyReader::Type::Real;
    case MDB_DATETIME:
        return LegacyReader::Type::DateTime;
    case MDB_TEXT:
        return LegacyReader::Type::Text;
    case MDB_MEMO:
        return LegacyReader::Type::Memo;
    default:
        return LegacyReader::Type::Other;
    }
}

template <typename T>
T raw(const unsigned char* p)
{
    T value;
    std::memcpy(&value, p, sizeof value); // the file is little-endian, like this machine
    return value;
}

} // namespace

struct LegacyReader::Impl
{
    QString path;
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    qint64 pageCount = 0;
    QList<Column> columns;
    bool jet3 = false;
    qint64 rowNo = 0; // of the current row, from 1
    std::vector<std::vector<char>> buffers;
    std::vector<int> lengths;
    // Reused from value to value.
    std::vector<char> converted;
    std::vector<char16_t> units;
    std::vector<unsigned char> collected;
    std::set<quint32> visited;

    ~Impl()
    {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }

    // Text as the file stores it. Jet 4 keeps UTF-16LE, surrogate pairs too, so
    // it is taken unit by unit (libmdb's own conversion knows only UCS-2 and
    // turns every pair into "??"); Jet 3 text goes through the code page.
    QString text(const unsigned char* p, size_t size)
    {
        if (jet3) {
            // UTF-8 takes at most three bytes for each code-page byte.
            converted.resize(3 * size + 1);
            const int length = mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(p), size, converted.data(), converted.size());
            return QString::fromUtf8(converted.data(), length);
        }
        units.clear();
        if (size >= 2 && p[0] == 0xff && p[1] == 0xfe) {
            // The compressed form: runs of single bytes (characters below 256)
            // and of UTF-16LE units, a 0 byte switching from one to the other.
            bool narrow = true;
            for (size_t at = 2; at < size;) {
                if (p[at] == 0) {
                    narrow = !narrow;
                    ++at;
                } else if (narrow) {
                    units.push_back(p[at++]);
                } else if (at + 1 < size) {
                    units.push_back(char16_t(p[at] | p[at + 1] << 8));
                    at += 2;
                } else {
                    break; // an odd byte at the end
                }
            }
        } else {
            units.resize(size / 2);
            if (!units.empty()) // an empty value may come without bytes
                std::memcpy(units.data(), p, units.size() * 2); // little-endian, like this machine
        }
        return QStringView(units.data(), qsizetype(units.size())).toString();
    }

    // A row of a long-value page, checked to lie within the file and its page.
    std::pair<const unsigned char*, size_t> longValueRow(quint32 pageRow, const QString& column)
    {
        const quint32 page = pageRow >> 8;
        const unsigned row = pageRow & 0xff;
        const size_t pageSize = mdb->fmt->pg_size;
        if (page == 0 || page >= quint64(pageCount))
            failValue(column, QStringLiteral("its long-value pages run past the end of the file"));
        if (mdb_read_alt_pg(mdb, page) != ssize_t(pageSize))
            failValue(column, QStringLiteral("its long-value page %1 cannot be read").arg(page));
        const unsigned char* b = mdb->alt_pg_buf;
        const int rowCountAt = mdb->fmt->row_count_offset;
        constexpr int DataPage = 1, OffsetMask = 0x1fff;
        const unsigned rows = raw<quint16>(b + rowCountAt);
        if (b[0] != DataPage || row >= rows || rowCountAt + 2 + 2 * rows > pageSize)
            failValue(column, QStringLiteral("it points to page %1, which holds no such long value").arg(page));
        const size_t start = raw<quint16>(b + rowCountAt + 2 + 2 * row) & OffsetMask;
        const size_t end = row == 0 ? pageSize : raw<quint16>(b + rowCountAt + 2 * row) & OffsetMask;
        if (start < rowCountAt + 2 + 2 * rows || start > end || end > pageSize)
            failValue(column, QStringLiteral("its long value on page %1 is damaged").arg(page));
        return {b + start, end - start};
    }

    // A memo: its 12-byte head in the row (the stated length, where the text
    // is, a pointer to the first long value), the text in the row, in one
    // long value, or in a chain of them, each beginning with the next one's pointer.
    QString memo(const unsigned char* p, size_t size, const QString& column)
    {
        if (size < MDB_MEMO_OVERHEAD)
            failValue(column, QStringLiteral("the memo's head is cut short"));
        const quint32 head = raw<quint32>(p);
        const size_t stated = head & 0x3fffffff;
        constexpr quint32 InRow = 0x80000000, OneLongValue = 0x40000000;
        if (head & InRow)
            return text(p + MDB_MEMO_OVERHEAD, size - MDB_MEMO_OVERHEAD);
        quint32 next = raw<quint32>(p + 4);
        if (head & OneLongValue) {
            const auto [bytes, length] = longValueRow(next, column);
            if (length < stated)
                failValue(column, QStringLiteral("its long value holds %1 of its %2 bytes").arg(length).arg(stated));
            return text(bytes, stated);
        }
        collected.clear();
        visited.clear();
        while (collected.size() < stated) {
            if (next == 0)
                failValue(column, QStringLiteral("its chain of long-value pages ends after %1 of its %2 bytes")
                                      .arg(collected.size()).arg(stated));
            if (!visited.insert(next).second)
                failValue(column, QStringLiteral("its chain of long-value pages loops"));
            const auto [bytes, length] = longValueRow(next, column);
            if (length < 4)
                failValue(column, QStringLiteral("a long value of its chain is cut short"));
            if (collected.size() + (length - 4) > stated)
                failValue(column, QStringLiteral("its long-value pages hold more than its stated %1 bytes").arg(stated));
            collected.insert(collected.end(), bytes + 4, bytes + length);
            next = raw<quint32>(bytes);
        }
        return text(collected.data(), collected.size());
    }

    [[noreturn]] void failValue(const QString& column, const QString& what) const
    {
        fail(QStringLiteral("row %1, column %2: %3").arg(rowNo).arg(column, what));
    }

    [[noreturn]] void fail(const QString& what) const
    {
        throw AppError(QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), what));
    }
};

LegacyReader::LegacyReader(const QString& path, const QString& jet3Codepage)
    : d(std::make_unique<Impl>())
{
    d->path = path;
    if (!QFile::exists(path))
        d->fail(QStringLiteral("the file does not exist"));
    if (!isAccessFile(path))
        d->fail(QStringLiteral("it is not an Access database"));
    const QByteArray codepage = jet3Codepage.toLatin1();
    const iconv_t probe = iconv_open("UTF-8", codepage.constData());
    if (probe == iconv_t(-1))
        throw AppError(QStringLiteral("Unknown code page %1").arg(jet3Codepage));
    iconv_close(probe);
    // libmdb takes the Jet 3 code page from its environment when it opens a file.
    qputenv("MDB_JET3_CHARSET", codepage);
    qunsetenv("MDBICONV"); // its output: UTF-8

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        d->fail(file.errorString());
    const qint64 pageSize = jetVersion() == 3 ? 2048 : 4096;
    if (file.size() < 3 * pageSize || file.size() % pageSize != 0)
        d->fail(QStringLiteral("the file is damaged or cut short (%1 bytes is not a whole number of pages)")
                    .arg(file.size()));
    d->pageCount = file.size() / pageSize;
    file.close();

    d->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        d->fail(QStringLiteral("libmdb cannot open it"));
    mdb_set_bind_size(d->mdb, BindSize);
    d->jet3 = d->mdb->f->jet_version == MDB_VER_JET3;
    mdb_set_boolean_fmt_numbers(d->mdb);
    constexpr quint32 CatalogPage = 2;
    if (!usageMapIsSound(CatalogPage) || !mdb_read_catalog(d->mdb, MDB_TABLE))
        d->fail(QStringLiteral("its catalog cannot be read"));
}

LegacyReader::~LegacyReader() = default;

// libmdb walks a table's usage map without checking it: an empty map crashes
// it and a page number past the end of the file makes it end the process. The
// map is checked in the file's own bytes, before libmdb reads the table.
bool LegacyReader::usageMapIsSound(quint32 tableDefinitionPage) const
{
    const bool jet3 = jetVersion() == 3;
    const qint64 pageSize = jet3 ? 2048 : 4096;
    const auto page = [&](quint32 number) {
        QFile file(d->path);
        if (number >= quint64(d->pageCount) || !file.open(QIODevice::ReadOnly) || !file.seek(number * pageSize))
            return QByteArray();
        const QByteArray bytes = file.read(pageSize);
        return bytes.size() == pageSize ? bytes : QByteArray();
    };
    const QByteArray definition = page(tableDefinitionPage);
    if (definition.isEmpty())
        return false;
    const auto u = [](const QByteArray& b, int at) { return reinterpret_cast<const unsigned char*>(b.constData() + at); };
    const quint32 pointer = raw<quint32>(u(definition, jet3 ? 35 : 55));
    const QByteArray rows = page(pointer >> 8);
    const int row = int(pointer & 0xff);
    const int rowCountAt = jet3 ? 8 : 12;
    if (rows.isEmpty() || rowCountAt + 4 + 2 * row > pageSize)
        return false;
    // Rows lie from the end of the page down; a row ends where the one before it starts.
    constexpr int OffsetMask = 0x1fff;
    const int start = raw<quint16>(u(rows, rowCountAt + 2 + 2 * row)) & OffsetMask;
    const int end = row == 0 ? int(pageSize) : raw<quint16>(u(rows, rowCountAt + 2 * row)) & OffsetMask;
    if (start >= end || end > pageSize || end - start < 5) // the map's type byte and a page number at least
        return false;
    if (rows[start] == 1) // a list of the pages holding the map
        for (int at = start + 1; at + 4 <= end; at += 4)
            if (raw<quint32>(u(rows, at)) >= quint64(d->pageCount))
                return false;
    return true;
}

bool LegacyReader::isAccessFile(const QString& path)
{
    return AccessSignature::matches(path);
}

int LegacyReader::jetVersion() const
{
    if (d->mdb)
        return d->mdb->f->jet_version == MDB_VER_JET3 ? 3 : 4;
    QFile file(d->path);
    if (!file.open(QIODevice::ReadOnly))
        return 4;
    const QByteArray head = file.read(PrefixSize);
    return head.size() == PrefixSize && head[0x14] == 0 ? 3 : 4;
}

QStringList LegacyReader::tableNames() const
{
    QStringList names;
    for (unsigned i = 0; i < d->mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d->mdb->catalog, i));
        if (mdb_is_user_table(entry))
            names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

void LegacyReader::openTable(const QString& name)
{
    MdbCatalogEntry* found = nullptr;
    for (unsigned i = 0; i < d->mdb->num_catalog && !found; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d->mdb->catalog, i));
        if (mdb_is_user_table(entry) && QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
            found = entry;
    }
    if (!found)
        d->fail(QStringLiteral("it has no table %1").arg(name));
    if (d->table)
        mdb_free_tabledef(d->table);
    d->table = nullptr;
    if (!usageMapIsSound(quint32(found->table_pg)))
        d->fail(QStringLiteral("the page list of table %1 is damaged").arg(name));
    d->table = mdb_read_table(found);
    if (!d->table || !mdb_read_columns(d->table))
        d->fail(QStringLiteral("the definition of table %1 cannot be read").arg(name));
    mdb_rewind_table(d->table);
    d->rowNo = 0;

    d->columns.clear();
    const unsigned count = d->table->num_cols;
    d->buffers.assign(count, std::vector<char>(BindSize));
    d->lengths.assign(count, 0);
    for (unsigned i = 0; i < count; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(d->table->columns, i));
        d->columns.append({QString::fromUtf8(col->name), typeOf(col->col_type), col->col_type});
        // Numbers and texts are read here, within their page; bound, libmdb would decode them
        // from wherever a damaged row points, past the page too.
        const Type type = d->columns.back().type;
        if (!isFixed(type) && !isText(type))
            mdb_bind_column(d->table, int(i) + 1, d->buffers[i].data(), &d->lengths[i]);
    }
}

QString LegacyReader::tableName() const
{
    return d->table ? QString::fromUtf8(d->table->name) : QString();
}

const QList<LegacyReader::Column>& LegacyReader::columns() const
{
    return d->columns;
}

qint64 LegacyReader::statedRowCount() const
{
    return d->table ? qint64(d->table->num_rows) : 0;
}

bool LegacyReader::next(QList<Value>& row)
{
    if (!d->table || !mdb_fetch_row(d->table))
        return false;
    ++d->rowNo;
    row.resize(d->columns.size());
    // A value that cannot be read fails the row once the others are read, so that the caller can name it.
    std::optional<AppError> failure;
    for (int i = 0; i < d->columns.size(); ++i) {
        Value& v = row[i];
        v = Value();
        try {
            read(i, v);
        } catch (const AppError& error) {
            v = Value();
            if (!failure)
                failure = error;
        }
    }
    if (failure)
        throw *failure;
    return true;
}

void LegacyReader::read(int i, Value& v)
{
    const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(d->table->columns, i));
    const Type type = d->columns[i].type;
    const bool own = isFixed(type) || isText(type);
    const int length = own ? col->cur_value_len : d->lengths[size_t(i)];
    if (own ? length == 0 : length <= 0 && type != Type::Boolean)
        return; // null
    const int start = col->cur_value_start;
    const int size = col->cur_value_len;
    // A damaged row may give any start and length, a negative length too.
    constexpr int PageSize = int(sizeof d->mdb->pg_buf);
    const bool inPage = start >= 0 && size >= 0 && start <= PageSize && size <= PageSize - start;
    if (own && !inPage)
        d->failValue(d->columns[i].name, QStringLiteral("the value lies outside its page"));
    const unsigned char* p = inPage ? d->mdb->pg_buf + start : nullptr;
    switch (col->col_type) {
    case MDB_BOOL:
        v.kind = Value::Integer;
        v.integer = d->buffers[size_t(i)][0] == '1' ? 1 : 0;
        break;
    case MDB_BYTE:
        v.kind = Value::Integer;
        v.integer = size >= 1 ? p[0] : 0;
        break;
    case MDB_INT:
        v.kind = Value::Integer;
        v.integer = size >= 2 ? raw<qint16>(p) : 0;
        break;
    case MDB_LONGINT:
        v.kind = Value::Integer;
        v.integer = size >= 4 ? raw<qint32>(p) : 0;
        break;
    case MDB_MONEY:
        v.kind = Value::Currency;
        v.integer = size >= 8 ? raw<qint64>(p) : 0;
        break;
    case MDB_FLOAT:
        v.kind = Value::Real;
        v.real = size >= 4 ? raw<float>(p) : 0;
        break;
    case MDB_DOUBLE:
    case MDB_DATETIME:
        v.kind = Value::Real;
        v.real = size >= 8 ? raw<double>(p) : 0;
        break;
    case MDB_TEXT:
    case MDB_MEMO:
        v.text = col->col_type == MDB_MEMO ? d->memo(p, size_t(size), d->columns[i].name) : d->text(p, size_t(size));
        // An empty text is no value, as it always was.
        v.kind = v.text.isEmpty() ? Value::Null : Value::Text;
        break;
    default:
        v.kind = Value::Text;
        v.text = QString::fromUtf8(d->buffers[size_t(i)].data(), qMin(length, int(BindSize)));
    }
}

bool LegacyReader::toDateTime(double oleDays, QDateTime& result)
{
    static const QDate epoch(1899, 12, 30);
    static const double first = double(epoch.daysTo(QDate(100, 1, 1)));
    static const double last = double(epoch.daysTo(QDate(9999, 12, 31))) + 1;
    if (!std::isfinite(oleDays) || oleDays <= first - 1 || oleDays >= last)
        return false;
    const double whole = std::trunc(oleDays);
    // Access keeps times to the second; the fraction only approximates them.
    const qint64 seconds = std::llround(std::fabs(oleDays - whole) * 86400.0);
    result = QDateTime(epoch.addDays(qint64(whole)), QTime(0, 0), QTimeZone::utc()).addSecs(seconds);
    return result.date().year() >= 100 && result.date().year() <= 9999;
}
