#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The power-cut file system mounted for one test on a folder of its own:
// DISK holds what a disk holds, MOUNT is where the test writes. The process
// is the test's own; it is unmounted when this object goes, test failed or not.
//
//   PowerFs fs;
//   fs.mount();               // ... write under fs.mountPoint(), fsync what must last ...
//   fs.cut(seed);             // the power goes: what was not forced is lost as the seed says
//   fs.unmount();             // mount() again to go on
//
// fs.disk() holds what the disk would hold as soon as cut() returns. A file
// still open under the mount makes unmount() fail: end the writers first.
class PowerFs
{
public:
    PowerFs();
    ~PowerFs();
    PowerFs(const PowerFs&) = delete;
    PowerFs& operator=(const PowerFs&) = delete;

    // Why FUSE cannot be used here, or empty when it can.
    static QString unavailable();

    bool mount();
    // Cuts the power with a seed (0 loses all that was not forced); true once
    // the disk holds what is left. Every later operation on the mount fails with EIO.
    bool cut(quint64 seed);
    bool unmount();

    QString disk() const { return m_dir.filePath(QStringLiteral("disk")); }
    QString mountPoint() const { return m_dir.filePath(QStringLiteral("mnt")); }
    QString error() const { return m_error; }

private:
    bool fail(const QString& what);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_error;
};
