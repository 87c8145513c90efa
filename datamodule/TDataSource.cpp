#include "datamodule/TDataSource.h"

#include "store/TicketStore.h"

TDataSource::TDataSource(TicketStore* dataSet, QObject* parent)
    : QObject(parent)
    , m_dataSet(dataSet)
{
    setObjectName(QStringLiteral("DataSource"));
    connect(dataSet, &TicketStore::dataSetChanged, this, &TDataSource::dataSetChanged);
    connect(dataSet, &TicketStore::currentChanged, this, &TDataSource::currentChanged);
    connect(dataSet, &TicketStore::stateChanged, this, &TDataSource::stateChanged);
    connect(dataSet, &TicketStore::fieldChanged, this, &TDataSource::fieldChanged);
    connect(dataSet, &TicketStore::updateRecordRequested, this, &TDataSource::updateRecordRequested);
}

void TDataSource::Edit()
{
    if (m_dataSet->State() == DataSetState::Browse)
        m_dataSet->Edit();
}
