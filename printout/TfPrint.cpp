#include "printout/TfPrint.h"

#include "base/TextList.h"
#include "lang/LangFile.h"
#include "lang/LangSlots.h"
#include "printout/Code128.h"
#include "printout/report/Report.h"
#include "printout/report/ReportBarcode.h"
#include "printout/report/ReportPrinter.h"

#include <iterator>
#include <memory>

namespace {

const QString FontFamily = QStringLiteral("Verdana");

// One element of a ticket copy. Both copies share the design; only the
// names differ.
struct CopyElement
{
    ReportElement::Kind kind;
    const char* detailName; // second copy, in the detail band
    const char* titleName; // first copy, in the title band
    const char* content; // a label's text (UTF-8) or a printed field's name
    QRectF mm;
    double points;
    bool bold;
    Qt::Alignment alignment;
    bool autoSize;
};

using K = ReportElement::Kind;
constexpr Qt::Alignment Left = Qt::AlignLeft;
constexpr Qt::Alignment Right = Qt::AlignRight;

// Auto-size labels aligned right keep their right edge, which is what sets
// their place: 169.1 mm, 32.8 mm and 109.0 mm from the band's left edge.
const CopyElement CopyDesign[] = {
    { K::Label, "QRlbOpravenka", "QRlbOpravenka2", "OPRAVENKA", { 1.9, 2.1, 43.1, 9.5 }, 17, true, Left, true },
    { K::Label, "QRlbEVD", "QRlbEVD2", "Evidenční číslo:", { 139.2, 2.6, 29.9, 5.0 }, 10, true, Right, true },
    { K::Field, "QRdbCislo", "QRDBText4", "cislo", { 170.7, 2.6, 9.0, 5.0 }, 10, true, Left, true },
    { K::Label, "QRlbDodavatel", "QRlbDodavatel2", "Dodavatel:", { 11.6, 12.4, 21.2, 5.0 }, 10, true, Right, true },
    { K::Label, "QRlbJmeno", "QRlbJmeno2", "Objednatel:", { 86.2, 12.4, 22.8, 5.0 }, 10, true, Right, true },
    { K::Label, "QRlbJmenoObj", "QRlbJmenoObj2", "Jméno:", { 82.5, 17.2, 25.1, 5.0 }, 10, false, Right, false },
    { K::Field, "QRdbJmeno", "QRDBText1", "jmeno", { 110.1, 17.2, 72.2, 5.0 }, 10, false, Left, false },
    { K::Memo, "QRmemF1", "QRmemF2", "", { 14.6, 17.7, 66.1, 24.9 }, 10, false, Left, false },
    { K::Label, "QRlbAdresaObj", "QRlbAdresaObj2", "Adresa:", { 82.5, 22.8, 25.1, 5.0 }, 10, false, Right, false },
    { K::Field, "QRdbAdresa", "QRDBText2", "adresa_mesto", { 110.1, 22.8, 72.2, 5.0 }, 10, false, Left, false },
    { K::Label, "QRlbTelObj", "QRlbTelObj2", "tel.:", { 82.5, 28.3, 25.1, 5.0 }, 10, false, Right, false },
    { K::Field, "QRDBTel", "QRDBText7", "tel", { 110.1, 28.3, 72.2, 5.0 }, 10, false, Left, false },
    { K::Shape, "QRsh1", "QRShape1", "", { 5.3, 43.1, 178.1, 0.3 }, 0, false, Left, false },
    { K::Label, "QRlbTechnik", "QRlbTechnik2", "Přijímací technik:", { 7.1, 45.0, 31.5, 4.8 }, 10, false, Left, false },
    { K::Field, "QRDBTechnik", "QRDBText8", "technik", { 39.2, 45.0, 144.2, 4.8 }, 10, false, Left, false },
    { K::Label, "QRlbDruh", "QRlbDruh2", "Druh opravy:", { 7.1, 51.1, 31.5, 4.8 }, 10, false, Left, false },
    { K::Field, "QRDBDruh", "QRDBText9", "druh_opravy", { 39.2, 51.1, 57.4, 4.8 }, 10, false, Left, false },
    { K::Label, "QRlbTypMobilu", "QRlbTypMobilu2", "Typ přístroje:", { 7.1, 57.1, 31.8, 4.8 }, 10, false, Left, false },
    { K::Field, "QRDBTelefon", "QRDBText10", "telefon", { 39.2, 57.1, 57.4, 4.8 }, 10, false, Left, false },
    { K::Label, "QRlbIMEI", "QRlbIMEI2", "IMEI:", { 100.0, 57.1, 22.0, 4.8 }, 10, false, Left, false },
    { K::Field, "QRdbIMEI", "QRDBText3", "IMEI", { 122.8, 57.1, 57.4, 4.8 }, 10, false, Left, false },
    { K::Label, "QRlbKompletnost", "QRlbKompletnost2", "Kompletnost:", { 7.1, 63.2, 31.8, 4.8 }, 10, false, Left,
        false },
    { K::Field, "QRdbkomplet", "QRDBText13", "kompletnost", { 39.2, 63.2, 57.4, 14.8 }, 10, false, Left, false },
    { K::Label, "QRlbVada", "QRlbVada2", "Vada:", { 100.0, 63.2, 22.0, 4.8 }, 10, false, Left, false },
    { K::Field, "QRdbVada", "QRDBText12", "vada", { 122.8, 63.2, 57.4, 4.8 }, 10, false, Left, false },
    { K::Memo, "QRmem1", "QRmem2", "", { 8.5, 78.8, 172.0, 33.6 }, 10, false, Left, false },
    { K::Label, "QRlbCena", "QRlbCena2", "Předpokládaná cena:", { 9.5, 116.2, 37.8, 4.8 }, 10, false, Left, false },
    { K::Field, "QRDBCena", "QRDBText11", "cena", { 48.2, 116.2, 27.8, 4.8 }, 10, false, Left, false },
    { K::Label, "QRlbPrijemce", "QRlbPrijemce2", "Přijemce /podpis + razítko/", { 100.5, 116.2, 86.0, 4.8 }, 10, false,
        Left, false },
    { K::Label, "QRlbDatum", "QRlbDatum2", "Datum:", { 9.5, 122.2, 38.1, 4.8 }, 10, false, Left, false },
    { K::Field, "QRdbPrijato", "QRDBText5", "prijato", { 48.2, 122.2, 27.8, 4.8 }, 10, false, Left, false },
    { K::Label, "QRlbHotovo", "QRlbHotovo2", "Zhotovit do:", { 9.5, 128.9, 38.4, 4.8 }, 10, false, Left, false },
    { K::Field, "QRdbHotovo", "QRDBText6", "vydej", { 48.2, 128.9, 27.8, 4.8 }, 10, false, Left, false },
    { K::Label, "QRPodpis", "QRPodpis2", "Podpis zákazníka: ..........................................",
        { 100.5, 128.9, 87.8, 4.8 }, 10, false, Left, false },
    // For the scanner at the counter: "T" and the ticket number, in the free
    // strip between the title and the record number, above the first rows.
    // At the right of the strip, so that a title longer than the design's stays clear of it.
    { K::Barcode, "QRbarcode", "QRbarcode2", "cislo", { 47.0, 1.4, 90.0, 10.2 }, 10, false, Right, false },
};

// The labels as a language file's print section lists them.
const char* const PrintTextLabels[] = {
    "QRlbEVD",
    "QRlbDodavatel",
    "QRlbJmeno",
    "QRlbJmenoObj",
    "QRlbAdresaObj",
    "QRlbTelObj",
    "QRlbTechnik",
    "QRlbDruh",
    "QRlbTypMobilu",
    "QRlbKompletnost",
    "QRlbIMEI",
    "QRlbVada",
    "QRlbCena",
    "QRlbDatum",
    "QRlbHotovo",
    "QRlbPrijemce",
    "QRPodpis",
    "QRlbOpravenka",
};
static_assert(std::size(PrintTextLabels) == PrintText::Count);

void createElement(const CopyElement& design, ReportBand* band, const QString& name)
{
    const QString content = QString::fromUtf8(design.content);
    ReportTextElement* text = nullptr;
    switch (design.kind) {
    case K::Label:
        text = new ReportLabel(band, name, design.mm, content);
        break;
    case K::Field:
        text = new ReportField(band, name, design.mm, content);
        break;
    case K::Memo:
        text = new ReportMemo(band, name, design.mm);
        break;
    case K::Shape:
        new ReportShape(band, name, design.mm); // black pen, black fill: a bar
        return;
    case K::Barcode: {
        auto* barcode = new ReportBarcode(band, name, design.mm, content);
        barcode->setPrefix(QStringLiteral("T"));
        barcode->setEncoder(Code128::moduleWidths);
        barcode->setFont(FontFamily, design.points, design.bold);
        barcode->setAlignment(design.alignment);
        return;
    }
    }
    text->setFont(FontFamily, design.points, design.bold);
    text->setAlignment(design.alignment);
    text->setAutoSize(design.autoSize);
}

std::size_t designRow(const QString& designName)
{
    for (std::size_t row = 0; row < std::size(CopyDesign); ++row)
        if (designName == QLatin1String(CopyDesign[row].detailName))
            return row;
    return std::size(CopyDesign);
}

} // namespace

