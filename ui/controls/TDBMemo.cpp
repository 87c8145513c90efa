#include "ui/controls/TDBMemo.h"

#include "base/ErrorHandler.h"
#include "store/TField.h"
#include "ui/controls/TFieldDataLink.h"

#include <QFocusEvent>

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_link(new TFieldDataLink(this))
{
    setTabChangesFocus(true);
    m_link->setOnDataChange([this] { showField(); });
    m_link->setOnUpdateData([this] { updateData(); });
    // The memo keeps its cursor where the keyboard enters it.
    m_link->setOnSelectAll([this] { selectAll(); }, false);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { guarded([this] { textChangedByUser(); }); });
}

void TDBMemo::setDataSource(TDataSource* source)
{
    m_link->setDataSource(source);
}

void TDBMemo::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}

void TDBMemo::textChangedByUser()
{
    if (m_showing)
        return;
    m_inChange = true;
    try {
        m_link->userChanged();
    } catch (...) {
        m_inChange = false;
        throw;
    }
    m_inChange = false;
}

void TDBMemo::showField()
{
    if (m_inChange) {
        // A refused first change: the document is still inside its own edit, show the field once it is done.
        QMetaObject::invokeMethod(
            this, [this] { guarded([this] { showField(); }); }, Qt::QueuedConnection);
        return;
    }
    const TField* field = m_link->field();
    const QString value = field ? field->AsString() : QString();
    if (value == toPlainText())
        return;
    m_showing = true;
    setPlainText(value);
    m_showing = false;
}

void TDBMemo::updateData()
{
    m_link->field()->setAsString(toPlainText());
}

void TDBMemo::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    guarded([&] { m_link->focusIn(event->reason()); });
}

void TDBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    guarded([&] { m_link->focusOut(event->reason()); });
}
