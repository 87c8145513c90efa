#pragma once

#include <QComboBox>

class TDataSource;
class TFieldDataLink;

// A drop-down bound to one field of the current row: it offers its items and
// takes any typed text. Typing completes from the first item that begins
// with the typed letters (case ignored), keeping the letters as typed and
// selecting the appended rest. Its items never change the field by themselves.
class TDBComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TDBComboBox(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source);
    // Binds the box; raises "ADOTable: Field 'x' not found" for an unknown name.
    void setDataField(const QString& name);
    TFieldDataLink* dataLink() const { return m_link; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void updateData();
    void complete();
    void keepTextOverItemChange();

    TFieldDataLink* m_link;
    QString m_textBeforeItemChange;
};
