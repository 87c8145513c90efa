// The ticket page: where every element lands in both copies, what it shows,
// and the steps that fill it before a print.

#include "base/AppError.h"
#include "datamodule/TDM.h"
#include "printout/TfPrint.h"
#include "printout/report/Report.h"
#include "printout/report/ReportLayout.h"
#include "store/TicketStore.h"
#include "store/TicketTexts.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"
#include "ui/windows/TfMain.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QSet>
#include <QTest>

namespace {

using Copy = TfPrint::Copy;
constexpr double Tolerance = 1e-6;
constexpr double TitleTop = 10.0; // the first copy starts at the top margin
constexpr double DetailTop = 146.8; // the second copy directly below it
constexpr double BandLeft = 10.0;

const QStringList EnglishLabels = {
    "Record number:",
    "Supplier:",
    "Customer:",
    "Name:",
    "Address:",
    "phone:",
    "Received by:",
    "Repair type:",
    "Device type:",
    "Completeness:",
    "IMEI:",
    "Fault:",
    "Estimated price:",
    "Date:",
    "Due by:",
    "Received by /signature + stamp/",
    "Customer signature: ..........",
    "REPAIR TICKET",
};

// Second-copy label names in the order of the print section.
const QStringList PrintSectionLabels = {
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

QString twinOf(const QString& label)
{
    return label + QLatin1Char('2');
}

ReportPage laidOut(const TfPrint& form)
{
    const std::vector<ReportPage> pages = ReportLayout::layout(form.report());
    Q_ASSERT(pages.size() == 1);
    return pages.front();
}

const PlacedBox& boxOf(const ReportPage& page, const QString& name)
{
    const PlacedBox* box = page.box(name);
    if (!box)
        qFatal("no box %s", qPrintable(name));
    return *box;
}

QStringList numbered(const QString& stem, int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 %2").arg(stem).arg(i);
    return lines;
}

void writeLines(const QString& path, const QStringList& lines)
{
    AppFixture::writeFile(path, lines.isEmpty() ? QByteArray() : (lines.join("\r\n") + "\r\n").toUtf8());
}

void appendTicket(TDM* DM)
{
    TicketStore* table = DM->ADOTable;
    table->Append();
    DM->ADOTablecislo->setAsInteger(1234);
    DM->ADOTableprijato->setAsDateTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    DM->ADOTablevydej->setAsDateTime(QDateTime(QDate(2024, 4, 4), QTime(0, 0)));
    DM->ADOTablejmeno->setAsString(QStringLiteral("Jan Novák"));
    DM->ADOTableadresa->setAsString(QStringLiteral("Dlouhá 5"));
    DM->ADOTablemesto->setAsString(QStringLiteral("Praha"));
    DM->ADOTabletel->setAsString(QStringLiteral("777 123 456"));
    DM->ADOTabletechnik->setAsString(QStringLiteral("Petr"));
    DM->ADOTabledruh_opravy->setAsString(QStringLiteral("záruční"));
    DM->ADOTabletelefon->setAsString(QStringLiteral("Nokia 3310"));
    DM->ADOTableIMEI->setAsString(QStringLiteral("351234567890123"));
    DM->ADOTablecena->setAsCurrency(15000000);
    DM->ADOTablekompletnost->setAsString(QStringLiteral("nabíječka\r\nkryt\r\nbaterie\r\nkrabice\r\nnávod"));
    DM->ADOTablevada->setAsString(QStringLiteral("nejde zapnout"));
}

// The editor's current ticket as the print command hands it over.
TicketTexts currentTicket(TDM* DM)
{
    return ticketDisplayTexts(*DM->ADOTable);
}

} // namespace

class TestTfPrint : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppFixture> m_app;

private slots:
    void init() { m_app = std::make_unique<AppFixture>(); }
    void cleanup() { m_app.reset(); }

