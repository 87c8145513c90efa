// The barcodes as printed: a PDF page rendered at a printer's resolution,
// read back by an independent reader.

#include "printout/report/ReportLayout.h"
#include "tests/printout/BarcodeSheets.h"
#include "tests/printout/CupsPdf.h"
#include "tests/printout/PdfTools.h"
#include "tests/support/TestRegistry.h"

#include <QImage>
#include <QPrinter>
#include <QTest>

namespace {

// What zbarimg reads on the printed page, band by band: the reader takes
// identical barcodes on one picture for one. The scratch folder is kept for
// a look when the reading is not the expected one.
QStringList scanPdf(const QString& pdf, BarcodeSheet& sheet, QTemporaryDir& scratch, const QStringList& expected)
{
    constexpr int Dpi = 300;
    const QString png = PdfTools::renderPng(pdf, Dpi, scratch.filePath("page"));
    const QImage page(png);
    QStringList read;
    const std::vector<ReportPage> pages = ReportLayout::layout(sheet.report());
    for (const PlacedBand& band : pages.front().bands) {
        const QRectF mm = band.rect;
        const QRect pixels(
            QPointF(mm.topLeft() * Dpi / 25.4).toPoint(), QPointF(mm.bottomRight() * Dpi / 25.4).toPoint());
        const QString part = scratch.filePath(band.name + ".png");
        if (!page.isNull() && page.copy(pixels).save(part))
            read += PdfTools::scan(part);
    }
    if (read != expected) {
        scratch.setAutoRemove(false);
        qWarning("page kept in %s", qPrintable(scratch.path()));
    }
    return read;
}

} // namespace

class TestBarcodeScan : public QObject
{
    Q_OBJECT

private slots:
    void printedPageScans_data()
    {
        QTest::addColumn<bool>("isTicket");
        QTest::addColumn<QString>("number");
        for (const bool isTicket : { true, false })
            for (const char* number : { "1", "123", "99999", "2147483647" })
                QTest::addRow("%s %s", isTicket ? "ticket" : "slip", number) << isTicket << QString(number);
    }

    // Both copies of the ticket, the slip once.
    void printedPageScans()
    {
        QFETCH(bool, isTicket);
        QFETCH(QString, number);
        REQUIRE_TOOLS("pdftoppm", "zbarimg");
        QTemporaryDir scratch;
        BarcodeSheet sheet = BarcodeSheet::make(isTicket, number, scratch);
        sheet.report().setShowProgress(false);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(scratch.filePath("sheet.pdf"));
        QVERIFY(sheet.ticket ? sheet.ticket->print(printer) : sheet.slip->print(printer));
        const QStringList expected(sheet.barcodes().size(), "T" + number);
        QCOMPARE(scanPdf(scratch.filePath("sheet.pdf"), sheet, scratch, expected), expected);
    }

    // The print server turns the page into its own drawing; the bars survive it.
    void defaultPrinterPageScans()
    {
        QString why;
        if (!CupsPdf::defaultPrinterWritesPdf(&why))
            QSKIP(qPrintable(why));
        REQUIRE_TOOLS("pdfinfo", "pdftoppm", "zbarimg");
        QTemporaryDir scratch;
        BarcodeSheet sheet = BarcodeSheet::make(true, "4711", scratch);
        sheet.report().setShowProgress(false);
        const QStringList folders = CupsPdf::pdfFolders();
        const QSet<QString> before = CupsPdf::pdfFiles(folders);
        QVERIFY(sheet.ticket->printOnDefaultPrinter());
        QString printed;
        auto arrived = [&] {
            for (const QString& file : CupsPdf::pdfFiles(folders) - before)
                if (!PdfTools::info(file).value("Pages").isEmpty())
                    printed = file;
            return !printed.isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrived(), 120000);
        const QStringList expected { "T4711", "T4711" };
        QCOMPARE(scanPdf(printed, sheet, scratch, expected), expected);
        QFile::remove(printed);
    }
};

TRELOMAR_TEST(TestBarcodeScan)
#include "TestBarcodeScan.moc"
