#include "ui/TfMain.h"

#include "app/Application.h"
#include "app/ErrorHandler.h"
#include "app/IniFile.h"
#include "app/TextList.h"
#include "lang/LangFile.h"
#include "lang/LangSlots.h"
#include "store/TDM.h"
#include "store/TDataSource.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/Icons.h"
#include "ui/OneLineBox.h"
#include "ui/TDBGrid.h"
#include "ui/THelpWindow.h"
#include "ui/TIdleRefresh.h"
#include "ui/TMenuPainter.h"
#include "ui/TfAbout.h"
#include "ui/TfDelete.h"
#include "ui/TfOpravenka.h"
#include "ui/TfSetup.h"
#include "ui/TicketGridModel.h"
#include "ui_TfMain.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>
#include <memory>

TfMain* fMain = nullptr;

namespace {

const QString IniSection = QStringLiteral("Program");

const QColor WindowColor(137, 159, 248);
const QColor LightColor(225, 232, 253);

// Replaces a drop-down's items but keeps its text: the editor's boxes show a
// field of the current ticket, and reloading the lists must not change it or
// start editing the ticket.
void replaceItems(QComboBox* combo, const QStringList& items)
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

bool isCtrlInsOrDel(const QKeyEvent* key)
{
    return (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier
        && (key->key() == Qt::Key_Insert || key->key() == Qt::Key_Delete);
}

} // namespace

TfMain::TfMain(Workspace& workspace, QWidget* parent)
    : QMainWindow(parent)
    , m_workspace(workspace)
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
    connect(m_ui->edFind, &QLineEdit::textChanged, this,
        [this](const QString& text) { guarded([this, &text] { edFindChange(text); }); });
}

QMenu* TfMain::createPopupMenu()
{
    // No menu for hiding the toolbar: the window's layout is fixed.
    return nullptr;
}

void TfMain::EnsureFile(const QString& path)
{
    if (QFile::exists(path))
        return;
    QFile file(path);
    // A failure is left to the windows that read the file: they report it.
    if (file.open(QIODevice::WriteOnly))
        file.close();
}

void TfMain::FormCreate()
{
    m_workspace.setAppDir(QDir::currentPath());
    QDir().mkpath(QFileInfo(PathMesta).path());
    EnsureFile(PathMesta);
    EnsureFile(PathMobil);
    EnsureFile(PathTisk);
    EnsureFile(PathFirma);

    m_workspace.clearTexts();

    const IniFile ini(PathIni);
    move(ini.readInteger(IniSection, QStringLiteral("Left"), 100),
        ini.readInteger(IniSection, QStringLiteral("Top"), 100));
    resize(600, std::max(400, ini.readInteger(IniSection, QStringLiteral("Height"), 450)));
    DayInc = ini.readInteger(IniSection, QStringLiteral("DayInc"), 30);
}

void TfMain::FormDestroy()
{
    m_workspace.clearTexts();

    IniFile ini(PathIni);
    ini.writeInteger(IniSection, QStringLiteral("Left"), pos().x());
    ini.writeInteger(IniSection, QStringLiteral("Top"), pos().y());
    ini.writeInteger(IniSection, QStringLiteral("Height"), height());
    ini.writeInteger(IniSection, QStringLiteral("DayInc"), DayInc);
}

void TfMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    guarded([this] { ConnectDataSource(); });
    guarded([this] { FormShow(); });
}

void TfMain::ConnectDataSource()
{
    if (!DM || m_gridModel->dataSource() == DM->DataSource)
        return;
    m_gridModel->setDataSource(DM->DataSource);
    if (!m_idleRefresh)
        m_idleRefresh = new TIdleRefresh(this);
    m_idleRefresh->setTable(DM->ADOTable);
    // The data module goes before this window at the end: let go of it while
    // its table still stands.
    connect(DM, &QObject::destroyed, m_gridModel, [model = m_gridModel] { model->setDataSource(nullptr); });
}

void TfMain::FormShow()
{
    // A town list that cannot be read must not keep the language from
    // being applied: each step reports its own error.
    guarded([this] { LoadCombo(); });
    guarded([this] { ApplyLang(PathDefaultLng); });
}

