#include "tests/support/OwnServer.h"

#include <QProcess>

OwnServer::OwnServer()
{
    if (script({ m_dir.path() }, &m_url))
        m_url = m_url.trimmed();
}

OwnServer::~OwnServer()
{
    if (!m_url.isEmpty())
        script({ QStringLiteral("--stop"), m_dir.path() });
}

bool OwnServer::kill()
{
    return script({ QStringLiteral("--kill"), m_dir.path() });
}

bool OwnServer::restart()
{
    return script({ QStringLiteral("--restart"), m_dir.path() });
}

bool OwnServer::script(const QStringList& arguments, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/scripts/start-postgres.sh"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return true;
}
