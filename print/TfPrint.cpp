#include "print/TfPrint.h"

#include "app/TextList.h"
#include "lang/LangSlots.h"
#include "report/Report.h"
#include "ui/controls/TDM.h"
#include "store/TicketStore.h"

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
};

void buildCopy(ReportBand* band, bool firstCopy)
{
    for (const CopyElement& design : CopyDesign) {
        const QString name = QString::fromLatin1(firstCopy ? design.titleName : design.detailName);
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
            break;
        }
        if (!text)
            continue;
        text->setFont(FontFamily, design.points, design.bold);
        text->setAlignment(design.alignment);
        text->setAutoSize(design.autoSize);
    }
}

template <class T> T* element(const ReportBand* band, const char* name)
{
    auto* found = band->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT_X(found, "TfPrint", name);
    return found;
}

// The labels of the second copy as a language file's print section lists them.
ReportLabel* TfPrint::*const PrintTextLabels[] = {
    &TfPrint::QRlbEVD,
    &TfPrint::QRlbDodavatel,
    &TfPrint::QRlbJmeno,
    &TfPrint::QRlbJmenoObj,
    &TfPrint::QRlbAdresaObj,
    &TfPrint::QRlbTelObj,
    &TfPrint::QRlbTechnik,
    &TfPrint::QRlbDruh,
    &TfPrint::QRlbTypMobilu,
    &TfPrint::QRlbKompletnost,
    &TfPrint::QRlbIMEI,
    &TfPrint::QRlbVada,
    &TfPrint::QRlbCena,
    &TfPrint::QRlbDatum,
    &TfPrint::QRlbHotovo,
    &TfPrint::QRlbPrijemce,
    &TfPrint::QRPodpis,
    &TfPrint::QRlbOpravenka,
};
static_assert(std::size(PrintTextLabels) == PrintText::Count);

// Each label of the second copy and its twin in the first, in copying order.
const std::pair<ReportLabel * TfPrint::*, ReportLabel * TfPrint::*> LabelTwins[] = {
    { &TfPrint::QRlbOpravenka, &TfPrint::QRlbOpravenka2 },
    { &TfPrint::QRlbEVD, &TfPrint::QRlbEVD2 },
    { &TfPrint::QRlbDodavatel, &TfPrint::QRlbDodavatel2 },
    { &TfPrint::QRlbJmeno, &TfPrint::QRlbJmeno2 },
    { &TfPrint::QRlbJmenoObj, &TfPrint::QRlbJmenoObj2 },
    { &TfPrint::QRlbAdresaObj, &TfPrint::QRlbAdresaObj2 },
    { &TfPrint::QRlbTelObj, &TfPrint::QRlbTelObj2 },
    { &TfPrint::QRlbTechnik, &TfPrint::QRlbTechnik2 },
    { &TfPrint::QRlbDruh, &TfPrint::QRlbDruh2 },
    { &TfPrint::QRlbTypMobilu, &TfPrint::QRlbTypMobilu2 },
    { &TfPrint::QRlbKompletnost, &TfPrint::QRlbKompletnost2 },
    { &TfPrint::QRlbIMEI, &TfPrint::QRlbIMEI2 },
    { &TfPrint::QRlbVada, &TfPrint::QRlbVada2 },
    { &TfPrint::QRlbCena, &TfPrint::QRlbCena2 },
    { &TfPrint::QRlbDatum, &TfPrint::QRlbDatum2 },
    { &TfPrint::QRlbHotovo, &TfPrint::QRlbHotovo2 },
    { &TfPrint::QRlbPrijemce, &TfPrint::QRlbPrijemce2 },
    { &TfPrint::QRPodpis, &TfPrint::QRPodpis2 },
};


} // namespace

