// The ticket printed end to end: F7 in the editor, through the system's
// default printer, to one A4 page. Needs the PDF printer that
// scripts/start-printer.sh sets up as the default.

#include "datamodule/TDM.h"
#include "printout/report/PrintProgress.h"
#include "store/TicketStore.h"
#include "tests/printout/CupsPdf.h"
#include "tests/printout/PdfTools.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTicketPrinting : public QObject
{
    Q_OBJECT

private slots:
    void f7PrintsOneA4PageOnTheDefaultPrinter()
    {
        QString why;
        if (!CupsPdf::defaultPrinterWritesPdf(&why))
            QSKIP(qPrintable(why));
        if (!PdfTools::available())
            QSKIP("pdfinfo and pdftotext (poppler-utils) are needed to read the printed page back");

        AppFixture app;
        AppFixture::writeFile(app.fMain()->PathTisk(), "Zařízení si vyzvedněte do 30 dnů.\r\n");
        AppFixture::writeFile(app.fMain()->PathFirma(), "Servis mobilů Novák\r\nHlavní 1, Praha\r\n");
        app.DM()->ADOTable->Append();
        app.DM()->ADOTablecislo->setAsInteger(4711);
        app.DM()->ADOTablejmeno->setAsString(QStringLiteral("Zdeňka Tisková"));

        app.fOpravenka()->IsNew = true;
        app.fOpravenka()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.fOpravenka()));

        const QStringList folders = CupsPdf::pdfFolders();
        const QSet<QString> before = CupsPdf::pdfFiles(folders);
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : app.fOpravenka();
        QTest::keyClick(focus, Qt::Key_F7);
        QVERIFY2(app.errors.messages.isEmpty(), qPrintable(app.errors.messages.join('\n')));
        for (const QWidget* window : QApplication::topLevelWidgets()) // nothing of the print is left
            QVERIFY(!qobject_cast<const PrintProgress*>(window));

        // The page arrives once the print server has run the job; the file
        // counts when poppler can read it whole.
        QString printed;
        auto arrived = [&] {
            for (const QString& file : CupsPdf::pdfFiles(folders) - before)
                if (!PdfTools::info(file).value("Pages").isEmpty()) {
                    printed = file;
                    return true;
                }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrived(), 120000);
        QCOMPARE((CupsPdf::pdfFiles(folders) - before).size(), 1);

        const auto info = PdfTools::info(printed);
        QCOMPARE(info.value("Pages"), QStringLiteral("1"));
        QVERIFY2(PdfTools::isA4Portrait(info.value("Page size")), qPrintable(info.value("Page size")));
        // The PDF printer wraps the job's title in parentheses.
        QString title = info.value("Title");
        if (title.startsWith('(') && title.endsWith(')'))
            title = title.mid(1, title.size() - 2);
        QCOMPARE(title, QStringLiteral("Tisk opravenky"));
        // The print server turns the text into drawings, so the two copies are
        // compared by their ink: as much in one as in the other.
        QTemporaryDir scratch;
        const QImage page = PdfTools::render(printed, 100, scratch.path());
        QVERIFY(!page.isNull());
        auto ink = [&](double fromMm, double toMm) {
            int count = 0;
            for (int y = int(fromMm / 25.4 * 100); y < int(toMm / 25.4 * 100); ++y)
                for (int x = 0; x < page.width(); ++x)
                    count += qGray(page.pixel(x, y)) < 128;
            return count;
        };
        const int firstCopy = ink(10.0, 146.0);
        const int secondCopy = ink(147.6, 282.0); // below the dotted line
        QVERIFY2(firstCopy > 2000, qPrintable(QString::number(firstCopy)));
        QVERIFY2(qAbs(firstCopy - secondCopy) < firstCopy / 50,
            qPrintable(QStringLiteral("%1 / %2").arg(firstCopy).arg(secondCopy)));
        QVERIFY(ink(282.0, 284.0) > 500); // the rule over the footer

        // Printing stores nothing: the new ticket is still pending in the editor.
        QVERIFY(app.fOpravenka()->isVisible());
        QCOMPARE(app.DM()->ADOTable->State(), DataSetState::Insert);
        QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Zdeňka Tisková"));
        QFile::remove(printed);
    }
};

TRELOMAR_TEST(TestTicketPrinting)
#include "TestTicketPrinting.moc"
