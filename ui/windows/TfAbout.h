#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class TfAbout;
}
class Workspace;

// What the program is and whom to tell about its use. Created for one use,
// shown modally; any key or the button closes it.
class TfAbout : public QDialog
{
    Q_OBJECT

public:
    TfAbout(const Workspace& workspace, QWidget* parent);
    ~TfAbout() override;

    // The lines of the about text, in order.
    static QStringList InfoLines();

    void spbtOKClick();
    void FormKeyDown(QKeyEvent* event);
    void FormActivate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    const Workspace& m_workspace; // its language texts
    std::unique_ptr<Ui::TfAbout> m_ui; // the controls, by their object names
};
