#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class TicketStore;

// Shows what other counters stored or deleted: when the table hears of such
// a change it is refreshed at once if nothing is going on here (no ticket
// pending, no modal window or menu open), otherwise as soon as that is so.
// The refresh keeps the current row.
class TIdleRefresh : public QObject
{
    Q_OBJECT

public:
    explicit TIdleRefresh(QObject* parent = nullptr);

    void setTable(TicketStore* table);
    bool isIdle() const;

private:
    void changed();
    void refreshWhenIdle();

    QPointer<TicketStore> m_table;
    QTimer m_retry;
    bool m_stale = false;
};
