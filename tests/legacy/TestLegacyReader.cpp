#include "base/AppError.h"
#include "legacy/LegacyReader.h"
#include "tests/legacy/JetWriter.h"
#include "tests/legacy/MdbTools.h"
#include "tests/support/TestRegistry.h"

#include <QFile>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using W = JetWriter;
using V = LegacyReader::Value;

// Reading Access files: every file is first checked with mdbtools, then read
// through our reader, value by value.
class TestLegacyReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString czech() { return QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy"); }

private slots:
    void readsTypedValues()
    {
        const QString memo = QString(czech() + u' ').repeated(8); // over 255 characters
        W writer(QStringLiteral("Opravenky"),
                 {{QStringLiteral("cislo"), W::Long}, {QStringLiteral("kus"), W::Int}, {QStringLiteral("prijato"), W::DateTime},
                  {QStringLiteral("cena"), W::Money}, {QStringLiteral("vaha"), W::Double},
                  {QStringLiteral("jmeno"), W::Text, 50}, {QStringLiteral("kompletnost"), W::Memo}});
        writer.setInlineMemoLimit(400); // the long memo goes to a long-value page
        writer.addRow({qint64(7), qint64(-3), W::oleDate(2003, 5, 17, 10, 30, 15), qint64(123456), 1.5, czech(), memo});
        writer.addRow({{}, {}, {}, {}, {}, {}, {}});
        writer.addRow({qint64(std::numeric_limits<qint32>::min()), qint64(32767), W::oleDate(1850, 1, 2, 6),
                       qint64(-1), -0.25, QStringLiteral("plain ascii"), QStringLiteral("nabíječka")});
        // U+0100 has a zero low byte: stored as plain UCS-2, never compressed.
        writer.addRow({qint64(1), {}, W::oleDate(9999, 12, 31, 23, 59, 59), std::numeric_limits<qint64>::max(), {},
                       QStringLiteral("Ā"), {}});
        const QString path = m_dir.filePath(QStringLiteral("values.mdb"));
        QVERIFY(writer.write(path));

        if (MdbTools::available()) {
            const QString problem = MdbTools::checkFile(path, QStringLiteral("Opravenky"), {"cislo", "kus", "prijato", "cena", "vaha", "jmeno", "kompletnost"});
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            // mdbtools shows dates only from 1900 to some way short of 9999: "*" is not compared.
            const QList<QStringList> expected {
                {"cislo", "kus", "prijato", "cena", "vaha", "jmeno", "kompletnost"},
                {"7", "-3", "2003-05-17 10:30:15", "12.3456", "1.5", czech(), memo},
                {"", "", "", "", "", "", ""},
                {"-2147483648", "32767", "*", "-0.0001", "-0.25", "plain ascii", "nabíječka"},
                {"1", "", "*", "922337203685477.5807", "", "Ā", ""},
            };
            const QList<QStringList> exported = MdbTools::exportTable(path, QStringLiteral("Opravenky"));
            QCOMPARE(exported.size(), expected.size());
            for (int r = 0; r < expected.size(); ++r)
                for (int c = 0; c < expected[r].size(); ++c)
                    if (expected[r][c] != u'*')
                        QCOMPARE(exported[r].value(c), expected[r][c]);
        }

        LegacyReader reader(path);
        QCOMPARE(reader.jetVersion(), 4);
        QCOMPARE(reader.tableNames(), QStringList {"Opravenky"});
        reader.openTable(QStringLiteral("OPRAVENKY")); // case ignored
        QCOMPARE(reader.statedRowCount(), 4);
        QList<LegacyReader::Type> types;
        for (const LegacyReader::Column& c : reader.columns())
            types.append(c.type);
        using T = LegacyReader::Type;
        QCOMPARE(types, (QList<T> {T::Integer, T::Integer, T::DateTime, T::Currency, T::Real, T::Text, T::Memo}));

        QList<V> row;
        QVERIFY(reader.next(row));
        QCOMPARE(row[0].integer, 7);
        QCOMPARE(row[1].integer, -3);
        QDateTime date;
        QVERIFY(LegacyReader::toDateTime(row[2].real, date));
        QCOMPARE(date.toString(Qt::ISODate), QStringLiteral("2003-05-17T10:30:15+00:00"));
        QCOMPARE(row[3].kind, V::Currency);
        QCOMPARE(row[3].integer, 123456);
        QCOMPARE(row[5].text, czech());
        QCOMPARE(row[6].text, memo);

        QVERIFY(reader.next(row));
        for (const V& v : row)
            QCOMPARE(v.kind, V::Null);

        QVERIFY(reader.next(row));
        QCOMPARE(row[0].integer, std::numeric_limits<qint32>::min());
        QVERIFY(LegacyReader::toDateTime(row[2].real, date));
        QCOMPARE(date.toString(Qt::ISODate), QStringLiteral("1850-01-02T06:00:00+00:00"));
        QCOMPARE(row[3].integer, -1);
        QCOMPARE(row[6].text, QStringLiteral("nabíječka"));

        QVERIFY(reader.next(row));
        QVERIFY(LegacyReader::toDateTime(row[2].real, date));
        QCOMPARE(date.toString(Qt::ISODate), QStringLiteral("9999-12-31T23:59:59+00:00"));
        QCOMPARE(row[3].integer, std::numeric_limits<qint64>::max());
        QCOMPARE(row[5].text, QStringLiteral("Ā"));
        QVERIFY(!reader.next(row));
    }

