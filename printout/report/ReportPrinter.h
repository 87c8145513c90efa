#pragma once

class QPrinter;
class Report;

// Sends a report to a printer: the before-print step, the layout, then the
// pages, with the progress window showing and events flowing so that its
// Cancel button can stop the job until the pages go to the printer.
class ReportPrinter
{
public:
    // The system's default printer; without one nothing happens and nothing
    // is shown. Returns true when the job was sent.
    static bool printOnDefaultPrinter(Report& report);

    // Any printer, e.g. one writing a PDF file. Returns true when the job was
    // sent, false when the before-print step called it off, there was
    // nothing to print, or the user cancelled. Raises AppError when the
    // printer refuses the job.
    static bool print(Report& report, QPrinter& printer);

    // One job named by the report's title: its page size, portrait, one
    // copy, no duplex, all pages, the automatic tray, full-page coordinates
    // so that the report's own margins place everything exactly.
    static void setUp(const Report& report, QPrinter& printer);
};
