#include "ui/controls/OneLineBox.h"

#include <QLineEdit>

#include <algorithm>
#include <utility>

void OneLineBox::install(QLineEdit* box)
{
    new OneLineBox(box);
}

OneLineBox::OneLineBox(QLineEdit* box)
    : QObject(box)
    , m_box(box)
    , m_current(box->text())
{
    // textChanged comes before textEdited, so the text before an edit is kept here.
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_previous = std::exchange(m_current, text);
    });
    connect(box, &QLineEdit::textEdited, this, &OneLineBox::edited);
}

void OneLineBox::edited()
{
    // A masked box takes no line break at all.
    const QString text = m_box->text();
    if (!m_box->inputMask().isEmpty() || (!text.contains(u'\n') && !text.contains(u'\r')))
        return;
    // An insertion ends at the cursor; what follows it is the old text's end.
    const qsizetype end = std::min<qsizetype>(m_box->cursorPosition(), text.size());
    const qsizetype kept = text.size() - end;
    qsizetype start = 0;
    const qsizetype limit = std::clamp<qsizetype>(m_previous.size() - kept, 0, end);
    while (start < limit && text[start] == m_previous[start])
        ++start;
    const QStringView inserted = QStringView(text).mid(start, end - start);
    qsizetype lineBreak = inserted.indexOf(u'\n');
    const qsizetype carriageReturn = inserted.indexOf(u'\r');
    if (carriageReturn >= 0 && (lineBreak < 0 || carriageReturn < lineBreak))
        lineBreak = carriageReturn;
    if (lineBreak < 0)
        return;
    m_box->setText(text.left(start + lineBreak) + text.mid(end));
    m_box->setCursorPosition(int(start + lineBreak));
}
