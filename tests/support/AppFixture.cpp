#include "tests/support/AppFixture.h"

#include "base/FolderLayout.h"
#include "program/Program.h"
#include "store/TicketStore.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

namespace {

// The Czech language file the program ships; a name line alone until it exists.
QByteArray shippedCzech()
{
    QFile file(qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/cs.lng"));
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    return QByteArray("<name>\r\n\xc4\x8c" "esky\r\n");
}

} // namespace

AppFixture::AppFixture()
    : AppFixture(Options {})
{
}

AppFixture::AppFixture(Options options)
    : m_previousDir(QDir::currentPath())
{
    Q_ASSERT(m_dir.isValid());
    m_dirPath = QFileInfo(m_dir.path()).canonicalFilePath();
    QDir::setCurrent(m_dirPath);
    if (options.createDatabase) {
        QDir().mkpath(QStringLiteral("data"));
        TicketStore::createDatabase(path(QStringLiteral("data/data.mdb")));
    }
    if (options.defaultLanguage)
        writeFile(path(QStringLiteral("lang/default.lng")), shippedCzech());
    if (options.beforeStart)
        options.beforeStart(m_dirPath);
    m_program = std::make_unique<Program>(FolderLayout(m_dirPath));
    if (options.show) {
        m_program->showMainWindow();
        QCoreApplication::processEvents();
    }
}

AppFixture::~AppFixture()
{
    stop();
    QDir::setCurrent(m_previousDir);
}

void AppFixture::stop()
{
    m_program.reset();
}

QString AppFixture::path(const QString& relative) const
{
    return m_dirPath + QLatin1Char('/') + relative;
}

void AppFixture::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void whenModalShown(std::function<void(QWidget* modal)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

TfMain* AppFixture::fMain() const
{
    return m_program ? m_program->fMain() : nullptr;
}

TDM* AppFixture::DM() const
{
    return m_program ? m_program->DM() : nullptr;
}

TfSetup* AppFixture::fSetup() const
{
    return m_program ? m_program->fSetup() : nullptr;
}

TfOpravenka* AppFixture::fOpravenka() const
{
    return m_program ? m_program->fOpravenka() : nullptr;
}

Session& AppFixture::session() const
{
    return m_program->session();
}

bool AppFixture::inEditor(void (TfMain::*open)(), const std::function<void()>& steps) const
{
    bool closed = false;
    whenModalShown([&](QWidget* modal) {
        if (QTest::qWaitForWindowActive(modal))
            steps();
        closed = !modal->isVisible();
        if (!closed)
            fOpravenka()->QDialog::done(QDialog::Rejected);
    });
    (fMain()->*open)();
    return closed;
}
