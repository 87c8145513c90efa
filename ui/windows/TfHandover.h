#pragma once

#include "printout/HandoverSlip.h"
#include "store/TicketStore.h"
#include "ui/shell/KeyPreview.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfHandover;
}
class TDM;
class Workspace;

// Hands the current ticket's repaired device back: shows the ticket, takes
// the amount paid (the price by default) and who hands it over, records the
// handover in the ticket's history (F2) and prints the slip the customer
// signs (F7). Made for one use and shown modally over the main window.
class TfHandover : public QDialog
{
    Q_OBJECT

public:
    TfHandover(Workspace& workspace, TDM* data, QWidget* mainWindow);
    ~TfHandover() override;

    // Opens on the current stored ticket. Raises AppError and opens nothing
    // when there is none to open (see CurrentTicket::require) or when it has
    // been handed over already.
    void showForCurrent();

    // Puts the workspace's texts on this window's controls.
    void ApplyLangTexts();
    void FormKeyDown(int Key);
    // Records the handover with the amount paid, then closes.
    void spbtOKClick();
    // Prints the slip on the default printer; records nothing, stays open.
    void spbtTiskClick();

    // The amount box as ten-thousandths of a crown, typed as the editor's
    // price; raises the language's bad-amount text for anything else.
    qint64 amount() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Workspace& m_workspace; // texts, days, and the name remembered at this counter
    TDM* m_data; // owned by the program; outlives the window
    std::unique_ptr<Ui::TfHandover> m_ui; // the controls, by their object names
    TBookmark m_ticket = 0;
    HandoverDetails m_details; // the ticket as opened, for the slip
    KeyPreview m_keyPreview { this };
};
