#include "store/TField.h"
#include "store/TicketStore.h"
#include "store/rows/TextColumn.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QTest>

// Values at the edges of what the table holds: written by other programs,
// beyond the file's dates, beyond the memory's blocks.
class TestStoredValues : public QObject
{
    Q_OBJECT

private slots:
    void numbersWrittenByOtherPrograms_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("stored"); // an SQL literal, so that its storage class is the literal's
        QTest::addColumn<QString>("shown");
        QTest::newRow("integer price: ten-thousandths") << "cena" << "12345000" << "1\u00a0234,50\u00a0Kč";
        QTest::newRow("real price: crowns") << "cena" << "1234.5" << "1\u00a0234,50\u00a0Kč";
        QTest::newRow("real price: rounded") << "cena" << "0.125" << "0,13\u00a0Kč";
        QTest::newRow("price too large") << "cena" << "1e300" << "";
        QTest::newRow("price in words") << "cena" << "'abc'" << "";
        QTest::newRow("number beyond 32 bits") << "cislo" << "3000000000" << "3000000000";
        QTest::newRow("negative beyond 32 bits") << "cislo" << "-3000000000" << "-3000000000";
    }
    void numbersWrittenByOtherPrograms()
    {
        QFETCH(QString, field);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        TestDb db;
        db.exec(QStringLiteral("INSERT INTO opravenky (%1) VALUES (%2)").arg(field, stored));
        auto store = openStore(db);
        TField* f = store->FieldByName(field);
        QCOMPARE(f->AsString(), shown);
        if (field == QLatin1String("cislo")) {
            QCOMPARE(store->maxCislo(), shown.toLongLong());
            QCOMPARE(raised([&] { f->AsInteger(); }),
                     QStringLiteral("Value %1 of field 'cislo' is out of the range of a 32-bit integer").arg(shown));
        }
        // Editing another field leaves the stored value as it was.
        store->Edit();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Eva"));
        store->Post();
        QCOMPARE(db.value(QStringLiteral("SELECT quote(%1) FROM opravenky").arg(field)).toString(),
                 db.value(QStringLiteral("SELECT quote(%1)").arg(stored)).toString());
    }

    void datesTheFileCannotHoldAreRefused_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("message");
        QTest::newRow("five-digit year") << QDate(10240, 8, 29) << "'29.08.10240' is not a valid date";
        QTest::newRow("before year 1") << QDate(-1, 12, 31) << "'31.12.-0001' is not a valid date";
    }
    void datesTheFileCannotHoldAreRefused()
    {
        QFETCH(QDate, date);
        QFETCH(QString, message);
        TestDb db;
        auto store = openStore(db);
        store->Append();
        TField* f = store->FieldByName(QStringLiteral("vydej"));
        QCOMPARE(raised([&] { f->setAsDateTime(date.startOfDay()); }), message);
        QVERIFY(f->IsNull());
        QVERIFY(!store->Modified());
        f->setAsDateTime(QDate(9999, 12, 31).startOfDay()); // the last day the file holds
        QCOMPARE(f->DisplayText(), QStringLiteral("31.12.9999"));
    }

    void textColumnRefusesABlockBeyondItsLast()
    {
        // Every build, not only those that keep assertions.
        StoreRow::TextColumn column(2);
        const QByteArray first(16384, 'a'); // fills the first block
        const QByteArray second(32768, 'b'); // fills the second
        const StoreRow::TextRef a = column.add(first.constData(), int(first.size()));
        const StoreRow::TextRef b = column.add(second.constData(), int(second.size()));
        QCOMPARE(raised([&] { column.add("c", 1); }),
                 QStringLiteral("The texts of one field of the table are too large to hold in memory"));
        QCOMPARE(column.bytes(a), QByteArrayView(first));
        QCOMPARE(column.bytes(b), QByteArrayView(second));
    }

};

TRELOMAR_TEST(TestStoredValues)
#include "TestStoredValues.moc"
