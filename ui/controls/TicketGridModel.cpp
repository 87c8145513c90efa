#include "ui/controls/TicketGridModel.h"

#include "datamodule/TDataSource.h"
#include "store/TicketStore.h"

namespace {

struct ColumnDef
{
    int field;
    const char16_t* title;
    int width;
};

using namespace TicketRecord;
// The IMEI column shows the field's own name: it has no title of its own.
constexpr std::array<ColumnDef, TicketGridModel::ColumnCount> Columns = { {
    { cislo, u"Evid. číslo", 60 },
    { jmeno, u"Objednatel", 155 },
    { telefon, u"Telefon", 107 },
    { prijato, u"Přijato", 70 },
    { vydej, u"Zhotovit do", 70 },
    { IMEI, u"IMEI", 110 },
    { -1, u"Stav", TicketGridModel::StatusColumnWidth },
} };

} // namespace

// Light enough for black text; a selected row shows the selection instead.
const QColor TicketGridModel::ReadyColor(196, 238, 196);
const QColor TicketGridModel::OverdueColor(255, 208, 208);

TicketGridModel::TicketGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    for (int column = 0; column < ColumnCount; ++column)
        m_titles[column] = QString::fromUtf16(Columns[column].title);
}

void TicketGridModel::setDataSource(TDataSource* source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_table = source ? source->DataSet() : nullptr;
    if (m_source) {
        connect(m_source, &TDataSource::dataSetChanged, this, &TicketGridModel::resetRows);
        connect(m_source, &TDataSource::currentChanged, this, &TicketGridModel::tableCurrentChanged);
        connect(m_source, &TDataSource::fieldChanged, this, &TicketGridModel::rowFieldsChanged);
    }
    resetRows();
}

TDataSource* TicketGridModel::dataSource() const
{
    return m_source;
}

TicketStore* TicketGridModel::table() const
{
    return m_source ? m_table.data() : nullptr;
}

int TicketGridModel::currentRow() const
{
    const TicketStore* t = table();
    const int row = t ? t->RecNo() : -1;
    return row < m_rowCount ? row : -1;
}

int TicketGridModel::columnField(int column)
{
    return Columns.at(column).field;
}

int TicketGridModel::columnWidth(int column)
{
    return Columns.at(column).width;
}

QString TicketGridModel::columnTitle(int column) const
{
    return m_titles.at(column);
}

void TicketGridModel::setColumnTitle(int column, const QString& title)
{
    m_titles.at(column) = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void TicketGridModel::setStatusTexts(const QStringList& texts)
{
    m_statusTexts = texts;
    if (m_rowCount > 0)
        emit dataChanged(index(0, StatusColumn), index(m_rowCount - 1, StatusColumn), { Qt::DisplayRole });
}

int TicketGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int TicketGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TicketGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount)
        return {};
    const int field = Columns[index.column()].field;
    const TicketStore* t = table();
    if (!t || index.row() >= t->RecordCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        if (field >= 0)
            return t->displayText(index.row(), field);
        const auto status = qsizetype(t->statusAt(index.row()));
        return status < m_statusTexts.size() ? m_statusTexts[status] : QString();
    }
    case Qt::BackgroundRole:
        if (t->listedIn(index.row(), TicketStatus::WorkList::Ready))
            return ReadyColor;
        if (t->listedIn(index.row(), TicketStatus::WorkList::Overdue))
            return OverdueColor;
        return {};
    case Qt::TextAlignmentRole:
        // Numbers line up on the right, as in any list of figures.
        return field == TicketRecord::cislo ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                            : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TicketGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_titles[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TicketGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TicketGridModel::resetRows()
{
    beginResetModel();
    const TicketStore* t = table();
    m_rowCount = t ? t->RecordCount() : 0;
    endResetModel();
    emit tableCurrentChanged();
}

void TicketGridModel::rowFieldsChanged()
{
    const int row = currentRow();
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1), { Qt::DisplayRole, Qt::BackgroundRole });
}
