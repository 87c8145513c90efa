#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

class Report;

// A box placed on the sheet, in millimetres from the sheet's top-left corner.
struct PlacedBox
{
    enum class Kind { Text, Fill, Rule, Barcode };

    Kind kind = Kind::Text;
    QString name; // the element's or, for a rule, the band's object name
    QRectF rect; // a rule has zero height: it runs along rect's top edge

    // Text: the lines that fit the box, each lineHeight high from the top.
    // Barcode: the encoded text as its one line, printed in textRect.
    QStringList lines;
    double lineHeight = 0.0;
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool opaque = true; // white background

    // Text colour, fill colour or rule colour.
    QColor color = Qt::black;
    QColor outline = Qt::black; // Fill only
    Qt::PenStyle penStyle = Qt::SolidLine; // Rule only

    // Barcode only: its bars, none when there is nothing to encode, where
    // its text goes, and what it covers (quiet zones and text): kept white.
    std::vector<QRectF> bars;
    QRectF textRect;
    QRectF symbolRect;
};

struct PlacedBand
{
    QString name;
    QRectF rect;
};

struct ReportPage
{
    QSizeF size; // millimetres
    std::vector<PlacedBand> bands;
    std::vector<PlacedBox> boxes; // in painting order

    // The box of the element or band rule with this name; nullptr when none.
    const PlacedBox* box(const QString& name) const;
    const PlacedBand* band(const QString& name) const;
};

// Text measured at a fixed resolution, so the layout is the same on every
// machine with the same fonts, whatever the screen.
namespace TextMetrics {

constexpr double Dpi = 1200.0;

// The font as measured and painted: unhinted, so widths scale with size.
QFont prepared(const QFont& font);
double widthMm(const QFont& font, const QString& text);
double lineHeightMm(const QFont& font);
// Paragraphs split at line breaks; with wrap on, each wrapped at widthMm.
QStringList wrap(const QFont& font, const QString& text, double widthMm, bool wordWrap);

} // namespace TextMetrics

namespace ReportLayout {

// Turns a report and the current values of its fields into pages of placed
// boxes. The before-print step is not run here; the printer runs it first.
std::vector<ReportPage> layout(const Report& report);

} // namespace ReportLayout
