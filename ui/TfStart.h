#pragma once

#include <QWidget>

class QLabel;

// The splash window shown while the program opens its windows and tickets.
class TfStart : public QWidget
{
    Q_OBJECT

public:
    explicit TfStart(QWidget* parent = nullptr);

    QLabel* lbOpr;
    QLabel* lbStart;
    QLabel* imgStart;
};
