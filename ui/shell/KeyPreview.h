#pragma once

#include <QtGlobal>

class QEvent;
class QObject;
class QWidget;

// A window sees every key before its controls: it watches itself and each of
// its children. Qt hands one press to the focused control and then to each
// parent in turn, and a handler that opens a window (the print progress, an
// error box) moves the focus meanwhile, so "the first receiver" cannot be
// told from the focus alone. The press's number can: the preview acts once
// per number.
class KeyPreview
{
public:
    explicit KeyPreview(QWidget* window);

    // Whether the window acts on this event: a key press it has not acted on
    // yet, seen where it starts.
    bool takes(QObject* watched, QEvent* event);

private:
    QWidget* m_window;
    quint64 m_lastPress = 0;
};
