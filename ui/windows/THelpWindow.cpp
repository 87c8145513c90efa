#include "ui/windows/THelpWindow.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "ui/windows/Icons.h"
#include "ui_THelpWindow.h"

#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QUrl>

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::THelpWindow>())
{
    m_ui->setupUi(this);
    setWindowIcon(Icons::named(QStringLiteral("help")));
}

THelpWindow::~THelpWindow() = default;

void THelpWindow::showContext(const QString& path, int context)
{
    // The browser shows an unreadable file as an empty page; say why instead.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raiseCannotOpen(path);
    file.close();

    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(QString::number(context));
    m_ui->HelpBrowser->setSource(url, QTextDocument::HtmlResource);
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
