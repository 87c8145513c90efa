// The main window's commands, toolbar, menus and menu painter.
#include "ui/windows/TfMain.h"

#include "base/ErrorHandler.h"
#include "ui/menu/TMenuPainter.h"
#include "ui_TfMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <utility>

namespace {

enum Image { ImageNew, ImageEdit, ImageDelete, ImageSetup, ImageAbout, ImageExit };

// On a Czech keyboard the top row types "+ěščř" where a US one types the
// digits, with Ctrl as well: the list commands answer both.
QKeySequence czechTopRow(int digit)
{
    static constexpr char16_t Keys[] = { u'+', u'Ě', u'Š', u'Č', u'Ř' };
    return QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key(Keys[digit - 1])));
}

} // namespace

void TfMain::connectCommands()
{
    // The action list holds the commands, every one enabled at all times.
    // The form gives their captions, hints and shortcuts and adds them to the
    // window, so that a shortcut works wherever the focus is in it.
    auto* actions = new QObject(this);
    actions->setObjectName(QStringLiteral("Actions"));
    // The sort commands differ only in the order they put the table in.
    const struct
    {
        QAction* action;
        int image;
        void (TfMain::*handler)();
        const char* sort;
    } commands[] = {
        { m_ui->actSetup, ImageSetup, &TfMain::actSetupExecute, nullptr },
        { m_ui->actAbout, ImageAbout, &TfMain::actAboutExecute, nullptr },
        { m_ui->actExit, ImageExit, &TfMain::actExitExecute, nullptr },
        { m_ui->actNew, ImageNew, &TfMain::actNewExecute, nullptr },
        { m_ui->actEdit, ImageEdit, &TfMain::actEditExecute, nullptr },
        { m_ui->actDelete, ImageDelete, &TfMain::actDeleteExecute, nullptr },
        { m_ui->actSortNumber, -1, nullptr, "cislo ASC" },
        { m_ui->actSortName, -1, nullptr, "jmeno ASC" },
        { m_ui->actSortMobil, -1, nullptr, "telefon ASC" },
        { m_ui->actSortStart, -1, nullptr, "prijato ASC" },
        { m_ui->actSortEnd, -1, nullptr, "vydej ASC" },
        { m_ui->actSortIMEI, -1, nullptr, "IMEI ASC" },
        { m_ui->actHelp, -1, &TfMain::actHelpExecute, nullptr },
        { m_ui->actFind, -1, &TfMain::actFindExecute, nullptr },
        { m_ui->actStatus, -1, &TfMain::actStatusExecute, nullptr },
        { m_ui->actHandover, -1, &TfMain::actHandoverExecute, nullptr },
    };
    using TicketStatus::WorkList;
    const std::pair<QAction*, WorkList> lists[] = {
        { m_ui->actViewAll, WorkList::All },
        { m_ui->actViewOpen, WorkList::Open },
        { m_ui->actViewReady, WorkList::Ready },
        { m_ui->actViewOverdue, WorkList::Overdue },
        { m_ui->actViewWaiting, WorkList::WaitingForPart },
    };
    for (const auto& [action, list] : lists) {
        action->setParent(actions);
        action->setShortcuts({ action->shortcut(), czechTopRow(int(list) + 1) });
        connect(action, &QAction::triggered, this, [this, list] { guarded([this, list] { actViewExecute(list); }); });
    }
    for (const auto& command : commands) {
        command.action->setParent(actions);
        if (command.image >= 0)
            command.action->setIcon(Images.at(command.image));
        if (command.sort)
            connect(command.action, &QAction::triggered, this, [this, sort = QString::fromLatin1(command.sort)] {
                guarded([this, &sort] { actSortExecute(sort); });
            });
        else
            connect(command.action, &QAction::triggered, this,
                [this, handler = command.handler] { guarded([this, handler] { (this->*handler)(); }); });
    }
}

