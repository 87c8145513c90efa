#include "store/PgUrl.h"

#include <QList>

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>

namespace {

// Every '%' begins a two-digit hex code: otherwise the text was written unencoded.
bool percentEncoded(const QByteArray& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == '%' && !(i + 2 < text.size() && isxdigit(uchar(text[i + 1])) && isxdigit(uchar(text[i + 2]))))
            return false;
    return true;
}

} // namespace

PgUrl::PgUrl(const QString& url)
    : m_url(url.trimmed())
{
    const QByteArray text = m_url.toUtf8();
    const qsizetype start = text.indexOf("://");
    if (start < 0) {
        m_withoutPassword = text;
        return;
    }
    const qsizetype body = start + 3;
    // The query begins at the first '?' after the user part, which ends at the last '@'.
    const qsizetype lastAt = text.lastIndexOf('@');
    const qsizetype query = text.indexOf('?', std::max(lastAt, body));
    const QByteArray head = text.left(query < 0 ? text.size() : query);
    QByteArray rest = head.mid(body);
    QByteArray user;
    const qsizetype at = rest.lastIndexOf('@');
    if (at >= 0) {
        user = rest.left(at);
        rest = rest.mid(at + 1);
        const qsizetype colon = user.indexOf(':');
        if (colon >= 0) {
            m_rawPassword = user.mid(colon + 1);
            user.truncate(colon);
        }
    }
    QByteArray params;
    if (query >= 0)
        for (const QByteArray& param : text.mid(query + 1).split('&')) {
            if (param.startsWith("password=")) {
                m_rawPassword = param.mid(9);
                continue;
            }
            params += (params.isEmpty() ? "?" : "&") + param;
        }
    m_password = percentEncoded(m_rawPassword) ? QByteArray::fromPercentEncoding(m_rawPassword) : m_rawPassword;
    m_withoutPassword = text.left(body) + (user.isEmpty() ? QByteArray() : user + '@') + rest + params;
}

QString PgUrl::redact(QString text) const
{
    const QString hidden = QStringLiteral("***");
    if (!m_url.isEmpty())
        text.replace(m_url, QString::fromUtf8(m_withoutPassword));
    // libpq never sees the password, so this is a second line of defence; a
    // password of a few letters would turn every message into asterisks.
    for (const QByteArray& spelling : { m_rawPassword, m_password, m_password.toPercentEncoding() })
        if (spelling.size() >= 4)
            text.replace(QString::fromUtf8(spelling), hidden);
    return text;
}

QString PgUrl::describe() const
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(m_withoutPassword.constData(), &error);
    PQfreemem(error);
    QString host, port, dbname, user;
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        const QString value = o->val ? QString::fromUtf8(o->val) : QString();
        if (qstrcmp(o->keyword, "host") == 0)
            host = value;
        else if (qstrcmp(o->keyword, "port") == 0)
            port = value;
        else if (qstrcmp(o->keyword, "dbname") == 0)
            dbname = value;
        else if (qstrcmp(o->keyword, "user") == 0)
            user = value;
    }
    PQconninfoFree(options);
    if (dbname.isEmpty())
        dbname = user;
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return redact(QStringLiteral("database %1 on host %2").arg(dbname, port.isEmpty() ? host : host + u':' + port));
}
