#include "ui/TfStart.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>

TfStart::TfStart(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("fStart"));
    setWindowTitle(QStringLiteral("Start"));
    setFixedSize(208, 84);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(137, 159, 248));
    setPalette(pal);

    QPalette yellow = pal;
    yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));

    lbOpr = new QLabel(QStringLiteral("Trelomář"), this);
    lbOpr->setObjectName(QStringLiteral("lbOpr"));
    QFont title(QStringLiteral("Arial"), 16, QFont::Bold, true);
    lbOpr->setFont(title);
    lbOpr->setPalette(yellow);
    lbOpr->setGeometry(8, 16, 129, 24);

    lbStart = new QLabel(QStringLiteral("startuji program ..."), this);
    lbStart->setObjectName(QStringLiteral("lbStart"));
    QFont bold = font();
    bold.setBold(true);
    lbStart->setFont(bold);
    lbStart->setPalette(yellow);
    lbStart->move(88, 64);
    lbStart->adjustSize();

    imgStart = new QLabel(this);
    imgStart->setObjectName(QStringLiteral("imgStart"));
    imgStart->setGeometry(160, 16, 33, 33);
    imgStart->setPixmap(QIcon(QStringLiteral(":/icons/trelomar.svg")).pixmap(32, 32));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}
