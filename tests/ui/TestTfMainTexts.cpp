#include "base/AppError.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/MainWindowTest.h"
#include "tests/ui/ModalWatch.h"
#include "ui/controls/TicketGridModel.h"
#include "ui/windows/THelpWindow.h"
#include "ui/windows/TfDelete.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolButton>

namespace {

QByteArray langFile(const QString& name, const QStringList& main)
{
    QStringList lines { QStringLiteral("; test file"), QStringLiteral("<name>"), name, QStringLiteral("<main>") };
    lines += main;
    lines << QStringLiteral("</main>");
    return lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

QStringList mainSection(const QString& findLabel)
{
    QStringList texts;
    for (int i = 0; i < 23; ++i)
        texts << QStringLiteral("M%1").arg(i);
    texts[6] = findLabel;
    return texts;
}

} // namespace

// The main window's texts: the language file's sections, the dialogs that
// take the settings' texts, the about box and the help.
class TestTfMainTexts : public MainWindowTest
{
    Q_OBJECT

private slots:
    void cleanup() { m_app.reset(); }

    void dialogsTakeTheSettingsTexts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("deleteTitle");
        QTest::addColumn<QString>("aboutTitle");
        QTest::newRow("six entries") << 6 << "S2"
                                     << "S0";
        QTest::newRow("two entries") << 2 << "Smazání záznamu"
                                     << "S0";
        QTest::newRow("one entry") << 1 << "Smazání záznamu"
                                   << "O programu ...";
    }

    void dialogsTakeTheSettingsTexts()
    {
        QFETCH(int, count);
        start();
        m_app->fMain()->SettingsTexts().clear();
        for (int i = 0; i < count; ++i)
            m_app->fMain()->SettingsTexts() << QStringLiteral("S%1").arg(i);

        QStringList seen;
        ModalWatch watch([&](QWidget* modal) {
            QVERIFY(QTest::qWaitForWindowActive(modal));
            seen << modal->windowTitle();
            for (auto* button : modal->findChildren<QPushButton*>())
                seen << button->text();
            if (auto* dialog = qobject_cast<TfDelete*>(modal))
                seen << control<QLabel>(dialog, "lbText1")->text()
                     << QString::number(control<QLabel>(dialog, "lbText1")->geometry().right() + 1);
            ModalWatch::reject(modal);
        });
        control<QAction>(m_app->fMain(), "actDelete")->trigger();
        control<QAction>(m_app->fMain(), "actAbout")->trigger();
        QFETCH(QString, deleteTitle);
        QFETCH(QString, aboutTitle);
        const bool translated = count >= 6;
        const QStringList expected { deleteTitle, translated ? "S4" : "&ANO - Enter", translated ? "S5" : "&NE - ESC",
            translated ? "S3" : "Opravdu chcete smazat opravenku", "241", aboutTitle, count >= 2 ? "S1" : "Rozumím" };
        QCOMPARE(seen, expected);
    }

    void aboutBoxClosesOnAnyKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Shift") << int(Qt::Key_Shift);
        QTest::newRow("arrow") << int(Qt::Key_Left);
        QTest::newRow("letter") << int(Qt::Key_Q);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void aboutBoxClosesOnAnyKey()
    {
        QFETCH(int, key);
        start();
        QStringList lines;
        ModalWatch watch([&](QWidget* modal) {
            lines = modal->findChild<QTextEdit*>("memInfo")->toPlainText().split(QLatin1Char('\n'));
            QTest::keyClick(modal, Qt::Key(key));
        });
        QTest::keyClick(dbGrid(), Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(watch.seen, QStringList { "fAbout" }); // closed by the key, not by the watch
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[6], QStringLiteral("Pokud můžete, zašlete mi informaci o firmě, která "));
        QCOMPARE(lines[10], QString());
    }

    void helpOpensAtItsContextOrSaysWhyNot()
    {
        start();
        QTest::keyClick(dbGrid(), Qt::Key_F1);
        QCOMPARE(m_app->errors.messages,
            QStringList { QStringLiteral("Cannot open file %1.").arg(QDir::toNativeSeparators(m_app->path("trelomar.hlp"))) });
        QVERIFY(!m_app->fMain()->helpWindow() || !m_app->fMain()->helpWindow()->isVisible());

        AppFixture::writeFile(m_app->path("trelomar.hlp"),
            "<html><body><p>Start</p><a name=\"100\"></a><h1>Kontext sto</h1></body></html>");
        QTest::keyClick(findBox(), Qt::Key_F1);
        THelpWindow* help = m_app->fMain()->helpWindow();
        QVERIFY(help && help->isVisible());
        QCOMPARE(control<QTextBrowser>(help, "HelpBrowser")->source().fragment(), QStringLiteral("100"));
        QVERIFY(control<QTextBrowser>(help, "HelpBrowser")->toPlainText().contains("Kontext sto"));
        QTest::keyClick(dbGrid(), Qt::Key_F1);
        QCOMPARE(m_app->fMain()->helpWindow(), help); // one window, reused
        QCOMPARE(m_app->errors.messages.size(), 1);
    }

    void unreadableTownListStillAppliesTheLanguage()
    {
        AppFixture::Options options;
        options.beforeStart = [](const QString& dir) { QDir(dir).mkpath("data/mesta.txt"); };
        start(options);
        QCOMPARE(m_app->errors.messages,
            QStringList { QStringLiteral("Cannot open file %1.").arg(QDir::toNativeSeparators(m_app->path("data/mesta.txt"))) });
        QCOMPARE(m_app->fMain()->windowTitle(), QStringLiteral("Trelomář ver. 1.5"));
    }

