#include "printout/report/ReportBarcode.h"

ReportBarcode::ReportBarcode(ReportBand* band, const QString& name, const QRectF& geometry, const QString& fieldName)
    : ReportElement(Kind::Barcode, band, name, geometry)
    , m_fieldName(fieldName)
{
}

void ReportBarcode::setFont(const QString& family, double points, bool bold)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    m_font = font;
}
