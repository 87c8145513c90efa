#include "ui/windows/TfMain.h"

#include "base/Application.h"
#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "datamodule/TDataSource.h"
#include "lang/LangFile.h"
#include "lang/LangSlots.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/controls/OneLineBox.h"
#include "ui/controls/TDBGrid.h"
#include "ui/controls/TIdleRefresh.h"
#include "ui/controls/TopRowDigits.h"
#include "ui/controls/TicketGridModel.h"
#include "ui/menu/TMenuPainter.h"
#include "ui/windows/Icons.h"
#include "ui/windows/THelpWindow.h"
#include "ui/windows/TfAbout.h"
#include "ui/windows/TfDelete.h"
#include "ui/windows/TfHandover.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"
#include "ui/windows/TfStatus.h"
#include "ui_TfMain.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <limits>
#include <memory>

static_assert(TfMain::WindowWidth == 600 + TicketGridModel::StatusColumnWidth, "the design's width and the status column");

namespace {

const QColor WindowColor(137, 159, 248);
const QColor LightColor(225, 232, 253);

bool isCtrlInsOrDel(const QKeyEvent* key)
{
    return (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier
        && (key->key() == Qt::Key_Insert || key->key() == Qt::Key_Delete);
}

} // namespace

TfMain::TfMain(Session& session, QWidget* parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_workspace(session.workspace())
    , m_ui(std::make_unique<Ui::TfMain>())
{
    m_ui->setupUi(this);
    setWindowIcon(Icons::named(QStringLiteral("trelomar")));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, WindowColor);
    setPalette(pal);

    createImages();
    connectCommands();
    connectToolBar();
    connectGrid();
    connectBottomPanel();
    connectMenus();
    createMenuPainter();
    m_ui->DBGrid->setFocus();
    connect(&m_workspace, &Workspace::textsChanged, this, [this] { guarded([this] { applyLangTexts(); }); });
    m_midnight = new QTimer(this);
    m_midnight->setObjectName(QStringLiteral("MidnightTimer"));
    m_midnight->setSingleShot(true);
    connect(m_midnight, &QTimer::timeout, this, [this] {
        guarded([this] {
            if (m_data)
                m_data->ADOTable->setToday(QDate::currentDate());
            showCounts();
        });
        startMidnightTimer();
    });
    startMidnightTimer();

    // Every key of the window passes the scan's watch first, whichever control has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    guarded([this] { FormCreate(); });
}

TfMain::~TfMain()
{
    // The painter goes before the menus, so that it still finds them.
    delete MenuPainter;
    MenuPainter = nullptr;
    guarded([this] { FormDestroy(); });
}

void TfMain::createImages()
{
    for (const char* name : { "new", "edit", "delete", "setup", "about", "exit" })
        Images.append(Icons::named(QLatin1String(name)));
}

void TfMain::connectGrid()
{
    TDBGrid* grid = m_ui->DBGrid;
    // The grid and its scroll bars keep the system's colours, not the window's.
    QPalette pal = grid->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    grid->setPalette(pal);
    m_gridModel = new TicketGridModel(this);
    m_gridModel->setObjectName(QStringLiteral("GridModel"));
    grid->setModel(m_gridModel);
    grid->applyColumnLayout();

    connect(m_gridModel, &TicketGridModel::tableCurrentChanged, this, &TfMain::showCurrentRow);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TfMain::DBGridRowChanged);
    connect(grid, &TDBGrid::doubleClickedAnywhere, this, [this] { guarded([this] { DBGridDblClick(); }); });
    connect(grid, &QWidget::customContextMenuRequested, this,
        [this, grid](const QPoint& pos) { m_ui->Popup->popup(grid->viewport()->mapToGlobal(pos)); });
    grid->installEventFilter(this);
}

