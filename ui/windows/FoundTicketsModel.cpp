#include "ui/windows/FoundTicketsModel.h"

void FoundTicketsModel::setHeaders(const QStringList& headers)
{
    if (headers.size() != m_headers.size()) {
        beginResetModel();
        m_headers = headers;
        endResetModel();
        return;
    }
    // New texts alone keep the columns' widths.
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, int(m_headers.size()) - 1);
}

void FoundTicketsModel::setRows(std::vector<QStringList> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int FoundTicketsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FoundTicketsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant FoundTicketsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= m_rows.size())
        return QVariant();
    return m_rows[size_t(index.row())].value(index.column());
}

QVariant FoundTicketsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QVariant();
    return m_headers.value(section);
}
