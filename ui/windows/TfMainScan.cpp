// A ticket found in one step: scanned from the barcode of its printout, typed
// as "T" and its number, or chosen in the customer finder.
#include "ui/windows/TfMain.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "base/TopRow.h"
#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/windows/TfFind.h"
#include "ui/windows/TfOpravenka.h"
#include "ui_TfMain.h"

#include <QKeyEvent>
#include <QLineEdit>

bool TfMain::scanKey(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Shift:
    case Qt::Key_CapsLock:
        return false; // a capital T comes with Shift, or with Caps Lock as a small one
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_scan.size() > 1) {
            const qint64 cislo = m_scan.mid(1).toLongLong();
            m_scan.clear();
            guarded([this, cislo] { openScanned(cislo); });
            return true;
        }
        break;
    default: {
        const QString text = key->text();
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        // A scanner set to a US layout types the top row of a Czech keyboard for the digits.
        const QChar c = text.size() == 1 ? TopRow::digitOf(text[0]) : QChar();
        if (plain && (c == u'T' || c == u't')) {
            m_scan = QStringLiteral("T");
            return false;
        }
        // Ticket numbers fit 64 bits: no more digits than that.
        if (plain && !m_scan.isEmpty() && c.isDigit() && m_scan.size() <= 18) {
            m_scan += c;
            return false;
        }
        break;
    }
    }
    m_scan.clear();
    return false;
}

void TfMain::openScanned(qint64 cislo)
{
    // The typed text goes whatever is found, so that the next scan starts afresh.
    m_ui->edFind->clear();
    if (!m_data)
        return;
    const std::vector<TBookmark> ids = m_data->ADOTable->idsOfCislo(cislo);
    if (ids.empty())
        throw AppError(m_workspace.Extra.text(ExtraText::ScanUnknown).arg(cislo));
    if (ids.size() > 1) // the user picks one of them
        openFinder(QStringLiteral("T%1").arg(cislo));
    else
        openTicket(ids.front());
}

void TfMain::openTicket(TBookmark id)
{
    TicketStore* table = m_data->ADOTable;
    if (table->listedRowOf(id) < 0) {
        m_ui->edFind->clear();
        actViewExecute(TicketStatus::WorkList::All);
    }
    table->GotoBookmark(id);
    actEditExecute();
}

void TfMain::actFindExecute()
{
    openFinder(QString());
}

void TfMain::openFinder(const QString& text)
{
    TfFind finder(m_workspace, m_data, this);
    const TfFind::Result result = finder.showFind(text);
    switch (result.choice) {
    case TfFind::Choice::Open:
        openTicket(result.ticket.id);
        break;
    case TfFind::Choice::NewForCustomer:
        if (m_editor)
            m_editor->editNew(m_workspace.DayInc, &result.ticket);
        break;
    case TfFind::Choice::None:
        break;
    }
}
