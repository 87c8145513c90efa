#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <memory>
#include <vector>

class MenuPainterStyle;
class QAction;
class QPainter;
class QStyle;
class QStyleOptionMenuItem;
class QWidget;

// Paints every menu bar and pop-up menu of the window that owns it in a flat
// style with its own colours: a shaded 20-pixel column at the side of each
// drop-down item, a rounded frame on the selected item, a small square on
// checked items, a thin separator line and item texts in Tahoma.
//
// Qt measures and paints menu items through the widget's style, so the painter
// installs a style of its own (which it owns) on every QMenuBar and QMenu that
// its owner owns at any depth, visible or not, and gives each its previous
// style back when it is switched off. Menus created while it is active are not
// painted until Active is switched off and on again.
//
// Item tag: every QAction carries an integer tag in its dynamic property "Tag"
// (0 when unset), set by the window that builds the menus:
//     action->setProperty("Tag", 1);
// The painter reads it when it measures the item: tag 1 widens the item by 50
// pixels, tag 2 by 70, any other tag leaves the measured size. Heights never
// change. A heading's tag is the tag of its menu's menuAction().
class TMenuPainter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(QColor IconBackColor READ IconBackColor WRITE setIconBackColor)
    Q_PROPERTY(QColor SelectedBackColor READ SelectedBackColor WRITE setSelectedBackColor)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE setFontColor)
    Q_PROPERTY(QColor SelectedFontColor READ SelectedFontColor WRITE setSelectedFontColor)
    Q_PROPERTY(QColor DisabledFontColor READ DisabledFontColor WRITE setDisabledFontColor)
    Q_PROPERTY(QColor SeparatorColor READ SeparatorColor WRITE setSeparatorColor)
    Q_PROPERTY(QColor CheckedColor READ CheckedColor WRITE setCheckedColor)
    Q_PROPERTY(QColor CheckedSignColor READ CheckedSignColor WRITE setCheckedSignColor)

public:
    static constexpr int ColumnWidth = 20; // the check-mark and image column
    static constexpr int SeparatorHeight = 8; // a separator item's height

    // Owned by owner and destroyed with it; paints the menus owner owns.
    // Starts active.
    explicit TMenuPainter(QWidget* owner);
    // Switches off first, so that the menus get their own styles back.
    ~TMenuPainter() override;

    QWidget* Owner() const { return m_owner; }

    bool Active() const { return m_active; }
    // Installs or removes the painter; the same value again does nothing.
    void setActive(bool value);

    // A colour only is stored: it shows the next time an item is painted.
    QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor& value) { m_backColor = value; }
    QColor IconBackColor() const { return m_iconBackColor; }
    void setIconBackColor(const QColor& value) { m_iconBackColor = value; }
    QColor SelectedBackColor() const { return m_selectedBackColor; }
    void setSelectedBackColor(const QColor& value) { m_selectedBackColor = value; }
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor& value) { m_fontColor = value; }
    QColor SelectedFontColor() const { return m_selectedFontColor; }
    void setSelectedFontColor(const QColor& value) { m_selectedFontColor = value; }
    QColor DisabledFontColor() const { return m_disabledFontColor; }
    void setDisabledFontColor(const QColor& value) { m_disabledFontColor = value; }
    QColor SeparatorColor() const { return m_separatorColor; }
    void setSeparatorColor(const QColor& value) { m_separatorColor = value; }
    QColor CheckedColor() const { return m_checkedColor; }
    void setCheckedColor(const QColor& value) { m_checkedColor = value; }
    QColor CheckedSignColor() const { return m_checkedSignColor; }
    void setCheckedSignColor(const QColor& value) { m_checkedSignColor = value; }

    // The style the painter installs on the menus.
    QStyle* Style() const;

    // Active: installs the style on every menu bar and menu of the owner.
    // Inactive: gives each hooked menu its previous style back.
    // Every menu bar switched re-measures its headings.
    void HookMenus();

    // The size the menu system gives an item before the painter widens it:
    // a drop-down text item is as wide as its caption followed by its
    // shortcut in the menu font and 3 pixels higher than proposed; a
    // separator is 8 pixels high; a heading (heading = true) is as wide as
    // its caption as drawn and as high as the bar.
    static QSize MeasureItem(const QStyleOptionMenuItem& item, QSize proposed, bool heading);
    // Widens a measured item by its tag; the height stays.
    static QSize SizeItem(int tag, QSize measured);
    // The tag of the item that item describes in menu (a QMenu or QMenuBar).
    static int ItemTag(const QWidget* menu, const QStyleOptionMenuItem& item);
    // Paints one item (heading = true for a menu-bar heading) into item.rect.
    void PaintItem(QPainter* painter, const QStyleOptionMenuItem& item, bool heading) const;
    // Paints a drop-down's background outside its items: the column and the
    // text-area colour, so that both run on through the menu's margins.
    void PaintMenuPanel(QPainter* painter, const QRect& rect, int frameWidth, Qt::LayoutDirection direction) const;

private:
    struct Hooked
    {
        QPointer<QWidget> menu;
        QPointer<QStyle> previous; // the style the menu had set itself, if any
        bool hadOwnStyle = false;
        bool wasNative = false; // a menu bar shown in the desktop's global menu
    };

    static void rebuildBar(QWidget* menu);

    QWidget* m_owner;
    bool m_active = false;
    QColor m_backColor { 225, 225, 225 };
    QColor m_iconBackColor { 209, 209, 209 };
    QColor m_selectedBackColor { 199, 207, 220 };
    QColor m_fontColor { 0, 0, 0 };
    QColor m_selectedFontColor { 0, 0, 128 };
    QColor m_disabledFontColor { 128, 128, 128 };
    QColor m_separatorColor { 209, 209, 209 };
    QColor m_checkedColor { 128, 128, 128 };
    QColor m_checkedSignColor { 57, 109, 165 };
    std::unique_ptr<MenuPainterStyle> m_style;
    std::vector<Hooked> m_hooked;
};
