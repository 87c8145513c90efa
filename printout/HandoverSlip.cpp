#include "printout/HandoverSlip.h"

#include "base/AppError.h"
#include "base/TextList.h"
#include "printout/Code128.h"
#include "printout/report/Report.h"
#include "printout/report/ReportBarcode.h"
#include "printout/report/ReportPrinter.h"
#include "store/FieldText.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

const QString FontFamily = QStringLiteral("Verdana");
constexpr double PageWidth = 190.0; // A4 less the margins
constexpr double ValueLeft = 48.0;
constexpr double RowHeight = 7.0;

const QString DateFormat = QStringLiteral("dd.MM.yyyy");
const QString TimeFormat = QStringLiteral("dd.MM.yyyy HH:mm");

ReportLabel* addLabel(
    ReportBand* band, const QString& name, const QRectF& mm, const QString& text, double points, bool bold = false)
{
    auto* label = new ReportLabel(band, name, mm, text);
    label->setFont(FontFamily, points, bold);
    return label;
}

} // namespace

HandoverSlip::HandoverSlip(const HandoverDetails& details, const QString& firmaPath, const ExtraTexts& texts)
    : m_report(std::make_unique<Report>(nullptr, QStringLiteral("QRHandover")))
    , m_texts(texts)
{
    const QStringList shop = TextList::read(firmaPath);

    m_report->setPageSize(QPageSize(QPageSize::A4));
    m_report->setMargins(QMarginsF(10.0, 10.0, 10.0, 10.0));
    m_report->setTitle(texts.text(ExtraText::SlipTitle));
    m_report->setPrintIfEmpty(true);
    // One page goes out at once; a progress window would only flash.
    m_report->setShowProgress(false);
    auto* band = new ReportBand(m_report.get(), ReportBand::Kind::Title, QStringLiteral("TitleBand1"), 150.0);

    auto* firma = new ReportMemo(band, QStringLiteral("QRmemFirma"), QRectF(0, 0, 95, 30));
    firma->setFont(FontFamily, 10, false);
    firma->setLines(shop);
    ReportLabel* title = addLabel(
        band, QStringLiteral("QRlbNadpis"), QRectF(100, 0, 90, 9), texts.text(ExtraText::SlipTitle), 17, true);
    title->setAlignment(Qt::AlignRight);
    title->setAutoSize(true);
    new ReportShape(band, QStringLiteral("QRshCara"), QRectF(0, 33, PageWidth, 0.3));

    // The ticket's barcode as the ticket printout has it, right under the title.
    const QString number = details.number;
    m_report->setFieldSource(
        [number](const QString& fieldName) { return fieldName == QLatin1String("cislo") ? number : QString(); });
    auto* barcode
        = new ReportBarcode(band, QStringLiteral("QRbarcode"), QRectF(100, 12, 90, 10.2), QStringLiteral("cislo"));
    barcode->setPrefix(QStringLiteral("T"));
    barcode->setEncoder(Code128::moduleWidths);
    barcode->setFont(FontFamily, 10, false);
    barcode->setAlignment(Qt::AlignRight);

    const QDate until = warrantyUntil(details.handedOver, details.warrantyDays);
    double top = 38;
    addRow(top, 5, "Cislo", ExtraText::SlipTicket, details.number);
    addRow(top += RowHeight, 5, "Zakaznik", ExtraText::SlipCustomer, details.customer);
    addRow(top += RowHeight, 5, "Pristroj", ExtraText::SlipDevice, details.device);
    addRow(top += RowHeight, 5, "IMEI", ExtraText::SlipImei, details.imei);
    // A fault may run to a second line.
    addRow(top += RowHeight, 10, "Vada", ExtraText::SlipFault, details.fault);
    addRow(top += RowHeight + 5, 5, "Castka", ExtraText::HandoverAmount, FieldText::displayMoney(details.amount));
    addRow(top += RowHeight, 5, "Vydano", ExtraText::SlipTime, details.handedOver.toString(TimeFormat));
    addRow(top += RowHeight, 5, "Zaruka", ExtraText::SlipWarranty,
        until.isValid() ? until.toString(DateFormat) : QString());

    // The signature lines, the customer's left and the shop's right.
    const double signTop = top + 35;
    new ReportShape(band, QStringLiteral("QRshPodpis"), QRectF(0, signTop, 80, 0.3));
    new ReportShape(band, QStringLiteral("QRshPodpisServis"), QRectF(110, signTop, 80, 0.3));
    addLabel(band, QStringLiteral("QRlbPodpis"), QRectF(0, signTop + 1.5, 80, 5),
        texts.text(ExtraText::SlipSignCustomer), 9);
    addLabel(band, QStringLiteral("QRlbPodpisServis"), QRectF(110, signTop + 1.5, 80, 5),
        texts.text(ExtraText::SlipSignShop), 9);
}

HandoverSlip::~HandoverSlip() = default;

QDate HandoverSlip::warrantyUntil(const QDateTime& handedOver, int days)
{
    return handedOver.date().addDays(days);
}

void HandoverSlip::addRow(double top, double height, const char* name, ExtraText label, const QString& value)
{
    ReportBand* band = m_report->bands().front();
    const QString suffix = QString::fromLatin1(name);
    addLabel(band, QStringLiteral("QRlb") + suffix, QRectF(0, top, ValueLeft - 2, 5), m_texts.text(label), 10, true);
    addLabel(band, QStringLiteral("QRdb") + suffix, QRectF(ValueLeft, top, PageWidth - ValueLeft, height), value, 10);
}

void HandoverSlip::printOnDefaultPrinter()
{
    // Without a printer nothing would come out: say so, rather than let the
    // counter believe the slip was printed.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw AppError(m_texts.text(ExtraText::NoPrinter));
    QPrinter printer(info, QPrinter::HighResolution);
    print(printer);
}

bool HandoverSlip::print(QPrinter& printer)
{
    try {
        return ReportPrinter::print(*m_report, printer);
    } catch (const AppError& error) {
        throw AppError(m_texts.text(ExtraText::SlipFailed).arg(error.message()));
    }
}
