#include "session/Workspace.h"

#include "base/FolderLayout.h"

#include "lang/LangFile.h"
#include "lang/LangSlots.h"

void Workspace::setAppDir(const QString& dir)
{
    AppDir = dir;
    const FolderLayout folder(dir);
    PathMesta = folder.towns();
    PathMobil = folder.deviceTypes();
    PathTisk = folder.ticketText();
    PathFirma = folder.shopAddress();
    PathDefaultLng = folder.defaultLanguage();
    PathIni = folder.settings();
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
