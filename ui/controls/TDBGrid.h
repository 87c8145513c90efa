#pragma once

#include <QTableView>

// The main window's ticket grid: whole rows, no editing, horizontal lines
// only, and the current row highlighted only while the grid has the focus.
// Tab and Shift+Tab move within the grid and never leave it.
class TDBGrid : public QTableView
{
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);

    // Fixes the column widths and the uniform row height; call once the
    // model is set.
    void applyColumnLayout();

    // Typing in the grid does not jump between rows: there is no search by
    // first letters (and with 100,000 rows it would stall the keyboard).
    void keyboardSearch(const QString& search) override;

signals:
    // A left double click anywhere in the rows' area, also below the last row
    // or in an empty grid, where Qt's doubleClicked stays silent.
    void doubleClickedAnywhere();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
