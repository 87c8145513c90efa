#include "tests/powercut/PowerFs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 10000;

bool unmountFolder(const QString& folder, bool lazy)
{
    QStringList args {QStringLiteral("-u"), folder};
    if (lazy)
        args.prepend(QStringLiteral("-z"));
    return QProcess::execute(QStringLiteral("fusermount3"), args) == 0;
}

} // namespace

PowerFs::PowerFs()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("disk"));
    QDir(m_dir.path()).mkpath(QStringLiteral("mnt"));
    m_process.setProgram(QStringLiteral(TRELOMAR_POWERFS));
    m_process.setArguments({disk(), mountPoint()});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

PowerFs::~PowerFs()
{
    if (m_process.state() != QProcess::NotRunning && !unmount()) {
        // A test still holding a file open keeps the mount busy: detach it and end the process.
        unmountFolder(mountPoint(), true);
        m_process.kill();
        m_process.waitForFinished(kWaitMs);
    }
}

QString PowerFs::unavailable()
{
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("/dev/fuse is missing or not usable");
    if (QStandardPaths::findExecutable(QStringLiteral("fusermount3")).isEmpty())
        return QStringLiteral("fusermount3 is missing (Debian package fuse3)");
    if (!QFileInfo(QStringLiteral(TRELOMAR_POWERFS)).isExecutable())
        return QStringLiteral("trelomar-powerfs is not built");
    return {};
}

bool PowerFs::fail(const QString& what)
{
    m_error = what;
    return false;
}

bool PowerFs::mount()
{
    if (!m_dir.isValid())
        return fail(QStringLiteral("no temporary folder"));
    m_process.start();
    // The file system says "ready" once the kernel has handed it the mount.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(kWaitMs))
            return fail(QStringLiteral("trelomar-powerfs did not mount: %1").arg(m_process.errorString()));
    }
    const QByteArray line = m_process.readLine().trimmed();
    return line == "ready" || fail(QStringLiteral("trelomar-powerfs said: %1").arg(QString::fromUtf8(line)));
}

bool PowerFs::cut(quint64 seed)
{
    const QByteArray control = QFile::encodeName(mountPoint() + QStringLiteral("/.powercut"));
    const QByteArray text = QByteArray::number(seed);
    const int fd = ::open(control.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("cannot open the control file: %1").arg(qt_error_string(errno)));
    const ssize_t written = ::write(fd, text.constData(), size_t(text.size()));
    const int error = errno;
    ::close(fd);
    return written == text.size() || fail(QStringLiteral("the cut failed: %1").arg(qt_error_string(error)));
}

bool PowerFs::unmount()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    if (!unmountFolder(mountPoint(), false))
        return fail(QStringLiteral("fusermount3 -u %1 failed").arg(mountPoint()));
    if (!m_process.waitForFinished(kWaitMs))
        return fail(QStringLiteral("trelomar-powerfs did not end after unmounting"));
    return (m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0)
        || fail(QStringLiteral("trelomar-powerfs ended with code %1").arg(m_process.exitCode()));
}
