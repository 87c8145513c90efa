#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

class TDataSource;
class TicketStore;

// The main window's grid over the ticket table: six columns of the listed
// rows' fields and their status at the right end; a ticket ready for pickup
// and an overdue one each have a colour of their own. It never copies tickets; every cell is read from the table when the
// view asks for it, so a reset costs the same for ten tickets or 100,000.
class TicketGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    static constexpr int StatusColumn = 6;
    static constexpr int StatusColumnWidth = 130;
    static const QColor ReadyColor;
    static const QColor OverdueColor;

    explicit TicketGridModel(QObject* parent = nullptr);

    // Binds the model to a data source; nullptr unbinds (an empty grid).
    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const;
    TicketStore* table() const; // nullptr when unbound

    // The table's current row, -1 when none or unbound.
    int currentRow() const;

    // The field (TicketRecord::Field; -1 for the status) and the design width of a column.
    static int columnField(int column);
    static int columnWidth(int column);

    QString columnTitle(int column) const;
    void setColumnTitle(int column, const QString& title);
    // The status column's texts, by TicketStatus::Status (None's is empty).
    void setStatusTexts(const QStringList& texts);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The table's current row moved, or the rows were read anew.
    void tableCurrentChanged();

private:
    void resetRows();
    void rowFieldsChanged();

    QPointer<TDataSource> m_source;
    QPointer<TicketStore> m_table;
    // Rows as the view last learnt them; the table's count changes only
    // together with a reset, so views never see a count without a signal.
    int m_rowCount = 0;
    std::array<QString, ColumnCount> m_titles;
    QStringList m_statusTexts;
};
