#include "datamodule/TDM.h"
#include "store/TicketStore.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Controls.h"
#include "tests/support/TestRegistry.h"
#include "ui/controls/TDBEdit.h"
#include "ui/windows/TfMain.h"
#include "ui/windows/TfOpravenka.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <random>

// Bad inputs in one place: what the user is told at start, and that nothing
// that was there is lost.
class TestBadInputs : public QObject
{
    Q_OBJECT

private:
    static QByteArray noise(int size, unsigned seed)
    {
        std::mt19937 rng(seed);
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& c : bytes)
            c = char(rng());
        return bytes;
    }

    static void sql(const QString& path, const QStringList& statements)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bad-input"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            for (const QString& s : statements)
                QVERIFY2(QSqlQuery(db).exec(s), qPrintable(s));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bad-input"));
    }

private slots:
    void startWithBadFile_data()
    {
        QTest::addColumn<QString>("file");     // below the working folder
        QTest::addColumn<QByteArray>("bytes"); // "<dir>" makes a folder of that name
        QTest::addColumn<QString>("message");  // part of the one message shown, empty for none
        const QString store = QStringLiteral("data/data.mdb");
        // Settings file: anything unreadable reads as the defaults.
        QTest::newRow("ini empty") << "trelomar.ini" << QByteArray() << "";
        QTest::newRow("ini random bytes") << "trelomar.ini" << noise(4000, 1) << "";
        QTest::newRow("ini bad numbers") << "trelomar.ini"
                                         << QByteArray("[Settings]\nHeight=abc\nLeft=99999999999\n[Backup]\nDays=-3\n") << "";
        QTest::newRow("ini NUL bytes") << "trelomar.ini" << QByteArray("[Settings]\0Left=1\0\n", 19) << "";
        QTest::newRow("ini 2 MB of one line") << "trelomar.ini" << QByteArray(2 << 20, '[') << "";
        // Text files: any bytes decode (UTF-8 or Windows-1250).
        QTest::newRow("towns random bytes") << "data/mesta.txt" << noise(3000, 2) << "";
        QTest::newRow("towns Windows-1250") << "data/mesta.txt" << QByteArray("\xc8" "esk\xe9" " Bud\xec" "jovice\r\n") << "";
        QTest::newRow("towns NUL inside") << "data/mesta.txt" << QByteArray("Praha\r\n\0Brno\r\n", 14) << "";
        QTest::newRow("devices zero length") << "data/mobil.txt" << QByteArray() << "";
        QTest::newRow("devices lone CRs") << "data/mobil.txt" << QByteArray("a\rb\rc") << "";
        QTest::newRow("devices 100,000 lines") << "data/mobil.txt" << QByteArray("Nokia 3310\r\n").repeated(100000) << "";
        QTest::newRow("ticket text random") << "data/tisk.txt" << noise(5000, 3) << "";
        QTest::newRow("towns is a folder") << "data/mesta.txt" << QByteArray("<dir>") << "Cannot open file";
        // Language files.
        QTest::newRow("language empty") << "lang/default.lng" << QByteArray() << "";
        QTest::newRow("language random bytes") << "lang/default.lng" << noise(6000, 4) << "";
        QTest::newRow("language unclosed sections") << "lang/default.lng"
                                                    << QByteArray("<main>\r\na\r\n<edit>\r\n<extra>\r\nx") << "";
        QTest::newRow("language 1 MB line") << "lang/default.lng" << QByteArray("<name>\r\n") + QByteArray(1 << 20, 'x') << "";
        QTest::newRow("language is a folder") << "lang/default.lng" << QByteArray("<dir>") << "Cannot open file";
        // The store file.
        QTest::newRow("store zero length") << store << QByteArray("") << "no such table";
        QTest::newRow("store random bytes") << store << noise(8192, 5) << "file is not a database";
        QTest::newRow("store SQLite header only") << store << QByteArray("SQLite format 3\0", 16) + noise(84, 6)
                                                  << "Cannot open file";
        QTest::newRow("store Jet file") << store << QByteArray("\0\1\0\0Standard Jet DB\0", 20) + noise(2000, 7)
                                        << "Access (Jet)";
        QTest::newRow("store is a folder") << store << QByteArray("<dir>") << "Cannot open file";
    }
    void startWithBadFile()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        AppFixture::Options options;
        options.createDatabase = !file.startsWith(QLatin1String("data/data.mdb"));
        options.beforeStart = [&](const QString& dir) {
            const QString path = dir + u'/' + file;
            QDir().mkpath(QFileInfo(path).absolutePath());
            if (bytes == "<dir>") {
                QFile::remove(path); // the shipped language file laid out by default
                QDir().mkpath(path);
            }
            else
                AppFixture::writeFile(path, bytes);
        };
        // An Access file is offered for conversion first; declining keeps it as it is.
        if (bytes.contains("Standard Jet DB"))
            whenModalShown([](QWidget* modal) {
                if (auto* question = qobject_cast<QMessageBox*>(modal))
                    question->button(QMessageBox::No)->click();
            });
        AppFixture app(options);
        if (message.isEmpty()) {
            QVERIFY2(app.errors.messages.isEmpty(), qPrintable(app.errors.messages.join(u'|')));
            QVERIFY(app.DM()->ADOTable->Active());
        } else {
            QCOMPARE(app.errors.messages.size(), 1);
            QVERIFY2(app.errors.messages[0].contains(message), qPrintable(app.errors.messages[0]));
        }
        // The bad file itself is never rewritten by the program (the settings file is, on exit).
        if (bytes != "<dir>" && file != QLatin1String("trelomar.ini")) {
            QFile kept(app.path(file));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), bytes);
        }
    }

    // A store of a newer version with more columns opens; its extra data stays.
    void storeWithExtraColumnsKeepsThem()
    {
        AppFixture::Options options;
        options.beforeStart = [](const QString& dir) {
            sql(dir + QStringLiteral("/data/data.mdb"),
                {QStringLiteral("ALTER TABLE opravenky ADD COLUMN poznamka TEXT"),
                    QStringLiteral("INSERT INTO opravenky (cislo, jmeno, poznamka) VALUES (1, 'Jan', 'z nové verze')")});
        };
        AppFixture app(options);
        QCOMPARE(app.errors.messages, QStringList());
        app.DM()->ADOTable->Edit();
        app.DM()->ADOTablejmeno->setAsString(QStringLiteral("Jana"));
        app.DM()->ADOTable->Post();
        app.stop();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("extra"));
        db.setDatabaseName(app.path(QStringLiteral("data/data.mdb")));
        QVERIFY(db.open());
        QSqlQuery q(QStringLiteral("SELECT jmeno, poznamka FROM opravenky"), db);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Jana"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("z nové verze"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("extra"));
    }

    // A huge paste into the search box: no message, nothing found, nothing changed.
    void hugePasteIntoTheSearchBox()
    {
        AppFixture app;
        control<QLineEdit>(app.fMain(), "edFind")->setText(QString(1 << 20, u'3'));
        QCOMPARE(app.errors.messages, QStringList());
        QVERIFY(app.DM()->ADOTable->Active());
    }

    // A megabyte pasted into each box of the ticket editor: the box or its
    // field cuts it and the ticket stores what fits, or the box refuses it
    // with a short message and the ticket stays in the editor as typed.
    void hugePasteIntoEachEditorBox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("kept"); // characters stored; -1: refused
        QTest::addColumn<QString>("message");
        const QString refused = QStringLiteral("'1234567890 Černý 1234567890 Černý 123456…' is not a valid %1.");
        QTest::newRow("number") << "dbedCislo" << "cislo" << -1 << refused.arg("integer value");
        QTest::newRow("name") << "dbedJmeno" << "jmeno" << 50 << "";
        QTest::newRow("address") << "dbedAdresa" << "adresa" << 100 << "";
        QTest::newRow("town") << "dbcomboMesto" << "mesto" << 50 << "";
        QTest::newRow("phone") << "dbedTel" << "tel" << 20 << "";
        QTest::newRow("technician") << "dbedTechnik" << "technik" << 25 << "";
        QTest::newRow("kind of repair") << "dbcomboDruh" << "druh_opravy" << 20 << "";
        QTest::newRow("device") << "dbcomboMobil" << "telefon" << 50 << "";
        QTest::newRow("IMEI") << "dbedIMEI" << "IMEI" << 50 << "";
        QTest::newRow("accessories memo") << "dbmemKomplet" << "kompletnost" << (17 << 16) << "";
        QTest::newRow("fault") << "dbedVada" << "vada" << 50 << "";
        QTest::newRow("price") << "dbedCena" << "cena" << -1 << refused.arg("floating point value");
        QTest::newRow("taken in, masked") << "dbedPrijem" << "prijato" << -1 << "'12.34.5678' is not a valid date.";
        QTest::newRow("due") << "dbedVydej" << "vydej" << -1 << refused.arg("date");
    }
    void hugePasteIntoEachEditorBox()
    {
        QFETCH(QString, box);
        QFETCH(QString, field);
        QFETCH(int, kept);
        QFETCH(QString, message);
        AppFixture app;
        // 1 MB of text, its first half one line: a one-line box takes that line only.
        const QString paste = QStringLiteral("1234567890 Černý ").repeated(1 << 15)
            + QStringLiteral("\n1234567890 Černý").repeated(1 << 15);
        QApplication::clipboard()->setText(paste);
        whenModalShown([&](QWidget* modal) {
            QVERIFY(QTest::qWaitForWindowActive(modal));
            if (box != QLatin1String("dbedJmeno")) {
                auto* name = control<TDBEdit>(app.fOpravenka(), "dbedJmeno");
                name->setFocus(Qt::TabFocusReason);
                QTest::keyClicks(name, "Jan");
            }
            auto* target = control<QWidget>(app.fOpravenka(), qPrintable(box));
            target->setFocus(Qt::TabFocusReason);
            // As the box's context menu pastes.
            if (auto* memo = qobject_cast<QPlainTextEdit*>(target)) {
                memo->selectAll();
                memo->paste();
            } else {
                auto* edit = qobject_cast<QComboBox*>(target) ? qobject_cast<QComboBox*>(target)->lineEdit()
                                                              : qobject_cast<QLineEdit*>(target);
                edit->selectAll();
                edit->paste();
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
            if (modal->isVisible()) {
                QCOMPARE(app.DM()->ADOTable->State(), DataSetState::Insert);
                QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Jan"));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            }
        });
        app.fMain()->actNewExecute();
        QVERIFY(!app.fOpravenka()->isVisible());
        QCOMPARE(app.fOpravenka()->result(), int(kept >= 0 ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(app.errors.messages, message.isEmpty() ? QStringList() : QStringList {message});
        if (kept < 0) {
            QCOMPARE(app.DM()->ADOTable->RecordCount(), 0);
            return;
        }
        QCOMPARE(app.DM()->ADOTable->RecordCount(), 1);
        QCOMPARE(app.DM()->ADOTable->FieldByName(field)->AsString(), paste.left(kept));
        app.stop();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("paste"));
        db.setDatabaseName(app.path(QStringLiteral("data/data.mdb")));
        QVERIFY(db.open());
        QSqlQuery q(QStringLiteral("SELECT length(\"%1\") FROM opravenky").arg(field), db);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), kept);
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("paste"));
    }
};

TRELOMAR_TEST(TestBadInputs)
#include "TestBadInputs.moc"
