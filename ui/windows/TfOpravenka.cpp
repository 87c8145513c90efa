#include "ui/windows/TfOpravenka.h"
#include "ui_TfOpravenka.h"

#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "datamodule/TDataSource.h"
#include "lang/LangSlots.h"
#include "printout/TfPrint.h"
#include "session/Workspace.h"
#include "store/Imei.h"
#include "store/TField.h"
#include "store/TicketTexts.h"
#include "ui/controls/TDBComboBox.h"
#include "ui/controls/TDBEdit.h"
#include "ui/controls/TDBMemo.h"
#include "ui/controls/TFieldDataLink.h"
#include "ui/controls/TopRowDigits.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPrinterInfo>
#include <QSignalBlocker>

#include <array>

namespace {

// The editor's own icon: a ticket with a phone on it.
QIcon editorIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 50, 120), 1.5));
    p.setBrush(QColor(225, 232, 253));
    p.drawRoundedRect(QRectF(2.5, 4.5, 27, 23), 3, 3);
    p.setPen(QPen(QColor(137, 159, 248), 2));
    for (const int y : { 11, 16, 21 })
        p.drawLine(6, y, 16, y);
    p.setPen(QPen(QColor(30, 30, 30), 1.5));
    p.setBrush(QColor(70, 80, 90));
    p.drawRoundedRect(QRectF(19.5, 8.5, 7, 15), 1.5, 1.5);
    p.setBrush(QColor(190, 230, 255));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(21, 10.5, 4, 7));
    return QIcon(pixmap);
}

bool isEditState(const TicketStore* table)
{
    return table->State() == DataSetState::Edit || table->State() == DataSetState::Insert;
}

} // namespace

