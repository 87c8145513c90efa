#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// A one-line box takes pasted or dropped text up to its first line break, as
// a one-line edit box of the earlier platform does: a break kept in a field
// would split the grid's row and the printed line. A text already holding a
// break (stored by another program) is shown and kept as it is.
class OneLineBox : public QObject
{
    Q_OBJECT

public:
    // Watches `box` for as long as it lives.
    static void install(QLineEdit* box);

private:
    explicit OneLineBox(QLineEdit* box);
    void edited();

    QLineEdit* m_box;
    QString m_previous; // the text before the latest change
    QString m_current;
};
