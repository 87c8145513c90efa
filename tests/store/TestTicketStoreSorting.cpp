#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QCollator>
#include <QSqlQuery>
#include <QTest>

// The table's sort orders: by field, collated, across the store's two
// reading threads, and kept while rows are posted.
class TestTicketStoreSorting : public QObject
{
    Q_OBJECT

    // The names in the order the program's locale collates them, ties kept in file order.
    static QStringList collated(QStringList names)
    {
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        return names;
    }

private slots:
    void sortOrders_data()
    {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QStringList>("expected"); // jmeno of the rows, top to bottom
        // Rows in file order: name, number, intake date.
        QTest::newRow("none: file order") << "" << QStringList {"Chrudimský", "Hanák", "", "čada", "Cyril", "Hanák", "Ivan"};
        // Czech: "Ch" after "H", "Č" after "C"; empty first; equal names keep the file order (see cislo).
        QTest::newRow("names collated") << "jmeno ASC" << QStringList {"", "Cyril", "čada", "Hanák", "Hanák", "Chrudimský", "Ivan"};
        QTest::newRow("numbers, empty first") << "cislo ASC" << QStringList {"Cyril", "Ivan", "čada", "Hanák", "Hanák", "", "Chrudimský"};
        QTest::newRow("dates chronological") << "prijato ASC" << QStringList {"Hanák", "Hanák", "Chrudimský", "", "čada", "Cyril", "Ivan"};
        QTest::newRow("keyword optional") << "jmeno" << QStringList {"", "Cyril", "čada", "Hanák", "Hanák", "Chrudimský", "Ivan"};
    }
    void sortOrders()
    {
        QFETCH(QString, sort);
        QFETCH(QStringList, expected);
        TestDb db;
        db.insert({{"jmeno", "Chrudimský"}, {"cislo", 100}, {"prijato", "2024-01-02T00:00:00"}});
        db.insert({{"jmeno", "Hanák"}, {"cislo", 9}, {"prijato", QVariant()}});
        db.insert({{"jmeno", QVariant()}, {"cislo", 10}, {"prijato", "2024-01-03T10:00:00"}});
        db.insert({{"jmeno", "čada"}, {"cislo", 7}, {"prijato", "2024-01-03T11:00:00"}});
        db.insert({{"jmeno", "Cyril"}, {"cislo", QVariant()}, {"prijato", "2024-12-01T00:00:00"}});
        db.insert({{"jmeno", "Hanák"}, {"cislo", 9}, {"prijato", "2023-12-31T00:00:00"}});
        db.insert({{"jmeno", "Ivan"}, {"cislo", -5}, {"prijato", "2025-01-01T00:00:00"}});
        auto store = openStore(db);
        store->setSort(sort);
        QCOMPARE(column(*store, "jmeno"), expected);
        if (sort.startsWith(QLatin1String("jmeno"))) // equal names: the earlier row first
            QCOMPARE(column(*store, "cislo").mid(3, 2), QStringList({"9", "9"}));
    }

    void manyDistinctNamesSortCollated()
    {
        SKIP_UNLESS_SORT_KEYS_AGREE();
        // Enough distinct values to make the store's value table grow several times.
        TestDb db;
        QStringList names;
        const QStringList stems = {"Čech", "Cech", "Hora", "Chára", "Šíma", "Sima", "Žák", "Zak", "ďas", "Dáša"};
        QSqlDatabase& sql = db.sql();
        sql.transaction();
        for (int i = 0; i < 3000; ++i) {
            const QString name = stems[i % stems.size()] + QString::number(i % 1500);
            names << name;
            db.insert({{"jmeno", name}, {"cislo", i}});
        }
        sql.commit();
        auto store = openStore(db);
        store->setSort(QStringLiteral("jmeno ASC"));
        QCOMPARE(column(*store, "jmeno"), collated(names));
    }

