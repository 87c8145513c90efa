#pragma once

#include "lang/ExtraTexts.h"

#include <QObject>
#include <QString>
#include <QStringList>

struct LangFile;

// What the windows share: the working folder's file paths, the repair days
// and the texts of the language in use. The program's start-up owns it, the
// main window shows it as its own fields, and every other window is handed
// it when it is made; none of them reaches another window for it. New
// texts are announced, and each window puts them on its own controls.
class Workspace : public QObject
{
    Q_OBJECT

public:
    QString AppDir;
    QString VersionText = QStringLiteral("ver. 1.5");
    // The path table: AppDir followed by each file's relative name.
    QString PathMesta; // data/mesta.txt, the town list
    QString PathMobil; // data/mobil.txt, the device-type list
    QString PathTisk; // data/tisk.txt, the ticket text
    QString PathFirma; // data/firma.txt, the shop's address block
    QString PathDefaultLng; // lang/default.lng
    QString PathIni; // trelomar.ini

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

    // Sets AppDir and the path table below it.
    void setAppDir(const QString& dir);
    // Takes a language file's texts and announces them. A file without a
    // name keeps the old name, and an editor section too short for the
    // editor keeps its titles.
    void takeTexts(const LangFile& file);
    void clearTexts();

signals:
    void textsChanged();
};
