#pragma once

#include "lang/ExtraTexts.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <memory>

class QPrinter;
class Report;

// What a handover slip states about one repair.
struct HandoverDetails
{
    QString number;
    QString customer;
    QString device;
    QString imei;
    QString fault;
    qint64 amount = 0; // paid, in ten-thousandths of a crown as the price
    QDateTime handedOver; // local time
    int warrantyDays = 90;
};

// The sheet the customer signs when a repaired device is handed back: the
// shop's address block, the repair, what was paid, when, the end of the
// warranty, and a signature line for each side. One A4 page, one copy.
class HandoverSlip
{
public:
    // Reads the address block from `firmaPath` as the ticket printout does;
    // raises "Cannot open file %s" and builds nothing when it cannot.
    HandoverSlip(const HandoverDetails& details, const QString& firmaPath, const ExtraTexts& texts);
    ~HandoverSlip();
    HandoverSlip(const HandoverSlip&) = delete;
    HandoverSlip& operator=(const HandoverSlip&) = delete;

    // The last day of the warranty: the handover's date plus the days.
    static QDate warrantyUntil(const QDateTime& handedOver, int days);

    Report& report() { return *m_report; }

    // Prints on the system's default printer; raises the no-printer text
    // without one, and the slip's failure text when the printer fails.
    void printOnDefaultPrinter();
    // Prints on any printer, e.g. one writing a PDF file; raises the slip's
    // failure text when the printer fails. False when nothing was printed.
    bool print(QPrinter& printer);

private:
    void addRow(double top, double height, const char* name, ExtraText label, const QString& value);

    std::unique_ptr<Report> m_report;
    ExtraTexts m_texts;
};
