#pragma once

#include <QObject>

namespace Platform {
class StopRequests;
}

// The stop requests of a session end or of a service manager (SIGTERM, SIGHUP,
// SIGINT; the end of a Windows session) close the program as Alt+F4 does:
// open dialogs are cancelled and the main window closes, so that the settings
// file is written as at every end. The closing runs in the event loop, once
// the main window is up (a signal during start-up waits for it); at the end of
// a Windows session it runs at once. One instance at a time.
class CloseOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit CloseOnSignal(QObject* parent = nullptr);
    ~CloseOnSignal() override; // the signals' default actions again

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onSignal(bool urgent);
    void closeMainWindow();

    Platform::StopRequests* m_requests;
    bool m_pending = false; // a signal came before the main window was up
    bool m_watching = false; // waiting for the main window to be shown
};
