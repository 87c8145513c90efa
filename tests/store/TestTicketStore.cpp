#include "base/AppError.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

class TestTicketStore : public QObject
{
    Q_OBJECT

private slots:
    void opensAllRowsInFileOrder()
    {
        TestDb db;
        db.insert({{"cislo", 2}, {"jmeno", "Bára"}});
        db.insert({{"cislo", 1}, {"jmeno", "Adam"}});
        auto store = openStore(db);
        QCOMPARE(store->State(), DataSetState::Browse);
        QCOMPARE(column(*store, "jmeno"), QStringList({"Bára", "Adam"}));
        QCOMPARE(store->RecNo(), 0);
        QCOMPARE(store->maxCislo(), 2);
    }

    void appendEditCancel()
    {
        TestDb db;
        db.insert({{"jmeno", "Adam"}});
        auto store = openStore(db);
        QSignalSpy states(store.get(), &TicketStore::stateChanged);
        store->Append();
        QCOMPARE(store->State(), DataSetState::Insert);
        QCOMPARE(store->RecordCount(), 2);
        QCOMPARE(store->RecNo(), 1);
        QCOMPARE(store->GetBookmark(), TBookmark(0));
        QVERIFY(store->FieldByName(QStringLiteral("cislo"))->IsNull());
        store->Cancel();
        QCOMPARE(store->State(), DataSetState::Browse);
        QCOMPARE(store->RecordCount(), 1);
        QCOMPARE(store->RecNo(), 0);
        QCOMPARE(states.count(), 2);

        store->Edit();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Eva"));
        QVERIFY(store->Modified());
        QCOMPARE(store->displayText(0, TicketRecord::jmeno), QStringLiteral("Eva"));
        store->Cancel();
        QCOMPARE(str(*store, "jmeno"), QStringLiteral("Adam"));
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM opravenky")).toInt(), 1);
    }

