#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "ui/menu/TMenuPainter.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTest>

namespace {

QStyleOptionMenuItem menuItem(const QWidget* menu, const QString& text, QRect rect = {})
{
    QStyleOptionMenuItem item;
    item.initFrom(menu);
    item.state = QStyle::State_Enabled;
    item.text = text;
    item.font = menu->font();
    item.fontMetrics = QFontMetrics(item.font);
    item.rect = rect;
    item.menuItemType = text.isEmpty() ? QStyleOptionMenuItem::Separator : QStyleOptionMenuItem::Normal;
    return item;
}

QImage paint(const TMenuPainter& painter, const QStyleOptionMenuItem& item, const QWidget* menu, bool heading)
{
    QImage image(item.rect.right() + 1, item.rect.bottom() + 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    painter.Style()->drawControl(heading ? QStyle::CE_MenuBarItem : QStyle::CE_MenuItem, &item, &p, menu);
    return image;
}

QColor at(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

// The lowest red value among the pixels of area that differ from background:
// text drawn in grey (128) keeps it high, text in navy (0) brings it down.
int darkestRed(const QImage& image, const QRect& area, const QColor& background)
{
    int red = 256;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background)
                red = qMin(red, image.pixelColor(x, y).red());
    return red;
}

QAction* addItem(QWidget* menu, const QString& text, int tag, const QKeySequence& shortcut = {})
{
    auto* action = new QAction(text, menu);
    action->setShortcut(shortcut);
    action->setProperty("Tag", tag);
    menu->addAction(action);
    return action;
}

} // namespace

class TestTMenuPainter : public QObject
{
    Q_OBJECT

private slots:
    void realMenusWiden_data();
    void realMenusWiden();
    void headingsKeepTheirWidth();
    void checkMark_data();
    void checkMark();
    void separatorLine_data();
    void separatorLine();
    void textColours_data();
    void textColours();
    void headingUnderMouse();
    void paintsRealPopup();
    void activeSwitchesStyles();
};

void TestTMenuPainter::realMenusWiden_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("widening");
    QTest::newRow("drop-down item") << 1 << 50;
    QTest::newRow("popup item") << 2 << 70;
    QTest::newRow("other tag") << 5 << 0;
}

void TestTMenuPainter::realMenusWiden()
{
    QFETCH(int, tag);
    QFETCH(int, widening);

    // The same items twice, once untagged: QMenu's own frame, margins and
    // shortcut column are the same in both, so only the tag differs.
    QWidget owner;
    QMenu* menus[2] = { new QMenu(&owner), new QMenu(&owner) };
    for (int i = 0; i < 2; ++i) {
        const int itemTag = i == 0 ? 0 : tag;
        addItem(menus[i], "Nastavení", itemTag, QKeySequence("Ctrl+S"));
        menus[i]->addSeparator()->setProperty("Tag", itemTag);
        addItem(menus[i], "Konec", itemTag, QKeySequence("Alt+F4"));
    }
    TMenuPainter painter(&owner);

    QCOMPARE(menus[1]->sizeHint().width(), menus[0]->sizeHint().width() + widening);
    QCOMPARE(menus[1]->sizeHint().height(), menus[0]->sizeHint().height());
    const auto plain = menus[0]->actions();
    const auto tagged = menus[1]->actions();
    for (int i = 0; i < plain.size(); ++i) {
        QCOMPARE(menus[1]->actionGeometry(tagged[i]).width(), menus[0]->actionGeometry(plain[i]).width() + widening);
        QCOMPARE(menus[1]->actionGeometry(tagged[i]).height(), menus[0]->actionGeometry(plain[i]).height());
    }
    // Heights as measured: text items 3 pixels over the font, separators 8.
    QCOMPARE(menus[1]->actionGeometry(tagged[0]).height(), menus[1]->fontMetrics().height() + 3);
    QCOMPARE(menus[1]->actionGeometry(tagged[1]).height(), 8);
}

