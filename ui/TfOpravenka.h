#pragma once

#include "store/TicketStore.h"

#include <QDialog>

class QComboBox;

// The ticket editor: one modal window that fills in or changes the current
// ticket through boxes bound to its fields.
class TfOpravenka : public QDialog
{
    Q_OBJECT

public:
    explicit TfOpravenka(QWidget* parent = nullptr);

    // Puts the language texts that fMain holds on this window's controls.
    void ApplyLangTexts();

    bool IsNew = false;
    TBookmark StartBookmark = 0;

    QComboBox* dbcomboMesto;
    QComboBox* dbcomboMobil;
};

extern TfOpravenka* fOpravenka;
