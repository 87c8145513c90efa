#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TfStart;
}

// The splash window shown while the program opens its windows and tickets.
class TfStart : public QWidget
{
    Q_OBJECT

public:
    explicit TfStart(QWidget* parent = nullptr);
    ~TfStart() override;

private:
    std::unique_ptr<Ui::TfStart> m_ui; // the controls, by their object names
};
