#pragma once

// The inside of TicketStore, shared with TField.

#include "store/TicketStore.h"

#include <QCollator>
#include <QSqlDatabase>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace StoreRow {

// Where a field's value lives in a Row: numbers, dates and money in `num`,
// texts in `text`; the calculated field in neither.
inline constexpr bool isNumeric(FieldKind kind)
{
    return kind == FieldKind::Integer || kind == FieldKind::DateTime || kind == FieldKind::Currency;
}

inline constexpr int computeSlot(int field)
{
    const FieldDef& def = TicketRecord::Fields[field];
    if (def.calculated)
        return -1;
    int slot = 0;
    for (int i = 0; i < field; ++i) {
        const FieldDef& other = TicketRecord::Fields[i];
        if (!other.calculated && isNumeric(other.kind) == isNumeric(def.kind))
            ++slot;
    }
    return slot;
}

inline constexpr std::array<int, TicketRecord::FieldCount> Slots = [] {
    std::array<int, TicketRecord::FieldCount> table {};
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        table[f] = computeSlot(f);
    return table;
}();

inline int slotOf(int field)
{
    return Slots[field];
}

inline constexpr int countSlots(bool numeric)
{
    int n = 0;
    for (const FieldDef& def : TicketRecord::Fields)
        if (!def.calculated && isNumeric(def.kind) == numeric)
            ++n;
    return n;
}

inline constexpr int NumericSlots = countSlots(true);
inline constexpr int TextSlots = countSlots(false);
static_assert(TicketRecord::FieldCount <= 32);

// Where a text lies in its column's TextColumn; size 0 is the null text.
struct TextRef
{
    quint32 pos = 0; // block << 24 | offset in the block
    quint32 size = 0;
};

// One row. Texts are null when empty; numbers, dates and money carry a null
// bit. Dates are FieldText::packDateTime values, money ten-thousandths.
struct Row
{
    qint64 id = 0;
    std::array<qint64, NumericSlots> num {};
    std::array<TextRef, TextSlots> text {};
    quint32 nulls = 0; // bit per field index

    bool isNull(int field) const
    {
        if (isNumeric(TicketRecord::Fields[field].kind))
            return nulls & (1u << field);
        return text[slotOf(field)].size == 0;
    }
};

// A row with every field null: a new row.
inline Row emptyRow()
{
    Row row;
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isNumeric(TicketRecord::Fields[f].kind))
            row.nulls |= 1u << f;
    return row;
}

// The texts of one text field of every row, kept as the file holds them
// (UTF-8) together in large blocks that never move: a read copies bytes and
// allocates nothing per value, and a pass over one field of every row reads
// memory in order. Texts set later are added too; what they replace stays
// until the next read of the file.
class TextColumn
{
public:
    // A block's number takes the top 8 bits of TextRef::pos.
    static constexpr size_t MaxBlocks = 256;

    TextColumn() = default;
    explicit TextColumn(size_t maxBlocks) // fewer blocks, for tests
        : m_maxBlocks(std::min(maxBlocks, MaxBlocks))
    {
    }

    // Raises AppError when the text needs a block beyond the last one.
    TextRef add(const char* utf8, int length);
    TextRef add(QStringView text);
    QByteArrayView bytes(TextRef ref) const
    {
        return ref.size ? QByteArrayView(m_blocks[ref.pos >> 24].get() + (ref.pos & 0xFFFFFF), ref.size)
                        : QByteArrayView();
    }
    QString string(TextRef ref) const;
    // The text decoded into this column's buffer: valid until the next view
    // of the column, for handlers that judge every row.
    QStringView view(TextRef ref) const
    {
        const QByteArrayView utf8 = bytes(ref);
        // UTF-16 never needs more units than UTF-8 has bytes.
        if (m_buffer.size() < size_t(utf8.size()))
            m_buffer.resize(size_t(utf8.size()));
        char16_t* out = m_buffer.data();
        // Plain ASCII, most IMEIs, is widened here without the decoder's set-up.
        unsigned char high = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            high |= c;
            out[i] = c;
        }
        return high < 0x80 ? QStringView(out, utf8.size()) : decode(utf8);
    }

private:
    QStringView decode(QByteArrayView utf8) const;

    size_t m_maxBlocks = MaxBlocks;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    qsizetype m_used = 0; // in the last block
    qsizetype m_capacity = 0;
    mutable std::vector<char16_t> m_buffer;
    mutable QStringDecoder m_decoder {QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
};

using Texts = std::array<TextColumn, TextSlots>;

} // namespace StoreRow

struct TicketStore::Impl
{
    using Row = StoreRow::Row;

