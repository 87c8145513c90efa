#include "ui/menu/TMenuPainter.h"

#include "ui/menu/MenuPainterStyle.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

constexpr int TextInset = 2; // the text area's left and top edges move in by this
constexpr int SeparatorStart = 10; // the separator line starts this far right of the item's left edge
constexpr int SeparatorEnd = 2; // and stops this far short of its right edge
constexpr int CheckOutlineInset = 5;
constexpr int CheckFillInset = 7;
constexpr int ImageSize = 16;

QString captionOf(const QStyleOptionMenuItem& item)
{
    return item.text.section(u'\t', 0, 0);
}

QString shortcutOf(const QStyleOptionMenuItem& item)
{
    return item.text.section(u'\t', 1);
}

// Half of a height, an exact half rounded to the even neighbour.
int halfToEven(int height)
{
    int half = height / 2;
    if (height % 2 != 0 && half % 2 != 0)
        ++half;
    return half;
}

// Outlines the rectangle whose outermost pixels are those of r, with corner
// ellipses of the given size, in the painter's pen.
void outlineRounded(QPainter* painter, const QRect& r, int ellipse)
{
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(r.adjusted(0, 0, -1, -1), ellipse / 2.0, ellipse / 2.0);
}

} // namespace

TMenuPainter::TMenuPainter(QWidget* owner)
    : QObject(owner)
    , m_owner(owner)
    , m_style(std::make_unique<MenuPainterStyle>(this))
{
    setActive(true);
}

TMenuPainter::~TMenuPainter()
{
    setActive(false);
}

void TMenuPainter::setActive(bool value)
{
    if (value == m_active)
        return;
    m_active = value;
    HookMenus();
}

QStyle* TMenuPainter::Style() const
{
    return m_style.get();
}

void TMenuPainter::HookMenus()
{
    if (m_active) {
        if (m_owner) {
            for (QWidget* widget : m_owner->findChildren<QWidget*>()) {
                if (!qobject_cast<QMenu*>(widget) && !qobject_cast<QMenuBar*>(widget))
                    continue;
                if (widget->style() == m_style.get())
                    continue;
                const bool ownStyle = widget->testAttribute(Qt::WA_SetStyle);
                auto* bar = qobject_cast<QMenuBar*>(widget);
                m_hooked.push_back(
                    { widget, ownStyle ? widget->style() : nullptr, ownStyle, bar && bar->isNativeMenuBar() });
                // A bar that the desktop shows in its own global menu is never
                // drawn by the style: keep it in the window while painted.
                if (bar)
                    bar->setNativeMenuBar(false);
                widget->setStyle(m_style.get());
                rebuildBar(widget);
            }
        }
    } else {
        // Only the menus it hooked, never the owner's children: while the
        // owner is being destroyed, its list of children is half dismantled.
        // Menus destroyed meanwhile have dropped out of their QPointer.
        for (const Hooked& hooked : m_hooked) {
            if (!hooked.menu)
                continue;
            hooked.menu->setStyle(hooked.hadOwnStyle ? hooked.previous.data() : nullptr);
            if (hooked.wasNative)
                static_cast<QMenuBar*>(hooked.menu.data())->setNativeMenuBar(true);
            rebuildBar(hooked.menu);
        }
        m_hooked.clear();
    }
}

void TMenuPainter::rebuildBar(QWidget* menu)
{
    // The style change makes a bar re-measure its headings; its window's
    // layout has to ask for the new height too.
    if (qobject_cast<QMenuBar*>(menu)) {
        menu->updateGeometry();
        menu->update();
    }
}

QSize TMenuPainter::MeasureItem(const QStyleOptionMenuItem& item, QSize proposed, bool heading)
{
    const QFontMetrics& metrics = item.fontMetrics;
    const int flags = Qt::TextShowMnemonic | Qt::TextSingleLine;
    const QString caption = captionOf(item);
    if (heading) {
        // The caption as it is drawn: the leading blank, a blank after it and
        // the text's inset, so that nothing is cut off.
        const int width = metrics.size(flags, u' ' + caption + u' ').width() + TextInset;
        return { width, qMax(metrics.height() + 6, proposed.height()) };
    }
    if (item.menuItemType == QStyleOptionMenuItem::Separator)
        return { proposed.width(), SeparatorHeight };
    return { metrics.size(flags, caption + shortcutOf(item)).width(), proposed.height() + 3 };
}

QSize TMenuPainter::SizeItem(int tag, QSize measured)
{
    switch (tag) {
    case 1:
        return { measured.width() + 50, measured.height() };
    case 2:
        return { measured.width() + 70, measured.height() };
    default:
        return measured;
    }
}

int TMenuPainter::ItemTag(const QWidget* menu, const QStyleOptionMenuItem& item)
{
    // The style option does not name its action: find it by its caption.
    if (!menu)
        return 0;
    const bool separator = item.menuItemType == QStyleOptionMenuItem::Separator;
    const QString caption = captionOf(item);
    const auto actions = menu->actions();
    for (const QAction* action : actions) {
        if (!action->isVisible() || action->isSeparator() != separator)
            continue;
        if (!separator && action->text().section(u'\t', 0, 0) != caption)
            continue;
        return action->property("Tag").toInt();
    }
    return 0;
}

