#include "ui/shell/CloseOnSignal.h"

#include "platform/Platform.h"

#include <QApplication>
#include <QMainWindow>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

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
    : QObject(parent), m_requests(new Platform::StopRequests(this))
{
    connect(m_requests, &Platform::StopRequests::stopRequested, this, &CloseOnSignal::onSignal);
}

CloseOnSignal::~CloseOnSignal() = default;

void CloseOnSignal::onSignal(bool urgent)
{
    closeDialogs();
    if (urgent) {
        // The system ends the process once this returns: the main window closes now.
        if (QWidget* main = mainWindow())
            main->close();
        return;
    }
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
