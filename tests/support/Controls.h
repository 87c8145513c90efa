#pragma once

#include <QApplication>
#include <QStyle>
#include <QWidget>

// Pixel measures taken in the Fusion style the Linux build draws with; the
// Windows build draws in the Windows style.
#define SKIP_UNLESS_FUSION()                                                   \
    do {                                                                       \
        if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0) \
            QSKIP("measured in the Fusion style; this build draws in another"); \
    } while (false)

// A window's control found by its object name. A missing one ends the run
// naming it, rather than with a crash on a null pointer.
template <class T> T* control(const QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("%s has no control %s", qPrintable(window->objectName()), name);
    return found;
}
