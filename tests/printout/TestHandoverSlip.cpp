// The handover slip: what it prints and how it fails.

#include "base/AppError.h"
#include "printout/HandoverSlip.h"
#include "store/FieldText.h"
#include "tests/printout/PdfTools.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

namespace {

HandoverDetails details()
{
    HandoverDetails d;
    d.number = "1042";
    d.customer = "Jiří Dvořák";
    d.device = "Nokia 3310";
    d.imei = "351234567890123";
    d.fault = "nenabíjí";
    d.amount = 12345000;
    d.handedOver = QDateTime(QDate(2024, 11, 20), QTime(16, 45));
    d.warrantyDays = 90;
    return d;
}

QString writeFirma(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("firma.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("Opravna Mobilů s.r.o.\r\nNádražní 12, Brno\r\n") < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// pdftotext writes a no-break space as it is.
QString plain(QString text)
{
    return text.replace(QChar(0x00A0), QLatin1Char(' ')).replace(QChar(0x202F), QLatin1Char(' '));
}

} // namespace

class TestHandoverSlip : public QObject
{
    Q_OBJECT

private slots:
    void pdfShowsTheHandover();
    void unreadableAddressBlock();
    void failingPrinterSaysSo();
};

void TestHandoverSlip::pdfShowsTheHandover()
{
    if (!PdfTools::available())
        QSKIP("poppler-utils are not installed");
    QTemporaryDir dir;
    const ExtraTexts czech;
    HandoverSlip slip(details(), writeFirma(dir), czech);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("slip.pdf"));
    QVERIFY(slip.print(printer));

    const QMap<QString, QString> info = PdfTools::info(dir.filePath("slip.pdf"));
    QCOMPARE(info.value("Pages"), QStringLiteral("1"));
    QVERIFY(PdfTools::isA4Portrait(info.value("Page size")));
    const QString text = plain(PdfTools::text(dir.filePath("slip.pdf")));
    // 20 November 2024 and 90 days: 18 February 2025.
    for (const QString& expected : { QStringLiteral("Opravna Mobilů s.r.o."), QStringLiteral("Nádražní 12, Brno"),
             czech.text(ExtraText::SlipTitle), QStringLiteral("1042"), QStringLiteral("Jiří Dvořák"),
             QStringLiteral("Nokia 3310"), QStringLiteral("351234567890123"), QStringLiteral("nenabíjí"),
             plain(FieldText::displayMoney(12345000)), QStringLiteral("20.11.2024 16:45"),
             czech.text(ExtraText::SlipWarranty), QStringLiteral("18.02.2025"), czech.text(ExtraText::SlipSignCustomer),
             czech.text(ExtraText::SlipSignShop) })
        QVERIFY2(text.contains(expected), qPrintable(expected + " missing in:\n" + text));
}

void TestHandoverSlip::unreadableAddressBlock()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("firma.txt");
    try {
        HandoverSlip slip(details(), missing, ExtraTexts());
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), "Cannot open file " + QDir::toNativeSeparators(missing));
    }
}

void TestHandoverSlip::failingPrinterSaysSo()
{
    QTemporaryDir dir;
    HandoverSlip slip(details(), writeFirma(dir), ExtraTexts());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("no such folder/slip.pdf"));
    const QString prefix = ExtraTexts::builtIn(ExtraText::SlipFailed).arg(QString());
    try {
        slip.print(printer);
        QFAIL("no error raised");
    } catch (const AppError& error) {
        QVERIFY2(
            error.message().startsWith(prefix) && error.message().size() > prefix.size(), qPrintable(error.message()));
    }
}

TRELOMAR_TEST(TestHandoverSlip)

#include "TestHandoverSlip.moc"
