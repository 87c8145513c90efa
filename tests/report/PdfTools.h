#pragma once

// Reads back PDF files with the poppler tools, for tests that print.

#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace PdfTools {

inline bool available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

inline QString run(const QString& tool, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    const bool done = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (ok)
        *ok = done;
    return done ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

// "Title", "Pages", "Page size", ...; empty when the file is not a whole PDF.
inline QMap<QString, QString> info(const QString& path)
{
    bool ok = false;
    const QString out = run(QStringLiteral("pdfinfo"), { QStringLiteral("-enc"), QStringLiteral("UTF-8"), path }, &ok);
    QMap<QString, QString> result;
    if (!ok)
        return result;
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            result.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return result;
}

inline QString text(const QString& path)
{
    return run(QStringLiteral("pdftotext"), { QStringLiteral("-enc"), QStringLiteral("UTF-8"), QStringLiteral("-layout"),
                                                path, QStringLiteral("-") });
}

// A4 in points as poppler reports it, whatever the rounding of the writer.
inline bool isA4Portrait(const QString& pageSize)
{
    const QStringList parts = pageSize.split(QLatin1Char(' '));
    if (parts.size() < 3)
        return false;
    return qAbs(parts[0].toDouble() - 595.28) < 1.0 && qAbs(parts[2].toDouble() - 841.89) < 1.0;
}

} // namespace PdfTools