    void setInBrowseStateFails()
    {
        TestDb db;
        db.insert({{"jmeno", "Adam"}});
        auto store = openStore(db);
        QCOMPARE(raised([&] { store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("x")); }),
                 QStringLiteral("ADOTable: Dataset not in edit or insert mode"));
        QCOMPARE(raised([&] { store->Post(); }), QStringLiteral("ADOTable: Dataset not in edit or insert mode"));
    }

    void textIsCutToFieldSize()
    {
        TestDb db;
        auto store = openStore(db);
        store->Append();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QString(60, u'ř'));
        store->FieldByName(QStringLiteral("kompletnost"))->setAsString(QString(40000, u'ž')); // memo: no limit
        store->Post();
        QCOMPARE(db.value(QStringLiteral("SELECT jmeno FROM opravenky")).toString(), QString(50, u'ř'));
        QCOMPARE(db.value(QStringLiteral("SELECT length(kompletnost) FROM opravenky")).toInt(), 40000);
        auto other = openStore(db);
        QCOMPARE(str(*other, "kompletnost"), QString(40000, u'ž'));
    }

    void endingPendingRow_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char* op : {"Refresh", "Last", "First", "Next", "Prior", "Append", "GotoBookmark", "setRecNo"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void endingPendingRow()
    {
        QFETCH(QString, operation);
        TestDb db;
        const qint64 first = db.insert({{"jmeno", "Adam"}, {"cislo", 1}});
        db.insert({{"jmeno", "Bára"}, {"cislo", 2}});
        auto store = openStore(db);
        auto run = [&] {
            if (operation == QLatin1String("Refresh"))
                store->Refresh();
            else if (operation == QLatin1String("Last"))
                store->Last();
            else if (operation == QLatin1String("First"))
                store->First();
            else if (operation == QLatin1String("Next"))
                store->Next();
            else if (operation == QLatin1String("Prior"))
                store->Prior();
            else if (operation == QLatin1String("Append"))
                store->Append();
            else if (operation == QLatin1String("GotoBookmark"))
                store->GotoBookmark(first);
            else
                store->setRecNo(1);
        };
        int posts = 0;
        store->setAfterPost([&](TicketStore&) { ++posts; });

        // A changed row is posted, with what a bound control hands over on UpdateRecord.
        store->Edit();
        connect(store.get(), &TicketStore::updateRecordRequested, this,
                [&] { store->FieldByName(QStringLiteral("vada"))->setAsString(QStringLiteral("displej")); });
        run();
        QCOMPARE(posts, 1);
        QCOMPARE(db.value(QStringLiteral("SELECT vada FROM opravenky WHERE cislo = 1")).toString(),
                 QStringLiteral("displej"));
        disconnect(store.get(), &TicketStore::updateRecordRequested, this, nullptr);
        if (store->State() == DataSetState::Insert)
            store->Cancel();

        // An unchanged new row is dropped.
        store->Last();
        store->Append();
        run();
        QCOMPARE(posts, 1);
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM opravenky")).toInt(), 2);
    }

    void postWritesThroughAtOnce()
    {
        TestDb db;
        auto store = openStore(db);
        store->Append();
        store->FieldByName(QStringLiteral("cislo"))->setAsInteger(41);
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Šťastný Žluťoučký"));
        store->FieldByName(QStringLiteral("prijato"))->setAsDateTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
        store->FieldByName(QStringLiteral("cena"))->setAsCurrency(12345678);
        store->Post();
        QCOMPARE(store->State(), DataSetState::Browse);
        QVERIFY(store->GetBookmark() != 0);

        auto other = openStore(db); // a second reader of the same file
        QCOMPARE(other->RecordCount(), 1);
        QCOMPARE(str(*other, "jmeno"), QStringLiteral("Šťastný Žluťoučký"));
        QCOMPARE(other->FieldByName(QStringLiteral("cislo"))->AsInteger(), 41);
        QCOMPARE(other->FieldByName(QStringLiteral("cena"))->AsCurrency(), qint64(12345678));
        QCOMPARE(db.value(QStringLiteral("SELECT prijato FROM opravenky")).toString(),
                 QStringLiteral("2024-03-05T00:00:00"));

        // What another program writes shows after a Refresh.
        db.insert({{"cislo", 42}});
        store->Refresh();
        QCOMPARE(store->RecordCount(), 2);
        QCOMPARE(store->maxCislo(), 42);
    }

    void otherColumnsAreKept()
    {
        TestDb db;
        db.exec(QStringLiteral("ALTER TABLE opravenky ADD COLUMN poznamka TEXT DEFAULT 'vlastní'"));
        db.exec(QStringLiteral("UPDATE opravenky SET poznamka = 'x'"));
        db.insert({{"cislo", 1}, {"poznamka", "moje"}});
        auto store = openStore(db);
        store->Edit();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Eva"));
        store->Post();
        store->Append();
        store->FieldByName(QStringLiteral("cislo"))->setAsInteger(2);
        store->Post();
        QCOMPARE(db.value(QStringLiteral("SELECT poznamka FROM opravenky WHERE cislo = 1")).toString(), QStringLiteral("moje"));
        QCOMPARE(db.value(QStringLiteral("SELECT poznamka FROM opravenky WHERE cislo = 2")).toString(), QStringLiteral("vlastní"));
    }

    void deleting()
    {
        TestDb db;
        for (int i = 1; i <= 3; ++i)
            db.insert({{"cislo", i}});
        auto store = openStore(db);
        store->setRecNo(1);
        store->Delete();
        QCOMPARE(column(*store, "cislo"), QStringList({"1", "3"}));
        QCOMPARE(str(*store, "cislo"), QStringLiteral("3")); // the next row
        store->Delete();
        QCOMPARE(str(*store, "cislo"), QStringLiteral("1")); // no next: the previous
        store->Append();
        store->Delete(); // in insert state only cancels
        QCOMPARE(store->State(), DataSetState::Browse);
        QCOMPARE(store->RecordCount(), 1);
        store->Delete();
        QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM opravenky")).toInt(), 0);
        QCOMPARE(raised([&] { store->Delete(); }), QStringLiteral("ADOTable: Cannot perform this operation on an empty dataset"));
    }

    void bookmarks()
    {
        TestDb db;
        const qint64 a = db.insert({{"cislo", 1}, {"IMEI", "111"}});
        const qint64 b = db.insert({{"cislo", 2}, {"IMEI", "222"}});
        auto store = openStore(db);
        store->Last();
        QCOMPARE(store->GetBookmark(), b);
        store->GotoBookmark(a);
        QCOMPARE(store->RecNo(), 0);
        store->GotoBookmark(0); // the empty mark does nothing
        QCOMPARE(store->RecNo(), 0);
        QCOMPARE(raised([&] { store->GotoBookmark(b + 100); }), QStringLiteral("ADOTable: Record not found"));

        store->setOnFilterRecord([](TicketStore& ds, bool& accept) { accept = ds.FieldByName("IMEI")->AsString() != "222"; });
        store->setFiltered(true);
        QCOMPARE(raised([&] { store->GotoBookmark(b); }), QStringLiteral("ADOTable: Record not found"));
    }

    void refreshKeepsTheCurrentRowRule_data()
    {
        QTest::addColumn<int>("current");       // cislo of the current row before
        QTest::addColumn<QString>("hidden");    // numbers the filter then rejects
        QTest::addColumn<QString>("expected");  // cislo of the current row after
        QTest::newRow("passes: stays") << 3 << "2,4" << "3";
        QTest::newRow("hidden: next") << 3 << "3" << "4";
        QTest::newRow("hidden with next hidden: the one after") << 2 << "2,3" << "4";
        QTest::newRow("hidden, no next: previous") << 4 << "4" << "3";
        QTest::newRow("last ones hidden: the previous passing") << 3 << "3,4" << "2";
        QTest::newRow("all hidden: none") << 2 << "1,2,3,4" << "";
    }
    void refreshKeepsTheCurrentRowRule()
    {
        QFETCH(int, current);
        QFETCH(QString, hidden);
        QFETCH(QString, expected);
        TestDb db;
        for (int i : {4, 1, 3, 2}) // file order differs from the sort order
            db.insert({{"cislo", i}});
        auto store = openStore(db);
        QStringList rejected;
        store->setOnFilterRecord([&](TicketStore& ds, bool& accept) {
            accept = !rejected.contains(ds.FieldByName(QStringLiteral("cislo"))->AsString());
        });
        store->setFiltered(true);
        store->setSort(QStringLiteral("cislo ASC"));
        store->setRecNo(current - 1);
        QSignalSpy resets(store.get(), &TicketStore::dataSetChanged);
        rejected = hidden.split(u',');
        store->Refresh();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(str(*store, "cislo"), expected);
    }

    void closedTable_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char* op : {"Refresh", "First", "Last", "Next", "Prior", "Append", "Edit", "Post", "Cancel", "Delete",
                               "UpdateRecord", "GotoBookmark", "setRecNo", "set field", "setSort"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void closedTable()
    {
        QFETCH(QString, operation);
        TicketStore store;
        const std::map<QString, std::function<void()>> ops = {
            {"Refresh", [&] { store.Refresh(); }},
            {"First", [&] { store.First(); }},
            {"Last", [&] { store.Last(); }},
            {"Next", [&] { store.Next(); }},
            {"Prior", [&] { store.Prior(); }},
            {"Append", [&] { store.Append(); }},
            {"Edit", [&] { store.Edit(); }},
            {"Post", [&] { store.Post(); }},
            {"Cancel", [&] { store.Cancel(); }},
            {"Delete", [&] { store.Delete(); }},
            {"UpdateRecord", [&] { store.UpdateRecord(); }},
            {"GotoBookmark", [&] { store.GotoBookmark(5); }},
            {"setRecNo", [&] { store.setRecNo(0); }},
            {"set field", [&] { store.Fields(0)->setAsInteger(1); }},
            {"setSort", [&] { store.setSort(QStringLiteral("jmeno ASC")); }},
        };
        QCOMPARE(raised(ops.at(operation)), QStringLiteral("ADOTable: Cannot perform this operation on a closed dataset"));
        // Reads, GetBookmark and the empty GotoBookmark work on a closed table.
        QCOMPARE(store.FieldByName(QStringLiteral("jmeno"))->AsString(), QString());
        QCOMPARE(store.FieldByName(QStringLiteral("cislo"))->AsInteger(), 0);
        QCOMPARE(store.GetBookmark(), TBookmark(0));
        store.GotoBookmark(0);
        QCOMPARE(store.State(), DataSetState::Inactive);
    }

    void nullsReadAsEmpty()
    {
        TestDb db;
        db.exec(QStringLiteral("INSERT INTO opravenky DEFAULT VALUES"));
        auto store = openStore(db);
        for (int f = 0; f < store->FieldCount(); ++f) {
            TField* field = store->Fields(f);
            QCOMPARE(field->DisplayText(), QString());
            if (field->Kind() == FieldKind::DateTime)
                QVERIFY(!field->AsDateTime().isValid());
            else if (!field->Calculated())
                QCOMPARE(field->AsString(), QString());
        }
        QCOMPARE(store->FieldByName(QStringLiteral("cislo"))->AsInteger(), 0);
        QCOMPARE(store->FieldByName(QStringLiteral("cena"))->AsCurrency(), qint64(0));
        QCOMPARE(store->maxCislo(), 0);
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QString>("expected");    // part of the message
        QTest::newRow("missing file") << QByteArray() << "Cannot open file %1: the file does not exist";
        QTest::newRow("Jet database") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00\x01\x00\x00\x00", 24)
                                      << "Cannot open file %1: it is an Access (Jet) database";
        QTest::newRow("ACE database") << QByteArray("\x00\x01\x00\x00Standard ACE DB\x00\x02", 21)
                                      << "Cannot open file %1: it is an Access (Jet) database";
        QTest::newRow("not a database") << QByteArray(4096, 'x') << "Cannot open file %1: file is not a database";
    }
    void openFailures()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.mdb"));
        if (!contents.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + path);
        const QString message = raised([&] { store.Open(); });
        QVERIFY2(message.contains(expected.arg(QDir::toNativeSeparators(path))), qPrintable(message));
        QVERIFY(!store.Active());
        QCOMPARE(store.State(), DataSetState::Inactive);
        QCOMPARE(QFile::exists(path), !contents.isEmpty()); // never created
    }

    void missingColumn()
    {
        TestDb db;
        db.exec(QStringLiteral("ALTER TABLE opravenky DROP COLUMN vada"));
        TicketStore store;
        store.setConnectionString(db.connectionString());
        QCOMPARE(raised([&] { store.Open(); }), QStringLiteral("ADOTable: Field 'vada' not found"));
        QVERIFY(!store.Active());
    }

    void lockedDatabaseKeepsRowPending()
    {
        TestDb db;
        db.insert({{"cislo", 1}});
        auto store = openStore(db);
        store->setBusyTimeout(50);
        store->Edit();
        store->FieldByName(QStringLiteral("jmeno"))->setAsString(QStringLiteral("Eva"));
        db.exec(QStringLiteral("BEGIN IMMEDIATE")); // another writer holds the lock
        const QString message = raised([&] { store->Post(); });
        QVERIFY2(message.startsWith(QStringLiteral("Cannot write to file %1: database is locked").arg(QDir::toNativeSeparators(db.path()))),
                 qPrintable(message));
        QCOMPARE(store->State(), DataSetState::Edit);
        QCOMPARE(str(*store, "jmeno"), QStringLiteral("Eva"));
        db.exec(QStringLiteral("COMMIT"));
        store->Post();
        QCOMPARE(db.value(QStringLiteral("SELECT jmeno FROM opravenky")).toString(), QStringLiteral("Eva"));
    }

    void createDatabaseNeverReplaces()
    {
        TestDb db;
        db.insert({{"cislo", 7}});
        const QString message = raised([&] { TicketStore::createDatabase(db.path()); });
        QCOMPARE(message, QStringLiteral("Cannot create file %1: the file already exists").arg(QDir::toNativeSeparators(db.path())));
        QCOMPARE(db.value(QStringLiteral("SELECT cislo FROM opravenky")).toInt(), 7);
    }

    void fieldTexts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input"); // handed over with setEditText
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("edit");
        QTest::newRow("number") << "cislo" << " -42 " << "-42" << "-42";
        QTest::newRow("date") << "prijato" << "05.03.2024" << "05.03.2024" << "05.03.2024";
        QTest::newRow("date from the mask") << "prijato" << " 5. 3.2024" << "05.03.2024" << "05.03.2024";
        QTest::newRow("two-digit year") << "vydej" << "5.3.24" << "05.03.2024" << "05.03.2024";
        QTest::newRow("date and time") << "vydej" << "05.03.2024 14:30" << "05.03.2024 14:30" << "05.03.2024 14:30";
        QTest::newRow("price") << "cena" << "1234,5" << "1\u00a0234,50\u00a0Kč" << "1234,50";
        QTest::newRow("price as shown") << "cena" << "1\u00a0234,50\u00a0Kč" << "1\u00a0234,50\u00a0Kč" << "1234,50";
        QTest::newRow("price rounds for display") << "cena" << "0,125" << "0,13\u00a0Kč" << "0,13";
        QTest::newRow("empty clears") << "cena" << "" << "" << "";
        QTest::newRow("text") << "mesto" << " Brno " << " Brno " << " Brno ";
    }
    void fieldTexts()
    {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, display);
        QFETCH(QString, edit);
        TestDb db;
        auto store = openStore(db);
        store->Append();
        TField* f = store->FieldByName(field);
        if (input.isEmpty()) {
            f->setEditText(QStringLiteral("1")); // something to clear
            QVERIFY(!f->IsNull());
        }
        f->setEditText(input);
        QCOMPARE(f->DisplayText(), display);
        QCOMPARE(f->EditText(), edit);
        QCOMPARE(f->IsNull(), input.isEmpty());
        store->Post();
        auto other = openStore(db); // the stored value reads back the same
        QCOMPARE(other->FieldByName(field)->DisplayText(), display);
    }

    void datesStayNumericWhereTheLocaleNamesMonths()
    {
        // The C locale writes "5 Mar 2024", which no digit-only edit mask can hold.
        const QLocale shop;
        QLocale::setDefault(QLocale::c());
        TestDb db;
        auto store = openStore(db);
        store->Append();
        TField* f = store->FieldByName(QStringLiteral("prijato"));
        f->setAsDateTime(QDate(2024, 3, 5).startOfDay());
        const QString shown = f->DisplayText();
        f->setEditText(shown);
        QLocale::setDefault(shop);
        QCOMPARE(shown, QStringLiteral("05.03.2024"));
        QCOMPARE(f->AsDateTime(), QDate(2024, 3, 5).startOfDay());
    }

    void refusedTexts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters in number") << "cislo" << "abc" << "'abc' is not a valid integer value";
        QTest::newRow("number too big") << "cislo" << "2147483648" << "'2147483648' is not a valid integer value";
        QTest::newRow("decimal number") << "cislo" << "1,5" << "'1,5' is not a valid integer value";
        QTest::newRow("no such day") << "prijato" << "31.02.2024" << "'31.02.2024' is not a valid date";
        QTest::newRow("empty mask") << "prijato" << "  .  .    " << "'  .  .    ' is not a valid date";
        QTest::newRow("words") << "vydej" << "x" << "'x' is not a valid date";
        QTest::newRow("five-digit year") << "vydej" << "1.2.20244" << "'1.2.20244' is not a valid date";
        QTest::newRow("point in price") << "cena" << "12.50" << "'12.50' is not a valid floating point value";
        QTest::newRow("letters in price") << "cena" << "x" << "'x' is not a valid floating point value";
    }
    void refusedTexts()
    {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, message);
        TestDb db;
        auto store = openStore(db);
        store->Append();
        TField* f = store->FieldByName(field);
        QCOMPARE(raised([&] { f->setEditText(input); }), message);
        QVERIFY(f->IsNull());
        QVERIFY(!store->Modified());
    }

    void signalsOfAPendingRow()
    {
        TestDb db;
        db.insert({{"adresa", "Dlouhá 5"}});
        auto store = openStore(db);
        store->setOnCalcFields([](TicketStore& ds) {
            ds.FieldByName("adresa_mesto")->setAsString(ds.FieldByName("adresa")->AsString() + ",  " + ds.FieldByName("mesto")->AsString());
        });
        QCOMPARE(store->displayText(0, TicketRecord::adresa_mesto), QStringLiteral("Dlouhá 5,  "));
        QSignalSpy changes(store.get(), &TicketStore::fieldChanged);
        store->Edit();
        store->FieldByName(QStringLiteral("mesto"))->setAsString(QStringLiteral("Praha"));
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(0).at(0).toInt(), int(TicketRecord::mesto));
        QCOMPARE(changes.at(1).at(0).toInt(), int(TicketRecord::adresa_mesto));
        QCOMPARE(str(*store, "adresa_mesto"), QStringLiteral("Dlouhá 5,  Praha"));
        store->FieldByName(QStringLiteral("mesto"))->setAsString(QStringLiteral("Praha")); // same value: nothing
        QCOMPARE(changes.count(), 2);
    }
};

TRELOMAR_TEST(TestTicketStore)
#include "TestTicketStore.moc"
