#include "tests/legacy/JetWriter.h"

#include <QDate>
#include <QFile>

#include <array>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr int PageSize = 4096;
constexpr int DataHeader = 14; // type, flag, free space, owner page, 4 unknown bytes, row count
constexpr int CatalogPage = 2;
constexpr int MapsPage = 1;

void put16(QByteArray& b, int at, quint16 v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}
void put32(QByteArray& b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}
void append16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xff)).append(char(v >> 8));
}
void append32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}
void append64(QByteArray& b, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

QByteArray ucs2(const QString& s)
{
    QByteArray out;
    for (QChar c : s)
        append16(out, c.unicode());
    return out;
}

// Text as Jet 4 stores it: UCS-2, or its compressed form (0xFF 0xFE, then
// single bytes for characters below 256, a 0 byte switching modes) when that
// is shorter. Characters whose low byte is 0 rule the compressed form out.
QByteArray jetText(const QString& s)
{
    const QByteArray plain = ucs2(s);
    QByteArray packed("\xff\xfe", 2);
    bool compressed = true;
    for (QChar c : s) {
        const ushort u = c.unicode();
        if ((u & 0xff) == 0)
            return plain;
        const bool narrow = u < 0x100;
        if (narrow != compressed) {
            packed.append('\0');
            compressed = narrow;
        }
        if (narrow)
            packed.append(char(u));
        else
            append16(packed, u);
    }
    return packed.size() < plain.size() ? packed : plain;
}

bool isFixed(JetWriter::Type t)
{
    return t != JetWriter::Text && t != JetWriter::Memo && t != 0x0b;
}

int fixedSize(JetWriter::Type t)
{
    switch (t) {
    case JetWriter::Int:
        return 2;
    case JetWriter::Long:
        return 4;
    default:
        return 8;
    }
}

// RC4 over the definition page's masked area, with the format's fixed key.
void rc4(QByteArray& b, int from, int length)
{
    const std::array<quint8, 4> key {0xc7, 0xda, 0x39, 0x6b};
    std::array<quint8, 256> s {};
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        b[from + n] = char(quint8(b[from + n]) ^ s[(s[i] + s[j]) & 0xff]);
    }
}

struct TableLayout
{
    QList<JetWriter::Column> columns;
    QList<int> fixedOffset; // per column; -1 for variable ones
    QList<int> varIndex;    // per column; -1 for fixed ones
    int fixedBytes = 0;
    int varCount = 0;

    explicit TableLayout(QList<JetWriter::Column> cols)
        : columns(std::move(cols))
    {
        for (const JetWriter::Column& c : columns) {
            if (isFixed(c.type)) {
                fixedOffset.append(fixedBytes);
                varIndex.append(-1);
                fixedBytes += fixedSize(c.type);
            } else {
                fixedOffset.append(-1);
                varIndex.append(varCount++);
            }
        }
    }
};

// A row: column count, fixed area, variable data, end of data, the variable
// columns' offsets in reverse order, their count, the null mask (1 = present).
using Cell = std::optional<QByteArray>; // nullopt: null

QByteArray buildRow(const TableLayout& t, const QList<Cell>& cells)
{
    const int n = int(t.columns.size());
    QByteArray row;
    append16(row, quint16(n));
    row.append(QByteArray(t.fixedBytes, '\0'));
    QByteArray mask((n + 7) / 8, '\0');
    QList<int> varStarts(t.varCount);
    for (int c = 0; c < n; ++c)
        if (t.varIndex[c] < 0 && cells[c]) {
            row.replace(2 + t.fixedOffset[c], cells[c]->size(), *cells[c]);
            mask[c / 8] = char(mask[c / 8] | (1 << (c % 8)));
        }
    for (int c = 0; c < n; ++c)
        if (t.varIndex[c] >= 0) {
            varStarts[t.varIndex[c]] = int(row.size());
            if (cells[c]) {
                row.append(*cells[c]);
                mask[c / 8] = char(mask[c / 8] | (1 << (c % 8)));
            }
        }
    append16(row, quint16(row.size())); // end of data
    for (int v = t.varCount - 1; v >= 0; --v)
        append16(row, quint16(varStarts[v]));
    append16(row, quint16(t.varCount));
    row.append(mask);
    return row;
}

