#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// A box for numbers that takes the top row of a Czech keyboard as digits
// (see TopRow): typed keys only, so a pasted text stays as it is.
class TopRowDigits : public QObject
{
public:
    // Watches `box` for as long as it lives.
    static void install(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TopRowDigits(QLineEdit* box);

    QLineEdit* m_box;
};
