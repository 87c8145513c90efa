#pragma once

#include "ui/controls/TEditMask.h"

#include <QLineEdit>

#include <optional>

class TDataSource;
class TFieldDataLink;

// An edit box bound to one field of the current row. It takes the field's
// text size as its length limit and the field's edit mask, refuses with a
// beep the characters the field cannot take, and selects its whole text when
// entered with the keyboard.
class TDBEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TDBEdit(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source);
    // Binds the box; raises "ADOTable: Field 'x' not found" for an unknown name.
    void setDataField(const QString& name);
    TFieldDataLink* dataLink() const { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyField();
    void showField();
    void updateData();
    void textEditedByUser();

    TFieldDataLink* m_link;
    std::optional<TEditMask> m_mask;
};
