#pragma once

#include <QString>
#include <QTest>
#include <QStringList>
#include <QTemporaryDir>

// The Windows build's tests, under Wine, cannot run the Linux script that
// starts and kills the server.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_OWN_SERVER() QSKIP("the test's own server is started by a Linux script")
#else
#define SKIP_WITHOUT_OWN_SERVER() static_cast<void>(0)
#endif

// A PostgreSQL server of the test's own, to be killed and started again
// without disturbing the shared one. Starting it needs root, as test.sh runs.
class OwnServer
{
public:
    OwnServer();
    ~OwnServer();
    OwnServer(const OwnServer&) = delete;
    OwnServer& operator=(const OwnServer&) = delete;

    const QString& url() const { return m_url; } // empty when it did not start
    bool kill();    // as a crash would
    bool restart(); // on the old socket and port

private:
    static bool script(const QStringList& arguments, QString* output = nullptr);

    QTemporaryDir m_dir;
    QString m_url;
};