TfPrint::TfPrint(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("fPrint"));
    setWindowTitle(QStringLiteral("Tisk opravenek"));

    QReport = new Report(this, QStringLiteral("QReport"));
    QReport->setPageSize(QPageSize(QPageSize::A4));
    QReport->setMargins(QMarginsF(10.0, 10.0, 10.0, 10.0));
    QReport->setTitle(QStringLiteral("Tisk opravenky"));
    QReport->setPrintIfEmpty(true);
    QReport->setShowProgress(true);
    QReport->setFieldSource([this](const QString& fieldName) {
        return Table ? Table->FieldByName(fieldName)->DisplayText() : QString();
    });
    QReport->setBeforePrint([this](Report& sender, bool& printReport) { QReportBeforePrint(sender, printReport); });

    TitleBand1 = new ReportBand(QReport, ReportBand::Kind::Title, QStringLiteral("TitleBand1"), 136.8);
    PageHeader = new ReportBand(QReport, ReportBand::Kind::Detail, QStringLiteral("PageHeader"), 135.2);
    PageHeader->setFrameTop(ReportBand::Frame::Dotted);
    PageFooterBand1 = new ReportBand(QReport, ReportBand::Kind::PageFooter, QStringLiteral("PageFooterBand1"), 4.2);
    PageFooterBand1->setFrameTop(ReportBand::Frame::Solid);

    buildCopy(PageHeader, false);
    buildCopy(TitleBand1, true);

    // Right-aligned and auto-size: its right edge stays at 187.9 mm.
    QRpaticka = new ReportLabel(PageFooterBand1, QStringLiteral("QRpaticka"), QRectF(134.5, 0.3, 53.4, 3.4),
        QStringLiteral("program Trelomář  - ") + VendorEmail);
    QRpaticka->setFont(FontFamily, 7, false);
    QRpaticka->setColor(QColor(192, 192, 192));
    QRpaticka->setAlignment(Qt::AlignRight);
    QRpaticka->setAutoSize(true);

    const ReportBand* second = PageHeader;
    QRlbOpravenka = element<ReportLabel>(second, "QRlbOpravenka");
    QRlbEVD = element<ReportLabel>(second, "QRlbEVD");
    QRdbCislo = element<ReportField>(second, "QRdbCislo");
    QRlbDodavatel = element<ReportLabel>(second, "QRlbDodavatel");
    QRlbJmeno = element<ReportLabel>(second, "QRlbJmeno");
    QRlbJmenoObj = element<ReportLabel>(second, "QRlbJmenoObj");
    QRdbJmeno = element<ReportField>(second, "QRdbJmeno");
    QRmemF1 = element<ReportMemo>(second, "QRmemF1");
    QRlbAdresaObj = element<ReportLabel>(second, "QRlbAdresaObj");
    QRdbAdresa = element<ReportField>(second, "QRdbAdresa");
    QRlbTelObj = element<ReportLabel>(second, "QRlbTelObj");
    QRDBTel = element<ReportField>(second, "QRDBTel");
    QRsh1 = element<ReportShape>(second, "QRsh1");
    QRlbTechnik = element<ReportLabel>(second, "QRlbTechnik");
    QRDBTechnik = element<ReportField>(second, "QRDBTechnik");
    QRlbDruh = element<ReportLabel>(second, "QRlbDruh");
    QRDBDruh = element<ReportField>(second, "QRDBDruh");
    QRlbTypMobilu = element<ReportLabel>(second, "QRlbTypMobilu");
    QRDBTelefon = element<ReportField>(second, "QRDBTelefon");
    QRlbIMEI = element<ReportLabel>(second, "QRlbIMEI");
    QRdbIMEI = element<ReportField>(second, "QRdbIMEI");
    QRlbKompletnost = element<ReportLabel>(second, "QRlbKompletnost");
    QRdbkomplet = element<ReportField>(second, "QRdbkomplet");
    QRlbVada = element<ReportLabel>(second, "QRlbVada");
    QRdbVada = element<ReportField>(second, "QRdbVada");
    QRmem1 = element<ReportMemo>(second, "QRmem1");
    QRlbCena = element<ReportLabel>(second, "QRlbCena");
    QRDBCena = element<ReportField>(second, "QRDBCena");
    QRlbPrijemce = element<ReportLabel>(second, "QRlbPrijemce");
    QRlbDatum = element<ReportLabel>(second, "QRlbDatum");
    QRdbPrijato = element<ReportField>(second, "QRdbPrijato");
    QRlbHotovo = element<ReportLabel>(second, "QRlbHotovo");
    QRdbHotovo = element<ReportField>(second, "QRdbHotovo");
    QRPodpis = element<ReportLabel>(second, "QRPodpis");

    const ReportBand* first = TitleBand1;
    QRlbOpravenka2 = element<ReportLabel>(first, "QRlbOpravenka2");
    QRlbEVD2 = element<ReportLabel>(first, "QRlbEVD2");
    QRDBText4 = element<ReportField>(first, "QRDBText4");
    QRlbDodavatel2 = element<ReportLabel>(first, "QRlbDodavatel2");
    QRlbJmeno2 = element<ReportLabel>(first, "QRlbJmeno2");
    QRlbJmenoObj2 = element<ReportLabel>(first, "QRlbJmenoObj2");
    QRDBText1 = element<ReportField>(first, "QRDBText1");
    QRmemF2 = element<ReportMemo>(first, "QRmemF2");
    QRlbAdresaObj2 = element<ReportLabel>(first, "QRlbAdresaObj2");
    QRDBText2 = element<ReportField>(first, "QRDBText2");
    QRlbTelObj2 = element<ReportLabel>(first, "QRlbTelObj2");
    QRDBText7 = element<ReportField>(first, "QRDBText7");
    QRShape1 = element<ReportShape>(first, "QRShape1");
    QRlbTechnik2 = element<ReportLabel>(first, "QRlbTechnik2");
    QRDBText8 = element<ReportField>(first, "QRDBText8");
    QRlbDruh2 = element<ReportLabel>(first, "QRlbDruh2");
    QRDBText9 = element<ReportField>(first, "QRDBText9");
    QRlbTypMobilu2 = element<ReportLabel>(first, "QRlbTypMobilu2");
    QRDBText10 = element<ReportField>(first, "QRDBText10");
    QRlbIMEI2 = element<ReportLabel>(first, "QRlbIMEI2");
    QRDBText3 = element<ReportField>(first, "QRDBText3");
    QRlbKompletnost2 = element<ReportLabel>(first, "QRlbKompletnost2");
    QRDBText13 = element<ReportField>(first, "QRDBText13");
    QRlbVada2 = element<ReportLabel>(first, "QRlbVada2");
    QRDBText12 = element<ReportField>(first, "QRDBText12");
    QRmem2 = element<ReportMemo>(first, "QRmem2");
    QRlbCena2 = element<ReportLabel>(first, "QRlbCena2");
    QRDBText11 = element<ReportField>(first, "QRDBText11");
    QRlbPrijemce2 = element<ReportLabel>(first, "QRlbPrijemce2");
    QRlbDatum2 = element<ReportLabel>(first, "QRlbDatum2");
    QRDBText5 = element<ReportField>(first, "QRDBText5");
    QRlbHotovo2 = element<ReportLabel>(first, "QRlbHotovo2");
    QRDBText6 = element<ReportField>(first, "QRDBText6");
    QRPodpis2 = element<ReportLabel>(first, "QRPodpis2");
}

