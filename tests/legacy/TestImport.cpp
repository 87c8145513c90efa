#include "platform/Platform.h"
#include "store/TicketStore.h"
#include "tests/legacy/JetWriter.h"
#include "tests/legacy/MdbTools.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>


using W = JetWriter;

// trelomar-db import, run as a shop would run it on a copy of its old folder.
class TestImport : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode;
        QStringList out;
        QString err;
    };

    static Run run(const QStringList& args)
    {
        QProcess process;
        process.start(QStringLiteral(TRELOMAR_DB_PATH), QStringList {QStringLiteral("import")} + args);
        if (!process.waitForFinished(300000))
            return {-1, {}, QStringLiteral("did not finish")};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()).remove(u'\r').split(u'\n', Qt::SkipEmptyParts),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The fourteen stored fields in another order and case, and one column more.
    static QList<W::Column> shopColumns(const QString& without = QString())
    {
        QList<W::Column> columns {
            {"VADA", W::Text, 50}, {"cislo", W::Long}, {"Jmeno", W::Text, 100}, {"prijato", W::DateTime},
            {"vydej", W::DateTime}, {"adresa", W::Text, 100}, {"mesto", W::Text, 50}, {"telefon", W::Text, 50},
            {"IMEI", W::Text, 50}, {"cena", W::Money}, {"tel", W::Text, 20}, {"technik", W::Text, 25},
            {"druh_opravy", W::Text, 20}, {"kompletnost", W::Memo}, {"poznamka", W::Text, 50}};
        columns.removeIf([&](const W::Column& c) { return c.name == without; });
        return columns;
    }

    static QList<W::Value> ticket(qint64 cislo, const QString& jmeno, W::Value prijato = W::oleDate(2004, 3, 1, 9, 15))
    {
        return {QStringLiteral("nejde zapnout"), cislo, jmeno, prijato, W::oleDate(2004, 3, 31), QStringLiteral("Dlouhá 5"),
                QStringLiteral("Plzeň"), QStringLiteral("Nokia 3310"), QStringLiteral("350000000000001"), qint64(1234567),
                QStringLiteral("777 123 456"), QStringLiteral("Novák"), QStringLiteral("záruční"),
                QStringLiteral("nabíječka"), QStringLiteral("x")};
    }

    static void writeShopFile(const QString& path, const QList<QList<W::Value>>& rows, const QString& table = "opravenky",
                              const QString& without = QString())
    {
        W writer(table, shopColumns(without));
        for (const auto& row : rows)
            writer.addRow(row);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(writer.write(path));
    }

