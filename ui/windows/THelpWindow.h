#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class THelpWindow;
}

// The program's help: an HTML file shown in a window of its own, beside the
// main window and not modal. The main window keeps one and reuses it.
class THelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit THelpWindow(QWidget* parent = nullptr);
    ~THelpWindow() override;

    // Shows the help file at the topic of a help context (the anchor whose
    // name is the context number); raises "Cannot open file %s".
    void showContext(const QString& path, int context);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::THelpWindow> m_ui; // the controls, by their object names
};
