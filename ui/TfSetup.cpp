#include "ui/TfSetup.h"

TfSetup* fSetup = nullptr;

TfSetup::TfSetup(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("fSetup"));
}

void TfSetup::ApplyLangTexts()
{
}
