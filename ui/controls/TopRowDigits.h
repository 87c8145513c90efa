#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// A box for numbers that takes the top row of a Czech keyboard as digits:
// there "+ěščřžýáíé" stand where a US keyboard has 1 to 0, so a barcode
// scanner set to a US layout, or a person typing on the top row without
// Shift, types those letters on a PC set to Czech.
class TopRowDigits : public QObject
{
public:
    // Watches `box` for as long as it lives.
    static void install(QLineEdit* box);

    // The digit a top-row letter stands for, or the character itself.
    static QChar digitOf(QChar c);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TopRowDigits(QLineEdit* box);

    QLineEdit* m_box;
};
