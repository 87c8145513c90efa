#include "ui/THelpWindow.h"

#include "app/AppError.h"
#include "app/ErrorHandler.h"

#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Trelomář – nápověda"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/help.svg")));
    resize(640, 560);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
}

void THelpWindow::showContext(const QString& path, int context)
{
    // The browser shows an unreadable file as an empty page; say why instead.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raiseCannotOpen(path);
    file.close();

    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(QString::number(context));
    m_browser->setSource(url, QTextDocument::HtmlResource);
    show();
    raise();
    activateWindow();
}

void THelpWindow::keyPressEvent(QKeyEvent* event)
{
    guarded([&] {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
            close();
        else
            QWidget::keyPressEvent(event);
    });
}
