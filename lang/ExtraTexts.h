#pragma once

#include <QHash>
#include <QString>

// Texts of the features beyond the four fixed language sections. Each has a
// key in the language file's <extra> section and a built-in Czech text used
// when the file lacks it.
enum class ExtraText {
    NoPrinter,
    ImeiCheck,
    ConvertQuestion,
    ConvertProgress,
    ConvertFailed,
    ConvertDone, // %1 tickets, %2 report lines, %3 the report's path
    BackupFailed, // %1 the folder, %2 the reason
    Count
};

class ExtraTexts
{
public:
    ExtraTexts() = default;
    explicit ExtraTexts(QHash<QString, QString> fromFile);

    // The file's text for the key, or the built-in Czech one.
    QString text(ExtraText id) const;

    // The key that names a text in the <extra> section.
    static QString key(ExtraText id);
    static QString builtIn(ExtraText id);

private:
    QHash<QString, QString> m_fromFile;
};
