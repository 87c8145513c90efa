#include "ui/TfOpravenka.h"
#include "ui_TfOpravenka.h"

#include "app/ErrorHandler.h"
#include "lang/LangSlots.h"
#include "lang/Workspace.h"
#include "print/TfPrint.h"
#include "store/Imei.h"
#include "store/TDM.h"
#include "store/TDataSource.h"
#include "store/TField.h"
#include "ui/TDBEdit.h"
#include "ui/TDBMemo.h"
#include "ui/TFieldDataLink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPrinterInfo>

#include <array>

TfOpravenka* fOpravenka = nullptr;

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

TfOpravenka::TfOpravenka(const Workspace& workspace, QWidget* mainWindow)
    : QDialog(nullptr,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_workspace(workspace)
    , m_mainWindow(mainWindow)
    , m_ui(std::make_unique<Ui::TfOpravenka>())
{
    setObjectName(QStringLiteral("fOpravenka"));
    m_ui->setupUi(this);
    setFixedSize(353, 383);
    setWindowIcon(editorIcon());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(137, 159, 248));
    setPalette(pal);

    bevMain = m_ui->bevMain;
    lbCislo = m_ui->lbCislo;
    lbJmeno = m_ui->lbJmeno;
    lbAdresa = m_ui->lbAdresa;
    lbMesto = m_ui->lbMesto;
    lbTel = m_ui->lbTel;
    lbTechnik = m_ui->lbTechnik;
    lbDruh = m_ui->lbDruh;
    lbTelefon = m_ui->lbTelefon;
    lbIMEI = m_ui->lbIMEI;
    lbKompletnost = m_ui->lbKompletnost;
    lbVada = m_ui->lbVada;
    lbCena = m_ui->lbCena;
    lbPrijato = m_ui->lbPrijato;
    lbVydej = m_ui->lbVydej;
    lbImeiCheck = m_ui->lbImeiCheck;
    dbedCislo = m_ui->dbedCislo;
    dbedJmeno = m_ui->dbedJmeno;
    dbedAdresa = m_ui->dbedAdresa;
    dbcomboMesto = m_ui->dbcomboMesto;
    dbedTel = m_ui->dbedTel;
    dbedTechnik = m_ui->dbedTechnik;
    dbcomboDruh = m_ui->dbcomboDruh;
    dbcomboMobil = m_ui->dbcomboMobil;
    dbedIMEI = m_ui->dbedIMEI;
    dbmemKomplet = m_ui->dbmemKomplet;
    dbedVada = m_ui->dbedVada;
    dbedCena = m_ui->dbedCena;
    dbedPrijem = m_ui->dbedPrijem;
    dbedVydej = m_ui->dbedVydej;
    spbtTisk = m_ui->spbtTisk;
    spbtOK = m_ui->spbtOK;

    bevMain->lower();
    dbcomboDruh->addItems({ QStringLiteral("záruční"), QStringLiteral("pozáruční") });
    for (QLabel* label : findChildren<QLabel*>())
        label->adjustSize();

    connect(dbedIMEI, &QLineEdit::textChanged, this, [this] { guarded([this] { UpdateImeiCheck(); }); });
    connect(spbtOK, &QToolButton::clicked, this, [this] { guarded([this] { spbtOKClick(); }); });
    connect(spbtTisk, &QToolButton::clicked, this, [this] { guarded([this] { spbtTiskClick(); }); });

    guarded([this] { bindControls(); });

    // Every key passes FormKeyDown before the control that has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

TfOpravenka::~TfOpravenka() = default;

void TfOpravenka::bindControls()
{
    if (!DM)
        return;
    const std::array<std::pair<TDBEdit*, const char*>, 10> edits = { {
        { dbedCislo, "cislo" },
        { dbedJmeno, "jmeno" },
        { dbedAdresa, "adresa" },
        { dbedTel, "tel" },
        { dbedTechnik, "technik" },
        { dbedIMEI, "IMEI" },
        { dbedVada, "vada" },
        { dbedCena, "cena" },
        { dbedPrijem, "prijato" },
        { dbedVydej, "vydej" },
    } };
    for (const auto& [edit, field] : edits) {
        edit->setDataSource(DM->DataSource);
        edit->setDataField(QLatin1String(field));
    }
    const std::array<std::pair<TDBComboBox*, const char*>, 3> combos = { {
        { dbcomboMesto, "mesto" },
        { dbcomboDruh, "druh_opravy" },
        { dbcomboMobil, "telefon" },
    } };
    for (const auto& [combo, field] : combos) {
        combo->setDataSource(DM->DataSource);
        combo->setDataField(QLatin1String(field));
    }
    dbmemKomplet->setDataSource(DM->DataSource);
    dbmemKomplet->setDataField(QStringLiteral("kompletnost"));

    for (TFieldDataLink* link : findChildren<TFieldDataLink*>())
        connect(link, &TFieldDataLink::edited, this, [this] { m_userTyped = true; });
}

void TfOpravenka::ApplyLangTexts()
{
    const QStringList& texts = m_workspace.EditTexts;
    if (!sectionHas(texts, EditText::Count))
        return;
    const std::array<QLabel*, EditText::LabelCount> labels = { lbCislo, lbJmeno, lbAdresa, lbMesto, lbTel, lbTechnik, lbDruh, lbTelefon,
        lbIMEI, lbKompletnost, lbVada, lbCena, lbPrijato, lbVydej };
    for (size_t i = 0; i < labels.size(); ++i) {
        labels[i]->setText(texts.at(EditText::FirstLabel + qsizetype(i)));
        labels[i]->adjustSize();
    }
    spbtTisk->setText(texts.at(EditText::PrintButton));
    spbtOK->setText(texts.at(EditText::OkButton));
}

void TfOpravenka::UpdateImeiCheck()
{
    const bool wrong = hasWrongImeiCheckDigit(dbedIMEI->text());
    lbImeiCheck->setText(wrong ? m_workspace.Extra.text(ExtraText::ImeiCheck) : QString());
    // On the caption's line, ending where the box ends.
    lbImeiCheck->adjustSize();
    lbImeiCheck->move(dbedIMEI->geometry().right() + 1 - lbImeiCheck->width(), lbIMEI->y());
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
    StartBookmark = DM ? DM->ADOTable->GetBookmark() : 0;
    m_userTyped = false;
    for (TFieldDataLink* link : findChildren<TFieldDataLink*>())
        link->reset();
    dbedCislo->setFocus(Qt::OtherFocusReason);
    dbedCislo->selectAll();
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
    TicketStore* table = DM->ADOTable;
    if (!isEditState(table))
        return true;
    // The name test sees a name still being typed into its box.
    handOver();
    if (DM->ADOTablejmeno->AsString().isEmpty()) {
        if (table->State() == DataSetState::Insert) {
            if (m_userTyped) {
                // Nothing typed is thrown away: the user adds a name or leaves with Esc.
                QApplication::beep();
                dbedJmeno->setFocus(Qt::OtherFocusReason);
                dbedJmeno->selectAll();
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
    if (!DM) {
        accept();
        return;
    }
    if (!SaveData())
        return;
    TicketStore* table = DM->ADOTable;
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
    TfPrint::PrintTicket(this, m_workspace.PathTisk, m_workspace.PathFirma, m_workspace.PrintTexts, m_workspace.LangName);
}

void TfOpravenka::cancelPending()
{
    if (DM && isEditState(DM->ADOTable))
        DM->ADOTable->Cancel();
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
