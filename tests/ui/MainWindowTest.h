#pragma once

#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "ui/controls/TDBGrid.h"
#include "ui/windows/TfMain.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

// The program started afresh for a case, its main window active and the grid focused.
class MainWindowTest : public QObject
{
protected:
    std::unique_ptr<AppFixture> m_app;

    // The controls of the main window most cases use.
    TDBGrid* dbGrid() const { return control<TDBGrid>(m_app->fMain(), "DBGrid"); }
    QLineEdit* findBox() const { return control<QLineEdit>(m_app->fMain(), "edFind"); }

    void start(AppFixture::Options options = {})
    {
        m_app = std::make_unique<AppFixture>(std::move(options));
        QVERIFY(QTest::qWaitForWindowActive(m_app->fMain()));
        dbGrid()->setFocus();
    }
};