TfPrint::TfPrint()
    : m_report(std::make_unique<Report>(nullptr, QStringLiteral("QReport")))
{
    m_report->setPageSize(QPageSize(QPageSize::A4));
    m_report->setMargins(QMarginsF(10.0, 10.0, 10.0, 10.0));
    m_report->setTitle(QStringLiteral("Tisk opravenky"));
    m_report->setPrintIfEmpty(true);
    m_report->setShowProgress(true);
    m_report->setFieldSource([this](const QString& fieldName) { return fieldText(fieldName); });

    auto* title = new ReportBand(m_report.get(), ReportBand::Kind::Title, QStringLiteral("TitleBand1"), 136.8);
    auto* detail = new ReportBand(m_report.get(), ReportBand::Kind::Detail, QStringLiteral("PageHeader"), 135.2);
    detail->setFrameTop(ReportBand::Frame::Dotted);
    auto* footerBand
        = new ReportBand(m_report.get(), ReportBand::Kind::PageFooter, QStringLiteral("PageFooterBand1"), 4.2);
    footerBand->setFrameTop(ReportBand::Frame::Solid);
    m_bands[int(Copy::First)] = title;
    m_bands[int(Copy::Second)] = detail;

    // Each band lists its elements in design order, which is their painting order.
    for (const CopyElement& design : CopyDesign) {
        createElement(design, detail, QString::fromLatin1(design.detailName));
        createElement(design, title, QString::fromLatin1(design.titleName));
    }

    // Right-aligned and auto-size: its right edge stays at 187.9 mm.
    m_footer = new ReportLabel(footerBand, QStringLiteral("QRpaticka"), QRectF(134.5, 0.3, 53.4, 3.4),
        QStringLiteral("program Trelomář  - ") + VendorEmail);
    m_footer->setFont(FontFamily, 7, false);
    m_footer->setColor(QColor(192, 192, 192));
    m_footer->setAlignment(Qt::AlignRight);
    m_footer->setAutoSize(true);
}