private slots:
    void convertsTheShopsDatabaseInPlace()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        const QString memo = QStringLiteral("nabíječka, kryt, krabička, sluchátka; ").repeated(8);
        QList<W::Value> allNull(15);
        allNull[1] = qint64(3);
        QList<W::Value> edges = ticket(2, QString(60, QChar(u'Ž')), W::oleDate(1850, 7, 1, 12));
        edges[4] = W::oleDate(9999, 12, 31);
        edges[9] = qint64(-1); // -0.0001
        edges[13] = memo;
        QList<W::Value> outOfRange = ticket(2, QStringLiteral("Dvořák"), W::oleDate(9999, 12, 31) + 1); // a duplicate number
        // Emoji in the notes, and a memo of 20,000 characters on a chain of long-value pages.
        const QString emoji = QStringLiteral("Jůlie \U0001F4F1");
        const QString longMemo = QStringLiteral("displej \U0001F44D prasklý, ").repeated(1000).left(20000);
        QList<W::Value> whole = ticket(5, emoji);
        whole[13] = longMemo;
        writeShopFile(data + QStringLiteral("/data.mdb"), {ticket(1, QStringLiteral("Jiří Čermák")), edges, allNull, outOfRange, whole});
        if (MdbTools::available()) {
            QVERIFY(MdbTools::checkFile(data + QStringLiteral("/data.mdb"), "opravenky", {"VADA", "kompletnost"}).isEmpty());
            QCOMPARE(MdbTools::exportTable(data + QStringLiteral("/data.mdb"), "opravenky").value(1).value(3),
                     QStringLiteral("2004-03-01 09:15:00"));
        }
        const QByteArray original = bytesOf(data + QStringLiteral("/data.mdb"));

        const Run result = run({dir.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(result.out.last(), QStringLiteral("Imported 5 tickets from %1/data-access.mdb into %1/data.mdb; "
                                                   "3 report lines in %1/import-report.txt").arg(data));
        const QStringList expectedReport {
            "Column 'poznamka' is not a ticket field; ignored.",
            "Row 2, field jmeno, value \"" + QString(60, QChar(u'Ž')) + "\": longer than 50 characters; cut to them.",
            QStringLiteral("Row 4, field prijato, value %1: a date outside the years 100 to 9999; stored as empty.")
                .arg(QString::number(W::oleDate(9999, 12, 31) + 1, 'g', 17)),
        };
        QCOMPARE(result.out.mid(0, result.out.size() - 1), expectedReport);
        QCOMPARE(bytesOf(data + QStringLiteral("/import-report.txt")), (expectedReport.join(u'\n') + u'\n').toUtf8());
        QCOMPARE(bytesOf(data + QStringLiteral("/data-access.mdb")), original);
        QCOMPARE(QDir(data).entryList(QDir::Files), (QStringList {"data-access.mdb", "data.mdb", "import-report.txt"}));

        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + data + QStringLiteral("/data.mdb"));
        store.Open();
        QCOMPARE(store.RecordCount(), 5);
        const auto field = [&](const char* name) { return store.FieldByName(QLatin1String(name)); };
        store.setRecNo(0);
        QCOMPARE(field("cislo")->AsInteger(), 1);
        QCOMPARE(field("jmeno")->AsString(), QStringLiteral("Jiří Čermák"));
        QCOMPARE(field("mesto")->AsString(), QStringLiteral("Plzeň"));
        QCOMPARE(field("prijato")->AsDateTime(), QDateTime(QDate(2004, 3, 1), QTime(9, 15)));
        QCOMPARE(field("cena")->AsCurrency(), 1234567);
        QCOMPARE(field("vada")->AsString(), QStringLiteral("nejde zapnout"));
        store.setRecNo(1);
        QCOMPARE(field("cislo")->AsInteger(), 2);
        QCOMPARE(field("jmeno")->AsString(), QString(50, QChar(u'Ž')));
        QCOMPARE(field("prijato")->AsDateTime(), QDateTime(QDate(1850, 7, 1), QTime(12, 0)));
        QCOMPARE(field("vydej")->AsDateTime(), QDateTime(QDate(9999, 12, 31), QTime(0, 0)));
        QCOMPARE(field("cena")->AsCurrency(), -1);
        QCOMPARE(field("kompletnost")->AsString(), memo);
        store.setRecNo(2);
        for (const char* name : {"prijato", "vydej", "jmeno", "cena", "kompletnost", "IMEI"})
            QVERIFY2(field(name)->IsNull(), name);
        store.setRecNo(3);
        QCOMPARE(field("cislo")->AsInteger(), 2);
        QVERIFY(field("prijato")->IsNull());
        QCOMPARE(field("jmeno")->AsString(), QStringLiteral("Dvořák"));
        store.setRecNo(4);
        QCOMPARE(field("jmeno")->AsString(), emoji);
        QCOMPARE(field("kompletnost")->AsString(), longMemo);
    }

    // Killed between keeping the original and moving the new store into place,
    // a conversion leaves both names on the original and its temporary files.
    void takesUpAnInterruptedConversion()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        writeShopFile(data + QStringLiteral("/data.mdb"), {ticket(1, QStringLiteral("Jiří Čermák"))});
        const QByteArray original = bytesOf(data + QStringLiteral("/data.mdb"));
        QVERIFY(Platform::linkNoReplace(data + QStringLiteral("/data.mdb"), data + QStringLiteral("/data-access.mdb")).done);
        for (const char* stale : {"data-import-0badf00d.tmp", "data-import-0badf00d.tmp-wal", "data-import-notes.txt"}) {
            QFile file(data + u'/' + QLatin1String(stale));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        const Run result = run({dir.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY(result.out.last().startsWith(QStringLiteral("Imported 1 tickets")));
        QCOMPARE(bytesOf(data + QStringLiteral("/data-access.mdb")), original);
        // Only the import's own temporary files go.
        QCOMPARE(QDir(data).entryList(QDir::Files),
                 (QStringList {"data-access.mdb", "data-import-notes.txt", "data.mdb", "import-report.txt"}));
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + data + QStringLiteral("/data.mdb"));
        store.Open();
        QCOMPARE(store.RecordCount(), 1);
    }

    void refusesAndChangesNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing field") << "missing" << "ADOTable: Field 'vada' not found";
        QTest::newRow("not an Access file") << "text" << "is not an Access database; nothing to convert";
        QTest::newRow("cut short") << "cut" << "cut short";
        QTest::newRow("a data page missing") << "page" << "its table states 300 tickets but";
        QTest::newRow("no table opravenky") << "table" << "has no table opravenky";
        QTest::newRow("data-access.mdb present") << "kept" << "data-access.mdb already exists";
    }
    void refusesAndChangesNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        const QString path = data + QStringLiteral("/data.mdb");
        QList<QList<W::Value>> rows;
        for (int i = 1; i <= (kind == "page" ? 300 : 2); ++i)
            rows.append(ticket(i, QStringLiteral("Zákazník %1").arg(i)));
        if (kind == "missing") {
            for (auto& row : rows)
                row.removeFirst();
            writeShopFile(path, rows, "opravenky", "VADA");
        } else {
            writeShopFile(path, rows, kind == "table" ? "zakazky" : "opravenky");
        }
        QFile file(path);
        if (kind == "text" || kind == "cut" || kind == "page") {
            const QByteArray bytes = bytesOf(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(kind == "text" ? QByteArray("Jiří Čermák\n") : bytes.left(bytes.size() - (kind == "cut" ? 10 : 4096)));
            file.close();
        }
        if (kind == "kept")
            QVERIFY(QFile::copy(path, data + QStringLiteral("/data-access.mdb")));
        const QStringList before = QDir(data).entryList(QDir::Files);
        const QByteArray original = bytesOf(path);

        const Run result = run({dir.path()});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(QDir(data).entryList(QDir::Files), before);
        QCOMPARE(bytesOf(path), original);
    }

    void importsAFileIntoAFolderWithoutStore()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("old/stare.mdb"));
        writeShopFile(source, {ticket(1, QStringLiteral("Jiří Čermák"))});
        const QString shop = dir.filePath(QStringLiteral("shop"));
        const Run first = run({source, shop});
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        QVERIFY(first.out.last().startsWith(QStringLiteral("Imported 1 tickets from ")));
        QVERIFY(QFile::exists(source));
        const QByteArray converted = bytesOf(shop + QStringLiteral("/data/data.mdb"));

        const Run again = run({source, shop});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains(QStringLiteral("already exists")), qPrintable(again.err));
        QCOMPARE(bytesOf(shop + QStringLiteral("/data/data.mdb")), converted);
    }

    void longTablesReportProgress()
    {
        QTemporaryDir dir;
        QList<QList<W::Value>> rows;
        for (int i = 1; i <= 10000; ++i)
            rows.append(ticket(i, QStringLiteral("Zákazník %1").arg(i)));
        writeShopFile(dir.filePath(QStringLiteral("data/data.mdb")), rows);
        const Run result = run({dir.path()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY(result.out.contains(QStringLiteral("Read 5000 of 10000 tickets")));
        QVERIFY(result.out.last().startsWith(QStringLiteral("Imported 10000 tickets")));
    }
};

TRELOMAR_TEST(TestImport)
#include "TestImport.moc"
