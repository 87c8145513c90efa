#include "ui/windows/Icons.h"

#include <QFile>

QIcon Icons::named(const QString& name)
{
    const QString svg = QStringLiteral(":/icons/%1.svg").arg(name);
    if (QFile::exists(svg))
        return QIcon(svg);
    QIcon icon;
    for (int size : { 16, 24, 32, 48, 64 })
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}
