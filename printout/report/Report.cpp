#include "printout/report/Report.h"

ReportElement::ReportElement(Kind kind, ReportBand* band, const QString& name, const QRectF& geometry)
    : QObject(band)
    , m_kind(kind)
    , m_band(band)
    , m_geometry(geometry)
{
    setObjectName(name);
    band->m_elements.push_back(this);
}

ReportTextElement::ReportTextElement(Kind kind, ReportBand* band, const QString& name, const QRectF& geometry)
    : ReportElement(kind, band, name, geometry)
{
}

void ReportTextElement::setFont(const QString& family, double points, bool bold)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    m_font = font;
}

ReportLabel::ReportLabel(ReportBand* band, const QString& name, const QRectF& geometry, const QString& text)
    : ReportTextElement(Kind::Label, band, name, geometry)
    , m_text(text)
{
}

ReportField::ReportField(ReportBand* band, const QString& name, const QRectF& geometry, const QString& fieldName)
    : ReportTextElement(Kind::Field, band, name, geometry)
    , m_fieldName(fieldName)
{
}

ReportMemo::ReportMemo(ReportBand* band, const QString& name, const QRectF& geometry)
    : ReportTextElement(Kind::Memo, band, name, geometry)
{
}

ReportShape::ReportShape(ReportBand* band, const QString& name, const QRectF& geometry)
    : ReportElement(Kind::Shape, band, name, geometry)
{
}

ReportBand::ReportBand(Report* report, Kind kind, const QString& name, double heightMm)
    : QObject(report)
    , m_kind(kind)
    , m_report(report)
    , m_height(heightMm)
{
    setObjectName(name);
    report->m_bands.push_back(this);
}

Report::Report(QObject* parent, const QString& name)
    : QObject(parent)
{
    setObjectName(name);
}

QString Report::fieldText(const QString& fieldName) const
{
    return m_fieldSource ? m_fieldSource(fieldName) : QString();
}

bool Report::runBeforePrint()
{
    bool printReport = true;
    if (m_beforePrint)
        m_beforePrint(*this, printReport);
    return printReport;
}
