// The status and handover windows, the remembered name and the warranty days.

#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/ModalWatch.h"
#include "tests/ui/SetupWindowTest.h"

#include "base/ErrorHandler.h"
#include "datamodule/TDM.h"
#include "session/Session.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "ui/windows/TfHandover.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfStatus.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTimeZone>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

namespace {

TBookmark addTicket(const AppFixture& app, int cislo, const QString& jmeno, const QString& price = "1234,50")
{
    TDM* dm = app.DM();
    dm->ADOTable->Append();
    dm->ADOTablecislo->setAsInteger(cislo);
    dm->ADOTablejmeno->setAsString(jmeno);
    dm->ADOTabletelefon->setAsString("Nokia 3310");
    dm->ADOTableIMEI->setAsString("351234567890123");
    if (!price.isEmpty())
        dm->ADOTablecena->setEditText(price);
    dm->ADOTable->Post();
    return dm->ADOTable->GetBookmark();
}

// Runs a statement on the ticket file as another program would.
void sql(const QString& file, const QString& statement)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

QString localText(const QString& utc)
{
    return QDateTime::fromString(utc, Qt::ISODate).toLocalTime().toString("dd.MM.yyyy HH:mm");
}

// Opens a window on the current ticket with `steps` run once it is active;
// whatever it raises is recorded like an error box.
template <class Window>
QStringList open(const AppFixture& app, std::function<void(QWidget*)> steps = ModalWatch::reject)
{
    ModalWatch watch([&](QWidget* modal) {
        QVERIFY(QTest::qWaitForWindowActive(modal));
        steps(modal);
    });
    Window window(app.session().workspace(), app.DM(), app.fMain());
    guarded([&] { window.showForCurrent(); });
    return watch.seen;
}

} // namespace

class TestStatusWindows : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void historyNewestFirst();
    void f2StoresOnlyAChange_data();
    void f2StoresOnlyAChange();
    void storeFailureKeepsWhatWasTyped();
    void handoverRecordsTheAmount_data();
    void handoverRecordsTheAmount();
    void f7RecordsNothing();
    void warrantyDays_data();
    void warrantyDays();
    void warrantyFieldCoversNothing();
};

void TestStatusWindows::refusals_data()
{
    QTest::addColumn<bool>("handover");
    QTest::addColumn<QString>("condition");
    for (const bool handover : { false, true }) {
        const char* window = handover ? "handover, " : "status, ";
        for (const char* condition : { "no data module", "closed", "no row", "edited", "new", "statuses off" })
            QTest::addRow("%s%s", window, condition) << handover << condition;
    }
    QTest::newRow("handover, handed over") << true << "handed over";
}

void TestStatusWindows::refusals()
{
    QFETCH(bool, handover);
    QFETCH(QString, condition);
    AppFixture::Options options;
    if (condition == "statuses off") {
        // A newer store whose history lacks a column this program writes.
        options.beforeStart = [](const QString& dir) {
            const QString file = dir + "/data/data.mdb";
            sql(file, "DROP TABLE historie_stavu");
            sql(file, "CREATE TABLE historie_stavu (id INTEGER PRIMARY KEY, opravenka INTEGER, cas TEXT, stav TEXT)");
            sql(file, "PRAGMA user_version = 7");
        };
    }
    AppFixture app(options);
    app.errors.messages.clear();
    const ExtraTexts& texts = app.session().workspace().Extra;
    TicketStore* table = app.DM()->ADOTable;
    if (condition != "no row")
        addTicket(app, 7, "Novák");
    QString expected;
    if (condition == "no data module" || condition == "closed") {
        table->Close();
        expected = texts.text(ExtraText::NoTable);
    } else if (condition == "no row") {
        expected = texts.text(ExtraText::NoTicket);
    } else if (condition == "edited" || condition == "new") {
        condition == "edited" ? table->Edit() : table->Append();
        expected = texts.text(ExtraText::TicketPending);
    } else if (condition == "statuses off") {
        QVERIFY(!table->statusOn());
        expected = texts.text(ExtraText::StatusOff).arg(table->statusOffReason());
    } else {
        sql(app.path("data/data.mdb"),
            QString("INSERT INTO historie_stavu (opravenka, cas, stav) VALUES (%1, '2024-03-05T14:07:00Z', 'vydano')")
                .arg(table->GetBookmark()));
        expected = texts.text(ExtraText::HandedOver).arg("7", localText("2024-03-05T14:07:00Z"));
    }

    const QStringList seen = [&] {
        if (condition != "no data module")
            return handover ? open<TfHandover>(app) : open<TfStatus>(app);
        ModalWatch watch;
        TfStatus window(app.session().workspace(), nullptr, app.fMain());
        guarded([&] { window.showForCurrent(); });
        return watch.seen;
    }();
    QCOMPARE(seen, QStringList());
    QCOMPARE(app.errors.messages, QStringList { ErrorHandler::formatMessage(expected) });
}

