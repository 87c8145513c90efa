#pragma once

// Reads printed PDF files back with the poppler tools, and the barcodes on
// their pages with zbarimg.

#include <QImage>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

namespace PdfTools {

inline bool available()
{
    for (const char* tool : { "pdfinfo", "pdftotext", "pdftoppm" })
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

inline QString run(const QString& tool, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    const bool done
        = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
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
    return run(QStringLiteral("pdftotext"),
        { QStringLiteral("-enc"), QStringLiteral("UTF-8"), QStringLiteral("-layout"), path, QStringLiteral("-") });
}

// The first page as a grey image at the given resolution; null on failure.
inline QImage render(const QString& path, int dpi, const QString& scratchDir)
{
    const QString prefix = scratchDir + QStringLiteral("/page");
    bool ok = false;
    run(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-png"),
            QStringLiteral("-singlefile"), path, prefix },
        &ok);
    return ok ? QImage(prefix + QStringLiteral(".png")) : QImage();
}

// The first page as a colour PNG file at the given resolution; empty on failure.
inline QString renderPng(const QString& path, int dpi, const QString& prefix)
{
    bool ok = false;
    run(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), QStringLiteral("-singlefile"), path,
            prefix },
        &ok);
    return ok ? prefix + QStringLiteral(".png") : QString();
}

// What zbarimg reads on a picture, one text per barcode found.
inline QStringList scan(const QString& picture)
{
    const QString out = run(QStringLiteral("zbarimg"), { QStringLiteral("--quiet"), QStringLiteral("--raw"), picture });
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Tools the checks cannot do without: missing, they fail the run under CI
// (CI=true) and skip it elsewhere.
inline QString missingTools(const QStringList& tools)
{
    QStringList missing;
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing << tool;
    return missing.join(QLatin1String(", "));
}

inline bool toolsRequired()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
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

// In a test slot: the tools are there, or the test skips (fails under CI).
#define REQUIRE_TOOLS(...)                                                                                             \
    do {                                                                                                               \
        const QString missing = PdfTools::missingTools({ __VA_ARGS__ });                                               \
        if (!missing.isEmpty() && PdfTools::toolsRequired())                                                           \
            QFAIL(qPrintable(QStringLiteral("missing under CI: ") + missing));                                         \
        if (!missing.isEmpty())                                                                                        \
            QSKIP(qPrintable(QStringLiteral("not installed: ") + missing));                                            \
    } while (false)