void TfMain::connectBottomPanel()
{
    QPalette pal = m_ui->panBottom->palette();
    pal.setColor(QPalette::Window, LightColor);
    m_ui->panBottom->setPalette(pal);
    m_ui->lbFind->adjustSize();

    m_ui->edFind->installEventFilter(this);
    OneLineBox::install(m_ui->edFind);
    TopRowDigits::install(m_ui->edFind);
    connect(m_ui->edFind, &QLineEdit::textChanged, this,
        [this](const QString& text) { guarded([this, &text] { edFindChange(text); }); });
}

QMenu* TfMain::createPopupMenu()
{
    // No menu for hiding the toolbar: the window's layout is fixed.
    return nullptr;
}

void TfMain::FormCreate()
{
    // The window's own limits apply to the height it was left at.
    const Session::WindowPlace& place = m_session.windowPlace();
    move(place.left, place.top);
    resize(WindowWidth, std::max(400, place.height));
}

void TfMain::FormDestroy()
{
    m_workspace.clearTexts();
    if (!m_settingsWritten)
        WriteSettings();
}

void TfMain::WriteSettings()
{
    m_settingsWritten = true;
    m_session.writeSettings({ pos().x(), pos().y(), height() });
}

void TfMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    m_settingsWritten = false;
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    guarded([this] { ConnectDataSource(); });
    guarded([this] { FormShow(); });
}

void TfMain::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        guarded([this] { WriteSettings(); });
}

void TfMain::ConnectDataSource()
{
    if (!m_data || m_gridModel->dataSource() == m_data->DataSource)
        return;
    m_gridModel->setDataSource(m_data->DataSource);
    if (!m_idleRefresh)
        m_idleRefresh = new TIdleRefresh(this);
    m_idleRefresh->setTable(m_data->ADOTable);
    // The data module goes before this window at the end: let go of it while
    // its table still stands.
    connect(m_data, &QObject::destroyed, m_gridModel, [model = m_gridModel] { model->setDataSource(nullptr); });
    // Counted again only when a ticket or a status changed (the table keeps the counts).
    connect(m_data->ADOTable, &TicketStore::dataSetChanged, this, [this] { guarded([this] { showCounts(); }); });
    showCounts();
}

void TfMain::FormShow()
{
    // A town list that cannot be read must not keep the language from
    // being applied: each step reports its own error.
    guarded([this] { LoadCombo(); });
    guarded([this] { ApplyLang(PathDefaultLng()); });
}

void TfMain::LoadCombo()
{
    m_session.loadLists();
}

void TfMain::ApplyLang(const QString& FileName)
{
    m_session.applyLanguage(FileName);
}

void TfMain::applyLangTexts()
{
    setWindowTitle(mainWindowTitle(m_workspace.LangName, m_workspace.VersionText));
    // A section too short for its window is skipped as a whole.
    if (sectionHas(m_workspace.MainTexts, MainText::Count))
        applyMainTexts();
    applyExtraTexts();
}

void TfMain::applyExtraTexts()
{
    const ExtraTexts& extra = m_workspace.Extra;
    m_gridModel->setColumnTitle(TicketGridModel::StatusColumn, extra.text(ExtraText::ColumnStatus));
    QStringList statuses { QString() };
    for (int status = 0; status < TicketStatus::Count; ++status)
        statuses << extra.text(ExtraText(int(ExtraText::StatusPrijato) + status));
    statuses << extra.text(ExtraText::StatusUnknown);
    m_gridModel->setStatusTexts(statuses);

    // Each command's caption, on the command and on the menu items that show it.
    const struct
    {
        QAction* command;
        ExtraText text;
        std::initializer_list<QAction*> items;
    } commands[] = {
        { m_ui->actFind, ExtraText::FindItem, { m_ui->mmFind } },
        { m_ui->actStatus, ExtraText::StatusItem, { m_ui->mmStatus, m_ui->popStatus } },
        { m_ui->actHandover, ExtraText::HandoverItem, { m_ui->mmHandover, m_ui->popHandover } },
        { m_ui->actViewAll, ExtraText::ViewAll, { m_ui->mmViewAll } },
        { m_ui->actViewOpen, ExtraText::ViewOpen, { m_ui->mmViewOpen } },
        { m_ui->actViewReady, ExtraText::ViewReady, { m_ui->mmViewReady } },
        { m_ui->actViewOverdue, ExtraText::ViewOverdue, { m_ui->mmViewOverdue } },
        { m_ui->actViewWaiting, ExtraText::ViewWaiting, { m_ui->mmViewWaiting } },
    };
    for (const auto& [command, text, items] : commands) {
        command->setText(extra.text(text));
        for (QAction* item : items)
            setMenuItemCaption(item, extra.text(text));
    }
    m_ui->mmView->setTitle(extra.text(ExtraText::ViewMenu));
    showCounts();
}