void TestStatusWindows::historyNewestFirst()
{
    AppFixture app({ .beforeStart
        = [](const QString& dir) { AppFixture::writeFile(dir + "/trelomar.ini", "[Status]\r\nWho=Jana Malá\r\n"); } });
    const TBookmark id = addTicket(app, 12, "Dvořák");
    sql(app.path("data/data.mdb"),
        QString("INSERT INTO historie_stavu (opravenka, cas, stav, poznamka, technik) VALUES "
                "(%1, '2024-03-05T14:07:00Z', 'ceka_na_dil', 'displej objednán', 'Petr'),"
                "(%1, '2024-03-06T08:30:00Z', 'u_kolegy', 'z jiné pobočky', 'Eva')")
            .arg(id));
    open<TfStatus>(app, [&](QWidget* modal) {
        QCOMPARE(control<QLabel>(modal, "lbHeader")->text(), QStringLiteral("Opravenka 12: Dvořák, Nokia 3310"));
        auto* list = control<QTreeWidget>(modal, "lvHistory");
        QCOMPARE(list->topLevelItemCount(), 3);
        const QStringList newest = { localText("2024-03-06T08:30:00Z"), "u_kolegy", "z jiné pobočky", "Eva" };
        const QStringList second = { localText("2024-03-05T14:07:00Z"), "Čeká na díl", "displej objednán", "Petr" };
        for (const auto& [row, texts] : { std::pair { 0, newest }, std::pair { 1, second } })
            for (int column = 0; column < 4; ++column)
                QCOMPARE(list->topLevelItem(row)->text(column), texts[column]);
        QCOMPARE(list->topLevelItem(2)->text(1), QStringLiteral("Přijato"));
        // An unknown current status chooses none of the seven.
        QCOMPARE(control<QComboBox>(modal, "cbStatus")->count(), 7);
        QCOMPARE(control<QComboBox>(modal, "cbStatus")->currentIndex(), -1);
        QCOMPARE(control<QLineEdit>(modal, "edWho")->text(), QStringLiteral("Jana Malá"));
        ModalWatch::reject(modal);
    });
    QVERIFY(app.errors.messages.isEmpty());
}

void TestStatusWindows::f2StoresOnlyAChange_data()
{
    QTest::addColumn<int>("status"); // cbStatus's index, -1 as opened
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("stored"); // the new row's code; empty for none
    QTest::newRow("nothing changed") << -1 << "" << int(Qt::Key_F2) << QByteArray();
    QTest::newRow("blank note") << -1 << "   " << int(Qt::Key_F2) << QByteArray();
    QTest::newRow("status") << 3 << "" << int(Qt::Key_F2) << QByteArray("ceka_na_zakaznika");
    QTest::newRow("note only") << -1 << "volat po 16h" << int(Qt::Key_F2) << QByteArray("prijato");
    QTest::newRow("Esc after changes") << 4 << "hotovo" << int(Qt::Key_Escape) << QByteArray();
}

