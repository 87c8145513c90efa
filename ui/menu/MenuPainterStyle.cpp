#include "ui/menu/MenuPainterStyle.h"

#include "ui/menu/TMenuPainter.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

QStyle* copyOfApplicationStyle()
{
    // nullptr lets QProxyStyle create the platform's default style itself.
    return QStyleFactory::create(QApplication::style()->name());
}

} // namespace

MenuPainterStyle::MenuPainterStyle(const TMenuPainter* painter)
    : QProxyStyle(copyOfApplicationStyle())
    , m_painter(painter)
{
}

void MenuPainterStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    switch (element) {
    case CE_MenuItem:
        if (item)
            return m_painter->PaintItem(painter, *item, false);
        break;
    case CE_MenuBarItem:
        if (item) {
            // A bar hands over neither its font nor its direction.
            QStyleOptionMenuItem heading = *item;
            if (widget) {
                heading.font = widget->font();
                heading.direction = widget->layoutDirection();
            }
            return m_painter->PaintItem(painter, heading, true);
        }
        break;
    case CE_MenuEmptyArea:
        return; // the panel already holds the column and the background
    case CE_MenuBarEmptyArea:
        painter->fillRect(option->rect, m_painter->IconBackColor());
        return;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void MenuPainterStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    switch (element) {
    case PE_PanelMenu:
        m_painter->PaintMenuPanel(
            painter, option->rect, pixelMetric(PM_MenuPanelWidth, option, widget), option->direction);
        return;
    case PE_FrameMenu: {
        const int width = pixelMetric(PM_MenuPanelWidth, option, widget);
        const QRect& r = option->rect;
        const QColor color = option->palette.color(QPalette::Dark);
        painter->fillRect(r.left(), r.top(), r.width(), width, color);
        painter->fillRect(r.left(), r.bottom() - width + 1, r.width(), width, color);
        painter->fillRect(r.left(), r.top(), width, r.height(), color);
        painter->fillRect(r.right() - width + 1, r.top(), width, r.height(), color);
        return;
    }
    case PE_PanelMenuBar:
        painter->fillRect(option->rect, m_painter->IconBackColor());
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QSize MenuPainterStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (item && (type == CT_MenuItem || type == CT_MenuBarItem)) {
        const QSize measured = TMenuPainter::MeasureItem(*item, size, type == CT_MenuBarItem);
        return TMenuPainter::SizeItem(TMenuPainter::ItemTag(widget, *item), measured);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int MenuPainterStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuPanelWidth:
        return MenuFrameWidth;
    case PM_MenuHMargin:
        return 0;
    case PM_MenuVMargin:
        return MenuVMargin;
    // The headings make up the whole bar: no frame, margins or gaps.
    case PM_MenuBarPanelWidth:
    case PM_MenuBarVMargin:
    case PM_MenuBarHMargin:
    case PM_MenuBarItemSpacing:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int MenuPainterStyle::styleHint(
    StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_Menu_AllowActiveAndDisabled: // a disabled item shows the selection as any other
    case SH_MenuBar_MouseTracking: // a heading under the mouse is painted selected
    case SH_Menu_MouseTracking:
        return 1;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}
