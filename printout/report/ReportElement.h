#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>

class ReportBand;

// One element of a band. Positions and sizes are millimetres from the
// top-left corner of the element's band.
class ReportElement : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Label, Field, Memo, Shape, Barcode };

    Kind kind() const { return m_kind; }
    ReportBand* band() const { return m_band; }

    QRectF geometry() const { return m_geometry; }
    void setGeometry(const QRectF& mm) { m_geometry = mm; }

protected:
    // The band owns the element and lists it in creation order, which is the
    // order of painting.
    ReportElement(Kind kind, ReportBand* band, const QString& name, const QRectF& geometry);

private:
    Kind m_kind;
    ReportBand* m_band;
    QRectF m_geometry;
};

// An element that prints text: a font, a colour, an alignment, word wrap at
// the box width, an opaque white background by default, and auto-size, which
// makes the box as wide as its widest line (a left-aligned box keeps its left
// edge, a right-aligned one its right edge, a centred one its centre).
class ReportTextElement : public ReportElement
{
    Q_OBJECT

public:
    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    // Family, size in points and weight in one step.
    void setFont(const QString& family, double points, bool bold = false);

    QColor color() const { return m_color; }
    void setColor(const QColor& color) { m_color = color; }

    // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on) { m_autoSize = on; }

    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on) { m_wordWrap = on; }

    bool transparent() const { return m_transparent; }
    void setTransparent(bool on) { m_transparent = on; }

protected:
    ReportTextElement(Kind kind, ReportBand* band, const QString& name, const QRectF& geometry);

private:
    QFont m_font;
    QColor m_color = Qt::black;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_autoSize = false;
    bool m_wordWrap = true;
    bool m_transparent = false;
};

// A fixed text.
class ReportLabel : public ReportTextElement
{
    Q_OBJECT

public:
    ReportLabel(ReportBand* band, const QString& name, const QRectF& geometry, const QString& text = QString());

    QString text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }

private:
    QString m_text;
};

// The display text of a field of the report's current row, read when the
// page is laid out.
class ReportField : public ReportTextElement
{
    Q_OBJECT

public:
    ReportField(ReportBand* band, const QString& name, const QRectF& geometry, const QString& fieldName);

    QString fieldName() const { return m_fieldName; }
    void setFieldName(const QString& fieldName) { m_fieldName = fieldName; }

private:
    QString m_fieldName;
};

// Lines of text, each one a paragraph of its own.
class ReportMemo : public ReportTextElement
{
    Q_OBJECT

public:
    ReportMemo(ReportBand* band, const QString& name, const QRectF& geometry);

    const QStringList& lines() const { return m_lines; }
    void setLines(const QStringList& lines) { m_lines = lines; }
    void appendLines(const QStringList& lines) { m_lines.append(lines); }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
};

// A filled rectangle, e.g. a bar across the page.
class ReportShape : public ReportElement
{
    Q_OBJECT

public:
    ReportShape(ReportBand* band, const QString& name, const QRectF& geometry);

    QColor penColor() const { return m_penColor; }
    void setPenColor(const QColor& color) { m_penColor = color; }
    QColor brushColor() const { return m_brushColor; }
    void setBrushColor(const QColor& color) { m_brushColor = color; }

private:
    QColor m_penColor = Qt::black;
    QColor m_brushColor = Qt::black;
};
