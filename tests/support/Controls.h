#pragma once

#include <QWidget>

// A window's control found by its object name. A missing one ends the run
// naming it, rather than with a crash on a null pointer.
template <class T> T* control(const QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("%s has no control %s", qPrintable(window->objectName()), name);
    return found;
}
