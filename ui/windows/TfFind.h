#pragma once

#include "store/TicketStore.h"
#include "ui/shell/KeyPreview.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class TfFind;
}
class FoundTicketsModel;
class QKeyEvent;
class TDM;
class Workspace;

// The customer finder: every stored ticket by the customer's name or phone
// number, the device's IMEI or the ticket's number, searched as the user
// types and listed newest first. Made for one use and shown modally over the
// main window: Enter or a double click opens the chosen ticket, Ctrl+Ins
// starts a new one for its customer, Esc leaves.
class TfFind : public QDialog
{
    Q_OBJECT

public:
    // At most this many are listed; a line says how many more match.
    static constexpr int Listed = 200;

    enum class Choice { None, Open, NewForCustomer };
    struct Result
    {
        Choice choice = Choice::None;
        FoundTicket ticket; // the chosen row
    };

    TfFind(Workspace& workspace, TDM* data, QWidget* mainWindow);
    ~TfFind() override;

    // Shows the tickets `text` finds and waits for the user. Raises AppError
    // and shows nothing without an open table.
    Result showFind(const QString& text = QString());

    // Puts the workspace's texts on this window's controls.
    void ApplyLangTexts();
    void edQueryChange();
    // True when the key is the window's and goes no further.
    bool FormKeyDown(const QKeyEvent* key, bool inSearchBox);
    // Closes the finder with the current row chosen; nothing without one.
    void choose(Choice choice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString statusText(TicketStatus::Status status) const;
    int currentRow() const;
    void setCurrentRow(int row);

    Workspace& m_workspace; // the texts
    TDM* m_data; // owned by the program; outlives the window
    std::unique_ptr<Ui::TfFind> m_ui; // the controls, by their object names
    FoundTicketsModel* m_model;
    FoundTickets m_found;
    Result m_result;
    KeyPreview m_keyPreview { this };
};