void TfMain::LoadCombo()
{
    if (!fOpravenka)
        return;
    replaceItems(fOpravenka->findChild<QComboBox*>(QStringLiteral("dbcomboMesto")), TextList::read(PathMesta));
    replaceItems(fOpravenka->findChild<QComboBox*>(QStringLiteral("dbcomboMobil")), TextList::read(PathMobil));
}

void TfMain::ApplyLang(const QString& FileName)
{
    m_workspace.takeTexts(readLangFile(FileName));
    if (fOpravenka)
        fOpravenka->UpdateImeiCheck();
    setWindowTitle(mainWindowTitle(LangName, VersionText));

    // A section too short for its window is skipped as a whole.
    if (sectionHas(MainTexts, MainText::Count))
        applyMainTexts();
    if (sectionHas(SettingsTexts, SettingsText::Count) && fSetup)
        fSetup->ApplyLangTexts();
    if (sectionHas(EditTexts, EditText::Count) && fOpravenka)
        fOpravenka->ApplyLangTexts();
}

void TfMain::connectSetup(TfSetup* setup)
{
    connect(setup, &TfSetup::closed, this, [this] { guarded([this] { LoadCombo(); }); });
    connect(setup, &TfSetup::daysChanged, this, [this](int days) { DayInc = days; });
    connect(setup, &TfSetup::languageChosen, this,
        [this](const QString& fileName) { guarded([this, &fileName] { ApplyLang(fileName); }); });
}

void TfMain::applyMainTexts()
{
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
    fOpravenka->IsNew = true;
    TicketStore* table = DM->ADOTable;
    table->setSort(QStringLiteral("cislo ASC"));
    table->Last();
    // The next number follows the largest stored one, also while a search
    // hides tickets, so that numbers stay unique.
    const int n = table->reserveCislo();
    table->Append();
    try {
        DM->ADOTablecislo->setAsInteger(n);
        const QDate today = QDate::currentDate();
        DM->ADOTableprijato->setAsDateTime(today.startOfDay());
        // A due date the file cannot hold (a huge DayInc) is refused here.
        DM->ADOTablevydej->setAsDateTime(today.addDays(DayInc).startOfDay());
    } catch (...) {
        // Left pending, the half-made ticket would be stored by the next move.
        table->Cancel();
        throw;
    }
    fOpravenka->exec();
}

void TfMain::actEditExecute()
{
    fOpravenka->IsNew = false;
    fOpravenka->exec();
}

void TfMain::actDeleteExecute()
{
    auto dialog = std::make_unique<TfDelete>(m_workspace, this);
    dialog->setDataText(DM->ADOTablecislo->AsString() + QStringLiteral(":  ") + DM->ADOTablejmeno->AsString()
        + QStringLiteral(", ") + DM->ADOTabletelefon->AsString());
    if (dialog->exec() == QDialog::Accepted)
        DM->ADOTable->Delete();
}

void TfMain::actSetupExecute()
{
    fSetup->exec();
}

void TfMain::actAboutExecute()
{
    auto dialog = std::make_unique<TfAbout>(m_workspace, this);
    dialog->exec();
}

void TfMain::actHelpExecute()
{
    const QString path = QDir::current().absoluteFilePath(Application::HelpFile);
    if (!m_helpWindow)
        m_helpWindow = new THelpWindow(this);
    m_helpWindow->showContext(path, HelpContext);
}

void TfMain::actExitExecute()
{
    close();
}

void TfMain::setSort(const QString& sort)
{
    DM->ADOTable->setSort(sort);
}

void TfMain::actSortNumberExecute()
{
    setSort(QStringLiteral("cislo ASC"));
}

void TfMain::actSortNameExecute()
{
    setSort(QStringLiteral("jmeno ASC"));
}

void TfMain::actSortMobilExecute()
{
    setSort(QStringLiteral("telefon ASC"));
}

void TfMain::actSortStartExecute()
{
    setSort(QStringLiteral("prijato ASC"));
}

void TfMain::actSortEndExecute()
{
    setSort(QStringLiteral("vydej ASC"));
}

void TfMain::actSortIMEIExecute()
{
    setSort(QStringLiteral("IMEI ASC"));
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
    DM->FindText = text;
    DM->ADOTable->Refresh();
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
