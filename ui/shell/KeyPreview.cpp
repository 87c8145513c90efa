#include "ui/shell/KeyPreview.h"

#include "ui/shell/TApplication.h"

#include <QApplication>
#include <QWidget>

KeyPreview::KeyPreview(QWidget* window)
    : m_window(window)
{
}

bool KeyPreview::takes(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const quint64 press = TApplication::keyPressNumber();
    if (press == 0) {
        // Unnumbered presses: the focused control is where a press starts.
        QWidget* focus = QApplication::focusWidget();
        return watched == (focus && m_window->isAncestorOf(focus) ? static_cast<QObject*>(focus) : m_window);
    }
    if (press == m_lastPress)
        return false;
    m_lastPress = press;
    return true;
}
