#include "lang/Workspace.h"

#include "lang/LangFile.h"
#include "lang/LangSlots.h"

void Workspace::setAppDir(const QString& dir)
{
    AppDir = dir;
    // At the root the relative names follow the slash directly.
    const QString base = dir == QLatin1String("/") ? QString() : dir;
    PathMesta = base + QStringLiteral("/data/mesta.txt");
    PathMobil = base + QStringLiteral("/data/mobil.txt");
    PathTisk = base + QStringLiteral("/data/tisk.txt");
    PathFirma = base + QStringLiteral("/data/firma.txt");
    PathDefaultLng = base + QStringLiteral("/lang/default.lng");
    PathIni = base + QStringLiteral("/trelomar.ini");
}

void Workspace::takeTexts(const LangFile& file)
{
    MainTexts = file.main;
    EditTexts = file.edit;
    SettingsTexts = file.settings;
    PrintTexts = file.print;
    if (file.name)
        LangName = *file.name;
    Extra = ExtraTexts(file.extra, LangName);
    if (sectionHas(EditTexts, EditText::Count)) {
        NewTitle = EditTexts[EditText::NewTitle];
        EditTitle = EditTexts[EditText::EditTitle];
    }
    emit textsChanged();
}

void Workspace::clearTexts()
{
    MainTexts.clear();
    EditTexts.clear();
    SettingsTexts.clear();
    PrintTexts.clear();
}
