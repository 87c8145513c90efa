#include "printout/report/ReportPrinter.h"

#include "base/AppError.h"
#include "printout/report/PrintProgress.h"
#include "printout/report/Report.h"
#include "printout/report/ReportLayout.h"
#include "printout/report/ReportPainter.h"

#include <QApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

bool ReportPrinter::printOnDefaultPrinter(Report& report)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    return print(report, printer);
}

void ReportPrinter::setUp(const Report& report, QPrinter& printer)
{
    printer.setDocName(report.title());
    printer.setFullPage(true);
    printer.setPageLayout(
        QPageLayout(report.pageSize(), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    printer.setCopyCount(1);
    printer.setCollateCopies(false);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPaperSource(QPrinter::Auto);
}

bool ReportPrinter::print(Report& report, QPrinter& printer)
{
    if (!report.runBeforePrint())
        return false;

    std::unique_ptr<PrintProgress> progress;
    if (report.showProgress()) {
        progress = std::make_unique<PrintProgress>(QApplication::activeWindow());
        progress->setSteps(0); // busy until the pages are laid out
        progress->show();
        QCoreApplication::processEvents();
    }
    auto cancelled = [&progress] {
        QCoreApplication::processEvents();
        return progress && progress->cancelled();
    };

    const std::vector<ReportPage> pages = ReportLayout::layout(report);
    if (pages.empty() || cancelled())
        return false;

    // The printer engines cannot take a page back once painting on them has
    // begun, so Cancel counts up to here; the pages then go out in one go.
    int steps = 0;
    for (const ReportPage& page : pages)
        steps += int(page.boxes.size());
    if (progress) {
        progress->setCancellable(false);
        progress->setSteps(steps);
    }

    setUp(report, printer);
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("The printer %1 cannot start the print job").arg(printer.printerName()));

    int step = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        ReportPainter::paintPage(painter, pages[i], [&] {
            if (progress && ++step % 16 == 0) {
                progress->setStep(step);
                QCoreApplication::processEvents();
            }
            return true;
        });
    }
    if (!painter.end())
        throw AppError(QStringLiteral("The printer %1 cannot finish the print job").arg(printer.printerName()));
    return true;
}
