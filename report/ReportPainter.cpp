#include "report/ReportPainter.h"

#include <QPaintDevice>
#include <QPainter>

namespace {

// Frame lines are a fine rule, as thin as a printer draws comfortably.
constexpr double RuleWidthMm = 0.2;

struct Scale
{
    double x;
    double y;

    QRectF rect(const QRectF& mm) const { return QRectF(mm.left() * x, mm.top() * y, mm.width() * x, mm.height() * y); }
};

Scale scaleOf(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    return { device->logicalDpiX() / 25.4, device->logicalDpiY() / 25.4 };
}

void paintText(QPainter& painter, const Scale& scale, const PlacedBox& box)
{
    const QRectF rect = scale.rect(box.rect);
    if (box.opaque)
        painter.fillRect(rect, Qt::white);
    if (box.lines.isEmpty())
        return;
    painter.save();
    // A pixel of slack keeps rounding on coarse devices from shaving a glyph.
    painter.setClipRect(rect.adjusted(-1, -1, 1, 1));
    painter.setFont(box.font);
    painter.setPen(box.color);
    const int flags = int(box.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextSingleLine;
    for (qsizetype i = 0; i < box.lines.size(); ++i) {
        const QRectF line(box.rect.left(), box.rect.top() + i * box.lineHeight, box.rect.width(), box.lineHeight);
        painter.drawText(scale.rect(line), flags, box.lines.at(i));
    }
    painter.restore();
}

void paintFill(QPainter& painter, const Scale& scale, const PlacedBox& box)
{
    const QRectF rect = scale.rect(box.rect);
    painter.fillRect(rect, box.color);
    painter.save();
    painter.setPen(QPen(box.outline, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    painter.restore();
}

void paintRule(QPainter& painter, const Scale& scale, const PlacedBox& box)
{
    painter.save();
    QPen pen(box.color, RuleWidthMm * scale.y, box.penStyle, Qt::FlatCap);
    painter.setPen(pen);
    const QRectF rect = scale.rect(box.rect);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.restore();
}

} // namespace

namespace ReportPainter {

void paintBox(QPainter& painter, const PlacedBox& box)
{
    const Scale scale = scaleOf(painter);
    switch (box.kind) {
    case PlacedBox::Kind::Text:
        paintText(painter, scale, box);
        break;
    case PlacedBox::Kind::Fill:
        paintFill(painter, scale, box);
        break;
    case PlacedBox::Kind::Rule:
        paintRule(painter, scale, box);
        break;
    }
}

bool paintPage(QPainter& painter, const ReportPage& page, const std::function<bool()>& afterBox)
{
    const Scale scale = scaleOf(painter);
    for (const PlacedBand& band : page.bands)
        painter.fillRect(scale.rect(band.rect), Qt::white);
    for (const PlacedBox& box : page.boxes) {
        paintBox(painter, box);
        if (afterBox && !afterBox())
            return false;
    }
    return true;
}

} // namespace ReportPainter
