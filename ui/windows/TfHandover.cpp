#include "ui/windows/TfHandover.h"
#include "ui_TfHandover.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "lang/LangSlots.h"
#include "session/Workspace.h"
#include "store/FieldText.h"
#include "store/TField.h"
#include "ui/windows/CurrentTicket.h"
#include "ui/windows/DialogLook.h"

#include <QApplication>
#include <QKeyEvent>

#include <array>

TfHandover::TfHandover(Workspace& workspace, TDM* data, QWidget* mainWindow)
    : QDialog(mainWindow, DialogLook::Flags)
    , m_workspace(workspace)
    , m_data(data)
    , m_ui(std::make_unique<Ui::TfHandover>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("fHandover"));
    DialogLook::apply(this);

    connect(m_ui->spbtOK, &QToolButton::clicked, this, [this] { guarded([this] { spbtOKClick(); }); });
    connect(m_ui->spbtTisk, &QToolButton::clicked, this, [this] { guarded([this] { spbtTiskClick(); }); });
    connect(m_ui->spbtCancel, &QToolButton::clicked, this, &QDialog::reject);
    ApplyLangTexts();
    connect(&m_workspace, &Workspace::textsChanged, this, [this] { guarded([this] { ApplyLangTexts(); }); });

    // Every key passes FormKeyDown before the control that has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

TfHandover::~TfHandover() = default;

void TfHandover::showForCurrent()
{
    m_ticket = CurrentTicket::require(m_workspace.Extra, m_data);
    // The history is read anew: another counter may have handed it over meanwhile.
    const std::vector<StatusEntry> history = m_data->ADOTable->statusHistory(m_ticket);
    if (CurrentTicket::newest(history) == TicketStatus::Status::Vydano)
        throw AppError(m_workspace.Extra.text(ExtraText::HandedOver)
                           .arg(m_data->ADOTablecislo->DisplayText(), CurrentTicket::localTime(history.front().time)));

    m_details = HandoverDetails {};
    m_details.number = m_data->ADOTablecislo->DisplayText();
    m_details.customer = m_data->ADOTablejmeno->DisplayText();
    m_details.device = m_data->ADOTabletelefon->DisplayText();
    m_details.imei = m_data->ADOTableIMEI->DisplayText();
    m_details.fault = m_data->ADOTablevada->DisplayText();
    m_ui->edCislo->setText(m_details.number);
    m_ui->edJmeno->setText(m_details.customer);
    m_ui->edTelefon->setText(m_details.device);
    m_ui->edIMEI->setText(m_details.imei);
    m_ui->edCena->setText(m_data->ADOTablecena->DisplayText());
    // The price as the editor's price box shows it for editing.
    m_ui->edAmount->setText(
        m_data->ADOTablecena->IsNull() ? QString() : FieldText::editMoney(m_data->ADOTablecena->AsCurrency()));
    m_ui->edWho->setText(m_workspace.LastWho);
    m_ui->edAmount->setFocus(Qt::OtherFocusReason);
    m_ui->edAmount->selectAll();
    exec();
}

void TfHandover::ApplyLangTexts()
{
    const ExtraTexts& texts = m_workspace.Extra;
    setWindowTitle(texts.text(ExtraText::HandoverTitle));
    m_ui->lbAmount->setText(texts.text(ExtraText::HandoverAmount));
    m_ui->lbWho->setText(texts.text(ExtraText::WhoLabel));
    m_ui->spbtOK->setText(texts.text(ExtraText::HandoverOk));
    m_ui->spbtTisk->setText(texts.text(ExtraText::HandoverPrint));
    m_ui->spbtCancel->setText(texts.text(ExtraText::CloseButton));
    // The ticket's own captions are the editor's.
    const QStringList& edit = m_workspace.EditTexts;
    if (!sectionHas(edit, EditText::Count))
        return;
    const std::array<std::pair<QLabel*, qsizetype>, 5> labels = { {
        { m_ui->lbCislo, 0 },
        { m_ui->lbJmeno, 1 },
        { m_ui->lbTelefon, 7 },
        { m_ui->lbIMEI, 8 },
        { m_ui->lbCena, 11 },
    } };
    for (const auto& [label, entry] : labels)
        label->setText(edit.at(EditText::FirstLabel + entry));
}

bool TfHandover::eventFilter(QObject* watched, QEvent* event)
{
    // A key travels up from the focused control: take it once, where it starts.
    if (event->type() == QEvent::KeyPress && isVisible() && !QApplication::activePopupWidget()
        && m_keyPreview.takes(watched, event)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        guarded([&] { FormKeyDown(key->key()); });
    }
    return QDialog::eventFilter(watched, event);
}

void TfHandover::FormKeyDown(int Key)
{
    switch (Key) {
    case Qt::Key_F2:
        spbtOKClick();
        break;
    case Qt::Key_F7:
        spbtTiskClick();
        break;
    case Qt::Key_Escape:
        reject();
        break;
    default:
        break;
    }
}

qint64 TfHandover::amount() const
{
    const QString text = m_ui->edAmount->text().trimmed();
    try {
        if (!text.isEmpty()) {
            const qint64 money = FieldText::parseMoney(text);
            if (money >= 0)
                return money;
        }
    } catch (const AppError&) {
        // The field's own message names a floating point value; the counter gets one of its own.
    }
    throw AppError(m_workspace.Extra.text(ExtraText::BadAmount).arg(text));
}

void TfHandover::spbtOKClick()
{
    const qint64 paid = amount();
    const QString who = m_ui->edWho->text().trimmed();
    m_data->ADOTable->addStatus(m_ticket, TicketStatus::code(TicketStatus::Status::Vydano), QString(), who, paid);
    m_workspace.rememberWho(who);
    accept();
}

void TfHandover::spbtTiskClick()
{
    HandoverDetails details = m_details;
    details.amount = amount();
    details.handedOver = QDateTime::currentDateTime();
    details.warrantyDays = m_workspace.WarrantyDays;
    HandoverSlip(details, m_workspace.folder().shopAddress(), m_workspace.Extra).printOnDefaultPrinter();
}
