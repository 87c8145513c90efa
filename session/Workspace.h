#pragma once

#include "base/FolderLayout.h"
#include "lang/ExtraTexts.h"

#include <QObject>
#include <QString>
#include <QStringList>

struct LangFile;

// What the windows share: the working folder, the repair days and the texts
// of the language in use. The session owns it and every window is handed it
// when it is made; none of them reaches another window for it. New texts are
// announced, and each window puts them on its own controls.
class Workspace : public QObject
{
    Q_OBJECT

public:
    explicit Workspace(const FolderLayout& folder);

    // Where every file of the session is: the folder as the system reports it.
    const FolderLayout& folder() const { return m_folder; }

    QString VersionText = QStringLiteral("ver. 1.5");

    QStringList MainTexts;
    QStringList EditTexts;
    QStringList SettingsTexts;
    QStringList PrintTexts;
    QString LangName;
    QString NewTitle;
    QString EditTitle;
    // Texts of what goes beyond the four sections, from the same file.
    ExtraTexts Extra;

    int DayInc = 30;
    // Days of warranty from a repair's handover, printed on the handover slip.
    int WarrantyDays = 90;
    // The name last typed as who changed a status or handed a repair over at
    // this counter, offered the next time.
    QString LastWho;

    // Takes the name as LastWho; announces it when it changed.
    void rememberWho(const QString& who);

    // Takes a language file's texts and announces them. A file without a
    // name keeps the old name, and an editor section too short for the
    // editor keeps its titles.
    void takeTexts(const LangFile& file);
    void clearTexts();

signals:
    void textsChanged();
    void whoChanged();

private:
    FolderLayout m_folder;
};
