#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers every modal window that the code under test opens with exec(),
// once per showing, and keeps the object names it saw. A window that the
// answer leaves open is rejected after a few seconds and noted as
// "<name> left open", so a broken dialog fails the test instead of hanging
// it. Stops with its scope: nothing is left for the next test.
class ModalWatch
{
public:
    using Action = std::function<void(QWidget* modal)>;

    explicit ModalWatch(Action action = [](QWidget* modal) { reject(modal); })
        : m_action(std::move(action))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }

    static void reject(QWidget* modal)
    {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QStringList seen;

private:
    void tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            m_current = nullptr;
            return;
        }
        if (modal != m_current) {
            m_current = modal;
            m_deadline = QDeadlineTimer(5000);
            seen.append(modal->objectName());
            m_action(modal);
        } else if (m_deadline.hasExpired()) {
            seen.append(modal->objectName() + QStringLiteral(" left open"));
            reject(modal);
        }
    }

    Action m_action;
    QTimer m_timer;
    QPointer<QWidget> m_current;
    QDeadlineTimer m_deadline;
};
