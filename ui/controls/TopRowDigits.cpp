#include "ui/controls/TopRowDigits.h"

#include "base/TopRow.h"

#include <QKeyEvent>
#include <QLineEdit>

TopRowDigits::TopRowDigits(QLineEdit* box)
    : QObject(box)
    , m_box(box)
{
    // Keys only: pasted text is kept as it is, as in every other box.
    box->installEventFilter(this);
}

void TopRowDigits::install(QLineEdit* box)
{
    new TopRowDigits(box);
}

bool TopRowDigits::eventFilter(QObject* watched, QEvent* event)
{
    // The digit goes in instead of the letter, so the box never holds the letter even for a moment.
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && text.size() == 1 && TopRow::digitOf(text[0]) != text[0] && !m_box->isReadOnly()) {
            m_box->insert(QString(TopRow::digitOf(text[0])));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