TfPrint::~TfPrint() = default;

void TfPrint::PrintTicket(QWidget* owner, TicketStore* table, const QString& tiskPath, const QString& firmaPath,
    const QStringList& printTexts, const QString& langName)
{
    // The form is released when the call returns, whatever happens.
    const std::unique_ptr<TfPrint> form = Prepare(owner, table, tiskPath, firmaPath, printTexts, langName);
    form->QReport->print();
}

std::unique_ptr<TfPrint> TfPrint::Prepare(QWidget* owner, TicketStore* table, const QString& tiskPath, const QString& firmaPath,
    const QStringList& printTexts, const QString& langName)
{
    auto form = std::make_unique<TfPrint>(owner);
    form->LangName = langName;
    form->Table = table;
    form->QRmem1->clear();
    form->QRmem1->setLines(TextList::read(tiskPath));
    form->QRmemF1->clear();
    form->QRmemF1->setLines(TextList::read(firmaPath));
    form->ApplyPrintTexts(printTexts);
    return form;
}

void TfPrint::ApplyPrintTexts(const QStringList& printTexts)
{
    if (!sectionHas(printTexts, PrintText::Count))
        return;
    for (std::size_t i = 0; i < std::size(PrintTextLabels); ++i)
        (this->*PrintTextLabels[i])->setText(printTexts.at(qsizetype(i)));
}

void TfPrint::QReportBeforePrint(Report& Sender, bool& PrintReport)
{
    Q_UNUSED(Sender);
    Q_UNUSED(PrintReport);
    for (const auto& [second, first] : LabelTwins)
        (this->*first)->setText((this->*second)->text());

    const bool czech = LangName.left(5) == QStringLiteral("Česky");
    QRpaticka->setText(
        (czech ? QStringLiteral("program Trelomář  - ") : QStringLiteral("program Trelomar  - ")) + VendorEmail);

    QRmem2->clear();
    QRmem2->appendLines(QRmem1->lines());
    QRmemF2->clear();
    QRmemF2->appendLines(QRmemF1->lines());
}
