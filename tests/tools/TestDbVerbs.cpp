#include "base/Csv.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// trelomar-db backup, restore, check and export, run as a shop would run them.
class TestDbVerbs : public QObject
{
    Q_OBJECT

private:
    using Run = ProgramRun;

    static Run run(const QString& program, const QStringList& args) { return runProgram(program, args); }
    static Run db(const QStringList& args) { return runProgram(QStringLiteral(TRELOMAR_DB_PATH), args); }

    // A shop folder with the given tickets: number, name, memo, price in ten-thousandths, intake date.
    struct Ticket
    {
        int cislo;
        QString jmeno;
        QString kompletnost;
        std::optional<qint64> cena;
        QDateTime prijato;
    };
    static void makeShop(const QString& dir, const QList<Ticket>& tickets)
    {
        QDir().mkpath(dir + QStringLiteral("/data"));
        TicketStore::createDatabase(dir + QStringLiteral("/data/data.mdb"));
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + dir + QStringLiteral("/data/data.mdb"));
        store.Open();
        for (const Ticket& t : tickets) {
            store.Append();
            store.FieldByName(QStringLiteral("cislo"))->setAsInteger(t.cislo);
            store.FieldByName(QStringLiteral("jmeno"))->setAsString(t.jmeno);
            store.FieldByName(QStringLiteral("kompletnost"))->setAsString(t.kompletnost);
            if (t.cena)
                store.FieldByName(QStringLiteral("cena"))->setAsCurrency(*t.cena);
            if (t.prijato.isValid())
                store.FieldByName(QStringLiteral("prijato"))->setAsDateTime(t.prijato);
            store.Post();
        }
    }