void TestTMenuPainter::headingsKeepTheirWidth()
{
    SKIP_UNLESS_FUSION();
    QMainWindow window;
    window.setFont(QFont(QApplication::font().family(), 6)); // not the application's size
    QMenuBar* bar = window.menuBar();
    QMenu* file = bar->addMenu("&Soubor");
    QMenu* help = bar->addMenu("&Nápověda");
    addItem(file, "Konec", 1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int ownHeight = bar->height();

    // Switched on while shown: the bar re-measures its headings at once.
    TMenuPainter painter(&window);
    for (QMenu* menu : { file, help }) {
        const QStyleOptionMenuItem item = menuItem(bar, menu->title());
        const QSize base
            = TMenuPainter::MeasureItem(item, item.fontMetrics.size(Qt::TextShowMnemonic, menu->title()), true);
        QTRY_COMPARE(bar->actionGeometry(menu->menuAction()).size(), base);
        // The headings make up the bar, side by side.
        QCOMPARE(bar->actionGeometry(menu->menuAction()).top(), 0);
        QTRY_COMPARE(bar->height(), base.height());
    }
    QCOMPARE(bar->actionGeometry(help->menuAction()).left(), bar->actionGeometry(file->menuAction()).right() + 1);

    // Drawn in the bar's own font size, the caption fits its heading.
    const QImage image = bar->grab().toImage();
    const QRect heading = bar->actionGeometry(file->menuAction());
    int rightmost = -1;
    for (int x = heading.left(); x <= heading.right(); ++x)
        for (int y = heading.top(); y <= heading.bottom(); ++y)
            if (image.pixelColor(x, y) != painter.IconBackColor())
                rightmost = x;
    QVERIFY(rightmost > heading.left());
    QVERIFY(rightmost <= heading.left() + 2 + bar->fontMetrics().horizontalAdvance(" Soubor"));

    painter.setActive(false);
    QTRY_COMPARE(bar->height(), ownHeight);
}

void TestTMenuPainter::checkMark_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("checked") << true << Qt::LeftToRight;
    QTest::newRow("checked, right to left") << true << Qt::RightToLeft;
    QTest::newRow("unchecked") << false << Qt::LeftToRight;
}

void TestTMenuPainter::checkMark()
{
    QFETCH(bool, checked);
    QFETCH(Qt::LayoutDirection, direction);

    QWidget owner;
    auto* menu = new QMenu(&owner);
    TMenuPainter painter(&owner);
    QStyleOptionMenuItem item = menuItem(menu, "Setřídit podle evidenčního čísla", QRect(0, 0, 200, 21));
    item.direction = direction;
    item.checkType = QStyleOptionMenuItem::Exclusive;
    item.checked = checked;
    const QImage image = paint(painter, item, menu, false);

    // Column pixels in the column's own coordinates; mirrored to the right end.
    const int left = direction == Qt::RightToLeft ? 180 : 0;
    auto column = [&](int x, int y) { return at(image, left + x, y); };
    const QColor outline = checked ? painter.CheckedColor() : painter.IconBackColor();
    const QColor fill = checked ? painter.CheckedSignColor() : painter.IconBackColor();
    const QColor blank = painter.IconBackColor();

    // Outline 5 pixels in from the edges of the 20 x 21 column, fill 7 pixels in, a gap between.
    QCOMPARE(column(5, 10), outline);
    QCOMPARE(column(14, 10), outline);
    QCOMPARE(column(4, 10), blank);
    QCOMPARE(column(6, 10), blank);
    QCOMPARE(column(7, 7), fill);
    QCOMPARE(column(13, 10), blank);
    // The text area keeps its own background next to the column.
    const int textX = direction == Qt::RightToLeft ? 179 : 20;
    QCOMPARE(at(image, textX, 18), painter.BackColor());
}

void TestTMenuPainter::separatorLine_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("row"); // from the item's top
    QTest::newRow("8 high") << QRect(0, 0, 150, 8) << 4;
    QTest::newRow("8 high, moved") << QRect(30, 40, 150, 8) << 4;
    QTest::newRow("9 high, half to even below") << QRect(0, 0, 150, 9) << 4;
    QTest::newRow("11 high, half to even above") << QRect(0, 0, 150, 11) << 6;
}

