#pragma once

#include <QString>

#include <functional>

// Converts the ticket table of an Access database into a new ticket store.
// The new store is written beside the target under a temporary name, read
// back and compared, and only then moved into place; until that moment the
// original file is untouched. Refusals and failures raise AppError and leave
// every file as it was. A conversion interrupted after keeping the original
// (both names then lead to it) is taken up again.
class LegacyImport
{
public:
    using Sink = std::function<void(const QString& line)>;

    struct Options
    {
        QString source;         // the Access file
        QString dataDir;        // where data.mdb goes
        bool inPlace = false;   // the source is dataDir/data.mdb: keep it as data-access.mdb
        QString codepage = QStringLiteral("CP1250"); // of Jet 3 text
    };

    // `report` takes one line per problem, `progress` a line now and then on
    // long tables ("Read N of M tickets").
    LegacyImport(Sink report, Sink progress);

    struct Result
    {
        int tickets = 0;
        int reportLines = 0;
        QString reportPath; // every report line, UTF-8, beside the new store
    };
    Result run(const Options& options);

    static QString keptName() { return QStringLiteral("data-access.mdb"); }
    static QString reportName() { return QStringLiteral("import-report.txt"); }
    // Rows between two progress lines; tables up to this size get none.
    static constexpr int ProgressStep = 5000;

private:
    Sink m_report;
    Sink m_progress;
};
