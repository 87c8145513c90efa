#pragma once

#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "ui/TDBGrid.h"
#include "ui/TfMain.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

// The controls of the main window most cases use.
inline TDBGrid* dbGrid()
{
    return control<TDBGrid>(fMain, "DBGrid");
}

inline QLineEdit* findBox()
{
    return control<QLineEdit>(fMain, "edFind");
}

// The program started afresh for a case, its main window active and the grid focused.
class MainWindowTest : public QObject
{
protected:
    std::unique_ptr<AppFixture> m_app;

    void start(AppFixture::Options options = {})
    {
        m_app = std::make_unique<AppFixture>(std::move(options));
        QVERIFY(QTest::qWaitForWindowActive(fMain));
        dbGrid()->setFocus();
    }
};