void TestTMenuPainter::separatorLine()
{
    QFETCH(QRect, rect);
    QFETCH(int, row);

    QWidget owner;
    auto* menu = new QMenu(&owner);
    TMenuPainter painter(&owner);
    painter.setSeparatorColor(QColor(200, 0, 0)); // apart from the column's default grey
    const QStyleOptionMenuItem item = menuItem(menu, QString(), rect);
    const QImage image = paint(painter, item, menu, false);

    const int y = rect.top() + row;
    const int first = rect.left() + 10;
    const int last = rect.left() + rect.width() - 3; // the end point 2 short of the edge is not drawn
    QCOMPARE(at(image, first, y), painter.SeparatorColor());
    QCOMPARE(at(image, last, y), painter.SeparatorColor());
    QCOMPARE(at(image, first - 1, y), painter.IconBackColor());
    QCOMPARE(at(image, last + 1, y), painter.BackColor());
    QCOMPARE(at(image, 80 + rect.left(), y - 1), painter.BackColor());
    QCOMPARE(at(image, 80 + rect.left(), y + 1), painter.BackColor());
}

void TestTMenuPainter::textColours_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("navyText");
    QTest::newRow("enabled") << true << false << false;
    QTest::newRow("enabled, selected") << true << true << true;
    QTest::newRow("disabled") << false << false << false;
    QTest::newRow("disabled, selected") << false << true << false;
}

void TestTMenuPainter::textColours()
{
    QFETCH(bool, enabled);
    QFETCH(bool, selected);
    QFETCH(bool, navyText);

    QWidget owner;
    auto* menu = new QMenu(&owner);
    TMenuPainter painter(&owner);
    QStyleOptionMenuItem item = menuItem(menu, "Smazat opravenku\tCtrl+Del", QRect(0, 0, 220, 20));
    item.state = (enabled ? QStyle::State_Enabled : QStyle::State_None)
        | (selected ? QStyle::State_Selected : QStyle::State_None);
    const QImage image = paint(painter, item, menu, false);

    const QColor background = selected ? painter.SelectedBackColor() : painter.BackColor();
    const QRect inside(22, 2, 196, 16); // the text area within the selection frame
    const int red = darkestRed(image, inside, background);
    QVERIFY2(red < 200, "no text drawn");
    if (navyText)
        QVERIFY(red < 60);
    else if (!enabled)
        QVERIFY(red >= 120); // grey, never navy
    else
        QVERIFY(red < 60 && image.pixelColor(40, 10).blue() == image.pixelColor(40, 10).red());

    if (selected) {
        // Filled and framed as for any item; the frame runs on the text area's bounds.
        QCOMPARE(at(image, 20, 10), painter.SelectedFontColor());
        QCOMPARE(at(image, 219, 10), painter.SelectedFontColor());
        QCOMPARE(at(image, 120, 0), painter.SelectedFontColor());
        QCOMPARE(at(image, 120, 19), painter.SelectedFontColor());
        QCOMPARE(at(image, 24, 16), painter.SelectedBackColor());
    }
    QCOMPARE(at(image, 10, 10), painter.IconBackColor());
}

void TestTMenuPainter::headingUnderMouse()
{
    QWidget owner;
    auto* bar = new QMenuBar(&owner);
    TMenuPainter painter(&owner);
    QStyleOptionMenuItem item = menuItem(bar, "&Soubor", QRect(0, 0, 70, 20));

    const QImage idle = paint(painter, item, bar, true);
    QCOMPARE(at(idle, 68, 18), painter.IconBackColor());

    item.state |= QStyle::State_Selected;
    const QImage hot = paint(painter, item, bar, true);
    // The whole heading in the selection colours, the frame on its bounds.
    QCOMPARE(at(hot, 4, 16), painter.SelectedBackColor());
    QCOMPARE(at(hot, 66, 16), painter.SelectedBackColor());
    QCOMPARE(at(hot, 0, 10), painter.SelectedFontColor());
    QCOMPARE(at(hot, 69, 10), painter.SelectedFontColor());
    QVERIFY(darkestRed(hot, QRect(2, 2, 66, 16), painter.SelectedBackColor()) < 60); // navy text
}