TfOpravenka::TfOpravenka(const Workspace& workspace, TDM* data, QWidget* mainWindow)
    : QDialog(nullptr,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_workspace(workspace)
    , m_data(data)
    , m_mainWindow(mainWindow)
    , m_ui(std::make_unique<Ui::TfOpravenka>())
{
    setObjectName(QStringLiteral("fOpravenka"));
    m_ui->setupUi(this);
    setWindowIcon(editorIcon());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(137, 159, 248));
    setPalette(pal);

    m_ui->bevMain->lower();
    m_ui->dbcomboDruh->addItems({ QStringLiteral("záruční"), QStringLiteral("pozáruční") });
    for (QLabel* label : findChildren<QLabel*>())
        label->adjustSize();

    connect(m_ui->dbedIMEI, &QLineEdit::textChanged, this, [this] { guarded([this] { UpdateImeiCheck(); }); });
    // An IMEI scanned from the phone's box with a US-layout scanner on a Czech PC.
    TopRowDigits::install(m_ui->dbedIMEI);
    connect(m_ui->spbtOK, &QToolButton::clicked, this, [this] { guarded([this] { spbtOKClick(); }); });
    connect(m_ui->spbtTisk, &QToolButton::clicked, this, [this] { guarded([this] { spbtTiskClick(); }); });

    guarded([this] { bindControls(); });
    connect(&m_workspace, &Workspace::textsChanged, this, [this] {
        guarded([this] { UpdateImeiCheck(); });
        guarded([this] { ApplyLangTexts(); });
    });

    // Every key passes FormKeyDown before the control that has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

TfOpravenka::~TfOpravenka() = default;

void TfOpravenka::editNew(int days, const FoundTicket* customer)
{
    if (!m_data)
        return;
    IsNew = true;
    TicketStore* table = m_data->ADOTable;
    table->setSort(QStringLiteral("cislo ASC"));
    table->Last();
    // The next number follows the largest stored one, also while a search
    // hides tickets, so that numbers stay unique.
    const int n = table->reserveCislo();
    table->Append();
    try {
        m_data->ADOTablecislo->setAsInteger(n);
        const QDate today = QDate::currentDate();
        m_data->ADOTableprijato->setAsDateTime(today.startOfDay());
        // A due date the file cannot hold (a huge number of days) is refused here.
        m_data->ADOTablevydej->setAsDateTime(today.addDays(days).startOfDay());
        if (customer) {
            m_data->ADOTablejmeno->setAsString(customer->jmeno);
            m_data->ADOTableadresa->setAsString(customer->adresa);
            m_data->ADOTablemesto->setAsString(customer->mesto);
            m_data->ADOTabletel->setAsString(customer->tel);
        }
    } catch (...) {
        // Left pending, the half-made ticket would be stored by the next move.
        table->Cancel();
        throw;
    }
    exec();
}

void TfOpravenka::editCurrent()
{
    IsNew = false;
    exec();
}

// Replaces a drop-down's items but keeps its text: the boxes show a field of
// the current ticket, and reloading the lists must not change it or start
// editing the ticket.
void TfOpravenka::replaceItems(QComboBox* combo, const QStringList& items)
{
    const QString text = combo->currentText();
    const QSignalBlocker blocker(combo);
    combo->clear();
    combo->addItems(items);
    if (combo->isEditable())
        combo->setEditText(text);
    else
        combo->setCurrentIndex(items.indexOf(text));
}

void TfOpravenka::setTowns(const QStringList& towns)
{
    replaceItems(m_ui->dbcomboMesto, towns);
}

void TfOpravenka::setDeviceTypes(const QStringList& types)
{
    replaceItems(m_ui->dbcomboMobil, types);
}

void TfOpravenka::bindControls()
{
    if (!m_data)
        return;
    const std::array<std::pair<TDBEdit*, const char*>, 10> edits = { {
        { m_ui->dbedCislo, "cislo" },
        { m_ui->dbedJmeno, "jmeno" },
        { m_ui->dbedAdresa, "adresa" },
        { m_ui->dbedTel, "tel" },
        { m_ui->dbedTechnik, "technik" },
        { m_ui->dbedIMEI, "IMEI" },
        { m_ui->dbedVada, "vada" },
        { m_ui->dbedCena, "cena" },
        { m_ui->dbedPrijem, "prijato" },
        { m_ui->dbedVydej, "vydej" },
    } };
    for (const auto& [edit, field] : edits) {
        edit->setDataSource(m_data->DataSource);
        edit->setDataField(QLatin1String(field));
    }
    const std::array<std::pair<TDBComboBox*, const char*>, 3> combos = { {
        { m_ui->dbcomboMesto, "mesto" },
        { m_ui->dbcomboDruh, "druh_opravy" },
        { m_ui->dbcomboMobil, "telefon" },
    } };
    for (const auto& [combo, field] : combos) {
        combo->setDataSource(m_data->DataSource);
        combo->setDataField(QLatin1String(field));
    }
    m_ui->dbmemKomplet->setDataSource(m_data->DataSource);
    m_ui->dbmemKomplet->setDataField(QStringLiteral("kompletnost"));

    for (TFieldDataLink* link : findChildren<TFieldDataLink*>())
        connect(link, &TFieldDataLink::edited, this, [this] { m_userTyped = true; });
}

void TfOpravenka::ApplyLangTexts()
{
    const QStringList& texts = m_workspace.EditTexts;
    if (!sectionHas(texts, EditText::Count))
        return;
    const std::array<QLabel*, EditText::LabelCount> labels = { m_ui->lbCislo, m_ui->lbJmeno, m_ui->lbAdresa,
        m_ui->lbMesto, m_ui->lbTel, m_ui->lbTechnik, m_ui->lbDruh, m_ui->lbTelefon, m_ui->lbIMEI, m_ui->lbKompletnost,
        m_ui->lbVada, m_ui->lbCena, m_ui->lbPrijato, m_ui->lbVydej };
    for (size_t i = 0; i < labels.size(); ++i) {
        labels[i]->setText(texts.at(EditText::FirstLabel + qsizetype(i)));
        labels[i]->adjustSize();
    }
    m_ui->spbtTisk->setText(texts.at(EditText::PrintButton));
    m_ui->spbtOK->setText(texts.at(EditText::OkButton));
}

void TfOpravenka::UpdateImeiCheck()
{
    const bool wrong = hasWrongImeiCheckDigit(m_ui->dbedIMEI->text());
    m_ui->lbImeiCheck->setText(wrong ? m_workspace.Extra.text(ExtraText::ImeiCheck) : QString());
    // On the caption's line, ending where the box ends.
    m_ui->lbImeiCheck->adjustSize();
    m_ui->lbImeiCheck->move(m_ui->dbedIMEI->geometry().right() + 1 - m_ui->lbImeiCheck->width(), m_ui->lbIMEI->y());
}

void TfOpravenka::setVisible(bool visible)
{
    // Centred on the main window, which does not own the editor.
    if (visible && !isVisible() && m_mainWindow && m_mainWindow->isVisible()) {
        const QRect main = m_mainWindow->frameGeometry();
        move(main.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::setVisible(visible);
}

void TfOpravenka::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guarded([this] { FormShow(); });
}

void TfOpravenka::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded([this] { FormActivate(); });
}

bool TfOpravenka::eventFilter(QObject* watched, QEvent* event)
{
    // A key travels up from the focused control: take it once, where it starts.
    if (event->type() == QEvent::KeyPress && isVisible() && !QApplication::activePopupWidget()
        && m_keyPreview.takes(watched, event)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        guarded([&] { FormKeyDown(key->key(), key->modifiers()); });
    }
    return QDialog::eventFilter(watched, event);
}

void TfOpravenka::FormShow()
{
    StartBookmark = m_data ? m_data->ADOTable->GetBookmark() : 0;
    m_userTyped = false;
    for (TFieldDataLink* link : findChildren<TFieldDataLink*>())
        link->reset();
    m_ui->dbedCislo->setFocus(Qt::OtherFocusReason);
    m_ui->dbedCislo->selectAll();
}

void TfOpravenka::FormActivate()
{
    setWindowTitle(IsNew ? m_workspace.NewTitle : m_workspace.EditTitle);
}

void TfOpravenka::FormKeyDown(int Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift); // Shift, Ctrl and Alt change nothing
    switch (Key) {
    case Qt::Key_Escape:
        reject();
        break;
    case Qt::Key_F2:
        spbtOKClick();
        break;
    case Qt::Key_F7:
        spbtTiskClick();
        break;
    default:
        break;
    }
}