void TMenuPainter::PaintItem(QPainter* painter, const QStyleOptionMenuItem& item, bool heading) const
{
    const QRect& rect = item.rect;
    const bool rightToLeft = item.direction == Qt::RightToLeft;
    const int textWidth = rect.width() - ColumnWidth;
    const QRect column = rightToLeft ? QRect(rect.left() + textWidth, rect.top(), ColumnWidth, rect.height())
                                     : QRect(rect.left(), rect.top(), ColumnWidth, rect.height());
    QRect textArea = rightToLeft ? QRect(rect.left(), rect.top(), textWidth, rect.height())
                                 : QRect(rect.left() + ColumnWidth, rect.top(), textWidth, rect.height());
    const QPixmap image = item.icon.isNull() ? QPixmap() : item.icon.pixmap(ImageSize, ImageSize);
    const bool enabled = item.state & QStyle::State_Enabled;
    const bool selected = item.state & QStyle::State_Selected;
    const bool checked = item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(textArea, m_backColor);
    if (heading) {
        painter->fillRect(rect, m_iconBackColor);
        if (image.isNull())
            textArea = rect;
    }
    painter->fillRect(column, m_iconBackColor);

    QColor textColor = enabled ? m_fontColor : m_disabledFontColor;
    if (selected) {
        painter->fillRect(textArea, m_selectedBackColor);
        painter->setPen(m_selectedFontColor);
        outlineRounded(painter, textArea, 6);
        if (enabled)
            textColor = m_selectedFontColor;
    }

    if (checked) {
        painter->setPen(m_checkedColor);
        if (image.isNull()) {
            const int outline = CheckOutlineInset, fill = CheckFillInset;
            outlineRounded(painter, column.adjusted(outline, outline, -outline, -outline), 3);
            painter->fillRect(column.adjusted(fill, fill, -fill, -fill), m_checkedSignColor);
        } else {
            painter->setBrush(m_checkedSignColor);
            painter->drawRoundedRect(column.adjusted(0, 0, -1, -1), 1.5, 1.5);
        }
    }
    if (!image.isNull())
        painter->drawPixmap(column.left() + 2, column.top() + 1, image);

    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        // Not mirrored: the line starts inside the column either way.
        const int y = textArea.top() + halfToEven(textArea.height());
        const int first = rect.left() + SeparatorStart;
        const int last = rect.left() + rect.width() - SeparatorEnd - 1;
        if (first <= last) {
            painter->setPen(m_separatorColor);
            painter->drawLine(first, y, last, y);
        }
    } else {
        QFont font(QStringLiteral("Tahoma"));
        if (item.font.pointSizeF() > 0)
            font.setPointSizeF(item.font.pointSizeF());
        else
            font.setPixelSize(item.font.pixelSize());
        font.setBold(item.menuItemType == QStyleOptionMenuItem::DefaultItem);
        painter->setFont(font);
        painter->setPen(textColor);
        painter->setLayoutDirection(item.direction);

        const QRect area = textArea.adjusted(TextInset, TextInset, 0, 0);
        const int flags = Qt::AlignAbsolute | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine;
        const int leading = rightToLeft ? Qt::AlignRight : Qt::AlignLeft;
        const int trailing = rightToLeft ? Qt::AlignLeft : Qt::AlignRight;
        painter->drawText(area, flags | leading, u' ' + captionOf(item));
        const QString shortcut = shortcutOf(item);
        if (!shortcut.isEmpty())
            painter->drawText(area, flags | trailing, shortcut + u' ');

        if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
            // Where a shortcut would stand: a small arrow towards the sub-menu.
            const int size = 4;
            const int x = rightToLeft ? area.left() + 4 : area.right() - 4 - size;
            const int y = area.center().y() - size;
            QPolygon arrow;
            if (rightToLeft)
                arrow << QPoint(x + size, y) << QPoint(x, y + size) << QPoint(x + size, y + 2 * size);
            else
                arrow << QPoint(x, y) << QPoint(x + size, y + size) << QPoint(x, y + 2 * size);
            painter->setBrush(textColor);
            painter->drawPolygon(arrow);
        }
    }
    painter->restore();
}

void TMenuPainter::PaintMenuPanel(
    QPainter* painter, const QRect& rect, int frameWidth, Qt::LayoutDirection direction) const
{
    painter->fillRect(rect, m_backColor);
    const QRect inside = rect.adjusted(frameWidth, frameWidth, -frameWidth, -frameWidth);
    const int left = direction == Qt::RightToLeft ? inside.left() + inside.width() - ColumnWidth : inside.left();
    painter->fillRect(QRect(left, inside.top(), ColumnWidth, inside.height()), m_iconBackColor);
}
