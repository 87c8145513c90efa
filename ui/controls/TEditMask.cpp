#include "ui/controls/TEditMask.h"

#include "store/FieldText.h"

#include <algorithm>
#include <iterator>

namespace {

// Our input positions and the QLineEdit input mask characters that take the same input.
struct InputChar
{
    char16_t ours;
    char16_t qt;
    bool required;
};
constexpr InputChar InputChars[] = {
    { u'L', u'A', true }, { u'l', u'a', false }, // letter
    { u'A', u'N', true }, { u'a', u'n', false }, // letter or digit
    { u'C', u'X', true }, { u'c', u'x', false }, // any character
    { u'0', u'9', true }, { u'9', u'0', false }, // digit
    { u'#', u'#', false }, // digit or sign
};

// Characters that a QLineEdit input mask reads as commands; our literals escape them.
const QString QtMetaCharacters = QStringLiteral("AaNnXx90Dd#HhBb><![]{}\\;");

// The first character of a short format that is neither a letter nor a blank,
// after its first part: the separator the locale writes between the parts.
QChar separatorOf(const QString& format, QChar fallback)
{
    bool pastFirstPart = false;
    for (const QChar c : format) {
        if (c.isLetter())
            pastFirstPart = true;
        else if (pastFirstPart && !c.isSpace() && c != QChar(0x00A0))
            return c;
    }
    return fallback;
}

} // namespace

TEditMask::TEditMask(const QString& mask, const QLocale& locale)
{
    // Split off the two trailing fields at unescaped semicolons.
    QStringList fields(QString {});
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask.at(i) == u'\\' && i + 1 < mask.size()) {
            fields.back() += mask.mid(i, 2);
            ++i;
        } else if (mask.at(i) == u';' && fields.size() < 3) {
            fields.append(QString());
        } else {
            fields.back() += mask.at(i);
        }
    }
    const QString& body = fields.at(0);
    if (body.isEmpty())
        return;
    if (fields.size() > 1 && fields.at(1).startsWith(u'0'))
        m_saveLiterals = false;
    if (fields.size() > 2 && !fields.at(2).isEmpty())
        m_blank = fields.at(2).at(0);

    // The separator the date fields show, so that their text fits the mask.
    const QChar dateSeparator = separatorOf(FieldText::shortDateFormat(locale), u'/');
    const QChar timeSeparator = separatorOf(locale.timeFormat(QLocale::ShortFormat), u':');
    auto addLiteral = [this](QChar c) {
        if (QtMetaCharacters.contains(c))
            m_qtMask += u'\\';
        m_qtMask += c;
        m_positions.append({ true, false });
    };
    auto addInput = [this](QChar qt, bool required) {
        m_qtMask += qt;
        m_positions.append({ false, required });
    };

    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        const auto input = std::find_if(
            std::begin(InputChars), std::end(InputChars), [c](const InputChar& ic) { return ic.ours == c.unicode(); });
        if (input != std::end(InputChars)) {
            addInput(QChar(input->qt), input->required);
            continue;
        }
        switch (c.unicode()) {
        case u'!':
            m_leadingBlanks = true;
            break;
        case u'>':
            m_qtMask += u'>';
            break;
        case u'<':
            if (i + 1 < body.size() && body.at(i + 1) == u'>') {
                m_qtMask += u'!';
                ++i;
            } else {
                m_qtMask += u'<';
            }
            break;
        case u'\\':
            if (i + 1 < body.size())
                addLiteral(body.at(++i));
            break;
        case u'/':
            addLiteral(dateSeparator);
            break;
        case u':':
            addLiteral(timeSeparator);
            break;
        case u'_':
            addLiteral(u' ');
            break;
        default:
            addLiteral(c);
            break;
        }
    }
    m_qtMask += u';';
    m_qtMask += m_blank;
}

bool TEditMask::isBlank(const QString& shown) const
{
    for (qsizetype i = 0; i < m_positions.size() && i < shown.size(); ++i)
        if (!m_positions.at(i).literal && shown.at(i) != m_blank && shown.at(i) != u' ')
            return false;
    return true;
}

bool TEditMask::isComplete(const QString& shown) const
{
    for (qsizetype i = 0; i < m_positions.size(); ++i) {
        if (!m_positions.at(i).required)
            continue;
        if (i >= shown.size() || shown.at(i) == m_blank || shown.at(i) == u' ')
            return false;
    }
    return true;
}

QString TEditMask::fieldText(const QString& shown) const
{
    QString out;
    QString group;
    auto flush = [&] {
        if (m_leadingBlanks) {
            // Stable: the typed characters keep their order behind the blanks.
            QString filled;
            for (const QChar c : group)
                if (c != u' ')
                    filled += c;
            group = QString(group.size() - filled.size(), u' ') + filled;
        }
        out += group;
        group.clear();
    };
    for (qsizetype i = 0; i < m_positions.size(); ++i) {
        const QChar c = i < shown.size() ? shown.at(i) : m_blank;
        if (m_positions.at(i).literal) {
            flush();
            if (m_saveLiterals)
                out += c;
        } else {
            group += c == m_blank ? QChar(u' ') : c;
        }
    }
    flush();
    return out;
}
