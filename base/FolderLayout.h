#pragma once

#include <QString>

// Where a working folder keeps each of its files: the one place that spells
// their names. Every path is the folder's path followed by the file's name
// below it.
class FolderLayout
{
public:
    explicit FolderLayout(const QString& folder);

    const QString& folder() const { return m_folder; }

    QString dataFolder() const { return path(QStringLiteral("data")); }
    QString store() const { return path(QStringLiteral("data/data.mdb")); }
    QString backupFolder() const { return path(QStringLiteral("data/backup")); }
    QString towns() const { return path(QStringLiteral("data/mesta.txt")); }
    QString deviceTypes() const { return path(QStringLiteral("data/mobil.txt")); }
    QString ticketText() const { return path(QStringLiteral("data/tisk.txt")); }
    QString shopAddress() const { return path(QStringLiteral("data/firma.txt")); }
    QString languageFolder() const { return path(QStringLiteral("lang")); }
    QString defaultLanguage() const { return path(QStringLiteral("lang/default.lng")); }
    QString settings() const { return path(QStringLiteral("trelomar.ini")); }
    QString helpFile() const { return path(QStringLiteral("trelomar.hlp")); }

    // The ticket store the folder works with: the shop's server named by
    // [Database] Url of its settings, or else its own file.
    QString storeConnection() const;

private:
    QString path(const QString& name) const;

    QString m_folder;
};
