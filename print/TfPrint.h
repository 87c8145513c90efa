#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class Report;
class TicketStore;
class ReportBand;
class ReportField;
class ReportLabel;
class ReportMemo;
class ReportShape;

// The shop can reach the program's author at this address; it is printed in
// the footer of every ticket.
inline const QString VendorEmail = QStringLiteral("info@trelomar.cz");

// The print form: the ticket page as a banded report, two identical copies of
// the ticket on one A4 sheet and a footer. It is never shown; a new one is
// built for every print, so every print starts from the design texts.
class TfPrint : public QWidget
{
    Q_OBJECT

public:
    explicit TfPrint(QWidget* owner = nullptr);
    ~TfPrint() override;

    // The editor's print command: a new print form owned by `owner` loads the
    // ticket text and the shop's address block, takes the 18 label texts of
    // the printout (when there are at least 18), and prints the current
    // ticket of DM->ADOTable on the default printer. A file that cannot be
    // read raises "Cannot open file %s" and nothing is printed. No printer:
    // nothing happens.
    static void PrintTicket(QWidget* owner, TicketStore* table, const QString& tiskPath, const QString& firmaPath,
        const QStringList& printTexts, const QString& langName);

    // The print command's steps up to the print itself: a new form, filled.
    static std::unique_ptr<TfPrint> Prepare(QWidget* owner, TicketStore* table, const QString& tiskPath, const QString& firmaPath,
        const QStringList& printTexts, const QString& langName);

    // The report's before-print step: the first copy takes the second copy's
    // label texts and memo lines, the footer takes its text from LangName.
    void QReportBeforePrint(Report& Sender, bool& PrintReport);

    // Replaces the texts of the 18 labels of the second copy, in the order of
    // the print section of a language file; fewer than 18 texts change nothing.
    void ApplyPrintTexts(const QStringList& printTexts);

    // Read by the before-print step for the footer.
    QString LangName;
    // The ticket printed is this table's current one.
    TicketStore* Table = nullptr;

    Report* QReport;
    ReportBand* TitleBand1;
    ReportBand* PageHeader;
    ReportBand* PageFooterBand1;

    // Second copy (detail band PageHeader).
    ReportLabel* QRlbOpravenka;
    ReportLabel* QRlbEVD;
    ReportField* QRdbCislo;
    ReportLabel* QRlbDodavatel;
    ReportLabel* QRlbJmeno;
    ReportLabel* QRlbJmenoObj;
    ReportField* QRdbJmeno;
    ReportMemo* QRmemF1;
    ReportLabel* QRlbAdresaObj;
    ReportField* QRdbAdresa;
    ReportLabel* QRlbTelObj;
    ReportField* QRDBTel;
    ReportShape* QRsh1;
    ReportLabel* QRlbTechnik;
    ReportField* QRDBTechnik;
    ReportLabel* QRlbDruh;
    ReportField* QRDBDruh;
    ReportLabel* QRlbTypMobilu;
    ReportField* QRDBTelefon;
    ReportLabel* QRlbIMEI;
    ReportField* QRdbIMEI;
    ReportLabel* QRlbKompletnost;
    ReportField* QRdbkomplet;
    ReportLabel* QRlbVada;
    ReportField* QRdbVada;
    ReportMemo* QRmem1;
    ReportLabel* QRlbCena;
    ReportField* QRDBCena;
    ReportLabel* QRlbPrijemce;
    ReportLabel* QRlbDatum;
    ReportField* QRdbPrijato;
    ReportLabel* QRlbHotovo;
    ReportField* QRdbHotovo;
    ReportLabel* QRPodpis;

    // First copy (title band TitleBand1).
    ReportLabel* QRlbOpravenka2;
    ReportLabel* QRlbEVD2;
    ReportField* QRDBText4;
    ReportLabel* QRlbDodavatel2;
    ReportLabel* QRlbJmeno2;
    ReportLabel* QRlbJmenoObj2;
    ReportField* QRDBText1;
    ReportMemo* QRmemF2;
    ReportLabel* QRlbAdresaObj2;
    ReportField* QRDBText2;
    ReportLabel* QRlbTelObj2;
    ReportField* QRDBText7;
    ReportShape* QRShape1;
    ReportLabel* QRlbTechnik2;
    ReportField* QRDBText8;
    ReportLabel* QRlbDruh2;
    ReportField* QRDBText9;
    ReportLabel* QRlbTypMobilu2;
    ReportField* QRDBText10;
    ReportLabel* QRlbIMEI2;
    ReportField* QRDBText3;
    ReportLabel* QRlbKompletnost2;
    ReportField* QRDBText13;
    ReportLabel* QRlbVada2;
    ReportField* QRDBText12;
    ReportMemo* QRmem2;
    ReportLabel* QRlbCena2;
    ReportField* QRDBText11;
    ReportLabel* QRlbPrijemce2;
    ReportLabel* QRlbDatum2;
    ReportField* QRDBText5;
    ReportLabel* QRlbHotovo2;
    ReportField* QRDBText6;
    ReportLabel* QRPodpis2;

    // Page footer (PageFooterBand1).
    ReportLabel* QRpaticka;
};
