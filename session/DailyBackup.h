#pragma once

#include "base/FolderLayout.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>

class QThread;
class QTimer;

// The copy of the ticket store taken at the first start of each day, and when
// the day changes while the program runs: into data/backup/data-YYYY-MM-DD.mdb,
// checked, then only the newest copies kept.
// It runs on a thread of its own so the main window never waits for it.
class DailyBackup : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultDays = 14;

    // [Backup] Days of the settings file, read leniently; 0 (or less) turns the copies off.
    static int configuredDays(const QString& iniPath);

    // The work itself, on the calling thread: nothing when the day's copy
    // exists or `days` is 0 or less. Raises AppError with the reason.
    static void run(const FolderLayout& folder, const QDate& today, int days);

    explicit DailyBackup(QObject* parent = nullptr);
    ~DailyBackup() override; // waits for a copy still being taken

    void start(const FolderLayout& folder, const QDate& today, int days);
    // Takes the copy of `today()` now and again whenever its date changes,
    // looked at every `checkMs`.
    void keepDaily(const FolderLayout& folder, int days, std::function<QDate()> today = &QDate::currentDate,
                   int checkMs = 60000);
    void wait();

signals:
    // On the owner's thread; the folder and the reason when the copy failed, both empty otherwise.
    void finished(const QString& folder, const QString& error);

private:
    QThread* m_thread = nullptr;
    QString m_error;
    QTimer* m_timer = nullptr;
    std::function<QDate()> m_today;
    QDate m_day; // of the last copy started
};
