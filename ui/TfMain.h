#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

// The main window: the ticket list and every command. It owns the state the
// other windows read: the base directory, the file paths, the repair days
// and the language texts.
class TfMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfMain(QWidget* parent = nullptr); // runs FormCreate
    ~TfMain() override;                         // runs FormDestroy

    QString AppDir;
    QString VersionText;
    // The path table: AppDir followed by each file's relative name.
    QString PathMesta;      // data/mesta.txt, the town list
    QString PathMobil;      // data/mobil.txt, the device-type list
    QString PathTisk;       // data/tisk.txt, the ticket text
    QString PathFirma;      // data/firma.txt, the shop's address block
    QString PathDefaultLng; // lang/default.lng
    QString PathIni;        // trelomar.ini

    QStringList MainTexts;
    QStringList EditTexts;
    QStringList SettingsTexts;
    QStringList PrintTexts;
    QString LangName;
    QString NewTitle;
    QString EditTitle;

    int DayInc = 30;

    static void EnsureFile(const QString& path);

    void FormCreate();
    void FormDestroy();
    void FormShow();

    // Fills the editor's town and device-type lists from their files.
    void LoadCombo();
    // Reads a language file and applies its texts to the main window, the
    // setup window and the editor; raises "Cannot open file %s".
    void ApplyLang(const QString& FileName);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_shown = false;
};

extern TfMain* fMain;
