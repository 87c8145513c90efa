// Printing a report to a PDF printer: the job, the before-print step, the
// progress window and its Cancel button.

#include "printout/report/PrintProgress.h"
#include "printout/report/Report.h"
#include "printout/report/ReportPrinter.h"
#include "tests/printout/PdfTools.h"
#include "tests/support/TestRegistry.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

PrintProgress* progressWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<PrintProgress*>(widget); progress && progress->isVisible())
            return progress;
    return nullptr;
}

} // namespace

class TestReportPrinter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    Report* m_report = nullptr;
    ReportLabel* m_heading = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QString m_pdf;

private slots:
    void initTestCase()
    {
        if (!PdfTools::available())
            QSKIP("pdfinfo and pdftotext (poppler-utils) are needed to read the printed PDF back");
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        m_report = new Report(nullptr, QStringLiteral("report"));
        m_report->setTitle(QStringLiteral("Zkušební tisk"));
        auto* title = new ReportBand(m_report, ReportBand::Kind::Title, QStringLiteral("title"), 40.0);
        auto* detail = new ReportBand(m_report, ReportBand::Kind::Detail, QStringLiteral("detail"), 40.0);
        m_heading = new ReportLabel(title, QStringLiteral("heading"), QRectF(5, 5, 150, 10), QStringLiteral("NADPIS"));
        m_heading->setFont(QStringLiteral("Verdana"), 12);
        auto* field = new ReportField(detail, QStringLiteral("name"), QRectF(5, 5, 150, 10), QStringLiteral("jmeno"));
        field->setFont(QStringLiteral("Verdana"), 10);

        m_pdf = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QStringLiteral(".pdf"));
        QFile::remove(m_pdf);
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(m_pdf);
    }

    void cleanup()
    {
        m_printer.reset();
        delete m_report;
        m_report = nullptr;
    }

    void printsOneA4PageNamedByTheTitle()
    {
        m_report->setFieldSource([](const QString&) { return QStringLiteral("Jan Novák"); });
        QVERIFY(ReportPrinter::print(*m_report, *m_printer));

        const auto info = PdfTools::info(m_pdf);
        QCOMPARE(info.value("Pages"), QStringLiteral("1"));
        QCOMPARE(info.value("Title"), QStringLiteral("Zkušební tisk"));
        QVERIFY2(PdfTools::isA4Portrait(info.value("Page size")), qPrintable(info.value("Page size")));
        const QString text = PdfTools::text(m_pdf);
        QVERIFY2(text.contains("NADPIS") && text.contains("Jan Novák"), qPrintable(text));
        QVERIFY(!progressWindow()); // gone when the call returns
    }

    void beforePrintRunsOnceBeforeLayout()
    {
        int runs = 0;
        m_report->setBeforePrint([&](Report& sender, bool& printReport) {
            ++runs;
            QCOMPARE(&sender, m_report);
            QVERIFY(printReport);
            m_heading->setText(QStringLiteral("ZMĚNĚNO"));
        });
        QVERIFY(ReportPrinter::print(*m_report, *m_printer));
        QCOMPARE(runs, 1);
        const QString text = PdfTools::text(m_pdf);
        QVERIFY2(text.contains("ZMĚNĚNO") && !text.contains("NADPIS"), qPrintable(text));
    }

    void beforePrintMayCallThePrintOff()
    {
        m_report->setBeforePrint([](Report&, bool& printReport) { printReport = false; });
        QVERIFY(!ReportPrinter::print(*m_report, *m_printer));
        QVERIFY(!QFile::exists(m_pdf));
    }

    void printIfEmptyOffSendsNoJob()
    {
        m_report->setPrintIfEmpty(false);
        QVERIFY(!ReportPrinter::print(*m_report, *m_printer));
        QVERIFY(!QFile::exists(m_pdf));
    }

    void progressWindowShowsWhilePrinting()
    {
        QString title;
        bool hasBar = false;
        QString button;
        // The fields are read while the page is laid out, with the window up.
        m_report->setFieldSource([&](const QString&) {
            if (PrintProgress* progress = progressWindow()) {
                title = progress->windowTitle();
                hasBar = progress->findChild<QProgressBar*>() != nullptr;
                if (auto* cancel = progress->findChild<QPushButton*>())
                    button = cancel->text();
            }
            return QString();
        });
        QVERIFY(ReportPrinter::print(*m_report, *m_printer));
        QCOMPARE(title, QStringLiteral("Printing progress"));
        QVERIFY(hasBar);
        QCOMPARE(button, QStringLiteral("Cancel"));
    }

    void cancelStopsTheJob()
    {
        m_report->setFieldSource([&](const QString&) {
            if (PrintProgress* progress = progressWindow())
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            return QString();
        });
        QVERIFY(!ReportPrinter::print(*m_report, *m_printer));
        QVERIFY(!QFile::exists(m_pdf));
        QVERIFY(!progressWindow());
    }

    void noProgressWindowWhenSwitchedOff()
    {
        bool seen = false;
        m_report->setShowProgress(false);
        m_report->setFieldSource([&](const QString&) {
            seen = seen || progressWindow();
            return QString();
        });
        QVERIFY(ReportPrinter::print(*m_report, *m_printer));
        QVERIFY(!seen);
    }
};

TRELOMAR_TEST(TestReportPrinter)
#include "TestReportPrinter.moc"
