#include "session/Session.h"

#include "base/ErrorHandler.h"
#include "base/IniFile.h"
#include "base/TextList.h"
#include "lang/LangFile.h"

#include <QDir>
#include <QFile>

namespace {

const QString IniSection = QStringLiteral("Program");
const QString StatusSection = QStringLiteral("Status");
const QString HandoverSection = QStringLiteral("Handover");
constexpr int DefaultWarrantyDays = 90;

} // namespace

Session::Session(const FolderLayout& folder)
    : m_workspace(folder)
{
    // A folder that cannot be made is reported by whatever reads its files.
    QDir().mkpath(folder.dataFolder());
    EnsureFile(folder.towns());
    EnsureFile(folder.deviceTypes());
    EnsureFile(folder.ticketText());
    EnsureFile(folder.shopAddress());

    m_workspace.clearTexts();

    const IniFile ini(folder.settings());
    m_place.left = ini.readInteger(IniSection, QStringLiteral("Left"), m_place.left);
    m_place.top = ini.readInteger(IniSection, QStringLiteral("Top"), m_place.top);
    m_place.height = ini.readInteger(IniSection, QStringLiteral("Height"), m_place.height);
    m_workspace.DayInc = ini.readInteger(IniSection, QStringLiteral("DayInc"), 30);
    const int warranty = ini.readInteger(HandoverSection, QStringLiteral("WarrantyDays"), DefaultWarrantyDays);
    m_workspace.WarrantyDays = warranty < 0 ? DefaultWarrantyDays : warranty;
    m_workspace.LastWho = ini.readString(StatusSection, QStringLiteral("Who"));

    // The name is kept at once, so that a crash does not lose it.
    connect(&m_workspace, &Workspace::whoChanged, this, [this] { guarded([this] { writeWho(); }); });
}

void Session::writeWho()
{
    IniFile(folder().settings()).writeString(StatusSection, QStringLiteral("Who"), m_workspace.LastWho);
}

void Session::writeSettings(const WindowPlace& place)
{
    IniFile ini(folder().settings());
    ini.writeInteger(IniSection, QStringLiteral("Left"), place.left);
    ini.writeInteger(IniSection, QStringLiteral("Top"), place.top);
    ini.writeInteger(IniSection, QStringLiteral("Height"), place.height);
    ini.writeInteger(IniSection, QStringLiteral("DayInc"), m_workspace.DayInc);
    ini.writeInteger(HandoverSection, QStringLiteral("WarrantyDays"), m_workspace.WarrantyDays);
    // A name cleared was written when it was cleared.
    if (!m_workspace.LastWho.isEmpty())
        writeWho();
}

void Session::EnsureFile(const QString& path)
{
    if (QFile::exists(path))
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.close();
}

void Session::loadLists()
{
    // Towns read are shown even when the device types cannot be read.
    emit townsLoaded(TextList::read(folder().towns()));
    emit deviceTypesLoaded(TextList::read(folder().deviceTypes()));
}

void Session::applyLanguage(const QString& fileName)
{
    m_workspace.takeTexts(readLangFile(fileName));
}
