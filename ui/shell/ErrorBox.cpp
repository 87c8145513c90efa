#include "ui/shell/ErrorBox.h"

#include "base/Application.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

void ErrorBox::report(const QString& message)
{
    qWarning().noquote() << "Error:" << message;
    QMessageBox::critical(QApplication::activeWindow(), Application::Title, message);
}
