#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace Platform {

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(strerror(errno));
}

} // namespace

LinkResult linkNoReplace(const QString& existing, const QString& name)
{
    LinkResult result;
    if (::link(QFile::encodeName(existing).constData(), QFile::encodeName(name).constData()) == 0) {
        result.done = true;
        return result;
    }
    result.exists = errno == EEXIST;
    result.unsupported = errno == EPERM || errno == ENOTSUP || errno == EXDEV;
    result.why = systemError();
    return result;
}

namespace {

// A rename lasts once the folders it changed are forced too.
void syncFolders(const QString& from, const QString& to)
{
    const QString fromDir = QFileInfo(from).absolutePath();
    const QString toDir = QFileInfo(to).absolutePath();
    syncFolder(toDir);
    if (fromDir != toDir)
        syncFolder(fromDir);
}

} // namespace

QString moveReplacing(const QString& from, const QString& to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return systemError();
    syncFolders(from, to);
    return {};
}

QString moveNoReplace(const QString& from, const QString& to, bool* exists)
{
    // A second name first, never over a file; then the first name goes.
    const LinkResult link = linkNoReplace(from, to);
    *exists = link.exists;
    if (link.done) {
        ::unlink(QFile::encodeName(from).constData());
    } else if (link.unsupported && !QFileInfo::exists(to)) {
        if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            return systemError();
    } else {
        return link.why;
    }
    syncFolders(from, to);
    return {};
}

QString forceFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return systemError();
    const bool forced = ::fsync(fd) == 0;
    const QString why = forced ? QString() : systemError();
    ::close(fd);
    return why;
}

void syncFolder(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa = {}, sb = {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QString fromWindows1250(QByteArrayView bytes)
{
    return QStringDecoder("windows-1250").decode(bytes);
}

QString userFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("trelomar"));
}

void preferHugePages(const void* start, size_t bytes)
{
#ifdef __linux__
    // Filling the block then costs one page fault per 2 MB instead of one per 4 kB.
    constexpr uintptr_t Huge = uintptr_t(2) << 20;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(start) + Huge - 1) & ~(Huge - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(Huge - 1);
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

// The stop signals only wake the event loop through a pipe; the rest runs there.
namespace {

const int Signals[] = { SIGTERM, SIGHUP, SIGINT };
int g_pipe[2] = { -1, -1 };

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

struct StopRequests::Impl {
    QSocketNotifier* notifier = nullptr;
};

StopRequests::StopRequests(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // then the signals keep their default actions
    m_impl = new Impl;
    m_impl->notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_impl->notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) { }
        emit stopRequested(false);
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : Signals)
        sigaction(sig, &action, nullptr);
}

StopRequests::~StopRequests()
{
    if (!m_impl)
        return;
    for (int sig : Signals)
        std::signal(sig, SIG_DFL);
    delete m_impl->notifier;
    delete m_impl;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

} // namespace Platform
