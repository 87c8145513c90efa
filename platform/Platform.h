#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <cstddef>

// What the program needs from the operating system beyond Qt, each with the
// promise every platform keeps. One implementation a platform, chosen by the
// build (PlatformPosix.cpp, PlatformWindows.cpp); the rest of the program
// never asks which platform it runs on.
namespace Platform {

// Gives `existing` a second name `name` (a hard link) without ever replacing
// a file of that name. Fails with `exists` set when the name is taken, and
// with `unsupported` set where the file system has no hard links.
struct LinkResult {
    bool done = false;
    bool exists = false;
    bool unsupported = false;
    QString why; // the system's reason when not done
};
LinkResult linkNoReplace(const QString& existing, const QString& name);

// Moves a file over `to`, replacing it, durably (written through to the disk
// on return where the system allows). Returns the system's reason on failure.
QString moveReplacing(const QString& from, const QString& to);
// The same where a file named `to` must stay: fails, with `exists` set, when there is one.
QString moveNoReplace(const QString& from, const QString& to, bool* exists);

// Forces what was written to the file at `path` to the disk. Returns the
// system's reason on failure.
QString forceFile(const QString& path);

// Makes the renames and links of a folder durable where the system needs a
// separate step for it.
void syncFolder(const QString& dir);

// Whether two paths name the same file (hard links included).
bool sameFile(const QString& a, const QString& b);

// Text in the Windows-1250 code page, the one the shops' older files use.
QString fromWindows1250(QByteArrayView bytes);

// The folder an installed program works in when started from the menu.
QString userFolder();

// A hint that a large block not yet touched is better backed by large pages;
// nothing changes where the system declines.
void preferHugePages(const void* start, size_t bytes);

// Tells when the program is asked to stop from outside: the session ends
// (log-off, shutdown) or a service manager or terminal asks it to (SIGTERM,
// SIGHUP, SIGINT). `stopRequested` is emitted from the event loop; where the
// system ends the process as soon as the handler returns (the end of a
// Windows session), `urgent` is set and the receiver must finish its closing
// before returning. One instance at a time; deleting it restores the
// defaults.
class StopRequests : public QObject
{
    Q_OBJECT

public:
    explicit StopRequests(QObject* parent = nullptr);
    ~StopRequests() override;

signals:
    void stopRequested(bool urgent);

private:
    struct Impl;
    Impl* m_impl = nullptr;
};

} // namespace Platform
