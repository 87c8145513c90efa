// The main window's commands, toolbar, menus and menu painter.
#include "ui/TfMain.h"

#include "app/ErrorHandler.h"
#include "ui/TMenuPainter.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace {

enum Image { ImageNew, ImageEdit, ImageDelete, ImageSetup, ImageAbout, ImageExit };

} // namespace

QAction* TfMain::addCommand(const char* name, const QString& caption, const QString& hint, int image,
    const QKeySequence& shortcut, void (TfMain::*handler)())
{
    auto* action = new QAction(caption, Actions);
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (image >= 0)
        action->setIcon(Images.at(image));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    // Added to the window, the shortcut works wherever the focus is in it.
    addAction(action);
    connect(action, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    return action;
}

void TfMain::createActions()
{
    Actions = new QObject(this);
    Actions->setObjectName(QStringLiteral("Actions"));
    actSetup = addCommand("actSetup", QStringLiteral("Nastavení"), QStringLiteral("Umožní nastavení programu"),
        ImageSetup, QKeySequence(Qt::CTRL | Qt::Key_S), &TfMain::actSetupExecute);
    actAbout = addCommand("actAbout", QStringLiteral("O programu ..."), QStringLiteral("Zobrazí informace o programu"),
        ImageAbout, QKeySequence(Qt::CTRL | Qt::Key_I), &TfMain::actAboutExecute);
    actExit = addCommand("actExit", QStringLiteral("Konec"), QStringLiteral("Ukončí program Trelomář"), ImageExit,
        QKeySequence(Qt::ALT | Qt::Key_F4), &TfMain::actExitExecute);
    actNew = addCommand("actNew", QStringLiteral("Nová opravenka"), QStringLiteral("Vytvoří novou opravenku"), ImageNew,
        QKeySequence(Qt::CTRL | Qt::Key_Insert), &TfMain::actNewExecute);
    actEdit = addCommand("actEdit", QStringLiteral("Upravit opravenku"), QStringLiteral("Upraví existující opravenku"),
        ImageEdit, QKeySequence(), &TfMain::actEditExecute);
    actDelete
        = addCommand("actDelete", QStringLiteral("Smazat opravenku"), QStringLiteral("Smaže existující opravenku"),
            ImageDelete, QKeySequence(Qt::CTRL | Qt::Key_Delete), &TfMain::actDeleteExecute);
    actSortNumber = addCommand("actSortNumber", QStringLiteral("Setřídit podle evidenčního čísla"), QString(), -1,
        QKeySequence(), &TfMain::actSortNumberExecute);
    actSortName = addCommand("actSortName", QStringLiteral("Setřídit podle jména objednatele"), QString(), -1,
        QKeySequence(), &TfMain::actSortNameExecute);
    actSortMobil = addCommand("actSortMobil", QStringLiteral("Setřídit podle typu přístroje"), QString(), -1,
        QKeySequence(), &TfMain::actSortMobilExecute);
    actSortStart = addCommand("actSortStart", QStringLiteral("Setřídit podle datumu přijetí"), QString(), -1,
        QKeySequence(), &TfMain::actSortStartExecute);
    actSortEnd = addCommand("actSortEnd", QStringLiteral("Setřídit podle datumu výdeje"), QString(), -1, QKeySequence(),
        &TfMain::actSortEndExecute);
    actSortIMEI = addCommand("actSortIMEI", QStringLiteral("Setřídit podle čísla IMEI"), QString(), -1, QKeySequence(),
        &TfMain::actSortIMEIExecute);
    actHelp = addCommand("actHelp", QStringLiteral("Nápověda"), QStringLiteral("Zobrazí nápovědu k programu"), -1,
        QKeySequence(Qt::Key_F1), &TfMain::actHelpExecute);
}

QToolButton* TfMain::addToolButton(QAction* action, const char* name)
{
    ToolBar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(ToolBar->widgetForAction(action));
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(43, 38);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QWidget* TfMain::addToolSeparator(const char* name)
{
    auto* separator = new QWidget(ToolBar);
    separator->setObjectName(QLatin1String(name));
    separator->setFixedSize(32, 38);
    auto* layout = new QHBoxLayout(separator);
    layout->setContentsMargins(0, 6, 0, 6);
    auto* line = new QFrame(separator);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    ToolBar->addWidget(separator);
    return separator;
}

void TfMain::createToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setFixedHeight(38);
    ToolBar->setIconSize(QSize(32, 32));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->setContentsMargins(0, 0, 0, 0);
    ToolBar->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar->layout()->setSpacing(0);
    ToolBar->setStyleSheet(
        QStringLiteral("QToolBar { border: none; background: transparent; padding: 0px; spacing: 0px; }"));
    addToolBar(Qt::TopToolBarArea, ToolBar);

    tbNew = addToolButton(actNew, "tbNew");
    tbEdit = addToolButton(actEdit, "tbEdit");
    tbDelete = addToolButton(actDelete, "tbDelete");
    tbSepar1 = addToolSeparator("tbSepar1");
    tbSetup = addToolButton(actSetup, "tbSetup");
    tbAbout = addToolButton(actAbout, "tbAbout");
    tbSepar2 = addToolSeparator("tbSepar2");
    tbKonec = addToolButton(actExit, "tbKonec");
}

QAction* TfMain::addMenuItem(QMenu* menu, const char* name, QAction* command, int tag)
{
    auto* item = new QAction(menu);
    item->setObjectName(QLatin1String(name));
    item->setProperty("Tag", tag);
    // The shortcut is shown, not bound: the command itself answers the key.
    const QKeySequence shortcut = command->shortcut();
    item->setText(shortcut.isEmpty()
            ? command->text()
            : command->text() + QLatin1Char('\t') + shortcut.toString(QKeySequence::NativeText));
    item->setIconVisibleInMenu(false);
    connect(item, &QAction::triggered, command, &QAction::trigger);
    menu->addAction(item);
    return item;
}

QAction* TfMain::addSeparator(QMenu* menu, const char* name, int tag)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    separator->setProperty("Tag", tag);
    return separator;
}