    void formAndPage()
    {
        TfPrint form;
        QCOMPARE(form.report().pageSize().id(), QPageSize::A4);

        const ReportPage page = laidOut(form);
        QCOMPARE(page.band("TitleBand1")->rect, QRectF(10, 10, 190, 136.8));
        QCOMPARE(page.band("PageHeader")->rect, QRectF(10, 146.8, 190, 135.2));
        QVERIFY(qAbs(page.band("PageFooterBand1")->rect.top() - 282.8) < Tolerance);
        QVERIFY(qAbs(page.band("PageFooterBand1")->rect.bottom() - 287.0) < Tolerance);

        // A dotted line between the copies, a solid one over the footer, none above the first copy.
        QStringList rules;
        for (const PlacedBox& box : page.boxes)
            if (box.kind == PlacedBox::Kind::Rule)
                rules << QStringLiteral("%1 %2").arg(box.name).arg(box.penStyle == Qt::DotLine ? "dotted" : "solid");
        QCOMPARE(rules, QStringList({ "PageHeader dotted", "PageFooterBand1 solid" }));

        // 35 elements per copy and the footer, each named once.
        QSet<QString> names;
        for (const ReportBand* band : form.report().bands())
            for (const ReportElement* element : band->elements())
                names.insert(element->objectName());
        QCOMPARE(names.size(), 71);
        QCOMPARE(form.band(Copy::First)->elements().size(), std::size_t(35));
        QCOMPARE(form.band(Copy::Second)->elements().size(), std::size_t(35));
        QVERIFY(names.contains("QRpaticka"));
    }

    // The two copies are identical: each element of the first matches its twin in the second.
    void bothCopiesAreTwins()
    {
        TfPrint form;
        const ReportPage page = laidOut(form);
        const auto& second = form.band(Copy::Second)->elements();
        const auto& first = form.band(Copy::First)->elements();
        QCOMPARE(first.size(), second.size());
        for (std::size_t i = 0; i < first.size(); ++i) {
            const ReportElement* a = second[i];
            const ReportElement* b = first[i];
            const QString pair = a->objectName() + QLatin1String(" / ") + b->objectName();
            QVERIFY2(a->geometry() == b->geometry(), qPrintable(pair));
            QCOMPARE(a->metaObject(), b->metaObject());
            const QRectF placed = boxOf(page, a->objectName()).rect;
            QVERIFY2(qAbs(placed.top() - (DetailTop + a->geometry().top())) < Tolerance, qPrintable(pair));
            QVERIFY2(qAbs(boxOf(page, b->objectName()).rect.top() - (TitleTop + b->geometry().top())) < Tolerance,
                qPrintable(pair));
            if (auto* text = qobject_cast<const ReportTextElement*>(a)) {
                auto* twin = qobject_cast<const ReportTextElement*>(b);
                QVERIFY2(text->font() == twin->font() && text->alignment() == twin->alignment()
                        && text->autoSize() == twin->autoSize(),
                    qPrintable(pair));
            }
            if (auto* label = qobject_cast<const ReportLabel*>(a))
                QCOMPARE(label->text(), qobject_cast<const ReportLabel*>(b)->text());
            else if (auto* field = qobject_cast<const ReportField*>(a))
                QCOMPARE(field->fieldName(), qobject_cast<const ReportField*>(b)->fieldName());
        }
        // Spot checks of the design where a slip would show on paper.
        QCOMPARE(form.element<ReportLabel>(Copy::Second, "QRlbOpravenka")->font().pointSizeF(), 17.0);
        QVERIFY(form.element<ReportLabel>(Copy::Second, "QRlbOpravenka")->font().bold());
        QCOMPARE(form.element<ReportField>(Copy::Second, "QRdbIMEI")->fieldName(), QStringLiteral("IMEI"));
        QCOMPARE(form.element(Copy::Second, "QRdbkomplet")->geometry().height(), 14.8);
        // The design name finds each copy's own element.
        QCOMPARE(form.element(Copy::First, "QRdbIMEI")->objectName(), QStringLiteral("QRDBText3"));
        QVERIFY(!form.element(Copy::First, "QRpaticka"));
    }

