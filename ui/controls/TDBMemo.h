#pragma once

#include <QPlainTextEdit>

class TDataSource;
class TFieldDataLink;

// A multi-line box bound to one field of the current row. Enter starts a new
// line; Tab moves on to the next control.
class TDBMemo : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TDBMemo(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source);
    // Binds the box; raises "ADOTable: Field 'x' not found" for an unknown name.
    void setDataField(const QString& name);
    TFieldDataLink* dataLink() const { return m_link; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showField();
    void updateData();
    void textChangedByUser();

    TFieldDataLink* m_link;
    bool m_showing = false;
    bool m_inChange = false;
};
