#include "session/DailyBackup.h"

#include "base/AppError.h"
#include "base/IniFile.h"
#include "store/StoreFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

int DailyBackup::configuredDays(const QString& iniPath)
{
    return std::max(0, IniFile(iniPath).readInteger(QStringLiteral("Backup"), QStringLiteral("Days"), DefaultDays));
}

void DailyBackup::run(const FolderLayout& work, const QDate& today, int days)
{
    if (days <= 0)
        return;
    const QString folder = work.backupFolder();
    const QString target = QDir(folder).filePath(StoreFile::dailyBackupName(today));
    if (QFileInfo::exists(target))
        return;
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("the folder cannot be created"));
    if (!QFileInfo(folder).isWritable())
        throw AppError(QStringLiteral("the folder is not writable"));
    StoreFile::backup(work.store(), target);
    // Older copies go only once the new one has passed its check.
    StoreFile::pruneBackups(folder, days, today);
}

DailyBackup::DailyBackup(QObject* parent)
    : QObject(parent)
{
}

DailyBackup::~DailyBackup()
{
    wait();
}

void DailyBackup::start(const FolderLayout& work, const QDate& today, int days)
{
    wait();
    m_thread = QThread::create([this, work, today, days] {
        try {
            run(work, today, days);
        } catch (const std::exception& error) {
            m_error = QString::fromUtf8(error.what());
        } catch (...) {
            m_error = QStringLiteral("Unknown error");
        }
    });
    connect(m_thread, &QThread::finished, this, [this, folder = work.backupFolder()] {
        if (!m_thread)
            return;
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
        const QString error = std::exchange(m_error, QString());
        emit finished(error.isEmpty() ? QString() : folder, error);
    });
    m_thread->start();
}

void DailyBackup::keepDaily(const FolderLayout& work, int days, std::function<QDate()> today, int checkMs)
{
    m_today = std::move(today);
    m_day = m_today();
    start(work, m_day, days);
    if (days <= 0)
        return;
    // A program left running over midnight takes the new day's copy too.
    if (!m_timer) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, [this, work, days] {
            const QDate day = m_today();
            if (day == m_day || m_thread) // a copy still being taken: the next check
                return;
            m_day = day;
            start(work, day, days);
        });
    }
    m_timer->start(checkMs);
}

void DailyBackup::wait()
{
    if (!m_thread)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_error.clear();
}
