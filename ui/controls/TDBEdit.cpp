#include "ui/controls/TDBEdit.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "store/TField.h"
#include "ui/controls/OneLineBox.h"
#include "ui/controls/TFieldDataLink.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

TDBEdit::TDBEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_link(new TFieldDataLink(this))
{
    m_link->setOnDataChange([this] { showField(); });
    m_link->setOnUpdateData([this] { updateData(); });
    m_link->setOnSelectAll([this] { selectAll(); });
    OneLineBox::install(this);
    connect(this, &QLineEdit::textEdited, this, [this] { guarded([this] { m_link->userChanged(); }); });
}

void TDBEdit::setDataSource(TDataSource* source)
{
    m_link->setDataSource(source);
    applyField();
}

void TDBEdit::setDataField(const QString& name)
{
    m_link->setFieldName(name);
    applyField();
}

void TDBEdit::applyField()
{
    const TField* field = m_link->field();
    const QString mask = field ? field->EditMask() : QString();
    if (mask.isEmpty()) {
        m_mask.reset();
        setInputMask(QString());
    } else {
        m_mask.emplace(mask);
        setInputMask(m_mask->inputMask());
    }
    setMaxLength(field && field->Kind() == FieldKind::Text ? field->Size() : 32767);
    showField();
}

void TDBEdit::showField()
{
    const TField* field = m_link->field();
    const QString value = !field ? QString() : hasFocus() ? field->EditText() : field->DisplayText();
    // Showing the same value again keeps a whole-text selection, so that
    // typing still replaces it.
    const bool allSelected = hasSelectedText() && selectionStart() == 0 && selectionLength() == displayText().size();
    setText(value);
    if (allSelected)
        selectAll();
}

void TDBEdit::updateData()
{
    TField* field = m_link->field();
    if (m_mask) {
        const QString shown = displayText();
        if (m_mask->isBlank(shown))
            field->setEditText(QString());
        else if (!m_mask->isComplete(shown))
            throw AppError(
                QStringLiteral("'%1' is not a valid %2")
                    .arg(shown,
                        field->Kind() == FieldKind::DateTime ? QStringLiteral("date") : QStringLiteral("value")));
        else
            field->setEditText(m_mask->fieldText(shown));
    } else if (field->Kind() == FieldKind::Text || field->Kind() == FieldKind::Memo) {
        field->setAsString(text());
    } else {
        field->setEditText(text());
    }
}

void TDBEdit::keyPressEvent(QKeyEvent* event)
{
    guarded([&] {
        const QString typed = event->text();
        const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
        if (printable && !m_link->isValidChar(typed.at(0))) {
            QApplication::beep();
            event->accept();
            return;
        }
        const QString before = displayText();
        const int cursorBefore = cursorPosition();
        QLineEdit::keyPressEvent(event);
        // The mask ignores a character it has no place for: say so.
        if (printable && m_mask && displayText() == before && cursorPosition() == cursorBefore)
            QApplication::beep();
    });
}

void TDBEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    guarded([&] { m_link->focusIn(event->reason()); });
}

void TDBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    guarded([&] { m_link->focusOut(event->reason()); });
}
