#include "base/IniFile.h"

#include "base/AppError.h"
#include "base/DurableFile.h"

#include <QDir>
#include <QFile>

#include <cctype>
#include <limits>

namespace {

// One line of the file and the ending it came with: "\r\n", "\n", or nothing
// for a last line without one.
struct Line
{
    QByteArray text;
    QByteArray ending;
};

QList<Line> readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<Line> lines;
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            lines.append({bytes.mid(start), QByteArray()});
            break;
        }
        const bool crlf = end > start && bytes.at(end - 1) == '\r';
        lines.append({bytes.mid(start, end - start - (crlf ? 1 : 0)), crlf ? "\r\n" : "\n"});
        start = end + 1;
    }
    return lines;
}

// The ending most lines have, for lines written anew; CR LF in a new file or on a tie.
QByteArray dominantEnding(const QList<Line>& lines)
{
    qsizetype crlf = 0, lf = 0;
    for (const Line& line : lines) {
        if (line.ending == "\n")
            ++lf;
        else if (!line.ending.isEmpty())
            ++crlf;
    }
    return lf > crlf ? "\n" : "\r\n";
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QByteArray> sectionOf(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || !t.startsWith('[') || !t.endsWith(']'))
        return std::nullopt;
    return t.mid(1, t.size() - 2).trimmed();
}

bool sameName(const QByteArray& a, const QString& b)
{
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

// Whether the line sets the key; the value goes to *value.
bool keyOf(const QByteArray& line, const QString& key, QByteArray* value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0 || line.trimmed().startsWith(';'))
        return false;
    if (!sameName(line.left(eq).trimmed(), key))
        return false;
    *value = line.mid(eq + 1).trimmed();
    return true;
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

std::optional<int> IniFile::parseInteger(const QString& text)
{
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return std::nullopt;
    for (QChar c : t) {
        const bool digit = c.unicode() < 128 && (base == 10 ? std::isdigit(c.unicode()) : std::isxdigit(c.unicode()));
        if (!digit)
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong magnitude = t.toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    const qlonglong value = negative ? -magnitude : magnitude;
    // Hexadecimal values fill all 32 bits, so $FFFFFFFF reads as -1.
    if (base == 16 && !negative && magnitude <= 0xFFFFFFFFLL)
        return static_cast<int>(static_cast<quint32>(magnitude));
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<QByteArray> IniFile::readValue(const QString& section, const QString& key) const
{
    bool inSection = false;
    for (const Line& line : readLines(m_path)) {
        if (const auto name = sectionOf(line.text)) {
            inSection = sameName(*name, section);
            continue;
        }
        QByteArray value;
        if (inSection && keyOf(line.text, key, &value))
            return value;
    }
    return std::nullopt;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    const auto value = readValue(section, key);
    if (!value)
        return defaultValue;
    return parseInteger(QString::fromUtf8(*value)).value_or(defaultValue);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const auto value = readValue(section, key);
    return value ? QString::fromUtf8(*value).trimmed() : defaultValue;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeValue(section, key, QByteArray::number(value));
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    QString line = value;
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    writeValue(section, key, line.trimmed().toUtf8());
}

void IniFile::writeValue(const QString& section, const QString& key, const QByteArray& value)
{
    // A file that is there but cannot be read must not be replaced by the one key.
    if (QFile probe(m_path); probe.exists() && !probe.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path)));
    QList<Line> lines = readLines(m_path);
    const QByteArray ending = dominantEnding(lines);
    const QByteArray newLine = key.toUtf8() + '=' + value;
    // A line written anew takes the dominant ending; one it follows gets an ending if it had none.
    const auto insert = [&](qsizetype at, const QByteArray& text) {
        if (at > 0 && lines[at - 1].ending.isEmpty())
            lines[at - 1].ending = ending;
        lines.insert(at, Line {text, ending});
    };

    qsizetype sectionStart = -1; // line after the section header
    qsizetype sectionEnd = -1;   // where a new key goes: after the section's last non-empty line
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size() && !replaced; ++i) {
        if (const auto name = sectionOf(lines[i].text)) {
            if (sectionStart >= 0)
                break;
            if (sameName(*name, section))
                sectionStart = sectionEnd = i + 1;
            continue;
        }
        if (sectionStart < 0)
            continue;
        QByteArray old;
        if (keyOf(lines[i].text, key, &old)) {
            lines[i].text = newLine; // its own ending stays
            replaced = true;
        } else if (!lines[i].text.trimmed().isEmpty()) {
            sectionEnd = i + 1;
        }
    }
    if (!replaced) {
        if (sectionStart < 0) {
            if (!lines.isEmpty() && !lines.last().text.trimmed().isEmpty())
                insert(lines.size(), QByteArray());
            insert(lines.size(), '[' + section.toUtf8() + ']');
            insert(lines.size(), newLine);
        } else {
            insert(sectionEnd, newLine);
        }
    }

    QByteArray bytes;
    for (const Line& line : lines)
        bytes += line.text + line.ending;
    if (!DurableFile::write(m_path, bytes).isEmpty())
        throw AppError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path)));
}
