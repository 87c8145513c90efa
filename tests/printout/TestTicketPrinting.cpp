// The ticket printed end to end: F7 in the editor, through the system's
// default printer, to one A4 page. Needs the PDF printer that
// scripts/start-printer.sh sets up as the default.

#include "datamodule/TDM.h"
#include "printout/report/PrintProgress.h"
#include "store/TicketStore.h"
#include "tests/printout/PdfTools.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace {

// Where the PDF printer puts its files: the "Out" folder of its settings for
// the job's user, or its folder for anonymous jobs.
QStringList pdfFolders()
{
    QString out = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QString anonymous = QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QString& raw : QString::fromUtf8(conf.readAll()).split('\n')) {
            const QString line = raw.trimmed();
            if (line.startsWith(QLatin1String("Out ")))
                out = line.mid(4).trimmed();
            else if (line.startsWith(QLatin1String("AnonDirName ")))
                anonymous = line.mid(12).trimmed();
        }
    }
    QString user;
    QString home = QDir::homePath();
    if (const passwd* entry = getpwuid(getuid())) {
        user = QString::fromLocal8Bit(entry->pw_name);
        home = QString::fromLocal8Bit(entry->pw_dir);
    }
    out.replace(QLatin1String("${HOME}"), home).replace(QLatin1String("${USER}"), user);
    return { out, anonymous };
}

QSet<QString> pdfFiles(const QStringList& folders)
{
    QSet<QString> files;
    for (const QString& folder : folders)
        for (const QFileInfo& info : QDir(folder).entryInfoList({ QStringLiteral("*.pdf") }, QDir::Files))
            files.insert(info.absoluteFilePath());
    return files;
}

// A default printer that writes PDF files, never a real one: no paper wasted.
bool defaultPrinterWritesPdf(QString* why)
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull()) {
        *why = QStringLiteral("no default printer (run scripts/start-printer.sh to add the PDF printer)");
        return false;
    }
    const QString device = PdfTools::run(QStringLiteral("lpstat"), { QStringLiteral("-v"), printer.printerName() });
    if (!device.contains(QLatin1String("cups-pdf:"))) {
        *why = QStringLiteral("the default printer %1 is not the PDF printer; not printing on it")
                   .arg(printer.printerName());
        return false;
    }
    return true;
}

} // namespace

class TestTicketPrinting : public QObject
{
    Q_OBJECT

private slots:
    void f7PrintsOneA4PageOnTheDefaultPrinter()
    {
        QString why;
        if (!defaultPrinterWritesPdf(&why))
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

        const QStringList folders = pdfFolders();
        const QSet<QString> before = pdfFiles(folders);
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : app.fOpravenka();
        QTest::keyClick(focus, Qt::Key_F7);
        QVERIFY2(app.errors.messages.isEmpty(), qPrintable(app.errors.messages.join('\n')));
        for (const QWidget* window : QApplication::topLevelWidgets()) // nothing of the print is left
            QVERIFY(!qobject_cast<const PrintProgress*>(window));

        // The page arrives once the print server has run the job; the file
        // counts when poppler can read it whole.
        QString printed;
        auto arrived = [&] {
            for (const QString& file : pdfFiles(folders) - before)
                if (!PdfTools::info(file).value("Pages").isEmpty()) {
                    printed = file;
                    return true;
                }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrived(), 120000);
        QCOMPARE((pdfFiles(folders) - before).size(), 1);

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