void TestStatusWindows::f2StoresOnlyAChange()
{
    QFETCH(int, status);
    QFETCH(QString, note);
    QFETCH(int, key);
    QFETCH(QByteArray, stored);
    AppFixture app;
    const TBookmark id = addTicket(app, 3, "Svoboda");
    open<TfStatus>(app, [&](QWidget* modal) {
        QCOMPARE(control<QComboBox>(modal, "cbStatus")->currentIndex(), 0); // Přijato, as stored with the ticket
        if (status >= 0)
            control<QComboBox>(modal, "cbStatus")->setCurrentIndex(status);
        QTest::keyClicks(control<QLineEdit>(modal, "edNote"), note);
        control<QLineEdit>(modal, "edWho")->setText("Karel");
        QTest::keyClick(control<QLineEdit>(modal, "edNote"), Qt::Key(key));
        QVERIFY(!modal->isVisible());
    });
    const std::vector<StatusEntry> history = app.DM()->ADOTable->statusHistory(id);
    QCOMPARE(int(history.size()), stored.isEmpty() ? 1 : 2);
    QVERIFY(app.errors.messages.isEmpty());
    if (stored.isEmpty()) {
        QCOMPARE(app.session().workspace().LastWho, QString());
        return;
    }
    QCOMPARE(history.front().code, stored);
    QCOMPARE(history.front().note, note);
    QCOMPARE(history.front().who, QStringLiteral("Karel"));
    QCOMPARE(app.session().workspace().LastWho, QStringLiteral("Karel"));
    // Kept at once, not only when the program closes.
    QVERIFY(contents(app.path("trelomar.ini")).contains("[Status]\r\nWho=Karel"));
}

void TestStatusWindows::storeFailureKeepsWhatWasTyped()
{
    AppFixture app;
    const TBookmark id = addTicket(app, 4, "Černý");
    bool stillOpen = false;
    open<TfStatus>(app, [&](QWidget* modal) {
        // Another counter deletes the ticket meanwhile.
        sql(app.path("data/data.mdb"), QString("DELETE FROM opravenky WHERE id = %1").arg(id));
        control<QComboBox>(modal, "cbStatus")->setCurrentIndex(1);
        QTest::keyClicks(control<QLineEdit>(modal, "edNote"), "nova baterie");
        QTest::keyClick(control<QLineEdit>(modal, "edNote"), Qt::Key_F2);
        stillOpen = modal->isVisible();
        QCOMPARE(control<QLineEdit>(modal, "edNote")->text(), QStringLiteral("nova baterie"));
        QCOMPARE(control<QComboBox>(modal, "cbStatus")->currentIndex(), 1);
        ModalWatch::reject(modal);
    });
    QVERIFY(stillOpen);
    QCOMPARE(app.errors.messages.size(), 1);
    QCOMPARE(app.session().workspace().LastWho, QString());
}

void TestStatusWindows::handoverRecordsTheAmount_data()
{
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("typed"); // replaces the box's text; "<as opened>" keeps it
    QTest::addColumn<qint64>("amount"); // -1: refused
    QTest::newRow("the price") << "1234,50" << "<as opened>" << qint64(12345000);
    QTest::newRow("typed with a comma") << "1234,50" << "999,9" << qint64(9999000);
    QTest::newRow("typed with the currency") << "" << "1 500 Kč" << qint64(15000000);
    QTest::newRow("nothing paid") << "1234,50" << "0" << qint64(0);
    QTest::newRow("no price, nothing typed") << "" << "<as opened>" << qint64(-1);
    QTest::newRow("letters") << "1234,50" << "12,3x" << qint64(-1);
    QTest::newRow("negative") << "1234,50" << "-5" << qint64(-1);
}

void TestStatusWindows::handoverRecordsTheAmount()
{
    QFETCH(QString, price);
    QFETCH(QString, typed);
    QFETCH(qint64, amount);
    AppFixture app;
    const TBookmark id = addTicket(app, 9, "Procházka", price);
    bool closed = false;
    QString opened;
    open<TfHandover>(app, [&](QWidget* modal) {
        QCOMPARE(control<QLineEdit>(modal, "edCena")->text(), app.DM()->ADOTablecena->DisplayText());
        QCOMPARE(control<QLineEdit>(modal, "edIMEI")->text(), QStringLiteral("351234567890123"));
        auto* box = control<QLineEdit>(modal, "edAmount");
        opened = box->text();
        if (typed != "<as opened>")
            box->setText(typed);
        control<QLineEdit>(modal, "edWho")->setText("Eva");
        QTest::keyClick(box, Qt::Key_F2);
        closed = !modal->isVisible();
        if (!closed)
            ModalWatch::reject(modal);
    });
    QCOMPARE(opened, price.isEmpty() ? QString() : price);
    QCOMPARE(closed, amount >= 0);
    const std::vector<StatusEntry> history = app.DM()->ADOTable->statusHistory(id);
    if (amount < 0) {
        QCOMPARE(int(history.size()), 1);
        const ExtraTexts& texts = app.session().workspace().Extra;
        QCOMPARE(app.errors.messages,
            QStringList { ErrorHandler::formatMessage(
                texts.text(ExtraText::BadAmount).arg(typed == "<as opened>" ? QString() : typed)) });
        return;
    }
    QVERIFY(app.errors.messages.isEmpty());
    QCOMPARE(history.front().code, QByteArray("vydano"));
    QCOMPARE(history.front().amount, std::optional<qint64>(amount));
    QCOMPARE(history.front().who, QStringLiteral("Eva"));
    QCOMPARE(app.DM()->ADOTable->statusOf(id), TicketStatus::Status::Vydano);
}

