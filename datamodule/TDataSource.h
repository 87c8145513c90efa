#pragma once

#include <QObject>

class TicketStore;

// Binds data-aware controls and the grid to the ticket table: it passes the
// table's notifications on and lets a control start editing.
class TDataSource : public QObject
{
    Q_OBJECT

public:
    explicit TDataSource(TicketStore* dataSet, QObject* parent = nullptr);

    TicketStore* DataSet() const { return m_dataSet; }

    // A control's first change: browse -> edit, insert on an empty table.
    void Edit();

signals:
    void dataSetChanged();
    void currentChanged();
    void stateChanged();
    void fieldChanged(int field);
    void updateRecordRequested();

private:
    TicketStore* m_dataSet;
};