TfPrint::~TfPrint() = default;

void TfPrint::PrintTicket(const TicketTexts& ticket, const QString& tiskPath, const QString& firmaPath,
    const QStringList& printTexts, const QString& langName)
{
    Prepare(ticket, tiskPath, firmaPath, printTexts, langName)->printOnDefaultPrinter();
}

std::unique_ptr<TfPrint> TfPrint::Prepare(const TicketTexts& ticket, const QString& tiskPath, const QString& firmaPath,
    const QStringList& printTexts, const QString& langName)
{
    auto form = std::make_unique<TfPrint>();
    form->setTicket(ticket);
    form->setLangName(langName);
    form->setMemoLines("QRmem1", TextList::read(tiskPath));
    form->setMemoLines("QRmemF1", TextList::read(firmaPath));
    form->ApplyPrintTexts(printTexts);
    return form;
}

void TfPrint::setTicket(const TicketTexts& ticket)
{
    m_ticket = ticket;
}

void TfPrint::ApplyPrintTexts(const QStringList& printTexts)
{
    if (!sectionHas(printTexts, PrintText::Count))
        return;
    for (std::size_t i = 0; i < std::size(PrintTextLabels); ++i)
        setLabelText(PrintTextLabels[i], printTexts.at(qsizetype(i)));
}

void TfPrint::setLangName(const QString& langName)
{
    const QString product = isCzechLangName(langName) ? QStringLiteral("Trelomář") : QStringLiteral("Trelomar");
    m_footer->setText(QStringLiteral("program %1  - %2").arg(product, VendorEmail));
}

ReportBand* TfPrint::band(Copy copy) const
{
    return m_bands[int(copy)];
}

ReportElement* TfPrint::element(Copy copy, const QString& designName) const
{
    const std::size_t row = designRow(designName);
    return row < std::size(CopyDesign) ? band(copy)->elements()[row] : nullptr;
}

bool TfPrint::printOnDefaultPrinter()
{
    return ReportPrinter::printOnDefaultPrinter(*m_report);
}

bool TfPrint::print(QPrinter& printer)
{
    return ReportPrinter::print(*m_report, printer);
}

void TfPrint::setLabelText(const char* designName, const QString& text)
{
    for (const Copy copy : { Copy::First, Copy::Second })
        element<ReportLabel>(copy, QString::fromLatin1(designName))->setText(text);
}

void TfPrint::setMemoLines(const char* designName, const QStringList& lines)
{
    for (const Copy copy : { Copy::First, Copy::Second })
        element<ReportMemo>(copy, QString::fromLatin1(designName))->setLines(lines);
}

QString TfPrint::fieldText(const QString& fieldName) const
{
    for (std::size_t f = 0; f < m_ticket.size(); ++f)
        if (fieldName.compare(QLatin1String(TicketRecord::Fields[f].name), Qt::CaseInsensitive) == 0)
            return m_ticket[f];
    return {};
}