QByteArray buildTdef(const TableLayout& t, quint32 rows, quint32 usedMap, quint32 freeMap, bool system)
{
    QByteArray p(PageSize, '\0');
    p[0] = 0x02;
    p[1] = 0x01;
    put32(p, 16, rows);
    p[40] = char(system ? 0x53 : 0x4e);
    const int n = int(t.columns.size());
    put16(p, 41, quint16(n));
    put16(p, 43, quint16(t.varCount));
    put16(p, 45, quint16(n));
    put32(p, 47, 0); // logical indexes
    put32(p, 51, 0); // index entries
    put32(p, 55, usedMap);
    put32(p, 59, freeMap);
    int at = 63;
    for (int c = 0; c < n; ++c, at += 25) {
        const JetWriter::Column& col = t.columns[c];
        p[at] = char(col.type);
        put16(p, at + 5, quint16(c));
        put16(p, at + 7, quint16(std::max(0, t.varIndex[c])));
        put16(p, at + 9, quint16(c));
        const bool text = col.type == JetWriter::Text || col.type == JetWriter::Memo;
        if (text)
            put16(p, at + 11, 0x409); // general sort order
        p[at + 15] = char(isFixed(col.type) ? 0x03 : 0x02);
        p[at + 16] = char(text ? 0x01 : 0x00); // compressed text
        put16(p, at + 21, quint16(std::max(0, t.fixedOffset[c])));
        const int len = col.type == JetWriter::Text ? col.chars * 2 : isFixed(col.type) ? fixedSize(col.type) : 0;
        put16(p, at + 23, quint16(len));
    }
    for (const JetWriter::Column& col : t.columns) {
        const QByteArray name = ucs2(col.name);
        put16(p, at, quint16(name.size()));
        p.replace(at + 2, name.size(), name);
        at += 2 + int(name.size());
    }
    put16(p, at, 0xffff);
    at += 2;
    Q_ASSERT(at < PageSize);
    put16(p, 2, quint16(PageSize - at - 8));
    put32(p, 8, quint32(at - 8));
    return p;
}

// Data pages (or long-value pages) filled with rows from the end backwards.
class PageFiller
{
public:
    PageFiller(quint32 owner, int firstPage)
        : m_owner(owner), m_next(firstPage)
    {
    }

    // Where the row went, as page << 8 | row.
    quint32 add(const QByteArray& row)
    {
        Q_ASSERT(row.size() + 2 <= PageSize - DataHeader);
        if (m_pages.isEmpty() || m_free < row.size() + 2)
            startPage();
        QByteArray& p = m_pages.last();
        const int rowNo = m_rowsOnPage++;
        m_end -= int(row.size());
        p.replace(m_end, row.size(), row);
        put16(p, DataHeader + 2 * rowNo, quint16(m_end));
        put16(p, 12, quint16(m_rowsOnPage));
        m_free -= int(row.size()) + 2;
        put16(p, 2, quint16(m_free));
        return quint32((m_next - 1) << 8 | rowNo);
    }
    // Sets the first four bytes of a row added before: a chained long value's pointer to the next one.
    void setNext(quint32 where, quint32 next)
    {
        QByteArray& p = m_pages[int(where >> 8) - firstPage()];
        const int offsetAt = DataHeader + 2 * int(where & 0xff);
        put32(p, quint8(p[offsetAt]) | quint8(p[offsetAt + 1]) << 8, next);
    }
    const QList<QByteArray>& pages() const { return m_pages; }
    int firstPage() const { return m_next - int(m_pages.size()); }

private:
    void startPage()
    {
        QByteArray p(PageSize, '\0');
        p[0] = 0x01;
        p[1] = 0x01;
        put32(p, 4, m_owner);
        m_pages.append(p);
        ++m_next;
        m_rowsOnPage = 0;
        m_end = PageSize;
        m_free = PageSize - DataHeader;
    }

    quint32 m_owner;
    int m_next;
    QList<QByteArray> m_pages;
    int m_rowsOnPage = 0;
    int m_end = PageSize;
    int m_free = 0;
};

// A chain of long values, each a pointer to the next (0 for none) and as much
// of the text as a page holds. Placed from the last back, so that each knows
// where its successor went. Returns the length the memo states and where the
// chain begins.
std::pair<quint32, quint32> addChain(PageFiller& pages, const QByteArray& text, JetWriter::ChainDamage damage)
{
    constexpr int Chunk = PageSize - DataHeader - 2 - 4;
    quint32 next = 0;
    quint32 last = 0;
    for (qsizetype at = (text.size() - 1) / Chunk * Chunk; at >= 0; at -= Chunk) {
        QByteArray row;
        append32(row, next);
        row.append(text.mid(at, Chunk));
        next = pages.add(row);
        if (last == 0)
            last = next;
    }
    const quint32 length = quint32(text.size());
    using D = JetWriter::ChainDamage;
    if (damage == D::LoopsBack || damage == D::RunsPastTheFile)
        pages.setNext(last, damage == D::LoopsBack ? next : 0xffffff00u);
    const quint32 stated = damage == D::None ? length : damage == D::LongerThanStated ? length - 1 : 2 * length;
    return {stated, next};
}

// A usage map kept in the map itself: type 0, first page, one bit per page.
QByteArray usageMap(int firstPage, int pageCount)
{
    QByteArray map;
    map.append('\0');
    append32(map, quint32(firstPage));
    QByteArray bits((pageCount + 7) / 8 + 1, '\0');
    for (int i = 0; i < pageCount; ++i)
        bits[i / 8] = char(bits[i / 8] | (1 << (i % 8)));
    return map + bits;
}

} // namespace

JetWriter::JetWriter(QString tableName, QList<Column> columns)
    : m_tableName(std::move(tableName)), m_columns(std::move(columns))
{
}

