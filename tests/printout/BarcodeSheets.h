#pragma once

// A ticket printout and a handover slip for a ticket number, as the barcode
// tests lay them out and print them.

#include "printout/HandoverSlip.h"
#include "printout/TfPrint.h"
#include "printout/report/Report.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

struct BarcodeSheet
{
    std::unique_ptr<TfPrint> ticket; // or
    std::unique_ptr<HandoverSlip> slip;

    Report& report() { return ticket ? ticket->report() : slip->report(); }
    // The barcodes' names: one in each ticket copy, one on the slip.
    QStringList barcodes() const
    {
        return ticket ? QStringList { "QRbarcode2", "QRbarcode" } : QStringList { "QRbarcode" };
    }

    // `scratch` takes the slip's address block.
    static BarcodeSheet make(bool isTicket, const QString& number, const QTemporaryDir& scratch)
    {
        BarcodeSheet sheet;
        if (isTicket) {
            sheet.ticket = std::make_unique<TfPrint>();
            TicketTexts texts;
            texts[TicketRecord::cislo] = number;
            sheet.ticket->setTicket(texts);
            return sheet;
        }
        QFile firma(scratch.filePath("firma.txt"));
        if (!firma.open(QIODevice::WriteOnly) || firma.write("Opravna Mobilů s.r.o.\r\nNádražní 12, Brno\r\n") < 0)
            qFatal("cannot write %s", qPrintable(firma.fileName()));
        firma.close();
        HandoverDetails details;
        details.number = number;
        details.customer = QStringLiteral("Jiří Dvořák");
        details.handedOver = QDateTime(QDate(2024, 11, 20), QTime(16, 45));
        sheet.slip = std::make_unique<HandoverSlip>(details, firma.fileName(), ExtraTexts());
        return sheet;
    }
};
