#pragma once

#include <QObject>
#include <QString>

#include <functional>

class TDataSource;
class TField;
class QWidget;

// Binds one control to one field of the current row: it tells the control
// when to show the field afresh, starts editing at the control's first
// change, and hands the control's text over to the field when asked.
class TFieldDataLink : public QObject
{
    Q_OBJECT

public:
    explicit TFieldDataLink(QWidget* control);

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return m_source; }
    // Raises "ADOTable: Field 'x' not found" for an unknown name.
    void setFieldName(const QString& name);
    TField* field() const { return m_field; }

    // The control shows the field: its display text, or its edit text while
    // the control has the focus.
    void setOnDataChange(std::function<void()> handler) { m_onDataChange = std::move(handler); }
    // The control hands its text over (TField::setEditText), raising the field's error.
    void setOnUpdateData(std::function<void()> handler) { m_onUpdateData = std::move(handler); }
    // Selects the control's whole text: after a refused text, when the
    // control has taken the focus back, and in a one-line control also when
    // the keyboard enters it.
    void setOnSelectAll(std::function<void()> handler, bool oneLine = true)
    {
        m_onSelectAll = std::move(handler);
        m_oneLine = oneLine;
    }

    // The control's focus events, alike in every bound control: entering
    // shows the field unless a change is pending; leaving for another control
    // hands the text over, and a one-line control then shows the field again.
    void focusIn(int focusReason);
    void focusOut(int focusReason);

    // The control holds a change the field has not taken yet.
    bool modified() const { return m_modified; }

    // Called right after the user changed the control's text: the first
    // change puts the row into edit state (a new row on an empty table).
    // False when the table takes no change (closed): the control shows the
    // field again and beeps.
    bool userChanged();

    // Hands a pending change over to the field; on a refusal the control
    // takes the focus back and the field's error travels on.
    void updateRecord();

    // Whether the field takes a typed character: numbers take digits and
    // signs, money also the locale's decimal separator; others anything.
    bool isValidChar(QChar c) const;

    // The control shows the field afresh, dropping a pending change.
    void reset();

    // A focus change that hands the text over: to another control, not to
    // another window or a drop-down list.
    static bool leavesControl(int focusReason);
    // A focus change by the keyboard (Tab, Shift+Tab, an accelerator): the
    // control then selects its whole text, so that typing replaces it.
    static bool entersByKeyboard(int focusReason);

signals:
    // The user changed the control's text (every change, not only the first).
    void edited();

private:
    void dataChange();
    void stateChange();
    void fieldChange(int field);

    QWidget* m_control;
    TDataSource* m_source = nullptr;
    TField* m_field = nullptr;
    QString m_fieldName;
    bool m_modified = false;
    bool m_startingEdit = false;
    bool m_oneLine = true;
    std::function<void()> m_onDataChange;
    std::function<void()> m_onUpdateData;
    std::function<void()> m_onSelectAll;
};
