#pragma once

#include "printout/report/ReportElement.h"

#include <QMarginsF>
#include <QObject>
#include <QPageSize>
#include <QSizeF>
#include <QString>

#include <functional>
#include <vector>

class Report;

// A horizontal strip of the page holding elements.
class ReportBand : public QObject
{
    Q_OBJECT

public:
    // Title bands print first, detail bands below them, the page footer sits
    // with its bottom edge on the bottom margin.
    enum class Kind { Title, Detail, PageFooter };
    enum class Frame { None, Dotted, Solid };

    ReportBand(Report* report, Kind kind, const QString& name, double heightMm);

    Kind kind() const { return m_kind; }
    Report* report() const { return m_report; }

    double height() const { return m_height; }
    void setHeight(double mm) { m_height = mm; }

    // A black line along the band's top edge.
    Frame frameTop() const { return m_frameTop; }
    void setFrameTop(Frame frame) { m_frameTop = frame; }

    const std::vector<ReportElement*>& elements() const { return m_elements; }

private:
    friend class ReportElement;
    Kind m_kind;
    Report* m_report;
    double m_height;
    Frame m_frameTop = Frame::None;
    std::vector<ReportElement*> m_elements;
};

// A banded report: a page in millimetres with margins, bands and their
// elements, a title that names the print job, a source for the printed
// fields, and a step that runs just before every print. ReportPrinter prints
// it; the report knows nothing of printers.
class Report : public QObject
{
    Q_OBJECT

public:
    // The display text of a field of the current row, by the field's name.
    using FieldSource = std::function<QString(const QString& fieldName)>;
    // Runs once per print before the page is laid out; clearing the flag
    // calls the print off.
    using BeforePrint = std::function<void(Report& sender, bool& printReport)>;

    explicit Report(QObject* parent = nullptr, const QString& name = QString());

    QPageSize pageSize() const { return m_pageSize; }
    void setPageSize(const QPageSize& size) { m_pageSize = size; }
    QSizeF pageSizeMm() const { return m_pageSize.size(QPageSize::Millimeter); } // portrait

    QMarginsF margins() const { return m_margins; }
    void setMargins(const QMarginsF& mm) { m_margins = mm; }

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    // The report has no rows of its own to repeat its detail bands over: with
    // print-if-empty on every band prints once, with it off there is nothing
    // to print.
    bool printIfEmpty() const { return m_printIfEmpty; }
    void setPrintIfEmpty(bool on) { m_printIfEmpty = on; }

    bool showProgress() const { return m_showProgress; }
    void setShowProgress(bool on) { m_showProgress = on; }

    const FieldSource& fieldSource() const { return m_fieldSource; }
    void setFieldSource(FieldSource source) { m_fieldSource = std::move(source); }
    // The field's text, empty when there is no source.
    QString fieldText(const QString& fieldName) const;

    void setBeforePrint(BeforePrint step) { m_beforePrint = std::move(step); }
    // Runs the before-print step; false when it called the print off.
    bool runBeforePrint();

    const std::vector<ReportBand*>& bands() const { return m_bands; }

private:
    friend class ReportBand;
    QPageSize m_pageSize { QPageSize::A4 };
    QMarginsF m_margins { 10.0, 10.0, 10.0, 10.0 };
    QString m_title;
    bool m_printIfEmpty = true;
    bool m_showProgress = true;
    FieldSource m_fieldSource;
    BeforePrint m_beforePrint;
    std::vector<ReportBand*> m_bands;
};
