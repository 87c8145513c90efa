#pragma once

#include <QApplication>

// The program's application object. It numbers the key presses as it starts
// delivering each one, so that a window's key preview can tell a new press
// from the same press travelling on to the next parent (see KeyPreview).
class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The number of the key press being delivered now; 0 while none is, or
    // when the application object is not a TApplication.
    static quint64 keyPressNumber() { return s_current; }

private:
    static inline quint64 s_count = 0;
    static inline quint64 s_current = 0;
};
