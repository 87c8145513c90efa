#include "ui/controls/TFieldDataLink.h"

#include "base/ErrorHandler.h"
#include "datamodule/TDataSource.h"
#include "store/TField.h"
#include "store/TicketStore.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>

TFieldDataLink::TFieldDataLink(QWidget* control)
    : QObject(control)
    , m_control(control)
{
}

void TFieldDataLink::focusIn(int focusReason)
{
    if (!m_modified && m_onDataChange)
        m_onDataChange();
    if (m_oneLine && entersByKeyboard(focusReason) && m_onSelectAll)
        m_onSelectAll();
}

void TFieldDataLink::focusOut(int focusReason)
{
    if (leavesControl(focusReason))
        updateRecord();
    if (m_oneLine && !m_modified && m_onDataChange)
        m_onDataChange();
}

void TFieldDataLink::setDataSource(TDataSource* source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_field = nullptr;
    if (m_source) {
        connect(m_source, &TDataSource::currentChanged, this, [this] { guarded([this] { dataChange(); }); });
        connect(m_source, &TDataSource::dataSetChanged, this, [this] { guarded([this] { dataChange(); }); });
        connect(m_source, &TDataSource::stateChanged, this, [this] { guarded([this] { stateChange(); }); });
        connect(m_source, &TDataSource::fieldChanged, this, [this](int f) { guarded([this, f] { fieldChange(f); }); });
        // Reached from the table's own row ending; the editor hands over
        // before it stores, so an error here is only reported.
        connect(m_source, &TDataSource::updateRecordRequested, this, [this] { guarded([this] { updateRecord(); }); });
        if (!m_fieldName.isEmpty())
            m_field = m_source->DataSet()->FieldByName(m_fieldName);
    }
    reset();
}

void TFieldDataLink::setFieldName(const QString& name)
{
    m_fieldName = name;
    m_field = m_source && !name.isEmpty() ? m_source->DataSet()->FieldByName(name) : nullptr;
    reset();
}

bool TFieldDataLink::userChanged()
{
    if (m_field && !m_modified) {
        TicketStore* table = m_source->DataSet();
        if (table->State() == DataSetState::Browse) {
            // The control keeps the text the user has just typed: the row it
            // shows is the same (or a blank new one).
            m_startingEdit = true;
            try {
                m_source->Edit();
            } catch (...) {
                m_startingEdit = false;
                reset();
                throw;
            }
            m_startingEdit = false;
        }
        if (table->State() != DataSetState::Edit && table->State() != DataSetState::Insert) {
            reset();
            QApplication::beep();
            return false;
        }
    }
    m_modified = true;
    emit edited();
    return true;
}

void TFieldDataLink::updateRecord()
{
    if (!m_modified || !m_field || !m_onUpdateData)
        return;
    try {
        m_onUpdateData();
    } catch (...) {
        m_control->setFocus(Qt::OtherFocusReason);
        if (m_onSelectAll)
            m_onSelectAll();
        throw;
    }
    reset();
}

bool TFieldDataLink::isValidChar(QChar c) const
{
    if (!m_field)
        return true;
    const bool digitOrSign = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
    switch (m_field->Kind()) {
    case FieldKind::Integer:
        return digitOrSign;
    case FieldKind::Currency:
        return digitOrSign || QLocale().decimalPoint() == QString(c);
    default:
        return true;
    }
}

void TFieldDataLink::reset()
{
    m_modified = false;
    if (m_onDataChange)
        m_onDataChange();
}

bool TFieldDataLink::leavesControl(int focusReason)
{
    return focusReason != Qt::ActiveWindowFocusReason && focusReason != Qt::PopupFocusReason;
}

bool TFieldDataLink::entersByKeyboard(int focusReason)
{
    return focusReason == Qt::TabFocusReason || focusReason == Qt::BacktabFocusReason
        || focusReason == Qt::ShortcutFocusReason;
}

void TFieldDataLink::dataChange()
{
    if (!m_startingEdit)
        reset();
}

void TFieldDataLink::stateChange()
{
    // Back in browse state a pending change is gone (Cancel); entering edit
    // state keeps what a control holds.
    const DataSetState state = m_source->DataSet()->State();
    if (state == DataSetState::Browse || state == DataSetState::Inactive || !m_modified)
        dataChange();
}

void TFieldDataLink::fieldChange(int field)
{
    if (field < 0 || (m_field && field == m_field->Index()))
        dataChange();
}
