#pragma once

#include <QDialog>
#include <QStringList>

// The setup window: the shop's four text files, the repair days and the language.
class TfSetup : public QDialog
{
    Q_OBJECT

public:
    explicit TfSetup(QWidget* parent = nullptr);

    // Puts the language texts that fMain holds on this window's controls.
    void ApplyLangTexts();

    QStringList LangFiles;
};

extern TfSetup* fSetup;
