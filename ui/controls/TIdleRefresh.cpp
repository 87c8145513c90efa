#include "ui/controls/TIdleRefresh.h"

#include "base/ErrorHandler.h"
#include "store/TicketStore.h"

#include <QApplication>

TIdleRefresh::TIdleRefresh(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("IdleRefresh"));
    m_retry.setInterval(250);
    connect(&m_retry, &QTimer::timeout, this, &TIdleRefresh::refreshWhenIdle);
}

void TIdleRefresh::setTable(TicketStore* table)
{
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    if (table)
        connect(table, &TicketStore::changedElsewhere, this, &TIdleRefresh::changed);
}

bool TIdleRefresh::isIdle() const
{
    return m_table && m_table->Active() && m_table->State() == DataSetState::Browse
        && !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

void TIdleRefresh::changed()
{
    m_stale = true;
    refreshWhenIdle();
}

void TIdleRefresh::refreshWhenIdle()
{
    if (!m_stale || !m_table) {
        m_retry.stop();
        return;
    }
    if (!isIdle()) {
        m_retry.start(); // the open ticket or window is left alone; shown when it is done
        return;
    }
    m_stale = false;
    m_retry.stop();
    guarded([this] { m_table->Refresh(); });
}