void TfMain::setMenuItemCaption(QAction* item, const QString& caption)
{
    const QString text = item->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    item->setText(tab < 0 ? caption : caption + text.mid(tab));
}

void TfMain::createMenus()
{
    mMenu = menuBar();
    mMenu->setObjectName(QStringLiteral("mMenu"));
    QPalette pal = mMenu->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    mMenu->setPalette(pal);

    const auto addHeading = [this](const char* name, const QString& caption) {
        QMenu* menu = mMenu->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        menu->menuAction()->setProperty("Tag", 0);
        return menu;
    };
    mmSoubor = addHeading("mmSoubor", QStringLiteral("Soubor"));
    mmNastaveni = addMenuItem(mmSoubor, "mmNastaveni", actSetup, 1);
    mmN1 = addSeparator(mmSoubor, "mmN1", 1);
    mmKonec = addMenuItem(mmSoubor, "mmKonec", actExit, 1);
    mmEdit = addHeading("mmEdit", QStringLiteral("Úpravy"));
    mmNew = addMenuItem(mmEdit, "mmNew", actNew, 1);
    mmUpravit = addMenuItem(mmEdit, "mmUpravit", actEdit, 1);
    mmDelete = addMenuItem(mmEdit, "mmDelete", actDelete, 1);
    mmAbout = addHeading("mmAbout", QStringLiteral("Nápověda"));
    mmHelp = addMenuItem(mmAbout, "mmHelp", actHelp, 1);
    mmOprog = addMenuItem(mmAbout, "mmOprog", actAbout, 1);

    Popup = new QMenu(this);
    Popup->setObjectName(QStringLiteral("Popup"));
    // Choosing the ticked order again leaves none ticked.
    m_sortGroup = new QActionGroup(Popup);
    m_sortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const auto addSortItem = [this](const char* name, QAction* command) {
        QAction* item = addMenuItem(Popup, name, command, 2);
        item->setCheckable(true);
        m_sortGroup->addAction(item);
        return item;
    };
    mmSortNumber = addSortItem("mmSortNumber", actSortNumber);
    mmSortName = addSortItem("mmSortName", actSortName);
    mmSortMobil = addSortItem("mmSortMobil", actSortMobil);
    mmSortStart = addSortItem("mmSortStart", actSortStart);
    mmSortEnd = addSortItem("mmSortEnd", actSortEnd);
    mmSortIMEI = addSortItem("mmSortIMEI", actSortIMEI);
    mmSortNumber->setChecked(true);
    mmN2 = addSeparator(Popup, "mmN2", 2);
    Upravitopravenku1 = addMenuItem(Popup, "Upravitopravenku1", actEdit, 2);
    Smazatopravenku1 = addMenuItem(Popup, "Smazatopravenku1", actDelete, 2);
}

void TfMain::createMenuPainter()
{
    // Created after both menus, so that it paints them from the start.
    MenuPainter = new TMenuPainter(this);
    MenuPainter->setObjectName(QStringLiteral("MenuPainter"));
    MenuPainter->setBackColor(QColor(183, 197, 251));
    MenuPainter->setIconBackColor(QApplication::palette().color(QPalette::Button));
    MenuPainter->setSelectedBackColor(QColor(199, 207, 220));
    MenuPainter->setFontColor(QColor(0, 0, 0));
    MenuPainter->setSelectedFontColor(QColor(0, 0, 128));
    MenuPainter->setDisabledFontColor(QColor(128, 128, 128));
    MenuPainter->setSeparatorColor(QColor(209, 209, 209));
    MenuPainter->setCheckedColor(QColor(128, 128, 128));
    MenuPainter->setCheckedSignColor(QColor(57, 109, 165));
}
