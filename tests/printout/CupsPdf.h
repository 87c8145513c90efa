#pragma once

// The PDF printer that scripts/start-printer.sh sets up as the default:
// where its files land and whether the default printer is it. Linux only.

#include "tests/printout/PdfTools.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QSet>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

namespace CupsPdf {

// Where the PDF printer puts its files: the "Out" folder of its settings for
// the job's user, or its folder for anonymous jobs.
inline QStringList pdfFolders()
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

inline QSet<QString> pdfFiles(const QStringList& folders)
{
    QSet<QString> files;
    for (const QString& folder : folders)
        for (const QFileInfo& info : QDir(folder).entryInfoList({ QStringLiteral("*.pdf") }, QDir::Files))
            files.insert(info.absoluteFilePath());
    return files;
}

// A default printer that writes PDF files, never a real one: no paper wasted.
inline bool defaultPrinterWritesPdf(QString* why)
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

} // namespace CupsPdf
