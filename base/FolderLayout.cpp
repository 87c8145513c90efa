#include "base/FolderLayout.h"

#include "base/IniFile.h"

FolderLayout::FolderLayout(const QString& folder)
    : m_folder(folder)
{
}

QString FolderLayout::path(const QString& name) const
{
    // At the root the names follow the slash directly.
    if (m_folder.endsWith(QLatin1Char('/')))
        return m_folder + name;
    return m_folder + QLatin1Char('/') + name;
}

QString FolderLayout::storeConnection() const
{
    const QString url = IniFile(settings()).readString(QStringLiteral("Database"), QStringLiteral("Url"));
    return url.isEmpty() ? QStringLiteral("Data Source=") + store() : url;
}
