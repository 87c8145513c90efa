#pragma once

#include "store/TicketTexts.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class Report;
class ReportBand;
class ReportElement;
class ReportLabel;

// The shop can reach the program's author at this address; it is printed in
// the footer of every ticket.
inline const QString VendorEmail = QStringLiteral("info@trelomar.cz");

// The ticket page as a banded report: two identical copies of the ticket on
// one A4 sheet, one above the other, and a footer. Both copies are built from
// one design and every text is set on both at once. A new printout is built
// for every print, so every print starts from the design texts.
class TfPrint
{
public:
    // The first copy is the report's title band, the second its detail band.
    enum class Copy { First, Second };

    // The design: its texts (the footer's with the Czech product name) and
    // an empty ticket.
    TfPrint();
    ~TfPrint();
    TfPrint(const TfPrint&) = delete;
    TfPrint& operator=(const TfPrint&) = delete;

    // The editor's print command: prints `ticket` on the default printer with
    // the ticket text and the shop's address block read from their files, the
    // 18 label texts of the printout (when there are at least 18) and the
    // footer of `langName`. A file that cannot be read raises "Cannot open
    // file %s" and nothing is printed. No printer: nothing happens.
    static void PrintTicket(const TicketTexts& ticket, const QString& tiskPath, const QString& firmaPath,
        const QStringList& printTexts, const QString& langName);

    // The print command's steps up to the print itself: a new printout, filled.
    static std::unique_ptr<TfPrint> Prepare(const TicketTexts& ticket, const QString& tiskPath,
        const QString& firmaPath, const QStringList& printTexts, const QString& langName);

    void setTicket(const TicketTexts& ticket);

    // Replaces the texts of the 18 labels of both copies, in the order of the
    // print section of a language file; fewer than 18 texts change nothing.
    void ApplyPrintTexts(const QStringList& printTexts);

    // The footer names the product "Trelomář" for a Czech language name
    // (isCzechLangName), "Trelomar" for any other.
    void setLangName(const QString& langName);

    Report& report() { return *m_report; }
    const Report& report() const { return *m_report; }
    ReportBand* band(Copy copy) const;
    ReportLabel* footer() const { return m_footer; }

    // An element of a copy by its name in the design, which is its name in
    // the second copy ("QRlbJmeno" is "QRlbJmeno2" in the first); null for a
    // name the design does not have.
    ReportElement* element(Copy copy, const QString& designName) const;
    template <class T> T* element(Copy copy, const QString& designName) const
    {
        return qobject_cast<T*>(element(copy, designName));
    }

    // Prints on the system's default printer; false without one.
    bool printOnDefaultPrinter();
    // Prints on any printer, e.g. one writing a PDF file; see ReportPrinter::print.
    bool print(QPrinter& printer);

private:
    void setLabelText(const char* designName, const QString& text);
    void setMemoLines(const char* designName, const QStringList& lines);
    QString fieldText(const QString& fieldName) const;

    std::unique_ptr<Report> m_report;
    ReportBand* m_bands[2] = {};
    ReportLabel* m_footer = nullptr;
    TicketTexts m_ticket;
};