    void digitTextsSortAmongCollatedTexts_data()
    {
        QTest::addColumn<QStringList>("values"); // IMEI of the rows in file order
        QStringList digits;
        for (int i = 0; i < 400; ++i) // lengths 1 to 18, leading zeros among them
            digits << QString::number((i * 7919) % 100003).repeated(1 + i % 3).left(1 + i % 18).rightJustified(i % 5 == 0 ? 6 : 1, u'0');
        // "n/a" and "N/A" collate equal, and so may the wide "３５" and "35": each pair keeps the rows' order.
        const QStringList others = {"N/A", "35-12", "a35", "n/a", QString::fromUtf8("３５"), "1 2", "35", ""};
        QTest::newRow("mostly digits") << digits + others;
        QStringList names;
        for (int i = 0; i < 40; ++i)
            names << QStringLiteral("Čech%1").arg(i) << QString::number(i * 37) << QStringLiteral("ch%1").arg(i % 7);
        QTest::newRow("mostly other texts") << names + others;
    }
    void digitTextsSortAmongCollatedTexts()
    {
        SKIP_UNLESS_SORT_KEYS_AGREE();
        QFETCH(QStringList, values);
        TestDb db;
        db.sql().transaction();
        for (int i = 0; i < values.size(); ++i)
            db.insert({{"cislo", i}, {"IMEI", values[i].isEmpty() ? QVariant() : QVariant(values[i])}});
        db.sql().commit();
        auto store = openStore(db);
        store->setSort(QStringLiteral("IMEI ASC"));
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const auto expected = [&] {
            QStringList sorted = values;
            std::stable_sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
                return a.isEmpty() != b.isEmpty() ? a.isEmpty() : collator.compare(a, b) < 0;
            });
            return sorted;
        };
        QCOMPARE(column(*store, "IMEI"), expected());

        // Values new to the order, kept in place as they are posted.
        store->setRecNo(3);
        const int edited = store->FieldByName(QStringLiteral("cislo"))->AsInteger();
        store->Edit();
        store->FieldByName(QStringLiteral("IMEI"))->setAsString(QStringLiteral("0001"));
        store->Post();
        values[edited] = QStringLiteral("0001");
        for (const QString& value : {QStringLiteral("N/a"), QStringLiteral("350"), QString::fromUtf8("Ž1")}) {
            store->Append();
            store->FieldByName(QStringLiteral("cislo"))->setAsInteger(int(values.size()));
            store->FieldByName(QStringLiteral("IMEI"))->setAsString(value);
            store->Post();
            values << value;
        }
        QCOMPARE(column(*store, "IMEI"), expected());
    }

    void readsAWideSpanOfIdsInTwoHalves()
    {
        // Ids far apart make a table that is read in two halves at once, whatever its size.
        TestDb db;
        QStringList numbers, names, addresses;
        for (const int id : {1, 2, 3, 20, 40001, 40002, 50000}) {
            const bool upper = id > 40000; // the addresses only in the upper half
            db.insert({{"id", id}, {"cislo", id}, {"jmeno", QStringLiteral("Jméno %1").arg(id)}, {"mesto", "Praha"},
                       {"adresa", upper ? QVariant(QStringLiteral("Ulice %1").arg(id)) : QVariant()}});
            numbers << QString::number(id);
            names << QStringLiteral("Jméno %1").arg(id);
            addresses << (upper ? QStringLiteral("Ulice %1").arg(id) : QString());
        }
        auto store = openStore(db);
        QCOMPARE(column(*store, "cislo"), numbers);
        QCOMPARE(column(*store, "jmeno"), names);
        QCOMPARE(column(*store, "adresa"), addresses);
        QCOMPARE(column(*store, "mesto"), QStringList(numbers.size(), QStringLiteral("Praha")));
        // Texts added after the read go on beside those of both halves.
        store->Append();
        store->FieldByName(QStringLiteral("adresa"))->setAsString(QStringLiteral("Nová 1"));
        store->Post();
        QCOMPARE(column(*store, "adresa"), addresses << QStringLiteral("Nová 1"));
    }

    void manyDistinctNamesKeyedOnTwoThreadsSortCollated()
    {
        SKIP_UNLESS_SORT_KEYS_AGREE();
        // So many distinct names that their keys are made on two threads.
        TestDb db;
        QStringList names;
        const QStringList stems = {"Chára", "Cech", "Čech", "hora", "Hora", "Šíma", "Sima", "ďas"};
        db.sql().transaction();
        for (int i = 0; i < 9000; ++i) {
            names << stems[i % stems.size()] + QString::number(9000 - i);
            db.insert({{"jmeno", names.back()}});
        }
        db.sql().commit();
        auto store = openStore(db);
        store->setSort(QStringLiteral("jmeno ASC"));
        QCOMPARE(column(*store, "jmeno"), collated(names));
    }

    void filterReadsTheJudgedRowWithoutCopies()
    {
        TestDb db;
        db.insert({{"IMEI", "35ab"}, {"jmeno", "Alois"}});
        db.insert({{"IMEI", "ščř"}, {"jmeno", "Běta"}});
        db.insert({{"IMEI", QVariant()}, {"jmeno", "Cyril"}});
        auto store = openStore(db);
        QStringList seen;
        store->setOnFilterRecord([&](TicketStore& ds, bool& accept) {
            const QStringView imei = ds.FieldByName(QStringLiteral("IMEI"))->AsStringView();
            seen << imei.toString() + u'/' + ds.FieldByName(QStringLiteral("jmeno"))->AsString();
            accept = !imei.startsWith(u'š');
        });
        store->setFiltered(true);
        QCOMPARE(seen, QStringList({"35ab/Alois", "ščř/Běta", "/Cyril"}));
        QCOMPARE(column(*store, "jmeno"), QStringList({"Alois", "Cyril"}));
        QCOMPARE(raised([&] { store->FieldByName(QStringLiteral("cislo"))->AsStringView(); }),
                 QStringLiteral("Cannot access field 'cislo' as type StringView"));
    }

    void sortKeepsCurrentRowAndRejectsUnknownField()
    {
        TestDb db;
        db.insert({{"jmeno", "B"}});
        db.insert({{"jmeno", "A"}});
        auto store = openStore(db);
        store->setSort(QStringLiteral("jmeno ASC"));
        QCOMPARE(str(*store, "jmeno"), QStringLiteral("B"));
        QCOMPARE(store->RecNo(), 1);
        QCOMPARE(raised([&] { store->setSort(QStringLiteral("nic ASC")); }), QStringLiteral("ADOTable: Field 'nic' not found"));
        QCOMPARE(store->Sort(), QStringLiteral("jmeno ASC"));
    }

    void sortFollowsPostedChanges()
    {
        TestDb db;
        db.insert({{"jmeno", "Adam"}});
        db.insert({{"jmeno", "Bohouš"}});
        db.insert({{"jmeno", "Cyril"}});
        auto store = openStore(db);
        store->setSort(QStringLiteral("jmeno ASC"));
        store->Edit();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Zdeněk"));
        store->Post();
        QCOMPARE(column(*store, "jmeno"), QStringList({"Bohouš", "Cyril", "Zdeněk"}));
        QCOMPARE(store->RecNo(), 2); // the posted row stays current
        store->Append();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Běla"));
        store->Post();
        QCOMPARE(column(*store, "jmeno"), QStringList({"Běla", "Bohouš", "Cyril", "Zdeněk"}));
        QCOMPARE(str(*store, "jmeno"), QStringLiteral("Běla"));
    }
};

TRELOMAR_TEST(TestTicketStoreSorting)
#include "TestTicketStoreSorting.moc"