void TfMain::connectToolBar()
{
    m_ui->ToolBar->setContentsMargins(0, 0, 0, 0);
    m_ui->ToolBar->layout()->setContentsMargins(0, 0, 0, 0);
    m_ui->ToolBar->layout()->setSpacing(0);
    m_ui->tbNew->setDefaultAction(m_ui->actNew);
    m_ui->tbEdit->setDefaultAction(m_ui->actEdit);
    m_ui->tbDelete->setDefaultAction(m_ui->actDelete);
    m_ui->tbSetup->setDefaultAction(m_ui->actSetup);
    m_ui->tbAbout->setDefaultAction(m_ui->actAbout);
    m_ui->tbKonec->setDefaultAction(m_ui->actExit);
}

void TfMain::showCommand(QAction* item, QAction* command)
{
    // The shortcut is shown, not bound: the command itself answers the key.
    const QKeySequence shortcut = command->shortcut();
    item->setText(shortcut.isEmpty()
            ? command->text()
            : command->text() + QLatin1Char('\t') + shortcut.toString(QKeySequence::NativeText));
    connect(item, &QAction::triggered, command, &QAction::trigger);
}

void TfMain::setMenuItemCaption(QAction* item, const QString& caption)
{
    const QString text = item->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    item->setText(tab < 0 ? caption : caption + text.mid(tab));
}

void TfMain::connectMenus()
{
    QPalette pal = m_ui->mMenu->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    m_ui->mMenu->setPalette(pal);
    // A heading is its menu's own action: it takes the menu's name and Tag 0.
    for (QAction* heading : m_ui->mMenu->actions()) {
        heading->setObjectName(heading->menu()->objectName());
        heading->setProperty("Tag", 0);
    }

    const std::pair<QAction*, QAction*> items[] = {
        { m_ui->mmNastaveni, m_ui->actSetup },
        { m_ui->mmKonec, m_ui->actExit },
        { m_ui->mmNew, m_ui->actNew },
        { m_ui->mmUpravit, m_ui->actEdit },
        { m_ui->mmDelete, m_ui->actDelete },
        { m_ui->mmHelp, m_ui->actHelp },
        { m_ui->mmOprog, m_ui->actAbout },
        { m_ui->mmSortNumber, m_ui->actSortNumber },
        { m_ui->mmSortName, m_ui->actSortName },
        { m_ui->mmSortMobil, m_ui->actSortMobil },
        { m_ui->mmSortStart, m_ui->actSortStart },
        { m_ui->mmSortEnd, m_ui->actSortEnd },
        { m_ui->mmSortIMEI, m_ui->actSortIMEI },
        { m_ui->Upravitopravenku1, m_ui->actEdit },
        { m_ui->Smazatopravenku1, m_ui->actDelete },
        { m_ui->mmFind, m_ui->actFind },
        { m_ui->mmStatus, m_ui->actStatus },
        { m_ui->mmHandover, m_ui->actHandover },
        { m_ui->popStatus, m_ui->actStatus },
        { m_ui->popHandover, m_ui->actHandover },
        { m_ui->mmViewAll, m_ui->actViewAll },
        { m_ui->mmViewOpen, m_ui->actViewOpen },
        { m_ui->mmViewReady, m_ui->actViewReady },
        { m_ui->mmViewOverdue, m_ui->actViewOverdue },
        { m_ui->mmViewWaiting, m_ui->actViewWaiting },
    };
    for (const auto& [item, command] : items)
        showCommand(item, command);

    // Choosing the ticked order again leaves none ticked.
    m_sortGroup = new QActionGroup(m_ui->Popup);
    m_sortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* item : { m_ui->mmSortNumber, m_ui->mmSortName, m_ui->mmSortMobil, m_ui->mmSortStart, m_ui->mmSortEnd,
             m_ui->mmSortIMEI })
        m_sortGroup->addAction(item);
    // One list is always shown.
    m_viewGroup = new QActionGroup(m_ui->mmView);
    for (QAction* item :
        { m_ui->mmViewAll, m_ui->mmViewOpen, m_ui->mmViewReady, m_ui->mmViewOverdue, m_ui->mmViewWaiting })
        m_viewGroup->addAction(item);
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