    // Text beyond U+FFFF (surrogate pairs), in a text field and in memos in the
    // row, in one long value and in chains of them up to over a megabyte.
    void everyCharacterAndLengthComesWhole()
    {
        const QString emoji = QStringLiteral("Jůlie \U0001F4F1 \U0001F44D");
        const QList<QString> memos {
            QStringLiteral("nabíječka \U0001F50B kryt"),                         // in the row, compressed
            QString(emoji + u' ').repeated(100),                                  // one long value
            QString(16383, u'a'),                                                 // a chain: once a bound buffer's size
            QStringLiteral("Příliš žluťoučký kůň ").repeated(1000).left(20000),   // a chain of ten pages
            QStringLiteral("ř").repeated(600000),                                 // 1.2 MB in the file and as UTF-8
        };
        W writer(QStringLiteral("opravenky"), {{QStringLiteral("cislo"), W::Long}, {QStringLiteral("jmeno"), W::Text, 50},
                                              {QStringLiteral("kompletnost"), W::Memo}});
        for (int i = 0; i < memos.size(); ++i)
            writer.addRow({qint64(i + 1), emoji, memos[i]});
        const QString path = m_dir.filePath(QStringLiteral("long.mdb"));
        QVERIFY(writer.write(path));

        if (MdbTools::available()) {
            // mdbtools reads the chains as written (its own decoding spoils the emoji; it cuts text at 200,000 bytes).
            const QList<QStringList> exported = MdbTools::exportTable(path, QStringLiteral("opravenky"));
            QCOMPARE(exported.size(), memos.size() + 1);
            QCOMPARE(exported[3].value(2), memos[2]);
            QCOMPARE(exported[4].value(2), memos[3]);
            QVERIFY(exported[5].value(2).size() > 90000 && memos[4].startsWith(exported[5].value(2).left(90000)));
        }

        LegacyReader reader(path);
        reader.openTable(QStringLiteral("opravenky"));
        QList<V> row;
        for (const QString& memo : memos) {
            QVERIFY(reader.next(row));
            QCOMPARE(row[1].text, emoji);
            QCOMPARE(row[2].text.size(), memo.size());
            QCOMPARE(row[2].text, memo);
        }
        QVERIFY(!reader.next(row));
    }

