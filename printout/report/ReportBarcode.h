#pragma once

#include "printout/report/ReportElement.h"

#include <functional>
#include <vector>

// A linear barcode of a field of the report's current row, with the encoded
// text beside it. The bars fill the element's height; the quiet zones on
// both sides of the bars lie inside the element's box, so keeping the box
// clear of other elements keeps the barcode readable. An empty field prints
// nothing. The symbology is the encoder's: the report engine only draws the
// widths it returns.
class ReportBarcode : public ReportElement
{
    Q_OBJECT

public:
    // Bar and space widths in modules, a bar first; empty when the text
    // cannot be encoded.
    using Encoder = std::function<std::vector<int>(const QString& text)>;

    ReportBarcode(ReportBand* band, const QString& name, const QRectF& geometry, const QString& fieldName);

    QString fieldName() const { return m_fieldName; }
    void setFieldName(const QString& fieldName) { m_fieldName = fieldName; }

    // Put before the field's text, e.g. "T" for a ticket number.
    QString prefix() const { return m_prefix; }
    void setPrefix(const QString& prefix) { m_prefix = prefix; }

    const Encoder& encoder() const { return m_encoder; }
    void setEncoder(Encoder encoder) { m_encoder = std::move(encoder); }

    // The narrowest bar or space, in millimetres.
    double module() const { return m_module; }
    void setModule(double mm) { m_module = mm; }

    int quietZoneModules() const { return m_quietZoneModules; }
    void setQuietZoneModules(int modules) { m_quietZoneModules = modules; }

    // The text beside the bars.
    QFont font() const { return m_font; }
    void setFont(const QString& family, double points, bool bold = false);

    // Qt::AlignLeft puts the barcode at the box's left edge, Qt::AlignRight
    // its text at the right edge.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

private:
    QString m_fieldName;
    QString m_prefix;
    Encoder m_encoder;
    // Four pixels of a 300 dpi printer: whole pixels print crisp bars.
    double m_module = 25.4 / 75.0;
    int m_quietZoneModules = 10;
    QFont m_font;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};
