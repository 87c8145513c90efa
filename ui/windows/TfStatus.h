#pragma once

#include "store/TicketStore.h"
#include "ui/shell/KeyPreview.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfStatus;
}
class TDM;
class Workspace;

// The status of the current ticket's repair: its history, newest first, and
// a new status with a note and the name of who set it. Made for one use and
// shown modally over the main window; F2 stores, Esc leaves.
class TfStatus : public QDialog
{
    Q_OBJECT

public:
    TfStatus(Workspace& workspace, TDM* data, QWidget* mainWindow);
    ~TfStatus() override;

    // Opens on the current stored ticket. Raises AppError and opens nothing
    // when there is none to open (see CurrentTicket::require).
    void showForCurrent();

    // Puts the workspace's texts on this window's controls.
    void ApplyLangTexts();
    void FormKeyDown(int Key);
    // Stores the chosen status and the note as a new history row when either
    // changed, then closes; a failure leaves the window as it is.
    void spbtOKClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillHistory(const std::vector<StatusEntry>& history);

    Workspace& m_workspace; // texts, and the name remembered at this counter
    TDM* m_data; // owned by the program; outlives the window
    std::unique_ptr<Ui::TfStatus> m_ui; // the controls, by their object names
    TBookmark m_ticket = 0;
    int m_startIndex = -1; // cbStatus's index as opened: the current status
    KeyPreview m_keyPreview { this };
};