void JetWriter::addRow(const QList<Value>& values)
{
    Q_ASSERT(values.size() == m_columns.size());
    m_rows.append(values);
}

double JetWriter::oleDate(int year, int month, int day, int hour, int minute, int second)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(QDate(year, month, day));
    const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before the epoch the whole days count back and the time still counts forward.
    return days >= 0 ? double(days) + time : double(days) - time;
}

QByteArray JetWriter::build() const
{
    const int userTdef = 4;
    const TableLayout user(m_columns);

    // Long memos first, on their own pages right after the table definition.
    PageFiller longValues(0x4c41564c /* "LVAL" */, userTdef + 1);
    QList<QList<Cell>> cells;
    for (const QList<Value>& values : m_rows) {
        QList<Cell> rowCells;
        for (int c = 0; c < m_columns.size(); ++c) {
            const Value& v = values[c];
            Cell cell;
            if (const auto* i = std::get_if<qint64>(&v)) {
                cell.emplace();
                if (m_columns[c].type == Int)
                    append16(*cell, quint16(*i));
                else if (m_columns[c].type == Long)
                    append32(*cell, quint32(*i));
                else
                    append64(*cell, quint64(*i));
            } else if (const auto* d = std::get_if<double>(&v)) {
                quint64 bits;
                std::memcpy(&bits, d, 8);
                cell.emplace();
                append64(*cell, bits);
            } else if (const auto* s = std::get_if<QString>(&v)) {
                // Only memos of up to 1024 characters may be compressed.
                const QByteArray text = m_columns[c].type == Memo && s->size() > 1024 ? ucs2(*s) : jetText(*s);
                if (m_columns[c].type == Memo) {
                    cell.emplace();
                    if (text.size() <= m_inlineMemoLimit) {
                        append32(*cell, quint32(text.size()) | 0x80000000u);
                        append32(*cell, 0);
                        append32(*cell, 0);
                        cell->append(text);
                    } else if (text.size() + 2 <= PageSize - DataHeader) {
                        const quint32 where = longValues.add(text);
                        append32(*cell, quint32(text.size()) | 0x40000000u);
                        append32(*cell, where);
                        append32(*cell, 0);
                    } else {
                        const auto [stated, first] = addChain(longValues, text, m_chainDamage);
                        append32(*cell, stated);
                        append32(*cell, first);
                        append32(*cell, 0);
                    }
                } else {
                    cell = text;
                }
            }
            rowCells.append(cell);
        }
        cells.append(rowCells);
    }
    const int firstData = userTdef + 1 + int(longValues.pages().size());
    PageFiller data(userTdef, firstData);
    for (const QList<Cell>& rowCells : std::as_const(cells))
        data.add(buildRow(user, rowCells));

    // The catalog: itself (a system table) and the user table.
    const TableLayout catalog({{QStringLiteral("Id"), Long},
                               {QStringLiteral("ParentId"), Long},
                               {QStringLiteral("Name"), Text, 128},
                               {QStringLiteral("Type"), Int},
                               {QStringLiteral("Flags"), Long},
                               {QStringLiteral("LvProp"), Type(0x0b)}});
    PageFiller catalogData(CatalogPage, 3);
    const auto catalogRow = [&](quint32 id, const QString& name, quint32 flags) {
        QByteArray idB, parentB, typeB, flagsB;
        append32(idB, id);
        append32(parentB, 0);
        append16(typeB, 1); // a table
        append32(flagsB, flags);
        catalogData.add(buildRow(catalog, {idB, parentB, jetText(name), typeB, flagsB, std::nullopt}));
    };
    catalogRow(CatalogPage, QStringLiteral("MSysObjects"), 0x80000002u);
    catalogRow(userTdef, m_tableName, 0);
    Q_ASSERT(catalogData.pages().size() == 1);

    PageFiller maps(0, MapsPage);
    const quint32 catalogUsed = maps.add(usageMap(3, 1));
    const quint32 catalogFree = maps.add(usageMap(3, 0));
    const quint32 userUsed = maps.add(usageMap(firstData, int(data.pages().size())));
    const quint32 userFree = maps.add(usageMap(firstData, 0));
    Q_ASSERT(maps.pages().size() == 1);

    QByteArray head(PageSize, '\0');
    head[1] = 0x01;
    head.replace(4, 15, "Standard Jet DB");
    put32(head, 0x14, 1); // Jet 4
    put16(head, 0x3c, 1250);
    put16(head, 0x6e, 0x409);
    rc4(head, 0x18, 128);

    QByteArray file = head + maps.pages().first()
        + buildTdef(catalog, 2, catalogUsed, catalogFree, true) + catalogData.pages().first()
        + buildTdef(user, quint32(m_rows.size()), userUsed, userFree, false);
    for (const QByteArray& p : longValues.pages())
        file += p;
    for (const QByteArray& p : data.pages())
        file += p;
    return file;
}

bool JetWriter::write(const QString& path) const
{
    const QByteArray bytes = build();
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}
