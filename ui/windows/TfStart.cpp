#include "ui/windows/TfStart.h"

#include "ui/windows/Icons.h"
#include "ui_TfStart.h"

#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

TfStart::TfStart(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_ui(std::make_unique<Ui::TfStart>())
{
    m_ui->setupUi(this);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(137, 159, 248));
    setPalette(pal);

    QPalette yellow = pal;
    yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));
    m_ui->lbOpr->setPalette(yellow);
    m_ui->lbStart->setPalette(yellow);
    m_ui->lbStart->adjustSize();
    m_ui->imgStart->setPixmap(Icons::named(QStringLiteral("trelomar")).pixmap(32, 32));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

TfStart::~TfStart() = default;
