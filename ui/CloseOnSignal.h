#pragma once

#include <QObject>

class QSocketNotifier;

// The stop signals of a session end or of a service manager (SIGTERM, SIGHUP,
// SIGINT) close the program as Alt+F4 does: open dialogs are cancelled and the
// main window closes, so that the settings file is written as at every end.
// The signal handler only wakes the event loop; the closing runs there, once
// the main window is up (a signal during start-up waits for it). One
// instance at a time.
class CloseOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit CloseOnSignal(QObject* parent = nullptr);
    ~CloseOnSignal() override; // the signals' default actions again

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSignal();
    void closeMainWindow();

    QSocketNotifier* m_notifier = nullptr;
    bool m_pending = false; // a signal came before the main window was up
    bool m_watching = false; // waiting for the main window to be shown
};