void TestTMenuPainter::paintsRealPopup()
{
    SKIP_UNLESS_FUSION();
    QWidget owner;
    auto* popup = new QMenu(&owner);
    auto* group = new QActionGroup(popup);
    QAction* number = addItem(popup, "Setřídit podle evidenčního čísla", 2);
    QAction* name = addItem(popup, "Setřídit podle jména objednatele", 2);
    for (QAction* action : { number, name }) {
        action->setCheckable(true);
        group->addAction(action);
    }
    number->setChecked(true);
    QAction* separator = popup->addSeparator();
    QAction* edit = addItem(popup, "Upravit opravenku", 2);
    TMenuPainter painter(&owner);
    painter.setSeparatorColor(QColor(200, 0, 0));

    popup->adjustSize();
    const QImage image = popup->grab().toImage();
    const QRect checkedRect = popup->actionGeometry(number);
    const QRect uncheckedRect = popup->actionGeometry(name);
    QCOMPARE(at(image, checkedRect.left() + 9, checkedRect.top() + 9), painter.CheckedSignColor());
    QCOMPARE(at(image, uncheckedRect.left() + 9, uncheckedRect.top() + 9), painter.IconBackColor());
    const QRect line = popup->actionGeometry(separator);
    QCOMPARE(at(image, line.left() + 10, line.top() + 4), painter.SeparatorColor());
    QCOMPARE(at(image, line.left() + line.width() - 3, line.top() + 4), painter.SeparatorColor());
    // The column runs on through the menu's margins below the last item.
    const QRect last = popup->actionGeometry(edit);
    QCOMPARE(at(image, last.left() + 3, last.bottom() + 1), painter.IconBackColor());
    QCOMPARE(at(image, last.left() + 30, last.bottom() + 1), painter.BackColor());
}

void TestTMenuPainter::activeSwitchesStyles()
{
    QWidget owner;
    auto* bar = new QMenuBar(&owner);
    QMenu* dropDown = bar->addMenu("Soubor"); // a child of the bar: found at any depth
    auto* popup = new QMenu(&owner);
    std::unique_ptr<QStyle> ownStyle(QStyleFactory::create("Windows"));
    popup->setStyle(ownStyle.get());
    QPointer<QMenu> gone = new QMenu(&owner);
    QStyle* appStyle = bar->style();

    auto* painter = new TMenuPainter(&owner);
    QVERIFY(painter->Active());
    QCOMPARE(painter->BackColor(), QColor(225, 225, 225));
    QCOMPARE(painter->CheckedSignColor(), QColor(57, 109, 165));
    for (QWidget* menu : std::initializer_list<QWidget*> { bar, dropDown, popup, gone })
        QCOMPARE(menu->style(), painter->Style());
    delete gone;

    painter->setActive(false);
    QCOMPARE(bar->style(), appStyle);
    QVERIFY(!bar->testAttribute(Qt::WA_SetStyle));
    QCOMPARE(dropDown->style(), appStyle);
    QCOMPARE(popup->style(), ownStyle.get());

    // Switched off twice: the menu's style set meanwhile stays.
    dropDown->setStyle(ownStyle.get());
    painter->setActive(false);
    QCOMPARE(dropDown->style(), ownStyle.get());
    dropDown->setStyle(nullptr);

    painter->setActive(true);
    for (QWidget* menu : std::initializer_list<QWidget*> { bar, dropDown, popup })
        QCOMPARE(menu->style(), painter->Style());

    // A menu made while active is reached only when switched off and on again.
    auto* later = new QMenu(&owner);
    painter->setActive(true);
    QCOMPARE(later->style(), appStyle);
    painter->setActive(false);
    painter->setActive(true);
    QCOMPARE(later->style(), painter->Style());

    // Destroying the painter gives every menu its style back.
    delete painter;
    QCOMPARE(bar->style(), appStyle);
    QCOMPARE(later->style(), appStyle);
    QCOMPARE(popup->style(), ownStyle.get());

    // Destroyed with its owner, after the menus that came before it.
    auto* window = new QWidget;
    auto* windowBar = new QMenuBar(window);
    windowBar->addMenu("Soubor");
    new TMenuPainter(window);
    QCOMPARE(windowBar->style()->metaObject()->className(), "MenuPainterStyle");
    delete window;
}

TRELOMAR_TEST(TestTMenuPainter)

#include "TestTMenuPainter.moc"