void TfMain::showCounts()
{
    const TicketStore* table = m_data ? m_data->ADOTable : nullptr;
    if (!table || !table->statusOn()) {
        m_ui->lbCounts->clear();
        return;
    }
    m_ui->lbCounts->setText(m_workspace.Extra.text(ExtraText::ListCounts)
                                .arg(table->countIn(TicketStatus::WorkList::Ready))
                                .arg(table->countIn(TicketStatus::WorkList::Overdue)));
}

void TfMain::startMidnightTimer()
{
    // A second after midnight, so that the new day has surely begun.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime next(now.date().addDays(1), QTime(0, 0, 1));
    m_midnight->start(int(std::clamp<qint64>(now.msecsTo(next), 1000, 86'401'000)));
}

void TfMain::useWindows(TDM* data, TfSetup* setup, TfOpravenka* editor)
{
    m_data = data;
    m_setup = setup;
    m_editor = editor;
}

void TfMain::applyMainTexts()
{
    const QStringList& MainTexts = m_workspace.MainTexts;
    for (int column = 0; column < TicketGridModel::ColumnCount; ++column)
        m_gridModel->setColumnTitle(column, MainTexts[MainText::FirstColumn + column]);

    m_ui->lbFind->setText(MainTexts[MainText::FindLabel]);
    m_ui->lbFind->adjustSize();
    m_ui->edFind->move(m_ui->lbFind->x() + m_ui->lbFind->width() + 10, m_ui->edFind->y());

    m_ui->mmSoubor->setTitle(MainTexts[MainText::FileMenu]);
    setMenuItemCaption(m_ui->mmNastaveni, MainTexts[MainText::SetupItem]);
    setMenuItemCaption(m_ui->mmKonec, MainTexts[MainText::ExitItem]);
    m_ui->mmEdit->setTitle(MainTexts[MainText::EditMenu]);
    setMenuItemCaption(m_ui->mmNew, MainTexts[MainText::NewItem]);
    setMenuItemCaption(m_ui->mmUpravit, MainTexts[MainText::EditItem]);
    setMenuItemCaption(m_ui->mmDelete, MainTexts[MainText::DeleteItem]);
    m_ui->mmAbout->setTitle(MainTexts[MainText::HelpMenu]);
    setMenuItemCaption(m_ui->mmHelp, MainTexts[MainText::HelpItem]);
    setMenuItemCaption(m_ui->mmOprog, MainTexts[MainText::AboutItem]);

    m_ui->tbNew->setToolTip(MainTexts[MainText::NewTip]);
    m_ui->tbEdit->setToolTip(MainTexts[MainText::EditTip]);
    m_ui->tbDelete->setToolTip(MainTexts[MainText::DeleteTip]);
    m_ui->tbSetup->setToolTip(MainTexts[MainText::SetupTip]);
    m_ui->tbAbout->setToolTip(MainTexts[MainText::AboutTip]);
    m_ui->tbKonec->setToolTip(MainTexts[MainText::ExitTip]);
}

void TfMain::actNewExecute()
{
    if (m_editor)
        m_editor->editNew(m_workspace.DayInc);
}

void TfMain::actEditExecute()
{
    if (m_editor)
        m_editor->editCurrent();
}

void TfMain::actDeleteExecute()
{
    auto dialog = std::make_unique<TfDelete>(m_workspace, this);
    dialog->setDataText(m_data->ADOTablecislo->AsString() + QStringLiteral(":  ") + m_data->ADOTablejmeno->AsString()
        + QStringLiteral(", ") + m_data->ADOTabletelefon->AsString());
    if (dialog->exec() == QDialog::Accepted)
        m_data->ADOTable->Delete();
}

