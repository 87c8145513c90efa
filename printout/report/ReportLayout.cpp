#include "printout/report/ReportLayout.h"

#include "printout/report/Report.h"
#include "printout/report/ReportBarcode.h"

#include <QFontMetricsF>
#include <QImage>
#include <QTextLayout>

#include <algorithm>

namespace {

// Rounding of millimetre sums must not cost a line or a band its place.
constexpr double Epsilon = 1e-6;

const QPaintDevice& measuringDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(TextMetrics::Dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

double toMm(double pixels)
{
    return pixels * 25.4 / TextMetrics::Dpi;
}

double toPixels(double mm)
{
    return mm * TextMetrics::Dpi / 25.4;
}

QStringList paragraphs(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normal.split(QLatin1Char('\n'));
}

QString elementText(const Report& report, const ReportElement& element)
{
    switch (element.kind()) {
    case ReportElement::Kind::Label:
        return static_cast<const ReportLabel&>(element).text();
    case ReportElement::Kind::Field:
        return report.fieldText(static_cast<const ReportField&>(element).fieldName());
    case ReportElement::Kind::Memo:
        return static_cast<const ReportMemo&>(element).lines().join(QLatin1Char('\n'));
    case ReportElement::Kind::Shape:
    case ReportElement::Kind::Barcode:
        break;
    }
    return {};
}

PlacedBox placeText(const Report& report, const ReportTextElement& element, const QPointF& origin)
{
    PlacedBox box;
    box.kind = PlacedBox::Kind::Text;
    box.name = element.objectName();
    box.rect = element.geometry().translated(origin);
    box.font = TextMetrics::prepared(element.font());
    box.alignment = element.alignment();
    box.opaque = !element.transparent();
    box.color = element.color();
    box.lineHeight = TextMetrics::lineHeightMm(box.font);

    const QString text = elementText(report, element);
    if (element.autoSize()) {
        double width = 0.0;
        for (const QString& line : paragraphs(text))
            width = std::max(width, TextMetrics::widthMm(box.font, line));
        if (element.alignment() & Qt::AlignRight)
            box.rect.setLeft(box.rect.right() - width);
        else if (element.alignment() & Qt::AlignHCenter)
            box.rect = QRectF(box.rect.center().x() - width / 2, box.rect.top(), width, box.rect.height());
        else
            box.rect.setWidth(width);
        // The box is as wide as its widest line, so nothing wraps.
        box.lines = paragraphs(text);
    } else {
        box.lines = TextMetrics::wrap(box.font, text, box.rect.width(), element.wordWrap());
    }

    // Lines that do not fit the box's height are not printed.
    const int fitting = box.lineHeight > 0 ? int((box.rect.height() + Epsilon) / box.lineHeight) : 0;
    if (box.lines.size() > fitting)
        box.lines.resize(std::max(0, fitting));
    return box;
}

PlacedBox placeShape(const ReportShape& shape, const QPointF& origin)
{
    PlacedBox box;
    box.kind = PlacedBox::Kind::Fill;
    box.name = shape.objectName();
    box.rect = shape.geometry().translated(origin);
    box.color = shape.brushColor();
    box.outline = shape.penColor();
    return box;
}

PlacedBox placeBarcode(const Report& report, const ReportBarcode& barcode, const QPointF& origin)
{
    PlacedBox box;
    box.kind = PlacedBox::Kind::Barcode;
    box.name = barcode.objectName();
    box.rect = barcode.geometry().translated(origin);
    box.font = TextMetrics::prepared(barcode.font());
    box.lineHeight = TextMetrics::lineHeightMm(box.font);

    const QString value = report.fieldText(barcode.fieldName());
    const QString text = value.isEmpty() ? QString() : barcode.prefix() + value;
    const std::vector<int> widths = text.isEmpty() || !barcode.encoder() ? std::vector<int>() : barcode.encoder()(text);
    if (widths.empty())
        return box;

    int modules = 0;
    for (const int width : widths)
        modules += width;
    const double module = barcode.module();
    const double quiet = barcode.quietZoneModules() * module;
    const double textWidth = TextMetrics::widthMm(box.font, text);
    const double content = quiet + modules * module + quiet + textWidth;
    double x = (barcode.alignment() & Qt::AlignRight) ? box.rect.right() - content : box.rect.left();
    box.symbolRect = QRectF(x, box.rect.top(), content, box.rect.height());
    x += quiet;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const double width = widths[i] * module;
        if (i % 2 == 0) // bars and spaces alternate, a bar first
            box.bars.emplace_back(x, box.rect.top(), width, box.rect.height());
        x += width;
    }
    box.textRect = QRectF(x + quiet, box.rect.center().y() - box.lineHeight / 2, textWidth, box.lineHeight);
    box.lines = QStringList { text };
    return box;
}

void placeBand(const Report& report, const ReportBand& band, double left, double top, double width, ReportPage& page)
{
    const QRectF rect(left, top, width, band.height());
    page.bands.push_back({ band.objectName(), rect });
    for (const ReportElement* element : band.elements()) {
        if (element->kind() == ReportElement::Kind::Shape)
            page.boxes.push_back(placeShape(static_cast<const ReportShape&>(*element), rect.topLeft()));
        else if (element->kind() == ReportElement::Kind::Barcode)
            page.boxes.push_back(placeBarcode(report, static_cast<const ReportBarcode&>(*element), rect.topLeft()));
        else
            page.boxes.push_back(placeText(report, static_cast<const ReportTextElement&>(*element), rect.topLeft()));
    }
}

// Frame lines go over the elements, after every band of the page is placed.
void placeFrames(const Report& report, ReportPage& page)
{
    for (const PlacedBand& placed : page.bands) {
        const auto it = std::find_if(report.bands().begin(), report.bands().end(),
            [&](const ReportBand* band) { return band->objectName() == placed.name; });
        if (it == report.bands().end() || (*it)->frameTop() == ReportBand::Frame::None)
            continue;
        PlacedBox rule;
        rule.kind = PlacedBox::Kind::Rule;
        rule.name = placed.name;
        rule.rect = QRectF(placed.rect.left(), placed.rect.top(), placed.rect.width(), 0.0);
        rule.penStyle = (*it)->frameTop() == ReportBand::Frame::Dotted ? Qt::DotLine : Qt::SolidLine;
        page.boxes.push_back(rule);
    }
}

} // namespace

