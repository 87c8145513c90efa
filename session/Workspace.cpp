#include "session/Workspace.h"

#include "lang/LangFile.h"
#include "lang/LangSlots.h"

Workspace::Workspace(const FolderLayout& folder)
    : m_folder(folder)
{
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

void Workspace::rememberWho(const QString& who)
{
    if (who == LastWho)
        return;
    LastWho = who;
    emit whoChanged();
}