void TfMain::actSetupExecute()
{
    if (m_setup)
        m_setup->exec();
}

void TfMain::actAboutExecute()
{
    auto dialog = std::make_unique<TfAbout>(m_workspace, this);
    dialog->exec();
}

void TfMain::actHelpExecute()
{
    const QString path = QDir(AppDir()).absoluteFilePath(Application::HelpFile);
    if (!m_helpWindow)
        m_helpWindow = new THelpWindow(this);
    m_helpWindow->showContext(path, HelpContext);
}

void TfMain::actExitExecute()
{
    close();
}

void TfMain::actStatusExecute()
{
    TfStatus dialog(m_workspace, m_data, this);
    dialog.showForCurrent();
}

void TfMain::actHandoverExecute()
{
    TfHandover dialog(m_workspace, m_data, this);
    dialog.showForCurrent();
}

void TfMain::actSortExecute(const QString& sort)
{
    m_data->ADOTable->setSort(sort);
}

void TfMain::actViewExecute(TicketStatus::WorkList list)
{
    const std::array<QAction*, TicketStatus::WorkListCount> items
        = { m_ui->mmViewAll, m_ui->mmViewOpen, m_ui->mmViewReady, m_ui->mmViewOverdue, m_ui->mmViewWaiting };
    if (m_data) {
        m_data->ADOTable->setToday(QDate::currentDate());
        m_data->ADOTable->setWorkList(list);
    }
    items[size_t(list)]->setChecked(true);
}

void TfMain::DBGridKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        actEditExecute();
        break;
    case Qt::Key_Insert:
        actNewExecute();
        break;
    default:
        break;
    }
}

void TfMain::DBGridDblClick()
{
    actEditExecute();
}

void TfMain::edFindChange(const QString& text)
{
    m_data->FindText = text;
    m_data->ADOTable->Refresh();
}

void TfMain::showCurrentRow()
{
    const QScopedValueRollback moving(m_movingGrid, true);
    const int row = m_gridModel->currentRow();
    if (row < 0) {
        m_ui->DBGrid->selectionModel()->clear();
        return;
    }
    const QModelIndex current = m_ui->DBGrid->currentIndex();
    if (current.row() != row)
        m_ui->DBGrid->setCurrentIndex(m_gridModel->index(row, current.isValid() ? current.column() : 0));
}

void TfMain::DBGridRowChanged(const QModelIndex& current)
{
    if (m_movingGrid || !current.isValid())
        return;
    guarded([this, row = current.row()] {
        TicketStore* table = m_gridModel->table();
        if (table && table->RecNo() != row)
            table->setRecNo(row);
    });
    // When the table could not move (it reported why), the grid goes back.
    if (m_gridModel->currentRow() != m_ui->DBGrid->currentIndex().row())
        showCurrentRow();
}

void TfMain::DBGridExit()
{
    // Leaving the grid drops a new ticket that nobody has filled in.
    TicketStore* table = m_gridModel->table();
    if (table && table->State() == DataSetState::Insert && !table->Modified())
        table->Cancel();
}

bool TfMain::eventFilter(QObject* watched, QEvent* event)
{
    // A scan ends with Enter wherever the focus is: seen before any control acts on it.
    if (event->type() == QEvent::KeyPress && m_keyPreview.takes(watched, event)
        && scanKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::MouseButtonPress)
        m_scan.clear(); // a click between: what was typed before it is no scan
    if (watched == m_ui->edFind && event->type() == QEvent::ShortcutOverride) {
        // Ctrl+Ins and Ctrl+Del are the window's New and Delete, not the
        // box's copy and delete-word.
        if (isCtrlInsOrDel(static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
    } else if (watched == m_ui->DBGrid) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            guarded([this, key] { DBGridKeyDown(key); });
        } else if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // Another window or a menu taking over is not leaving the grid.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                guarded([this] { DBGridExit(); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
