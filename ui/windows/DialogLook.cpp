#include "ui/windows/DialogLook.h"

#include "ui/windows/Icons.h"

#include <QDialog>

void DialogLook::apply(QDialog* dialog)
{
    dialog->setWindowIcon(Icons::named(QStringLiteral("trelomar")));
    dialog->setAutoFillBackground(true);
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, QColor(137, 159, 248));
    dialog->setPalette(pal);
}
