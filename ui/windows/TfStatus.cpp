#include "ui/windows/TfStatus.h"
#include "ui_TfStatus.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "session/Workspace.h"
#include "store/TField.h"
#include "ui/windows/CurrentTicket.h"
#include "ui/windows/DialogLook.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

using TicketStatus::Status;

namespace {

// Index i of cbStatus is the status Prijato + i.
Status statusAt(int index)
{
    return Status(int(Status::Prijato) + index);
}

int indexOf(Status status)
{
    return status >= Status::Prijato && status <= Status::Vydano ? int(status) - int(Status::Prijato) : -1;
}

} // namespace

TfStatus::TfStatus(Workspace& workspace, TDM* data, QWidget* mainWindow)
    : QDialog(mainWindow, DialogLook::Flags)
    , m_workspace(workspace)
    , m_data(data)
    , m_ui(std::make_unique<Ui::TfStatus>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("fStatus"));
    DialogLook::apply(this);

    for (int i = 0; i < TicketStatus::Count; ++i)
        m_ui->cbStatus->addItem(QString(), TicketStatus::code(statusAt(i)));
    m_ui->lvHistory->header()->setStretchLastSection(true);
    m_ui->lvHistory->setColumnWidth(0, 100);
    m_ui->lvHistory->setColumnWidth(1, 110);
    m_ui->lvHistory->setColumnWidth(2, 200);

    connect(m_ui->spbtOK, &QToolButton::clicked, this, [this] { guarded([this] { spbtOKClick(); }); });
    connect(m_ui->spbtCancel, &QToolButton::clicked, this, &QDialog::reject);
    ApplyLangTexts();
    connect(&m_workspace, &Workspace::textsChanged, this, [this] { guarded([this] { ApplyLangTexts(); }); });

    // Every key passes FormKeyDown before the control that has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

TfStatus::~TfStatus() = default;

void TfStatus::showForCurrent()
{
    m_ticket = CurrentTicket::require(m_workspace.Extra, m_data);
    const std::vector<StatusEntry> history = m_data->ADOTable->statusHistory(m_ticket);
    m_ui->lbHeader->setText(m_workspace.Extra.text(ExtraText::StatusHeader)
                                .arg(m_data->ADOTablecislo->DisplayText(), m_data->ADOTablejmeno->DisplayText(),
                                    m_data->ADOTabletelefon->DisplayText()));
    fillHistory(history);
    // The history is read anew: another counter may have moved the repair on.
    m_startIndex = indexOf(CurrentTicket::newest(history));
    m_ui->cbStatus->setCurrentIndex(m_startIndex);
    m_ui->edNote->clear();
    m_ui->edWho->setText(m_workspace.LastWho);
    m_ui->cbStatus->setFocus(Qt::OtherFocusReason);
    exec();
}

void TfStatus::fillHistory(const std::vector<StatusEntry>& history)
{
    m_ui->lvHistory->clear();
    for (const StatusEntry& entry : history) {
        auto* item = new QTreeWidgetItem(m_ui->lvHistory);
        item->setText(0, CurrentTicket::localTime(entry.time));
        item->setText(1, CurrentTicket::statusText(m_workspace.Extra, entry.code));
        item->setText(2, entry.note);
        item->setText(3, entry.who);
    }
}

void TfStatus::ApplyLangTexts()
{
    const ExtraTexts& texts = m_workspace.Extra;
    setWindowTitle(texts.text(ExtraText::StatusTitle));
    m_ui->lvHistory->setHeaderLabels({ texts.text(ExtraText::StatusColTime), texts.text(ExtraText::StatusColStatus),
        texts.text(ExtraText::StatusColNote), texts.text(ExtraText::StatusColWho) });
    for (int i = 0; i < m_ui->cbStatus->count(); ++i)
        m_ui->cbStatus->setItemText(i, CurrentTicket::statusText(texts, TicketStatus::code(statusAt(i))));
    m_ui->lbStatus->setText(texts.text(ExtraText::StatusNew));
    m_ui->lbNote->setText(texts.text(ExtraText::StatusNote));
    m_ui->lbWho->setText(texts.text(ExtraText::WhoLabel));
    m_ui->spbtOK->setText(texts.text(ExtraText::StatusSave));
    m_ui->spbtCancel->setText(texts.text(ExtraText::CloseButton));
    // A history already shown takes the new status texts too.
    if (m_data && m_ticket != 0 && isVisible())
        fillHistory(m_data->ADOTable->statusHistory(m_ticket));
}

bool TfStatus::eventFilter(QObject* watched, QEvent* event)
{
    // A key travels up from the focused control: take it once, where it starts.
    if (event->type() == QEvent::KeyPress && isVisible() && !QApplication::activePopupWidget()
        && m_keyPreview.takes(watched, event)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        guarded([&] { FormKeyDown(key->key()); });
    }
    return QDialog::eventFilter(watched, event);
}

void TfStatus::FormKeyDown(int Key)
{
    if (Key == Qt::Key_F2)
        spbtOKClick();
    else if (Key == Qt::Key_Escape)
        reject();
}

void TfStatus::spbtOKClick()
{
    const int index = m_ui->cbStatus->currentIndex();
    const QString note = m_ui->edNote->text().trimmed();
    if (index == m_startIndex && note.isEmpty()) {
        accept();
        return;
    }
    // A ticket with no known status yet: a note needs a status to go with.
    if (index < 0)
        throw AppError(m_workspace.Extra.text(ExtraText::StatusChoose));
    const QString who = m_ui->edWho->text().trimmed();
    m_data->ADOTable->addStatus(m_ticket, TicketStatus::code(statusAt(index)), note, who);
    m_workspace.rememberWho(who);
    accept();
}