void TfOpravenka::handOver()
{
    for (TFieldDataLink* link : findChildren<TFieldDataLink*>())
        link->updateRecord();
}

bool TfOpravenka::SaveData()
{
    TicketStore* table = m_data->ADOTable;
    if (!isEditState(table))
        return true;
    // The name test sees a name still being typed into its box.
    handOver();
    if (m_data->ADOTablejmeno->AsString().isEmpty()) {
        if (table->State() == DataSetState::Insert) {
            if (m_userTyped) {
                // Nothing typed is thrown away: the user adds a name or leaves with Esc.
                QApplication::beep();
                m_ui->dbedJmeno->setFocus(Qt::OtherFocusReason);
                m_ui->dbedJmeno->selectAll();
                return false;
            }
            table->Cancel();
        }
        return true;
    }
    table->UpdateRecord();
    table->Post();
    return true;
}

void TfOpravenka::spbtOKClick()
{
    if (!m_data) {
        accept();
        return;
    }
    if (!SaveData())
        return;
    TicketStore* table = m_data->ADOTable;
    // Ends an existing ticket still pending (stored when changed) and makes
    // the ticket the editor opened with current again.
    if (StartBookmark != 0 && (isEditState(table) || table->GetBookmark() != StartBookmark))
        table->GotoBookmark(StartBookmark);
    if (table->State() == DataSetState::Edit) {
        table->UpdateRecord();
        if (table->Modified())
            table->Post();
        else
            table->Cancel();
    }
    accept();
}

void TfOpravenka::spbtTiskClick()
{
    // The printout shows what the boxes show, the focused one included; the
    // ticket stays pending.
    handOver();
    // Without a printer nothing would come out: say so, rather than let the
    // counter believe the ticket was printed.
    if (QPrinterInfo::defaultPrinter().isNull())
        throw AppError(m_workspace.Extra.text(ExtraText::NoPrinter));
    TfPrint::PrintTicket(m_data ? ticketDisplayTexts(*m_data->ADOTable) : TicketTexts {}, m_workspace.folder().ticketText(),
        m_workspace.folder().shopAddress(), m_workspace.PrintTexts, m_workspace.LangName);
}

void TfOpravenka::cancelPending()
{
    if (m_data && isEditState(m_data->ADOTable))
        m_data->ADOTable->Cancel();
}

void TfOpravenka::reject()
{
    if (!isVisible())
        return;
    bool cancelled = false;
    guarded([&] {
        cancelPending();
        cancelled = true;
    });
    if (cancelled)
        QDialog::reject();
}
