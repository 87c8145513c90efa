#pragma once

#include <QStringList>

// The numbered entries of the four language sections, by name. Each section
// is used only when it holds at least the entries its reader needs (its
// Count, or fewer for a reader of the first entries alone).

struct MainText
{
    enum : qsizetype {
        FirstColumn = 0, // the grid's six column titles, in column order
        FindLabel = 6,
        FileMenu = 7,
        SetupItem = 8,
        ExitItem = 9,
        EditMenu = 10,
        NewItem = 11,
        EditItem = 12,
        DeleteItem = 13,
        HelpMenu = 14,
        HelpItem = 15,
        AboutItem = 16,
        NewTip = 17,
        EditTip = 18,
        DeleteTip = 19,
        SetupTip = 20,
        AboutTip = 21,
        ExitTip = 22,
        Count = 23
    };
};

struct EditText
{
    enum : qsizetype {
        FirstLabel = 0, // the fourteen box captions, from the number to the due date
        LabelCount = 14,
        PrintButton = 14,
        OkButton = 15,
        NewTitle = 16,
        EditTitle = 17,
        Count = 18
    };
};

struct SettingsText
{
    enum : qsizetype {
        AboutTitle = 0,
        AboutOk = 1,
        DeleteTitle = 2,
        DeleteQuestion = 3,
        DeleteYes = 4,
        DeleteNo = 5,
        SetupTitle = 6,
        FirmaButton = 7,
        MestaButton = 8,
        MobilyButton = 9,
        TiskButton = 10,
        SaveButton = 11,
        CloseButton = 12,
        DaysLabel = 13,
        LanguageLabel = 14,
        Count = 15,
        // What the dialogs that read only the first entries need.
        AboutCount = AboutOk + 1,
        DeleteCount = DeleteNo + 1
    };
};

struct PrintText
{
    enum : qsizetype { Count = 18 }; // the printed labels, in the print form's order
};

// Whether a section holds the entries a reader needs: a shorter one is left
// unused as a whole.
inline bool sectionHas(const QStringList& section, qsizetype needed)
{
    return section.size() >= needed;
}
