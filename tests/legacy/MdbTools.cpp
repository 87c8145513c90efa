#include "tests/legacy/MdbTools.h"

#include <QProcess>
#include <QStandardPaths>

namespace MdbTools {

bool available()
{
    static const bool found = !QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty();
    return found;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<QStringList> exportTable(const QString& path, const QString& table)
{
    QList<QStringList> rows;
    const QString text = run(QStringLiteral("mdb-export"), {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), path, table});
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        QStringList fields = line.split(u',');
        for (QString& field : fields)
            if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
                field = field.mid(1, field.size() - 2);
        rows.append(fields);
    }
    return rows;
}

QString checkFile(const QString& path, const QString& table, const QStringList& columns)
{
    const QString version = run(QStringLiteral("mdb-ver"), {path}).trimmed();
    if (version != QLatin1String("JET4"))
        return QStringLiteral("mdb-ver says \"%1\"").arg(version);
    const QStringList tables = run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path}).split(u'\n', Qt::SkipEmptyParts);
    if (tables != QStringList {table})
        return QStringLiteral("mdb-tables lists %1").arg(tables.join(u' '));
    const QString schema = run(QStringLiteral("mdb-schema"), {path});
    for (const QString& column : columns)
        if (!schema.contains(u'[' + column + u']'))
            return QStringLiteral("mdb-schema lacks column %1").arg(column);
    return QString();
}

} // namespace MdbTools