    void loadComboReplacesItemsAndKeepsText()
    {
        AppFixture::Options options;
        options.beforeStart = [](const QString& dir) {
            AppFixture::writeFile(dir + "/data/mesta.txt", "Praha\r\n\r\nBrno\r\nPraha\r\n");
            AppFixture::writeFile(dir + "/data/mobil.txt", "Nokia 3310\n");
        };
        start(options);
        QComboBox* mesto = control<QComboBox>(m_app->fOpravenka(), "dbcomboMesto");
        QComboBox* mobil = control<QComboBox>(m_app->fOpravenka(), "dbcomboMobil");
        QCOMPARE(mesto->count(), 4);
        QCOMPARE(mesto->itemText(2), QStringLiteral("Brno"));
        QCOMPARE(mobil->count(), 1);

        // The device list fails: the towns are already in, the devices stay.
        AppFixture::writeFile(m_app->path("data/mesta.txt"), "Ostrava\r\n");
        QFile::remove(m_app->path("data/mobil.txt"));
        QVERIFY_THROWS_EXCEPTION(AppError, m_app->fMain()->LoadCombo());
        QCOMPARE(mesto->count(), 1);
        QCOMPARE(mobil->itemText(0), QStringLiteral("Nokia 3310"));

        // The town list fails: neither list changes.
        QFile::remove(m_app->path("data/mesta.txt"));
        AppFixture::writeFile(m_app->path("data/mobil.txt"), "Siemens\r\nAlcatel\r\n");
        QVERIFY_THROWS_EXCEPTION(AppError, m_app->fMain()->LoadCombo());
        QCOMPARE(mesto->itemText(0), QStringLiteral("Ostrava"));
        QCOMPARE(mobil->count(), 1);
    }

    void applyLangTitle_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("Czech") << "Česky (CZ)"
                               << "Trelomář ver. 1.5";
        QTest::newRow("other") << "English"
                               << "Trelomar ver. 1.5";
    }

    void applyLangTitle()
    {
        QFETCH(QString, name);
        start();
        AppFixture::writeFile(m_app->path("lang/t.lng"), langFile(name, {}));
        m_app->fMain()->ApplyLang(m_app->path("lang/t.lng"));
        QTEST(m_app->fMain()->windowTitle(), "title");
        QCOMPARE(m_app->fMain()->LangName(), name);
        QCOMPARE(m_app->fMain()->MainTexts(), QStringList());
    }

    void applyLangMainTexts_data()
    {
        QTest::addColumn<QString>("findLabel");
        QTest::newRow("design text") << "Hledání podle IMEI";
        QTest::newRow("short") << "IMEI";
        QTest::newRow("long") << "Vyhledávání opravenky podle čísla IMEI";
    }

    void applyLangMainTexts()
    {
        QFETCH(QString, findLabel);
        start();
        AppFixture::writeFile(m_app->path("lang/t.lng"), langFile("Test", mainSection(findLabel)));
        m_app->fMain()->ApplyLang(m_app->path("lang/t.lng"));
        const QLabel* lbFind = control<QLabel>(m_app->fMain(), "lbFind");
        QCOMPARE(lbFind->text(), findLabel);
        QCOMPARE(findBox()->x(), lbFind->x() + lbFind->width() + 10);
        QCOMPARE(lbFind->width(), lbFind->sizeHint().width());
        QCOMPARE(m_app->fMain()->gridModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("M0"));
        QCOMPARE(m_app->fMain()->gridModel()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("M5"));
        QCOMPARE(control<QMenu>(m_app->fMain(), "mmSoubor")->title(), QStringLiteral("M7"));
        QCOMPARE(control<QAction>(m_app->fMain(), "mmNew")->text(), QStringLiteral("M11\tCtrl+Ins"));
        QCOMPARE(control<QAction>(m_app->fMain(), "mmOprog")->text(), QStringLiteral("M16\tCtrl+I"));
        QCOMPARE(control<QToolButton>(m_app->fMain(), "tbNew")->toolTip(), QStringLiteral("M17"));
        QCOMPARE(control<QToolButton>(m_app->fMain(), "tbKonec")->toolTip(), QStringLiteral("M22"));
    }

    void applyLangSkipsShortMainSectionAndKeepsStateOnMissingFile()
    {
        start();
        const int edFindX = findBox()->x();
        QStringList texts = mainSection("X");
        texts.removeLast();
        AppFixture::writeFile(m_app->path("lang/t.lng"), langFile("English", texts));
        m_app->fMain()->ApplyLang(m_app->path("lang/t.lng"));
        QCOMPARE(m_app->fMain()->MainTexts().size(), 22);
        QCOMPARE(m_app->fMain()->windowTitle(), QStringLiteral("Trelomar ver. 1.5"));
        QCOMPARE(control<QLabel>(m_app->fMain(), "lbFind")->text(), QStringLiteral("Hledání podle IMEI"));
        QCOMPARE(findBox()->x(), edFindX);

        QVERIFY_THROWS_EXCEPTION(AppError, m_app->fMain()->ApplyLang(m_app->path("lang/missing.lng")));
        QCOMPARE(m_app->fMain()->MainTexts().size(), 22);
        QCOMPARE(m_app->fMain()->LangName(), QStringLiteral("English"));
    }
};

TRELOMAR_TEST(TestTfMainTexts)
#include "TestTfMainTexts.moc"
