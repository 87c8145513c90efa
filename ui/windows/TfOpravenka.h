#pragma once

#include "store/TicketStore.h"
#include "ui/shell/KeyPreview.h"

#include <QDialog>
#include <QPointer>

#include <memory>

namespace Ui {
class TfOpravenka;
}
class QComboBox;
class TDM;
class Workspace;

// The ticket editor: one modal window that fills in or changes the current
// ticket through boxes bound to its fields. It never leaves a ticket pending
// in the table: OK stores it (or drops a new one the user left untouched),
// Esc and the close box abandon it. Its texts, titles and the printout's
// files come from the workspace it is given, the ticket from the data
// module's table (none: OK only closes it); it opens centred on mainWindow.
class TfOpravenka : public QDialog
{
    Q_OBJECT

public:
    TfOpravenka(const Workspace& workspace, TDM* data, QWidget* mainWindow = nullptr);
    ~TfOpravenka() override;

    // Opens on a new ticket: the next free number, received today, due in
    // `days` days; with `customer`, that ticket's customer (name, address,
    // town, phone). A ticket the table cannot take is not left pending.
    void editNew(int days, const FoundTicket* customer = nullptr);
    // Opens on the current ticket.
    void editCurrent();
    // The choices of the town and device-type boxes; the ticket's own texts stay.
    void setTowns(const QStringList& towns);
    void setDeviceTypes(const QStringList& types);

    // Puts the workspace's editor texts on this window's controls.
    void ApplyLangTexts();
    // Shows lbImeiCheck when the IMEI box holds a full IMEI whose check
    // digit is wrong; a hint only, storing stays as it is.
    void UpdateImeiCheck();

    void FormShow();
    void FormActivate();
    // Sees every key before the focused control; the key goes on to it afterwards.
    void FormKeyDown(int Key, Qt::KeyboardModifiers Shift);
    void spbtOKClick();
    void spbtTiskClick();
    // Stores the ticket when its record holds a name. False when the editor
    // must stay open: a new ticket without a name that the user has typed into.
    bool SaveData();

    bool IsNew = false;
    TBookmark StartBookmark = 0;

public slots:
    // Esc, the close box, Alt+F4 and the system menu: the pending ticket is
    // cancelled, then the editor closes.
    void reject() override;

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindControls();
    static void replaceItems(QComboBox* combo, const QStringList& items);
    void handOver();
    void cancelPending();

    const Workspace& m_workspace;
    TDM* m_data; // owned by the program; outlives the editor
    QPointer<QWidget> m_mainWindow; // not the owner: the editor is a window of its own
    std::unique_ptr<Ui::TfOpravenka> m_ui; // the controls, by their object names
    bool m_userTyped = false;
    KeyPreview m_keyPreview { this };
};
