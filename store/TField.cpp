#include "store/TField.h"

#include "base/AppError.h"
#include "store/FieldTable.h"
#include "store/FieldText.h"

#include <limits>

using StoreRow::Row;
using StoreRow::slotOf;

namespace {

const FieldDef& def(int index)
{
    return TicketRecord::Fields[index];
}

bool isText(FieldKind kind)
{
    return kind == FieldKind::Text || kind == FieldKind::Memo;
}

std::optional<qint64> numeric(const Row* row, int field)
{
    if (!row || row->isNull(field))
        return std::nullopt;
    return row->num[slotOf(field)];
}

// A longer text is cut to the field's size, never inside a surrogate pair.
QString cut(const QString& value, int size)
{
    if (size <= 0 || value.size() <= size)
        return value;
    int n = size;
    if (value.at(n - 1).isHighSurrogate())
        --n;
    return value.left(n);
}

} // namespace

TField::TField(FieldTable& table, int index)
    : m_table(table)
    , m_index(index)
{
}

QString TField::FieldName() const
{
    return QString::fromLatin1(def(m_index).name);
}

FieldKind TField::Kind() const
{
    return def(m_index).kind;
}

int TField::Size() const
{
    return def(m_index).size;
}

bool TField::Calculated() const
{
    return def(m_index).calculated;
}

QString TField::EditMask() const
{
    return m_index == TicketRecord::prijato ? QStringLiteral("!99/99/0099;") : QString();
}

bool TField::IsNull() const
{
    if (Calculated())
        return m_table.calcOfReadRow().isEmpty();
    const Row* row = m_table.readRow();
    return !row || row->isNull(m_index);
}

void TField::Clear()
{
    if (isText(Kind()))
        setAsString(QString());
    else
        setNumeric(std::nullopt);
}

QString TField::AsString() const
{
    if (Calculated())
        return m_table.calcOfReadRow();
    const Row* row = m_table.readRow();
    if (!row)
        return QString();
    if (isText(Kind()))
        return m_table.textOf(*row, m_index);
    return DisplayText();
}

void TField::setAsString(const QString& v)
{
    if (!isText(Kind())) {
        setEditText(v);
        return;
    }
    const QString value = cut(v, Size());
    if (Calculated()) {
        QString* target = m_table.calcToSet();
        if (*target == value)
            return;
        *target = value;
    } else {
        Row& row = m_table.rowToSet(m_index);
        if (m_table.texts[slotOf(m_index)].bytes(row.text[slotOf(m_index)]) == value.toUtf8())
            return;
        row.text[slotOf(m_index)] = m_table.texts[slotOf(m_index)].add(value);
    }
    m_table.fieldSet(m_index);
}

QStringView TField::AsStringView() const
{
    if (!isText(Kind()) || Calculated())
        accessError("StringView");
    const Row* row = m_table.readRow();
    return row ? m_table.texts[slotOf(m_index)].view(row->text[slotOf(m_index)]) : QStringView();
}

int TField::AsInteger() const
{
    switch (Kind()) {
    case FieldKind::Integer:
        return toInteger(numeric(m_table.readRow(), m_index).value_or(0));
    case FieldKind::Currency: {
        const qint64 money = numeric(m_table.readRow(), m_index).value_or(0);
        return toInteger((money + (money < 0 ? -5000 : 5000)) / 10000);
    }
    case FieldKind::DateTime:
        accessError("Integer");
    default: {
        const QString text = AsString();
        return text.isEmpty() ? 0 : FieldText::parseInteger(text);
    }
    }
}

void TField::setAsInteger(int v)
{
    switch (Kind()) {
    case FieldKind::Integer:
        setNumeric(v);
        break;
    case FieldKind::Currency:
        setNumeric(qint64(v) * 10000);
        break;
    case FieldKind::DateTime:
        accessError("Integer");
    default:
        setAsString(QString::number(v));
    }
}

QDateTime TField::AsDateTime() const
{
    switch (Kind()) {
    case FieldKind::DateTime: {
        const auto value = numeric(m_table.readRow(), m_index);
        return value ? FieldText::unpackDateTime(*value) : QDateTime();
    }
    case FieldKind::Integer:
    case FieldKind::Currency:
        accessError("DateTime");
    default: {
        const QString text = AsString();
        return text.isEmpty() ? QDateTime() : FieldText::unpackDateTime(FieldText::parseDate(text));
    }
    }
}

void TField::setAsDateTime(const QDateTime& v)
{
    switch (Kind()) {
    case FieldKind::DateTime:
        setNumeric(v.isValid() ? std::optional<qint64>(FieldText::packStorable(v)) : std::nullopt);
        break;
    case FieldKind::Integer:
    case FieldKind::Currency:
        accessError("DateTime");
    default:
        setAsString(v.isValid() ? FieldText::displayDate(FieldText::packDateTime(v)) : QString());
    }
}

qint64 TField::AsCurrency() const
{
    switch (Kind()) {
    case FieldKind::Currency:
        return numeric(m_table.readRow(), m_index).value_or(0);
    case FieldKind::Integer:
        return numeric(m_table.readRow(), m_index).value_or(0) * 10000;
    case FieldKind::DateTime:
        accessError("Currency");
    default: {
        const QString text = AsString();
        return text.isEmpty() ? 0 : FieldText::parseMoney(text);
    }
    }
}

void TField::setAsCurrency(qint64 v)
{
    switch (Kind()) {
    case FieldKind::Currency:
        setNumeric(v);
        break;
    case FieldKind::Integer:
        setNumeric((v + (v < 0 ? -5000 : 5000)) / 10000);
        break;
    case FieldKind::DateTime:
        accessError("Currency");
    default:
        setAsString(FieldText::editMoney(v));
    }
}

QString TField::DisplayText() const
{
    return text(false);
}

QString TField::EditText() const
{
    return text(true);
}

void TField::setEditText(const QString& text)
{
    if (text.isEmpty()) {
        Clear();
        return;
    }
    switch (Kind()) {
    case FieldKind::Integer:
        setNumeric(FieldText::parseInteger(text));
        break;
    case FieldKind::DateTime:
        setNumeric(FieldText::parseDate(text));
        break;
    case FieldKind::Currency:
        setNumeric(FieldText::parseMoney(text));
        break;
    default:
        setAsString(text);
    }
}

QString TField::text(bool edit) const
{
    if (Calculated())
        return m_table.calcOfReadRow();
    const Row* row = m_table.readRow();
    return row ? m_table.format(*row, m_index, edit) : QString();
}

void TField::setNumeric(std::optional<qint64> value)
{
    Row& row = m_table.rowToSet(m_index);
    const quint32 bit = 1u << m_index;
    qint64& slot = row.num[slotOf(m_index)];
    if (value ? (!(row.nulls & bit) && slot == *value) : bool(row.nulls & bit))
        return;
    if (value) {
        row.nulls &= ~bit;
        slot = *value;
    } else {
        row.nulls |= bit;
        slot = 0;
    }
    m_table.fieldSet(m_index);
}

int TField::toInteger(qint64 value) const
{
    // Another program may have stored more than 32 bits; never wrap it.
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw AppError(QStringLiteral("Value %1 of field '%2' is out of the range of a 32-bit integer")
                           .arg(value)
                           .arg(FieldName()));
    return int(value);
}

void TField::accessError(const char* type) const
{
    throw AppError(QStringLiteral("Cannot access field '%1' as type %2").arg(FieldName(), QLatin1String(type)));
}
