#include "ui/controls/TDBComboBox.h"

#include "base/ErrorHandler.h"
#include "store/TField.h"
#include "ui/controls/OneLineBox.h"
#include "ui/controls/TFieldDataLink.h"

#include <QAbstractItemModel>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

TDBComboBox::TDBComboBox(QWidget* parent)
    : QComboBox(parent)
    , m_link(new TFieldDataLink(this))
{
    setEditable(true);
    // Our own completion keeps the typed case, which QCompleter replaces.
    setCompleter(nullptr);
    // Enter neither adds the text to the list nor swaps it for a listed one
    // that differs in case only.
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    // A placeholder stops the box from taking the first item as its text
    // when items arrive in an empty list.
    setPlaceholderText(QStringLiteral(" "));
    setMaxVisibleItems(8);

    m_link->setOnDataChange([this] { showField(); });
    m_link->setOnUpdateData([this] { updateData(); });
    m_link->setOnSelectAll([this] { lineEdit()->selectAll(); });
    OneLineBox::install(lineEdit());
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { guarded([this] { m_link->userChanged(); }); });
    connect(this, &QComboBox::activated, this, [this] { guarded([this] { m_link->userChanged(); }); });

    // Refilling the list (clear, remove) empties the text: keep it.
    QAbstractItemModel* items = model();
    auto save = [this] { m_textBeforeItemChange = lineEdit()->text(); };
    auto restore = [this] { keepTextOverItemChange(); };
    connect(items, &QAbstractItemModel::modelAboutToBeReset, this, save);
    connect(items, &QAbstractItemModel::rowsAboutToBeRemoved, this, save);
    connect(items, &QAbstractItemModel::rowsAboutToBeInserted, this, save);
    connect(items, &QAbstractItemModel::modelReset, this, restore);
    connect(items, &QAbstractItemModel::rowsRemoved, this, restore);
    connect(items, &QAbstractItemModel::rowsInserted, this, restore);
}

void TDBComboBox::setDataSource(TDataSource* source)
{
    m_link->setDataSource(source);
}

void TDBComboBox::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}

void TDBComboBox::showField()
{
    const TField* field = m_link->field();
    const QString value = !field ? QString() : hasFocus() ? field->EditText() : field->DisplayText();
    QLineEdit* edit = lineEdit();
    const bool allSelected = edit->hasSelectedText() && edit->selectedText() == edit->text();
    edit->setText(value);
    if (allSelected)
        edit->selectAll();
}

void TDBComboBox::updateData()
{
    TField* field = m_link->field();
    if (field->Kind() == FieldKind::Text || field->Kind() == FieldKind::Memo)
        field->setAsString(lineEdit()->text());
    else
        field->setEditText(lineEdit()->text());
}

void TDBComboBox::keepTextOverItemChange()
{
    if (lineEdit()->text() != m_textBeforeItemChange)
        lineEdit()->setText(m_textBeforeItemChange);
}

void TDBComboBox::complete()
{
    QLineEdit* edit = lineEdit();
    const QString typed = edit->text();
    if (typed.isEmpty() || edit->hasSelectedText() || edit->cursorPosition() != typed.size())
        return;
    for (int i = 0; i < count(); ++i) {
        const QString item = itemText(i);
        if (!item.startsWith(typed, Qt::CaseInsensitive))
            continue;
        if (item.size() > typed.size()) {
            edit->setText(typed + item.mid(typed.size()));
            edit->setSelection(int(typed.size()), int(item.size() - typed.size()));
        }
        return;
    }
}

void TDBComboBox::keyPressEvent(QKeyEvent* event)
{
    guarded([&] {
        const QString typed = event->text();
        const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
        QComboBox::keyPressEvent(event);
        if (printable && m_link->modified())
            complete();
    });
}

void TDBComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    guarded([&] { m_link->focusIn(event->reason()); });
}

void TDBComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    guarded([&] { m_link->focusOut(event->reason()); });
}