const PlacedBox* ReportPage::box(const QString& name) const
{
    for (const PlacedBox& placed : boxes)
        if (placed.name == name && placed.kind != PlacedBox::Kind::Rule)
            return &placed;
    for (const PlacedBox& placed : boxes)
        if (placed.name == name)
            return &placed;
    return nullptr;
}

const PlacedBand* ReportPage::band(const QString& name) const
{
    for (const PlacedBand& placed : bands)
        if (placed.name == name)
            return &placed;
    return nullptr;
}

namespace TextMetrics {

QFont prepared(const QFont& font)
{
    QFont result = font;
    // A pixel size at the measuring resolution: painters on every device
    // scale from it, so no device rounds the size its own way.
    if (font.pointSizeF() > 0)
        result.setPixelSize(qMax(1, qRound(font.pointSizeF() * Dpi / 72.0)));
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setKerning(true);
    return result;
}

double widthMm(const QFont& font, const QString& text)
{
    return toMm(QFontMetricsF(prepared(font), &measuringDevice()).horizontalAdvance(text));
}

double lineHeightMm(const QFont& font)
{
    return toMm(QFontMetricsF(prepared(font), &measuringDevice()).lineSpacing());
}

QStringList wrap(const QFont& font, const QString& text, double widthMm, bool wordWrap)
{
    const QStringList parts = paragraphs(text);
    if (!wordWrap)
        return parts;
    QStringList lines;
    const QFont measured = prepared(font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : parts) {
        if (paragraph.isEmpty()) {
            lines.append(QString());
            continue;
        }
        QTextLayout layout(paragraph, measured, &measuringDevice());
        layout.setTextOption(option);
        layout.beginLayout();
        QStringList broken;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(0.0, toPixels(widthMm)));
            broken.append(paragraph.mid(line.textStart(), line.textLength()));
        }
        layout.endLayout();
        // The blanks at a break belong to neither line.
        for (qsizetype i = 0; i + 1 < broken.size(); ++i) {
            qsizetype end = broken[i].size();
            while (end > 0 && broken[i].at(end - 1).isSpace())
                --end;
            broken[i].truncate(end);
        }
        lines.append(broken);
    }
    return lines;
}

} // namespace TextMetrics

namespace ReportLayout {

std::vector<ReportPage> layout(const Report& report)
{
    std::vector<ReportPage> pages;
    if (!report.printIfEmpty())
        return pages;

    const QSizeF size = report.pageSizeMm();
    const QMarginsF margins = report.margins();
    const double left = margins.left();
    const double width = size.width() - margins.left() - margins.right();

    std::vector<const ReportBand*> flow;
    std::vector<const ReportBand*> footers;
    for (ReportBand::Kind kind : { ReportBand::Kind::Title, ReportBand::Kind::Detail })
        for (const ReportBand* band : report.bands())
            if (band->kind() == kind)
                flow.push_back(band);
    double footerHeight = 0.0;
    for (const ReportBand* band : report.bands())
        if (band->kind() == ReportBand::Kind::PageFooter) {
            footers.push_back(band);
            footerHeight += band->height();
        }
    const double bottom = size.height() - margins.bottom();
    const double flowBottom = bottom - footerHeight;

    auto finishPage = [&](ReportPage& page) {
        double top = bottom - footerHeight;
        for (const ReportBand* band : footers) {
            placeBand(report, *band, left, top, width, page);
            top += band->height();
        }
        placeFrames(report, page);
    };

    ReportPage page;
    page.size = size;
    double y = margins.top();
    for (const ReportBand* band : flow) {
        // A band that does not fit starts a new page, unless it is first on its page.
        if (y + band->height() > flowBottom + Epsilon && y > margins.top() + Epsilon) {
            finishPage(page);
            pages.push_back(std::move(page));
            page = ReportPage();
            page.size = size;
            y = margins.top();
        }
        placeBand(report, *band, left, y, width, page);
        y += band->height();
    }
    finishPage(page);
    pages.push_back(std::move(page));
    return pages;
}

} // namespace ReportLayout
