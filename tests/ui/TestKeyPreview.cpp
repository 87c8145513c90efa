#include "tests/support/TestRegistry.h"
#include "ui/shell/KeyPreview.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>

namespace {

// A dialog that sees keys before its box, as the editor and the setup window
// do, and whose F7 moves the focus away as the print progress window does.
class PreviewDialog : public QDialog
{
public:
    PreviewDialog()
    {
        box->setFocus();
        installEventFilter(this);
        box->installEventFilter(this);
    }

    QLineEdit* box = new QLineEdit(this);
    int actions = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_preview.takes(watched, event) && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F7) {
            ++actions;
            box->clearFocus();
        }
        return QDialog::eventFilter(watched, event);
    }

private:
    KeyPreview m_preview { this };
};

} // namespace

class TestKeyPreview : public QObject
{
    Q_OBJECT

private slots:
    void oncePerPressWhileFocusMoves();
};

void TestKeyPreview::oncePerPressWhileFocusMoves()
{
    PreviewDialog dialog;
    dialog.show();
    // The box ignores F7, so the same press travels on to the dialog after
    // the focus has left the box: still one action.
    QTest::keyClick(dialog.box, Qt::Key_F7);
    QCOMPARE(dialog.actions, 1);
    QTest::keyClick(&dialog, Qt::Key_F7);
    QCOMPARE(dialog.actions, 2);
    // Keys the preview passes on still reach the box.
    dialog.box->setFocus();
    QTest::keyClicks(dialog.box, QStringLiteral("ab"));
    QCOMPARE(dialog.box->text(), QStringLiteral("ab"));
}

TRELOMAR_TEST(TestKeyPreview)

#include "TestKeyPreview.moc"