    // Damaged chains of long values are refused, naming the row and column, and never followed for ever.
    void damagedChainsRefused_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("message");
        using D = W::ChainDamage;
        QTest::newRow("loops back") << int(D::LoopsBack) << "row 2, column kompletnost: its chain of long-value pages loops";
        QTest::newRow("runs past the file") << int(D::RunsPastTheFile) << "row 2, column kompletnost: its long-value pages run past the end of the file";
        QTest::newRow("longer than stated") << int(D::LongerThanStated) << "row 2, column kompletnost: its long-value pages hold more than";
    }
    void damagedChainsRefused()
    {
        QFETCH(int, damage);
        QFETCH(QString, message);
        W writer(QStringLiteral("opravenky"), {{QStringLiteral("cislo"), W::Long}, {QStringLiteral("kompletnost"), W::Memo}});
        writer.addRow({qint64(1), QStringLiteral("krátká")});
        writer.addRow({qint64(2), QString(5000, u'x')});
        writer.setChainDamage(W::ChainDamage(damage));
        const QString path = m_dir.filePath(QStringLiteral("chain.mdb"));
        QVERIFY(writer.write(path));
        LegacyReader reader(path);
        reader.openTable(QStringLiteral("opravenky"));
        QList<V> row;
        QVERIFY(reader.next(row));
        try {
            reader.next(row);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
        QCOMPARE(row[0].integer, 2); // the rest of the row is read, for the message to name the ticket
    }

    void datesOutsideTheStoredYears_data()
    {
        QTest::addColumn<double>("oleDays");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::newRow("first day of year 100") << W::oleDate(100, 1, 1) << "0100-01-01T00:00:00+00:00";
        QTest::newRow("before year 100") << W::oleDate(100, 1, 1) - 1 << "";
        QTest::newRow("after 9999") << W::oleDate(9999, 12, 31) + 1 << "";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "";
        QTest::newRow("huge") << 1e300 << "";
        QTest::newRow("a second short of midnight rounds to it") << W::oleDate(2000, 1, 1) + 0.9999999999 << "2000-01-02T00:00:00+00:00";
    }
    void datesOutsideTheStoredYears()
    {
        QFETCH(double, oleDays);
        QFETCH(QString, expected);
        QDateTime date;
        QCOMPARE(LegacyReader::toDateTime(oleDays, date), !expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(date.toString(Qt::ISODate), expected);
    }

    void refusesWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        W writer(QStringLiteral("zakaznici"), {{QStringLiteral("jmeno"), W::Text, 50}});
        writer.addRow({QStringLiteral("Novák")});
        const QByteArray good = writer.build();
        QTest::newRow("not an Access file") << QByteArray("SQLite format 3\0", 16).leftJustified(8192, '\0') << "not an Access database";
        QTest::newRow("empty") << QByteArray() << "not an Access database";
        QTest::newRow("cut short") << good.left(good.size() - 100) << "cut short";
        QTest::newRow("without the table") << good << "no table opravenky";

        // Damaged usage maps, on which libmdb itself crashes or ends the process.
        W table(QStringLiteral("opravenky"), {{QStringLiteral("jmeno"), W::Text, 50}});
        table.addRow({QStringLiteral("Novák")});
        const QByteArray sound = table.build();
        constexpr int Page = 4096, MapsPage = 1, TableDefinition = 4, UsedMap = 2;
        QByteArray damaged = sound;
        // Row 200 of the maps page: its offsets read as zeros, an empty row.
        qToLittleEndian<quint32>(quint32(MapsPage) << 8 | 200, damaged.data() + TableDefinition * Page + 55);
        QTest::newRow("empty usage map") << damaged << "page list of table opravenky is damaged";
        damaged = sound;
        constexpr int Catalog = 2;
        qToLittleEndian<quint32>(quint32(MapsPage) << 8 | 200, damaged.data() + Catalog * Page + 55);
        QTest::newRow("empty usage map of the catalog") << damaged << "its catalog cannot be read";
        damaged = sound;
        const int map = MapsPage * Page + (qFromLittleEndian<quint16>(damaged.constData() + MapsPage * Page + 14 + 2 * UsedMap) & 0x1fff);
        damaged[map] = 1; // a list of pages rather than a bitmap
        qToLittleEndian<quint32>(0xffff00, damaged.data() + map + 1);
        QTest::newRow("usage map listing a page past the end") << damaged << "page list of table opravenky is damaged";
    }
    void refusesWhatItCannotRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(QStringLiteral("bad.mdb"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        try {
            LegacyReader reader(path);
            reader.openTable(QStringLiteral("opravenky"));
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
    }

    // Damaged files the fuzzer found, kept in its seed corpus: each is refused with its reason.
    void fuzzFindingsRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        // A number whose damaged row gives it a start past the page and a negative length: it read as 0.
        QTest::newRow("value start past the page") << "crash-value-start-past-page.mdb"
                                                   << "lies outside its page";
        // The same for a number libmdb itself decoded from past the page, and crashed.
        QTest::newRow("number decoded past the page") << "crash-number-decoded-past-page.mdb"
                                                      << "lies outside its page";
    }
    void fuzzFindingsRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        const QString path = qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/tests/fuzz/corpus/legacy/") + file;
        QVERIFY(QFile::exists(path));
        try {
            LegacyReader reader(path);
            reader.openTable(QStringLiteral("opravenky"));
            QList<V> row;
            for (int n = 0; reader.next(row); ++n)
                QVERIFY(n < 100000);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
    }

    void unknownCodePageIsRefused()
    {
        W writer(QStringLiteral("opravenky"), {{QStringLiteral("jmeno"), W::Text, 50}});
        const QString path = m_dir.filePath(QStringLiteral("cp.mdb"));
        QVERIFY(writer.write(path));
        QVERIFY_THROWS_EXCEPTION(AppError, LegacyReader(path, QStringLiteral("no-such-codepage")));
    }
};

TRELOMAR_TEST(TestLegacyReader)
#include "TestLegacyReader.moc"
