#pragma once

#include <QLocale>
#include <QString>

// A field's edit mask in the notation the ticket table uses ("!99/99/0099;"):
// "0" a required digit, "9" an optional digit, "#" an optional digit or sign,
// "L"/"l" a letter, "A"/"a" a letter or digit, "C"/"c" any character (upper
// case required, lower case optional), "/" and ":" the locale's date and time
// separators, "\" takes the next character literally, ">"/"<" upper/lower
// case, "!" hands optional positions left empty over as leading blanks. After
// the mask come ";" and two optional fields: "0" drops the literals from the
// handed-over text, and the blank character (default "_").
class TEditMask
{
public:
    explicit TEditMask(const QString& mask, const QLocale& locale = QLocale());

    bool isEmpty() const { return m_qtMask.isEmpty(); }

    // The same mask as a QLineEdit input mask (whose "9" and "0" mean the
    // opposite of ours), with the blank character after ";".
    const QString& inputMask() const { return m_qtMask; }
    QChar blank() const { return m_blank; }

    // True when the text as the box shows it (one character per position,
    // blanks included) holds no input at all.
    bool isBlank(const QString& shown) const;
    // True when every required position of the shown text is filled.
    bool isComplete(const QString& shown) const;
    // The text handed over to the field: blanks become spaces, moved to the
    // front of their group under "!", literals kept unless the mask drops them.
    QString fieldText(const QString& shown) const;

private:
    struct Position
    {
        bool literal;
        bool required;
    };

    QString m_qtMask;
    QChar m_blank = u'_';
    bool m_leadingBlanks = false;
    bool m_saveLiterals = true;
    QList<Position> m_positions;
};
