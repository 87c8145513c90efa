#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

// The engine's progress window while a report prints: a bar and a Cancel
// button that stops the job. Closing the window or Esc cancels too.
class PrintProgress : public QDialog
{
    Q_OBJECT

public:
    explicit PrintProgress(QWidget* parent = nullptr);

    void setSteps(int steps);
    void setStep(int step);

    bool cancelled() const { return m_cancelled; }
    // Once the pages go to the printer they cannot be called back, so the
    // Cancel button is disabled then.
    void setCancellable(bool on);

signals:
    void cancelRequested();

protected:
    void reject() override; // Esc and the window's close button

private:
    void cancel();

    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};
