#include "printout/report/PrintProgress.h"

#include "base/ErrorHandler.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

PrintProgress::PrintProgress(QWidget* parent)
    : QDialog(parent)
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("PrintProgress"));
    setWindowTitle(QStringLiteral("Printing progress"));
    setWindowModality(Qt::ApplicationModal);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setMinimumWidth(260);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, [this] { guarded([this] { cancel(); }); });
}

void PrintProgress::setSteps(int steps)
{
    m_bar->setRange(0, steps);
}

void PrintProgress::setStep(int step)
{
    m_bar->setValue(step);
}

void PrintProgress::setCancellable(bool on)
{
    m_cancel->setEnabled(on && !m_cancelled);
}

void PrintProgress::reject()
{
    guarded([this] { cancel(); });
}

void PrintProgress::cancel()
{
    if (m_cancelled || !m_cancel->isEnabled())
        return;
    m_cancelled = true;
    m_cancel->setEnabled(false);
    emit cancelRequested();
}
