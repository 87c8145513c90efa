#pragma once

#include <QDate>
#include <QObject>
#include <QString>

class QThread;

// The copy of the ticket store taken at the first start of each day: into
// data/backup/data-YYYY-MM-DD.mdb, checked, then only the newest copies kept.
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
    static void run(const QString& dir, const QDate& today, int days);

    explicit DailyBackup(QObject* parent = nullptr);
    ~DailyBackup() override; // waits for a copy still being taken

    void start(const QString& dir, const QDate& today, int days);
    void wait();

signals:
    // On the owner's thread; the folder and the reason when the copy failed, both empty otherwise.
    void finished(const QString& folder, const QString& error);

private:
    QThread* m_thread = nullptr;
    QString m_error;
};
