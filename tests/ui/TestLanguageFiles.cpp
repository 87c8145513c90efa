// The shipped language files applied to the real windows: Czech gives back
// every design text, English replaces them, and switching back restores them.
#include "lang/LangFile.h"
#include "printout/TfPrint.h"
#include "printout/report/Report.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"
#include "ui/windows/TfSetup.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QTableView>
#include <QTest>

namespace {

QString shipped(const char* name)
{
    return qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/") + QLatin1String(name);
}

// Every text a language file can reach on the three long-lived windows, by object name.
QMap<QString, QString> visibleTexts(const AppFixture& app)
{
    QMap<QString, QString> texts;
    for (QWidget* window : {static_cast<QWidget*>(app.fMain()), static_cast<QWidget*>(app.fSetup()), static_cast<QWidget*>(app.fOpravenka())}) {
        for (const QLabel* label : window->findChildren<QLabel*>())
            texts[window->objectName() + '.' + label->objectName()] = label->text();
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            texts[window->objectName() + '.' + button->objectName() + ".text"] = button->text();
        for (const QWidget* widget : window->findChildren<QWidget*>())
            if (!widget->toolTip().isEmpty())
                texts[window->objectName() + '.' + widget->objectName() + ".tip"] = widget->toolTip();
        for (const QAction* action : window->findChildren<QAction*>())
            texts[window->objectName() + '.' + action->objectName() + ".action"] = action->text();
        for (const QMenu* menu : window->findChildren<QMenu*>())
            texts[window->objectName() + '.' + menu->objectName() + ".menu"] = menu->title();
    }
    texts["fSetup.title"] = app.fSetup()->windowTitle();
    const auto* grid = app.fMain()->findChild<QTableView*>(QStringLiteral("DBGrid"));
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        texts[QStringLiteral("DBGrid.%1").arg(column)] = grid->model()->headerData(column, Qt::Horizontal).toString();
    return texts;
}

AppFixture::Options withoutLanguage()
{
    AppFixture::Options options;
    options.defaultLanguage = false;
    return options;
}

} // namespace

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private slots:
    void czechFileKeepsEveryDesignText()
    {
        AppFixture app(withoutLanguage());
        const QMap<QString, QString> design = visibleTexts(app);
        const QPoint designFind = control<QLineEdit>(app.fMain(), "edFind")->pos();

        app.fMain()->ApplyLang(shipped("cs.lng"));
        QCOMPARE(app.fMain()->LangName(), QString::fromUtf8("Česky"));
        QCOMPARE(app.fMain()->windowTitle(), QString::fromUtf8("Trelomář ver. 1.5"));
        QCOMPARE(app.fMain()->MainTexts().size(), 23);
        QCOMPARE(app.fMain()->EditTexts().size(), 18);
        QCOMPARE(app.fMain()->SettingsTexts().size(), 15);
        QCOMPARE(app.fMain()->PrintTexts().size(), 18);
        QVERIFY(!app.fMain()->NewTitle().isEmpty());
        QVERIFY(!app.fMain()->EditTitle().isEmpty());

        const QMap<QString, QString> czech = visibleTexts(app);
        for (auto it = design.cbegin(); it != design.cend(); ++it)
            QVERIFY2(czech.value(it.key()) == it.value(),
                qPrintable(QStringLiteral("%1: '%2' became '%3'").arg(it.key(), it.value(), czech.value(it.key()))));
        // Only the search box moves: 10 pixels right of the label, as after any language.
        const QLabel* lbFind = control<QLabel>(app.fMain(), "lbFind");
        QCOMPARE(control<QLineEdit>(app.fMain(), "edFind")->x(), lbFind->x() + lbFind->width() + 10);
        QCOMPARE(control<QLineEdit>(app.fMain(), "edFind")->y(), designFind.y());

        // The printed ticket too reads as designed.
        const TfPrint designPrint;
        const auto czechPrint
            = TfPrint::Prepare({}, app.fMain()->PathTisk(), app.fMain()->PathFirma(), app.fMain()->PrintTexts(), app.fMain()->LangName());
        const auto printLabels = czechPrint->report().findChildren<ReportLabel*>();
        QVERIFY(printLabels.size() >= 36);
        for (const ReportLabel* label : printLabels)
            QCOMPARE(label->text(), designPrint.report().findChild<ReportLabel*>(label->objectName())->text());
    }

    void englishReplacesTextsAndCzechBringsThemBack()
    {
        AppFixture app(withoutLanguage());
        const QMap<QString, QString> design = visibleTexts(app);
        const LangFile english = readLangFile(shipped("en.lng"));

        app.fMain()->ApplyLang(shipped("en.lng"));
        QCOMPARE(app.fMain()->windowTitle(), QStringLiteral("Trelomar ver. 1.5"));
        QCOMPARE(control<QLabel>(app.fMain(), "lbFind")->text(), english.main[6]);
        QCOMPARE(app.fSetup()->windowTitle(), english.settings[6]);
        QCOMPARE(app.fMain()->NewTitle(), english.edit[16]);
        const QMap<QString, QString> translated = visibleTexts(app);
        int changed = 0;
        for (auto it = design.cbegin(); it != design.cend(); ++it)
            changed += translated.value(it.key()) != it.value();
        // Everything but texts that read the same in both languages (IMEI, for one).
        QVERIFY2(changed >= 40, qPrintable(QString::number(changed)));

        app.fMain()->ApplyLang(shipped("cs.lng"));
        app.fMain()->ApplyLang(shipped("cs.lng"));
        QCOMPARE(visibleTexts(app), design);
    }
};

TRELOMAR_TEST(TestLanguageFiles)
#include "TestLanguageFiles.moc"