    explicit Impl(TicketStore* owner);

    TicketStore* q;
    QString connectionString;
    QString sort;
    int sortField = -1;
    bool filtered = false;
    FilterHandler onFilterRecord;
    DataSetHandler onCalcFields;
    DataSetHandler afterPost;
    int busyTimeoutMs = 5000;

    // The open file.
    QString connectionName;
    QString path;
    sqlite3* db = nullptr;
    qint64 dataVersion = -1;
    DataSetState state = DataSetState::Inactive;

    // Every row read, in the order of the file; deleted rows stay as marks
    // until the next read so that indexes into the list stay valid.
    std::vector<Row> rows;
    using Texts = StoreRow::Texts;
    Texts texts; // what the rows' texts refer to
    QString textOf(const Row& row, int field) const
    {
        return texts[StoreRow::slotOf(field)].string(row.text[StoreRow::slotOf(field)]);
    }
    std::vector<quint8> deleted; // per row, apart from the rows so that a pass over all rows reads less
    std::vector<quint8> passes;  // per row: listed (passed the filter at the last refresh, not deleted)
    std::vector<qint32> view;    // rows listed, in order; NewRow for the pending new row
    int recNo = -1;
    static constexpr qint32 NewRow = -1;

    // The pending row of edit or insert state.
    Row pending;
    QString pendingCalc;
    qint32 pendingIndex = -1;   // row edited; -1 in insert state
    qint32 insertedAfter = -1;  // the row current before Append, current again after Cancel
    quint32 changedFields = 0;  // bits of the stored fields set since Edit or Append

    // Rows in the order of one field, kept up to date as rows change. Texts
    // compare by the collation key of each distinct value, made once.
    struct SortOrder
    {
        std::vector<qint32> order;
        // Text fields: per row, the index of its value among the distinct
        // values (-1 for the empty text), and per distinct value its text
        // and collation key, found again through an open-addressing table.
        std::vector<qint32> valueIds;
        std::vector<StoreRow::TextRef> values;
        std::vector<size_t> hashes;
        std::vector<QCollatorSortKey> keys;
        std::vector<qint32> table; // value index or -1; the size a power of two
        std::optional<QCollator> collator;
    };
    qint32 valueId(SortOrder& order, int field, StoreRow::TextRef text);
    std::array<std::unique_ptr<SortOrder>, TicketRecord::FieldCount> orders;

    // While a handler runs: the row its field reads address, and where a
    // calculated field's value goes.
    const Row* context = nullptr;
    QString* calcTarget = nullptr;

    std::array<std::unique_ptr<TField>, TicketRecord::FieldCount> fields;

    // Sets the row and calculated-value target for the life of a handler call;
    // restores the previous ones when the handler ends, also by an error.
    class Scope
    {
    public:
        Scope(Impl& d, const Row* row, QString* target)
            : m_d(d)
            , m_row(d.context)
            , m_target(d.calcTarget)
        {
            d.context = row;
            d.calcTarget = target;
        }
        ~Scope()
        {
            m_d.context = m_row;
            m_d.calcTarget = m_target;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Impl& m_d;
        const Row* m_row;
        QString* m_target;
    };

    // Names and messages
    QString prefix() const;
    [[noreturn]] void raise(const QString& text) const;
    void checkActive() const;

    // Reading
    const Row* readRow() const; // the row field reads address; nullptr when none
    bool readsPending() const;
    QString calcValue(const Row& row) const;
    QString calcOfReadRow() const;
    // A stored field's text: DisplayText, or EditText when `edit`.
    QString format(const Row& row, int field, bool edit) const;

    // Writing a field of the pending row (or the calculated value in OnCalcFields)
    Row& rowToSet(int field);
    QString* calcToSet();
    void fieldSet(int field);
    void calcPending(bool notify);

    // File
    void open();
    void close();
    void readAll();
    qint64 currentDataVersion() const;
    Row readOne(qint64 id);
    qint64 writePending(); // the id of the row written
    void deleteRow(qint64 id);
    [[noreturn]] void raiseWrite() const;

    // Lists
    void runFilter();
    bool passesFilter(const Row& row);
    SortOrder& orderOf(int field);
    bool lessThan(int field, qint32 a, qint32 b) const;
    void rowChanged(qint32 index, bool added);
    void rebuildView();
    int positionOf(qint32 rowIndex) const;
    qint32 currentIndex() const;
    void relist(qint32 current, int oldRecNo); // after a new filter or order: rebuild and place the current row

    // State
    void setState(DataSetState s);
    void endPending();
    void moveTo(int newRecNo);
    void startInsert();
};