    void fixedRightEdgesOfAutoSizeLabels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("rightEdge"); // from the band's left edge
        QTest::newRow("QRlbEVD") << "QRlbEVD" << 169.1;
        QTest::newRow("QRlbDodavatel") << "QRlbDodavatel" << 32.8;
        QTest::newRow("QRlbJmeno") << "QRlbJmeno" << 109.0;
        QTest::newRow("fixed-size labels") << "QRlbJmenoObj" << 107.6;
        QTest::newRow("footer") << "QRpaticka" << 187.9;
    }

    void fixedRightEdgesOfAutoSizeLabels()
    {
        QFETCH(QString, name);
        QFETCH(double, rightEdge);
        TfPrint form;
        const ReportPage page = laidOut(form);
        QVERIFY(qAbs(boxOf(page, name).rect.right() - (BandLeft + rightEdge)) < 1e-3);
        if (name != QLatin1String("QRpaticka"))
            QVERIFY(qAbs(boxOf(page, twinOf(name)).rect.right() - (BandLeft + rightEdge)) < 1e-3);
    }

    void longTicketNumberWidensToTheRight()
    {
        TfPrint form;
        TicketTexts ticket;
        ticket[TicketRecord::cislo] = QStringLiteral("7");
        form.setTicket(ticket);
        const ReportPage small = laidOut(form);
        ticket[TicketRecord::cislo] = QStringLiteral("1234567890");
        form.setTicket(ticket);
        const ReportPage large = laidOut(form);
        for (const QString name : { "QRdbCislo", "QRDBText4" }) {
            QCOMPARE(boxOf(small, name).lines, QStringList { "7" });
            QCOMPARE(boxOf(large, name).lines, QStringList { "1234567890" });
            QCOMPARE(boxOf(large, name).rect.left(), boxOf(small, name).rect.left());
            QVERIFY(boxOf(large, name).rect.width() > 4 * boxOf(small, name).rect.width());
        }
    }

    void longerRecordLabelGrowsToTheLeft()
    {
        TfPrint form;
        const ReportPage design = laidOut(form);
        QStringList texts = EnglishLabels;
        texts[0] = QStringLiteral("Evidenční číslo zakázky:");
        form.ApplyPrintTexts(texts);
        const ReportPage longer = laidOut(form);
        for (const QString name : { "QRlbEVD", "QRlbEVD2" }) {
            QCOMPARE(boxOf(longer, name).lines, QStringList { "Evidenční číslo zakázky:" });
            QVERIFY(qAbs(boxOf(longer, name).rect.right() - 179.1) < 1e-3);
            QVERIFY(boxOf(longer, name).rect.left() < boxOf(design, name).rect.left() - 5.0);
        }
    }

    void memosShowTheFilesCutAtTheirHeight()
    {
        const QString longLine = QStringLiteral("Záruka se nevztahuje na mechanická poškození, poškození vodou ani na "
                                                "zásahy neoprávněných osob; zařízení si vyzvedněte do třiceti dnů.");
        writeLines(m_app->fMain()->PathTisk(), QStringList { longLine } + numbered("tisk", 20));
        writeLines(m_app->fMain()->PathFirma(), numbered("firma", 10));
        const auto form = TfPrint::Prepare({}, m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, {});
        const ReportPage page = laidOut(*form);

        const double lineHeight = boxOf(page, "QRmem1").lineHeight;
        const int tiskLines = int(33.6 / lineHeight);
        const int firmaLines = int(24.9 / lineHeight);
        QVERIFY(tiskLines >= 5 && firmaLines >= 4); // a real check, not an empty one

        // The long line wraps inside the box; the lines beyond the box height are gone.
        const QStringList tisk = boxOf(page, "QRmem1").lines;
        QCOMPARE(tisk.size(), tiskLines);
        QVERIFY(tisk[0] != longLine && longLine.startsWith(tisk[0]));
        const int wrapped = int(tisk.indexOf("tisk 1"));
        QVERIFY(wrapped >= 2);
        QCOMPARE(tisk.mid(wrapped), numbered("tisk", tiskLines - wrapped));
        QCOMPARE(boxOf(page, "QRmemF1").lines, numbered("firma", firmaLines));
        // The first copy shows the same.
        QCOMPARE(boxOf(page, "QRmem2").lines, tisk);
        QCOMPARE(boxOf(page, "QRmemF2").lines, boxOf(page, "QRmemF1").lines);
    }

    void emptyFilesGiveBlankMemos()
    {
        writeLines(m_app->fMain()->PathTisk(), {});
        writeLines(m_app->fMain()->PathFirma(), {});
        appendTicket(m_app->DM());
        const auto form = TfPrint::Prepare(currentTicket(m_app->DM()), m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, {});
        const ReportPage page = laidOut(*form);
        for (const QString name : { "QRmem1", "QRmem2", "QRmemF1", "QRmemF2" })
            QVERIFY2(boxOf(page, name).lines.isEmpty(), qPrintable(name));
        QCOMPARE(boxOf(page, "QRdbJmeno").lines, QStringList { "Jan Novák" });
    }

    void footerFollowsTheLanguageName_data()
    {
        QTest::addColumn<QString>("langName");
        QTest::addColumn<QString>("footer");
        const QString czech = QStringLiteral("program Trelomář  - info@trelomar.cz");
        const QString other = QStringLiteral("program Trelomar  - info@trelomar.cz");
        QTest::newRow("no language applied") << "" << other;
        QTest::newRow("shorter than five") << "Česk" << other;
        QTest::newRow("exactly Česky") << "Česky" << czech;
        QTest::newRow("begins with Česky") << "Česky (CZ)" << czech;
        QTest::newRow("lower case") << "česky" << other;
        QTest::newRow("leading blank") << " Česky" << other;
        QTest::newRow("English") << "English" << other;
    }

    void footerFollowsTheLanguageName()
    {
        QFETCH(QString, langName);
        QFETCH(QString, footer);
        const auto form = TfPrint::Prepare({}, m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, langName);
        const ReportPage page = laidOut(*form);
        const PlacedBox& box = boxOf(page, "QRpaticka");
        QCOMPARE(box.lines, QStringList { footer });
        QCOMPARE(box.color, QColor(192, 192, 192));
        QCOMPARE(box.font.family(), QStringLiteral("Verdana"));
        QVERIFY(box.rect.left() > BandLeft + 100.0); // right-aligned, grown to its text only
    }

    void bothCopiesShowTheSameLabels_data()
    {
        QTest::addColumn<QStringList>("printTexts");
        QTest::addColumn<bool>("applied");
        QTest::newRow("18 texts") << EnglishLabels << true;
        QTest::newRow("more than 18") << (EnglishLabels + QStringList { "unused" }) << true;
        QTest::newRow("17 texts keep the design") << EnglishLabels.mid(0, 17) << false;
        QTest::newRow("none") << QStringList() << false;
    }

    void bothCopiesShowTheSameLabels()
    {
        QFETCH(QStringList, printTexts);
        QFETCH(bool, applied);
        const auto form = TfPrint::Prepare({}, m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), printTexts, "English");
        const TfPrint design;
        const ReportPage page = laidOut(*form);
        for (qsizetype i = 0; i < PrintSectionLabels.size(); ++i) {
            const QString name = PrintSectionLabels[i];
            const QString expected = applied ? printTexts[i] : design.element<ReportLabel>(Copy::Second, name)->text();
            QCOMPARE(form->element<ReportLabel>(Copy::Second, name)->text(), expected);
            QCOMPARE(form->element<ReportLabel>(Copy::First, name)->text(), expected);
            QCOMPARE(boxOf(page, twinOf(name)).lines, boxOf(page, name).lines);
        }
    }

    void eachPrintStartsFromTheDesign()
    {
        const auto first = TfPrint::Prepare({}, m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), EnglishLabels, "English");
        laidOut(*first);
        const auto second = TfPrint::Prepare({}, m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, "Česky");
        QCOMPARE(second->element<ReportLabel>(Copy::Second, "QRlbEVD")->text(), QStringLiteral("Evidenční číslo:"));
        QCOMPARE(second->element<ReportLabel>(Copy::First, "QRlbOpravenka")->text(), QStringLiteral("OPRAVENKA"));
    }

    void fieldsShowTheTicketAsTheEditorHoldsIt()
    {
        appendTicket(m_app->DM()); // pending: never posted
        m_app->DM()->ADOTableIMEI->Clear();
        const auto form = TfPrint::Prepare(currentTicket(m_app->DM()), m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, {});
        const ReportPage page = laidOut(*form);

        const QList<std::pair<QString, TField*>> shown = {
            { "QRdbCislo", m_app->DM()->ADOTablecislo },
            { "QRdbJmeno", m_app->DM()->ADOTablejmeno },
            { "QRdbAdresa", m_app->DM()->ADOTableadresa_mesto },
            { "QRDBTel", m_app->DM()->ADOTabletel },
            { "QRDBTechnik", m_app->DM()->ADOTabletechnik },
            { "QRDBDruh", m_app->DM()->ADOTabledruh_opravy },
            { "QRDBTelefon", m_app->DM()->ADOTabletelefon },
            { "QRdbVada", m_app->DM()->ADOTablevada },
            { "QRDBCena", m_app->DM()->ADOTablecena },
            { "QRdbPrijato", m_app->DM()->ADOTableprijato },
            { "QRdbHotovo", m_app->DM()->ADOTablevydej },
        };
        for (const auto& [name, field] : shown) {
            QVERIFY2(!field->DisplayText().isEmpty(), qPrintable(name));
            QCOMPARE(boxOf(page, name).lines, QStringList { field->DisplayText() });
        }
        QCOMPARE(boxOf(page, "QRdbAdresa").lines, QStringList { "Dlouhá 5,  Praha" });
        QVERIFY(boxOf(page, "QRdbIMEI").lines.isEmpty()); // no IMEI: an empty box after "IMEI:"
        // The completeness memo field prints as lines inside its 14.8 mm box.
        QCOMPARE(boxOf(page, "QRdbkomplet").lines, QStringList({ "nabíječka", "kryt", "baterie" }));
        QCOMPARE(boxOf(page, "QRDBText13").lines, boxOf(page, "QRdbkomplet").lines);
        QCOMPARE(boxOf(page, "QRDBText1").lines, QStringList { "Jan Novák" });
    }

    void printingLeavesTheTicketPending()
    {
        appendTicket(m_app->DM());
        QCOMPARE(m_app->DM()->ADOTable->State(), DataSetState::Insert);
        const int rows = m_app->DM()->ADOTable->RecordCount();
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("ticket.pdf"));
        const auto form = TfPrint::Prepare(currentTicket(m_app->DM()), m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, {});
        QVERIFY(form->print(printer));
        QVERIFY(QFile::exists(dir.filePath("ticket.pdf")));

        QCOMPARE(m_app->DM()->ADOTable->State(), DataSetState::Insert);
        QVERIFY(m_app->DM()->ADOTable->Modified());
        QCOMPARE(m_app->DM()->ADOTable->RecordCount(), rows);
        QCOMPARE(m_app->DM()->ADOTablejmeno->AsString(), QStringLiteral("Jan Novák"));
        m_app->DM()->ADOTable->Cancel();
        QCOMPARE(m_app->DM()->ADOTable->RecordCount(), rows - 1); // nothing was stored
    }

    void everyBoxStaysInItsBand()
    {
        writeLines(m_app->fMain()->PathTisk(), numbered("Podmínky opravy, řádek", 12));
        writeLines(m_app->fMain()->PathFirma(), numbered("Servis mobilů, řádek", 8));
        appendTicket(m_app->DM());
        const auto form = TfPrint::Prepare(currentTicket(m_app->DM()), m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, "Česky");
        const ReportPage page = laidOut(*form);
        std::vector<const PlacedBox*> texts;
        for (const PlacedBox& box : page.boxes)
            if (box.kind != PlacedBox::Kind::Rule)
                texts.push_back(&box);
        for (const ReportBand* band : form->report().bands()) {
            const QRectF bandRect = page.band(band->objectName())->rect;
            for (const ReportElement* element : band->elements()) {
                const QRectF rect = boxOf(page, element->objectName()).rect;
                QVERIFY2(bandRect.contains(rect), qPrintable(element->objectName()));
            }
        }
        // A box painted later is opaque: it must not cover the printed lines of an earlier one.
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const PlacedBox& earlier = *texts[i];
            const QRectF ink(earlier.rect.left(), earlier.rect.top(), earlier.rect.width(),
                earlier.kind == PlacedBox::Kind::Text ? earlier.lines.size() * earlier.lineHeight
                                                      : earlier.rect.height());
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                QVERIFY2(
                    !ink.intersects(texts[j]->rect), qPrintable(earlier.name + QLatin1String(" / ") + texts[j]->name));
        }
    }

    void missingFileRaisesAndPrintsNothing_data()
    {
        QTest::addColumn<bool>("tiskMissing");
        QTest::newRow("ticket text") << true;
        QTest::newRow("address block") << false;
    }

    void missingFileRaisesAndPrintsNothing()
    {
        QFETCH(bool, tiskMissing);
        const QString missing = tiskMissing ? m_app->fMain()->PathTisk() : m_app->fMain()->PathFirma();
        QVERIFY(QFile::remove(missing));
        try {
            TfPrint::PrintTicket({}, m_app->fMain()->PathTisk(), m_app->fMain()->PathFirma(), {}, {});
            QFAIL("no error raised");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("Cannot open file ") + QDir::toNativeSeparators(missing));
        }
    }
};

TRELOMAR_TEST(TestTfPrint)
#include "TestTfPrint.moc"