private slots:
    // Memo texts with separators, quotes and line breaks survive a real CSV reader.
    void exportReadsBackWithACsvReader_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::newRow("comma") << ",";
        QTest::newRow("semicolon") << ";";
    }
    void exportReadsBackWithACsvReader()
    {
        QFETCH(QString, separator);
#ifdef Q_OS_WIN
        QSKIP("the CSV is read back by the Linux run's python3");
#endif
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        QVERIFY2(!python.isEmpty(), "python3 is needed to read the CSV back");
        QTemporaryDir dir;
        makeShop(dir.path(),
            { { 1, QStringLiteral("Novák, \"Honza\"; Žluťoučký"), QStringLiteral("nabíječka\r\nobal\nkarta\r;,"),
                  12345000, QDateTime(QDate(2024, 3, 5), QTime(0, 0)) },
                { 2, QStringLiteral("Eva"), QString(), -5, QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58)) },
                { 3, QString(), QString(), std::nullopt, QDateTime() } });
        {
            // A number beyond 32 bits, as a file written elsewhere may hold, goes out as stored.
            QSqlDatabase sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bigNumber"));
            sql.setDatabaseName(dir.filePath(QStringLiteral("data/data.mdb")));
            QVERIFY(sql.open());
            QVERIFY(
                QSqlQuery(QStringLiteral("UPDATE opravenky SET cislo = 3000000000 WHERE cislo = 3"), sql).isActive());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bigNumber"));
        const QString csv = dir.filePath(QStringLiteral("out.csv"));
        QStringList args = { QStringLiteral("export"), dir.path(), QStringLiteral("--csv"), csv };
        if (separator != QLatin1String(","))
            args << QStringLiteral("--separator") << separator;
        const Run exported = db(args);
        QCOMPARE(exported.exitCode, 0);

        // The reader prints each field as JSON, which survives any content.
        const Run read = run(python,
            { QStringLiteral("-c"),
                QStringLiteral("import csv,json,sys\n"
                               "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                               "    for row in csv.reader(f, delimiter=sys.argv[2]):\n"
                               "        print(json.dumps(row))\n"),
                csv, separator });
        QCOMPARE(read.exitCode, 0);
        const QStringList lines = read.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0],
            QStringLiteral(
                "[\"cislo\", \"prijato\", \"vydej\", \"jmeno\", \"adresa\", \"mesto\", \"telefon\", \"IMEI\", "
                "\"cena\", \"tel\", \"technik\", \"druh_opravy\", \"kompletnost\", \"vada\"]"));
        QCOMPARE(lines[1],
            QStringLiteral(
                "[\"1\", \"2024-03-05\", \"\", \"Nov\\u00e1k, \\\"Honza\\\"; \\u017dlu\\u0165ou\\u010dk\\u00fd\", "
                "\"\", \"\", \"\", \"\", \"1234.50\", \"\", \"\", \"\", "
                "\"nab\\u00edje\\u010dka\\r\\nobal\\nkarta\\r;,\", \"\"]"));
        QCOMPARE(lines[2],
            QStringLiteral(
                "[\"2\", \"2024-12-31 23:59:58\", \"\", \"Eva\", \"\", \"\", \"\", \"\", \"-0.0005\", \"\", \"\", "
                "\"\", \"\", \"\"]"));
        QCOMPARE(lines[3],
            QStringLiteral(
                "[\"3000000000\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"]"));
    }

    // What another program wrote in a form this one cannot read goes out as
    // stored; a cell a spreadsheet would evaluate gets an apostrophe, unless --raw.
    void exportKeepsUnreadableValuesAndDefusesFormulas()
    {
        TestDb shop(QStringLiteral("data/data.mdb"));
        shop.insert({ { "cislo", "12a" }, { "prijato", "17.3.2024" }, { "cena", "zdarma" }, { "jmeno", "=1+1" },
            { "adresa", "@SUM(A1)" }, { "mesto", "-Praha" }, { "tel", "+420 777 123 456" },
            { "technik", "-(12)/3.4,5-6" }, { "telefon", "+cmd|' /C calc'!A0" }, { "vada", "a=b" } });
        const QString csv = shop.dir() + QStringLiteral("/out.csv");
        const QStringList expected = { "12a", "17.3.2024", "", "'=1+1", "'@SUM(A1)", "'-Praha", "'+cmd|' /C calc'!A0",
            "", "zdarma", "+420 777 123 456", "-(12)/3.4,5-6", "", "", "a=b" };
        for (const bool raw : { false, true }) {
            QStringList args = { QStringLiteral("export"), shop.dir(), QStringLiteral("--csv"), csv };
            if (raw)
                args << QStringLiteral("--raw");
            QCOMPARE(db(args).exitCode, 0);
            QFile file(csv);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QList<QStringList> rows = Csv::parse(QString::fromUtf8(file.readAll()).mid(1), u',');
            QCOMPARE(rows.size(), 2);
            QStringList want = expected;
            if (raw)
                want.replaceInStrings(QRegularExpression(QStringLiteral("^'")), QString());
            QCOMPARE(rows[1], want);
        }
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // "%d" stands for the shop folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("check intact") << QStringList { "check", "%d" } << 0 << "all well";
        QTest::newRow("check duplicates") << QStringList { "check", "%d/dup" } << 1 << "duplicate ticket number: 5";
        QTest::newRow("check no store") << QStringList { "check", "%d/none" } << 1 << "does not exist";
        QTest::newRow("backup") << QStringList { "backup", "%d", "%d/copy.mdb" } << 0 << "Backed up to";
        QTest::newRow("backup no store") << QStringList { "backup", "%d/none", "%d/x.mdb" } << 1 << "does not exist";
        QTest::newRow("restore not a store")
            << QStringList { "restore", "%d/data/mesta.txt", "%d" } << 1 << "not an intact ticket database";
        QTest::newRow("export without file") << QStringList { "export", "%d" } << 2 << "Usage: trelomar-db export";
        QTest::newRow("restore without file") << QStringList { "restore" } << 2 << "Usage: trelomar-db restore";
        QTest::newRow("check two folders") << QStringList { "check", "a", "b" } << 2 << "Usage: trelomar-db check";
        for (const char* verb : { "backup", "restore", "check", "export" })
            QTest::newRow(qPrintable(QStringLiteral("%1 --help").arg(QLatin1String(verb)))) << QStringList { verb,
                "--help" } << 0 << QStringLiteral("Usage: trelomar-db %1").arg(QLatin1String(verb));
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QTemporaryDir dir;
        makeShop(dir.path(), { { 1, QStringLiteral("a"), {}, {}, {} } });
        makeShop(dir.filePath(QStringLiteral("dup")),
            { { 5, QStringLiteral("a"), {}, {}, {} }, { 5, QStringLiteral("b"), {}, {}, {} } });
        QFile text(dir.filePath(QStringLiteral("data/mesta.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Praha\r\nBrno\r\n");
        text.close();
        args.replaceInStrings(QStringLiteral("%d"), dir.path());
        const Run result = db(args);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2((result.out + result.err).contains(says), qPrintable(result.out + result.err));
    }

    void restoreOfARunningStoreIsRefused()
    {
        QTemporaryDir dir;
        makeShop(dir.path(), { { 1, QStringLiteral("live"), {}, {}, {} } });
        makeShop(dir.filePath(QStringLiteral("other")), { { 2, QStringLiteral("copy"), {}, {}, {} } });
        TicketStore running;
        running.setConnectionString(QStringLiteral("Data Source=") + dir.filePath(QStringLiteral("data/data.mdb")));
        running.Open();
        const Run refused
            = db({ QStringLiteral("restore"), dir.filePath(QStringLiteral("other/data/data.mdb")), dir.path() });
        QCOMPARE(refused.exitCode, 3);
        QVERIFY2(refused.err.contains(QStringLiteral("in use by a running program")), qPrintable(refused.err));
        running.Close();

        const Run done
            = db({ QStringLiteral("restore"), dir.filePath(QStringLiteral("other/data/data.mdb")), dir.path() });
        QCOMPARE(done.exitCode, 0);
        running.Open();
        QCOMPARE(running.displayText(0, TicketRecord::jmeno), QStringLiteral("copy"));
        const QStringList kept
            = QDir(dir.filePath(QStringLiteral("data"))).entryList({ QStringLiteral("data-before-restore-*.mdb") });
        QCOMPARE(kept.size(), 1);
    }

    // The history travels with the tickets: check names each bad row, copy and
    // backup keep it, export --history writes it beside each ticket's number.
    void historyThroughTheVerbs()
    {
        QTemporaryDir dir;
        const QString shop = dir.filePath(QStringLiteral("shop")), copy = dir.filePath(QStringLiteral("copy"));
        makeShop(shop, { { 7, QStringLiteral("Adam"), {}, {}, {} }, { 9, QStringLiteral("Bára"), {}, {}, {} } });
        {
            TicketStore store;
            store.setConnectionString(QStringLiteral("Data Source=") + shop + QStringLiteral("/data/data.mdb"));
            store.Open();
            store.Last();
            store.addStatus(store.GetBookmark(), "vydano", QStringLiteral("=SUM(A1)"), QStringLiteral("Eva"), 12345000);
        }
        QCOMPARE(db({ QStringLiteral("check"), shop }).exitCode, 0);
        QDir().mkpath(copy + QStringLiteral("/data"));
        TicketStore::createDatabase(copy + QStringLiteral("/data/data.mdb"));
        const Run copied = db({ QStringLiteral("copy"), shop, copy });
        QVERIFY2(copied.exitCode == 0, qPrintable(copied.err));
        const Run backedUp = db({ QStringLiteral("backup"), copy, dir.filePath(QStringLiteral("b.mdb")) });
        QVERIFY2(backedUp.exitCode == 0, qPrintable(backedUp.err));
        QDir().mkpath(dir.filePath(QStringLiteral("restored/data")));
        QCOMPARE(
            QFile::copy(dir.filePath(QStringLiteral("b.mdb")), dir.filePath(QStringLiteral("restored/data/data.mdb"))),
            true);

        const QString csv = dir.filePath(QStringLiteral("h.csv"));
        const Run exported = db(
            { QStringLiteral("export"), dir.filePath(QStringLiteral("restored")), QStringLiteral("--history"), csv });
        QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QList<QStringList> rows = Csv::parse(QString::fromUtf8(bytes.mid(3)), u',');
        QCOMPARE(rows.value(0), QString::fromLatin1("cislo,opravenka,cas,stav,poznamka,technik,castka").split(u','));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(
            (QStringList { rows[1][0], rows[1][3] }), (QStringList { QStringLiteral("7"), QStringLiteral("prijato") }));
        QCOMPARE(
            (QStringList { rows[2][0], rows[2][3] }), (QStringList { QStringLiteral("9"), QStringLiteral("prijato") }));
        QCOMPARE(rows[3].mid(3),
            (QStringList { QStringLiteral("vydano"), QStringLiteral("'=SUM(A1)"), QStringLiteral("Eva"),
                QStringLiteral("1234.50") }));
        QCOMPARE(rows[3][0], QStringLiteral("9"));

        // Rows another program wrote: one of no ticket, one of an unknown status.
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("history-check"));
            other.setDatabaseName(shop + QStringLiteral("/data/data.mdb"));
            QVERIFY(other.open());
            QSqlQuery(QStringLiteral("INSERT INTO historie_stavu (opravenka, cas, stav) VALUES (99, 'x', 'hotovo'),"
                                     " (1, 'x', 'opraveno')"),
                other);
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("history-check"));
        const Run checked = db({ QStringLiteral("check"), shop });
        QCOMPARE(checked.exitCode, 1);
        QVERIFY2(checked.out.contains(
                     QLatin1String("history problem: status row 4 belongs to ticket id 99, which does not exist"))
                && checked.out.contains(
                    QLatin1String("history problem: status row 5 has the unknown status \"opraveno\"")),
            qPrintable(checked.out));
    }
};

TRELOMAR_TEST(TestDbVerbs)
#include "TestDbVerbs.moc"
