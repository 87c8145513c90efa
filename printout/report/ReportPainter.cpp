#include "printout/report/ReportPainter.h"

#include <QPaintDevice>
#include <QPainter>

namespace {

// Frame lines are a fine rule, as thin as a printer draws comfortably.
constexpr double RuleWidthMm = 0.2;

// Painting happens in pixels of the measuring resolution, scaled to the
// device, so text takes exactly the widths the layout measured.
double units(double mm)
{
    return mm * TextMetrics::Dpi / 25.4;
}

QRectF units(const QRectF& mm)
{
    return QRectF(units(mm.left()), units(mm.top()), units(mm.width()), units(mm.height()));
}

class DeviceScale
{
public:
    explicit DeviceScale(QPainter& painter)
        : m_painter(painter)
    {
        const QPaintDevice* device = painter.device();
        m_painter.save();
        m_painter.scale(device->logicalDpiX() / TextMetrics::Dpi, device->logicalDpiY() / TextMetrics::Dpi);
        m_pixel = TextMetrics::Dpi / device->logicalDpiX();
    }
    ~DeviceScale() { m_painter.restore(); }

    double pixel() const { return m_pixel; } // one device pixel in painting units

private:
    QPainter& m_painter;
    double m_pixel;
};

void paintText(QPainter& painter, double pixel, const PlacedBox& box)
{
    const QRectF rect = units(box.rect);
    if (box.opaque)
        painter.fillRect(rect, Qt::white);
    if (box.lines.isEmpty())
        return;
    painter.save();
    // A pixel of slack keeps rounding on coarse devices from shaving a glyph.
    painter.setClipRect(rect.adjusted(-pixel, -pixel, pixel, pixel));
    painter.setFont(box.font);
    painter.setPen(box.color);
    const int flags = int(box.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop | Qt::TextSingleLine;
    for (qsizetype i = 0; i < box.lines.size(); ++i) {
        const QRectF line(box.rect.left(), box.rect.top() + i * box.lineHeight, box.rect.width(), box.lineHeight);
        painter.drawText(units(line), flags, box.lines.at(i));
    }
    painter.restore();
}

void paintFill(QPainter& painter, const PlacedBox& box)
{
    const QRectF rect = units(box.rect);
    painter.fillRect(rect, box.color);
    painter.save();
    painter.setPen(QPen(box.outline, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    painter.restore();
}

void paintRule(QPainter& painter, const PlacedBox& box)
{
    painter.save();
    painter.setPen(QPen(box.color, units(RuleWidthMm), box.penStyle, Qt::FlatCap));
    const QRectF rect = units(box.rect);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.restore();
}

// The quiet zones must stay white, so the whole box is cleared first.
void paintBarcode(QPainter& painter, const PlacedBox& box)
{
    // White under the symbol alone: the rest of the box may hold the end of a long title.
    if (!box.bars.empty())
        painter.fillRect(units(box.symbolRect), Qt::white);
    for (const QRectF& bar : box.bars)
        painter.fillRect(units(bar), Qt::black);
    if (box.lines.isEmpty())
        return;
    painter.save();
    painter.setFont(box.font);
    painter.setPen(Qt::black);
    painter.drawText(units(box.textRect), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, box.lines.front());
    painter.restore();
}

void paint(QPainter& painter, double pixel, const PlacedBox& box)
{
    switch (box.kind) {
    case PlacedBox::Kind::Text:
        paintText(painter, pixel, box);
        break;
    case PlacedBox::Kind::Fill:
        paintFill(painter, box);
        break;
    case PlacedBox::Kind::Rule:
        paintRule(painter, box);
        break;
    case PlacedBox::Kind::Barcode:
        paintBarcode(painter, box);
        break;
    }
}

} // namespace

namespace ReportPainter {

void paintBox(QPainter& painter, const PlacedBox& box)
{
    const DeviceScale scale(painter);
    paint(painter, scale.pixel(), box);
}

bool paintPage(QPainter& painter, const ReportPage& page, const std::function<bool()>& afterBox)
{
    const DeviceScale scale(painter);
    for (const PlacedBand& band : page.bands)
        painter.fillRect(units(band.rect), Qt::white);
    for (const PlacedBox& box : page.boxes) {
        paint(painter, scale.pixel(), box);
        if (afterBox && !afterBox())
            return false;
    }
    return true;
}

} // namespace ReportPainter