void TestStatusWindows::f7RecordsNothing()
{
    // Only where nothing real comes out: no printer, or the tests' PDF printer.
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && !printer.printerName().contains("PDF", Qt::CaseInsensitive))
        QSKIP("the default printer is a real one");
    AppFixture app;
    const TBookmark id = addTicket(app, 5, "Malý");
    bool stillOpen = false;
    open<TfHandover>(app, [&](QWidget* modal) {
        QTest::keyClick(control<QLineEdit>(modal, "edAmount"), Qt::Key_F7);
        stillOpen = modal->isVisible();
        ModalWatch::reject(modal);
    });
    QVERIFY(stillOpen);
    QCOMPARE(app.DM()->ADOTable->statusHistory(id).size(), std::size_t(1));
    const QStringList expected = printer.isNull()
        ? QStringList { ErrorHandler::formatMessage(app.session().workspace().Extra.text(ExtraText::NoPrinter)) }
        : QStringList();
    QCOMPARE(app.errors.messages, expected);
}

void TestStatusWindows::warrantyDays_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("read");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("saved");
    QTest::newRow("none kept") << QByteArray() << 90 << "45" << 45;
    QTest::newRow("kept") << QByteArray("[Handover]\r\nWarrantyDays=30\r\n") << 30 << " 24" << 24;
    QTest::newRow("negative kept") << QByteArray("[Handover]\r\nWarrantyDays=-3\r\n") << 90 << "0" << 0;
    QTest::newRow("letters typed") << QByteArray("[Handover]\r\nWarrantyDays=30\r\n") << 30 << "abc" << 90;
    QTest::newRow("negative typed") << QByteArray() << 90 << "-4" << 90;
    QTest::newRow("nothing typed") << QByteArray() << 90 << "" << 90;
}

void TestStatusWindows::warrantyDays()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, typed);
    QFETCH(int, saved);
    AppFixture app({ .beforeStart = [&](const QString& folder) {
        if (!ini.isEmpty())
            AppFixture::writeFile(folder + "/trelomar.ini", ini);
    } });
    QTEST(app.session().workspace().WarrantyDays, "read");
    showSetup(app);
    auto* box = control<QLineEdit>(app.fSetup(), "edZaruka");
    QCOMPARE(box->text(), QString::number(app.session().workspace().WarrantyDays));
    box->setText(typed);
    QTest::mouseClick(control<QToolButton>(app.fSetup(), "spbtSave"), Qt::LeftButton);
    QCOMPARE(app.session().workspace().WarrantyDays, saved);
    app.stop();
    QVERIFY(contents(app.path("trelomar.ini")).contains("[Handover]\r\nWarrantyDays=" + QByteArray::number(saved)));
}

void TestStatusWindows::warrantyFieldCoversNothing()
{
    AppFixture app;
    showSetup(app);
    for (const QSize size : { QSize(547, 346), QSize(747, 446) }) {
        app.fSetup()->resize(size);
        const QRect added = control<QLabel>(app.fSetup(), "lbZaruka")
                                ->geometry()
                                .united(control<QLineEdit>(app.fSetup(), "edZaruka")->geometry());
        QVERIFY(app.fSetup()->rect().contains(added));
        for (const char* name : { "spbtTisk", "spbtSave", "memEdit", "lbJazyk", "comboLang" })
            QVERIFY2(!control<QWidget>(app.fSetup(), name)->geometry().intersects(added), name);
    }
    app.fSetup()->done(QDialog::Rejected);
}

TRELOMAR_TEST(TestStatusWindows)

#include "TestStatusWindows.moc"
