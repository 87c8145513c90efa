// Where the ticket's barcode lands: readable by a cheap laser scanner, and
// clear of everything else printed on the sheet.

#include "lang/LangFile.h"
#include "printout/report/ReportBarcode.h"
#include "printout/report/ReportLayout.h"
#include "tests/printout/BarcodeSheets.h"
#include "tests/support/TestRegistry.h"

#include <QTest>

namespace {

constexpr double Slack = 1e-6;

} // namespace

class TestBarcodePlacement : public QObject
{
    Q_OBJECT

private slots:
    void scannableAndClearOfTheDesign_data()
    {
        QTest::addColumn<bool>("isTicket");
        QTest::addColumn<QString>("number");
        for (const bool isTicket : { true, false })
            for (const char* number : { "1", "123", "99999", "2147483647" })
                QTest::addRow("%s %s", isTicket ? "ticket" : "slip", number) << isTicket << QString(number);
    }

    void scannableAndClearOfTheDesign()
    {
        QFETCH(bool, isTicket);
        QFETCH(QString, number);
        QTemporaryDir scratch;
        BarcodeSheet sheet = BarcodeSheet::make(isTicket, number, scratch);
        const std::vector<ReportPage> pages = ReportLayout::layout(sheet.report());
        QCOMPARE(pages.size(), std::size_t(1));
        const ReportPage& page = pages.front();
        for (const QString& name : sheet.barcodes()) {
            const auto* element = sheet.report().findChild<ReportBarcode*>(name);
            const PlacedBox* box = page.box(name);
            QVERIFY2(element && box, qPrintable(name));
            QCOMPARE(box->lines, QStringList { "T" + number });
            QVERIFY(!box->bars.empty());
            QVERIFY(element->module() >= 0.3);
            for (const QRectF& bar : box->bars)
                QVERIFY2(bar.height() >= 10.0 && bar.width() >= element->module() - Slack, qPrintable(name));

            const double quiet = element->quietZoneModules() * element->module();
            QVERIFY(element->quietZoneModules() >= 10);
            const QRectF symbol(box->bars.front().topLeft(), box->bars.back().bottomRight());
            const QRectF zones = symbol.adjusted(-quiet, 0, quiet, 0);
            const QRectF room = box->rect.adjusted(-Slack, -Slack, Slack, Slack);
            QVERIFY2(room.contains(zones), qPrintable(name));
            // The text may begin where the quiet zone ends.
            const bool textClear = !box->textRect.intersects(zones.adjusted(Slack, 0, -Slack, 0));
            QVERIFY2(room.contains(box->textRect) && textClear, qPrintable(name));

            // Nothing else of the band reaches into the barcode's box.
            const auto band = std::find_if(page.bands.begin(), page.bands.end(),
                [&](const PlacedBand& placed) { return placed.rect.contains(box->rect); });
            QVERIFY(band != page.bands.end());
            for (const PlacedBox& other : page.boxes)
                if (&other != box && other.kind != PlacedBox::Kind::Rule && band->rect.intersects(other.rect))
                    QVERIFY2(!other.rect.intersects(box->rect), qPrintable(name + " / " + other.name));
        }
    }

    // A translated title longer than the design's stays clear of the symbol:
    // the symbol sits at the right of its strip.
    void longerTitleStaysClear()
    {
        QTemporaryDir scratch;
        BarcodeSheet sheet = BarcodeSheet::make(true, QStringLiteral("2147483647"), scratch);
        sheet.ticket->ApplyPrintTexts(
            readLangFile(qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/en.lng")).print);
        const ReportPage page = ReportLayout::layout(sheet.report()).front();
        for (const auto& [title, barcode] : { std::pair { "QRlbOpravenka", "QRbarcode" }, { "QRlbOpravenka2", "QRbarcode2" } }) {
            const PlacedBox* titleBox = page.box(QLatin1String(title));
            const PlacedBox* barcodeBox = page.box(QLatin1String(barcode));
            QVERIFY(titleBox && barcodeBox);
            QVERIFY2(titleBox->rect.right() < barcodeBox->symbolRect.left(),
                qPrintable(QStringLiteral("%1 ends at %2 mm, the symbol begins at %3 mm")
                               .arg(titleBox->lines.join(u' '))
                               .arg(titleBox->rect.right())
                               .arg(barcodeBox->symbolRect.left())));
        }
    }

    void noNumberNoBarcode()
    {
        QTemporaryDir scratch;
        for (const bool isTicket : { true, false }) {
            BarcodeSheet sheet = BarcodeSheet::make(isTicket, QString(), scratch);
            const ReportPage page = ReportLayout::layout(sheet.report()).front();
            for (const QString& name : sheet.barcodes()) {
                QVERIFY2(page.box(name), qPrintable(name));
                QVERIFY2(page.box(name)->bars.empty() && page.box(name)->lines.isEmpty(), qPrintable(name));
            }
        }
    }
};

TRELOMAR_TEST(TestBarcodePlacement)
#include "TestBarcodePlacement.moc"
