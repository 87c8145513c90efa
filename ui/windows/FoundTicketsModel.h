#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

// The customer finder's list: rows of texts set all at once, so that a
// keystroke costs one reset and the painting of the rows in view.
class FoundTicketsModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setHeaders(const QStringList& headers);
    void setRows(std::vector<QStringList> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::vector<QStringList> m_rows;
};
