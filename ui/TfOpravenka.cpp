#include "ui/TfOpravenka.h"

#include <QComboBox>

TfOpravenka* fOpravenka = nullptr;

TfOpravenka::TfOpravenka(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("fOpravenka"));
    dbcomboMesto = new QComboBox(this);
    dbcomboMesto->setObjectName(QStringLiteral("dbcomboMesto"));
    dbcomboMobil = new QComboBox(this);
    dbcomboMobil->setObjectName(QStringLiteral("dbcomboMobil"));
}

void TfOpravenka::ApplyLangTexts()
{
}
