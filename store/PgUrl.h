#pragma once

#include <QByteArray>
#include <QString>

// A postgresql:// URL split so that its password never reaches a text: libpq
// gets the URL without the password and the password as a parameter of its
// own, so that even its messages about a malformed URL cannot quote it. A
// password written unencoded (holding '/', '@' or ':') is still found: the
// user part ends at the last '@'.
class PgUrl
{
public:
    explicit PgUrl(const QString& url);

    const QByteArray& withoutPassword() const { return m_withoutPassword; }
    const QByteArray& password() const { return m_password; } // decoded; empty when the URL holds none
    // `text` with every spelling of the password, and the whole URL, replaced.
    QString redact(QString text) const;
    // "database D on host H", for messages.
    QString describe() const;

private:
    QString m_url;
    QByteArray m_withoutPassword;
    QByteArray m_password;
    QByteArray m_rawPassword; // as written in the URL
};
