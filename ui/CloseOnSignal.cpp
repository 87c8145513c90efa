#include "ui/CloseOnSignal.h"

#include <QApplication>
#include <QMainWindow>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int Signals[] = { SIGTERM, SIGHUP, SIGINT };
int g_pipe[2] = { -1, -1 };

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

// The program's one main window, once it is made.
QWidget* mainWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (qobject_cast<QMainWindow*>(window))
            return window;
    }
    return nullptr;
}

// Dialogs close first, as Esc would close them; one that refuses stays.
// Returns whether one was open.
bool closeDialogs()
{
    bool found = false;
    QWidget* const main = mainWindow();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window != main && window->isVisible() && (window->isModal() || window->inherits("QDialog"))) {
            window->close();
            found = true;
        }
    }
    return found;
}

// The main window closes from the program's own loop, once the dialogs' loops
// have unwound: closed inside one, it would not end the program. A dialog
// opened meanwhile (an error box while the window is shown) goes too.
void closeWhenNoDialog(int attempt)
{
    QTimer::singleShot(0, mainWindow(), [attempt] {
        if (closeDialogs() && attempt < 16)
            closeWhenNoDialog(attempt + 1);
        else if (QWidget* main = mainWindow())
            main->close();
    });
}

} // namespace

CloseOnSignal::CloseOnSignal(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // then the signals keep their default actions
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseOnSignal::onSignal);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : Signals)
        sigaction(sig, &action, nullptr);
}

CloseOnSignal::~CloseOnSignal()
{
    if (!m_notifier)
        return;
    for (int sig : Signals)
        std::signal(sig, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CloseOnSignal::onSignal()
{
    char bytes[16];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) { }
    closeDialogs();
    m_pending = true;
    closeMainWindow();
}

void CloseOnSignal::closeMainWindow()
{
    if (!m_pending)
        return;
    QWidget* const main = mainWindow();
    if (!main || !main->isVisible()) {
        if (!m_watching) {
            m_watching = true;
            qApp->installEventFilter(this);
        }
        return;
    }
    m_pending = false;
    // Once the dialogs' event loops have unwound, the main window closes as by Alt+F4.
    closeWhenNoDialog(0);
}

bool CloseOnSignal::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType() && watched == mainWindow()) {
        m_watching = false;
        qApp->removeEventFilter(this);
        closeMainWindow();
    }
    return QObject::eventFilter(watched, event);
}
