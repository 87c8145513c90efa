#include "platform/Platform.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDir>
#include <QMetaObject>
#include <QPointer>
#include <QStandardPaths>

#include <atomic>

#include <windows.h>

namespace Platform {

namespace {

std::wstring wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString systemError(DWORD code = GetLastError())
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, int(length)).trimmed()
                             : QStringLiteral("system error %1").arg(code);
    LocalFree(text);
    return message;
}

} // namespace

LinkResult linkNoReplace(const QString& existing, const QString& name)
{
    LinkResult result;
    if (CreateHardLinkW(wide(name).c_str(), wide(existing).c_str(), nullptr)) {
        result.done = true;
        return result;
    }
    const DWORD code = GetLastError();
    result.exists = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
    // FAT and network shares without hard links.
    result.unsupported = code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED
        || code == ERROR_NOT_SAME_DEVICE || code == ERROR_ACCESS_DENIED;
    result.why = systemError(code);
    return result;
}

QString moveReplacing(const QString& from, const QString& to)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return systemError();
}

QString moveNoReplace(const QString& from, const QString& to, bool* exists)
{
    *exists = false;
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD code = GetLastError();
    *exists = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
    return systemError(code);
}

QString forceFile(const QString& path)
{
    // The cache is the file's, not the handle's: a handle of our own flushes what any other wrote.
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return systemError();
    const bool flushed = FlushFileBuffers(file);
    const QString why = flushed ? QString() : systemError();
    CloseHandle(file);
    return why;
}

void syncFolder(const QString&)
{
    // The moves are written through when they return; a folder has nothing more to flush.
}

bool sameFile(const QString& a, const QString& b)
{
    const auto identity = [](const QString& path, BY_HANDLE_FILE_INFORMATION& info) {
        const HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION ia = {}, ib = {};
    return identity(a, ia) && identity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber
        && ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

QString fromWindows1250(QByteArrayView bytes)
{
    // Qt decodes named code pages through ICU, which the Windows build leaves out.
    if (bytes.isEmpty())
        return {};
    const int size = int(bytes.size());
    QString text(MultiByteToWideChar(1250, 0, bytes.data(), size, nullptr, 0), Qt::Uninitialized);
    MultiByteToWideChar(1250, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), int(text.size()));
    return text;
}

QString userFolder()
{
    // %LOCALAPPDATA%\Trelomar: the shop's tickets stay on this PC, out of a roaming profile.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Trelomar"));
}

void preferHugePages(const void*, size_t)
{
    // Large pages need a privilege a shop's user does not hold.
}

// The end of the session arrives as window messages: the process may end as
// soon as they are answered, so the request is urgent. Ctrl+C and
// Ctrl+Break in a console arrive on a thread of their own and are passed to
// the event loop.
namespace {

std::atomic<StopRequests*> g_instance = nullptr;

class SessionEndFilter : public QAbstractNativeEventFilter
{
public:
    explicit SessionEndFilter(StopRequests* owner)
        : m_owner(owner)
    {
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        // The settings are written when the session asks whether it may end: a system that
        // ends it after the answer may not send WM_ENDSESSION before ending the process.
        // Sent to every top-level window, hidden ones included: acted on once.
        if (msg->message == WM_QUERYENDSESSION || (msg->message == WM_ENDSESSION && msg->wParam)) {
            if (!m_ended) {
                m_ended = true;
                emit m_owner->stopRequested(true);
            }
            *result = msg->message == WM_QUERYENDSESSION ? TRUE : 0;
            return true;
        }
        return false;
    }

private:
    StopRequests* m_owner;
    bool m_ended = false;
};

BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (StopRequests* const instance = g_instance)
        QMetaObject::invokeMethod(instance, [instance] { emit instance->stopRequested(false); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

struct StopRequests::Impl {
    SessionEndFilter filter;
};

StopRequests::StopRequests(QObject* parent)
    : QObject(parent), m_impl(new Impl { SessionEndFilter(this) })
{
    g_instance = this;
    QCoreApplication::instance()->installNativeEventFilter(&m_impl->filter);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

StopRequests::~StopRequests()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(&m_impl->filter);
    g_instance = nullptr;
    delete m_impl;
}

} // namespace Platform
