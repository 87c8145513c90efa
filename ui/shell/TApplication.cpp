#include "ui/shell/TApplication.h"

#include <QEvent>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QApplication::notify(receiver, event);
    // A handler may open a window and so deliver other presses before this
    // one has travelled on: each delivery keeps its own number.
    const quint64 outer = s_current;
    s_current = ++s_count;
    const bool result = QApplication::notify(receiver, event);
    s_current = outer;
    return result;
}
