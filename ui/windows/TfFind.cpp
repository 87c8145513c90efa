#include "ui/windows/TfFind.h"
#include "ui_TfFind.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "session/Workspace.h"
#include "ui/windows/FoundTicketsModel.h"
#include "ui/windows/DialogLook.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

TfFind::TfFind(Workspace& workspace, TDM* data, QWidget* mainWindow)
    : QDialog(mainWindow, DialogLook::Flags)
    , m_workspace(workspace)
    , m_data(data)
    , m_ui(std::make_unique<Ui::TfFind>())
    , m_model(new FoundTicketsModel(this))
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("fFind"));
    DialogLook::apply(this);

    QTreeView* list = m_ui->lvFound;
    list->setModel(m_model);
    ApplyLangTexts(); // the columns first, then their widths
    list->header()->setStretchLastSection(true);
    for (const auto& [column, width] : { std::pair { 0, 60 }, { 1, 80 }, { 2, 180 }, { 3, 120 }, { 4, 120 } })
        list->setColumnWidth(column, width);

    connect(m_ui->edQuery, &QLineEdit::textChanged, this, [this] { guarded([this] { edQueryChange(); }); });
    connect(list, &QTreeView::doubleClicked, this, [this] { guarded([this] { choose(Choice::Open); }); });
    connect(m_ui->spbtOpen, &QToolButton::clicked, this, [this] { guarded([this] { choose(Choice::Open); }); });
    connect(m_ui->spbtNew, &QToolButton::clicked, this,
        [this] { guarded([this] { choose(Choice::NewForCustomer); }); });
    connect(m_ui->spbtCancel, &QToolButton::clicked, this, &QDialog::reject);
    connect(&m_workspace, &Workspace::textsChanged, this, [this] { guarded([this] { ApplyLangTexts(); }); });

    // Every key passes FormKeyDown before the control that has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

TfFind::~TfFind() = default;

TfFind::Result TfFind::showFind(const QString& text)
{
    if (!m_data || !m_data->ADOTable->Active())
        throw AppError(m_workspace.Extra.text(ExtraText::NoTable));
    TicketStore* table = m_data->ADOTable;
    // The first search after a read makes the index; better while the window opens than at the first key.
    table->prepareFinder();
    // While this window is open the main window shows no other counter's
    // ticket; this one does, as every search reads the table anew.
    connect(table, &TicketStore::changedElsewhere, this, [this, table] { guarded([table] { table->Refresh(); }); });
    connect(table, &TicketStore::dataSetChanged, this, [this] { guarded([this] { edQueryChange(); }); });
    m_ui->edQuery->setText(text);
    edQueryChange();
    m_ui->edQuery->setFocus(Qt::OtherFocusReason);
    m_result = {};
    exec();
    return m_result;
}

void TfFind::edQueryChange()
{
    m_found = m_data->ADOTable->findCustomers(m_ui->edQuery->text(), Listed);
    std::vector<QStringList> rows;
    rows.reserve(m_found.tickets.size());
    for (const FoundTicket& ticket : m_found.tickets)
        rows.push_back({ ticket.cislo, ticket.prijato.left(10), ticket.jmeno, ticket.tel, ticket.telefon,
            statusText(ticket.status) });
    m_model->setRows(std::move(rows));
    // Enter opens the newest at once, as a scan of "T" and a number wants.
    setCurrentRow(0);

    const ExtraTexts& texts = m_workspace.Extra;
    const qint64 shown = qint64(m_found.tickets.size());
    if (m_found.total > shown)
        m_ui->lbMore->setText(texts.text(ExtraText::FindMore).arg(shown).arg(m_found.total));
    else if (m_found.total == 0 && !m_ui->edQuery->text().trimmed().isEmpty())
        m_ui->lbMore->setText(texts.text(ExtraText::FindNone));
    else
        m_ui->lbMore->clear();
}

QString TfFind::statusText(TicketStatus::Status status) const
{
    using TicketStatus::Status;
    if (status == Status::None)
        return QString();
    if (status == Status::Unknown)
        return m_workspace.Extra.text(ExtraText::StatusUnknown);
    return m_workspace.Extra.text(ExtraText(int(ExtraText::StatusPrijato) + int(status) - int(Status::Prijato)));
}

void TfFind::ApplyLangTexts()
{
    const ExtraTexts& texts = m_workspace.Extra;
    setWindowTitle(texts.text(ExtraText::FindTitle));
    m_ui->lbQuery->setText(texts.text(ExtraText::FindLabel));
    m_model->setHeaders({ texts.text(ExtraText::FindColNumber), texts.text(ExtraText::FindColDate),
        texts.text(ExtraText::FindColName), texts.text(ExtraText::FindColPhone), texts.text(ExtraText::FindColDevice),
        texts.text(ExtraText::ColumnStatus) });
    m_ui->spbtOpen->setText(texts.text(ExtraText::FindOpen));
    m_ui->spbtNew->setText(texts.text(ExtraText::FindNew));
    m_ui->spbtCancel->setText(texts.text(ExtraText::CloseButton));
    if (m_data && isVisible())
        edQueryChange();
}

bool TfFind::eventFilter(QObject* watched, QEvent* event)
{
    // A key travels up from the focused control: take it once, where it starts.
    if (event->type() == QEvent::KeyPress && isVisible() && !QApplication::activePopupWidget()
        && m_keyPreview.takes(watched, event)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool taken = false;
        guarded([&] { taken = FormKeyDown(key, watched == m_ui->edQuery); });
        if (taken)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TfFind::FormKeyDown(const QKeyEvent* key, bool inSearchBox)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose(Choice::Open);
        return true;
    case Qt::Key_Insert:
        if (key->modifiers() != Qt::ControlModifier)
            return false;
        choose(Choice::NewForCustomer);
        return true;
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The arrows move the list while the user types: the search box keeps the focus.
        if (!inSearchBox)
            return false;
        setCurrentRow(currentRow() + (key->key() == Qt::Key_Up ? -1 : 1));
        return true;
    default:
        return false;
    }
}

int TfFind::currentRow() const
{
    return m_ui->lvFound->currentIndex().row();
}

void TfFind::setCurrentRow(int row)
{
    const int rows = m_model->rowCount();
    if (rows > 0)
        m_ui->lvFound->setCurrentIndex(m_model->index(std::clamp(row, 0, rows - 1), 0));
}

void TfFind::choose(Choice choice)
{
    const int row = currentRow();
    if (row < 0 || size_t(row) >= m_found.tickets.size())
        return;
    m_result = { choice, m_found.tickets[size_t(row)] };
    accept();
}
