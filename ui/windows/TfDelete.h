#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TfDelete;
}
class Workspace;

// Asks whether to delete the current ticket; the second line names it.
// Created for one use, shown modally; OK means delete.
class TfDelete : public QDialog
{
    Q_OBJECT

public:
    TfDelete(const Workspace& workspace, QWidget* parent);
    ~TfDelete() override;

    // The ticket line under the question, right-aligned like the question.
    void setDataText(const QString& text);

    void spbtOKClick();
    void spbtCancelClick();
    void FormKeyDown(QKeyEvent* event);
    void FormActivate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void placeLabels();

    const Workspace& m_workspace; // its language texts
    std::unique_ptr<Ui::TfDelete> m_ui; // the controls, by their object names
};
