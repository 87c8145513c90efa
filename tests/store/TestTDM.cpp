#include "datamodule/TDM.h"
#include "store/TField.h"
#include "store/TicketStore.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QDir>
#include <QTest>

namespace {

// The data module started in a folder whose data/data.mdb is `db`'s file.
class DataModule
{
public:
    explicit DataModule(const QString& dir)
        : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(dir);
        module = std::make_unique<TDM>(FolderLayout(QDir::currentPath()));
    }
    ~DataModule()
    {
        module.reset();
        QDir::setCurrent(m_previous);
    }
    TDM* operator->() const { return module.get(); }

    std::unique_ptr<TDM> module;

private:
    QString m_previous;
};

const QString ModuleFile = QStringLiteral("data/data.mdb");

} // namespace

class TestTDM : public QObject
{
    Q_OBJECT

private slots:
    void imeiFilter_data()
    {
        QTest::addColumn<QString>("findText");
        QTest::addColumn<QString>("imei");
        QTest::addColumn<bool>("passes");
        QTest::newRow("prefix") << "35" << "351234567890123" << true;
        QTest::newRow("inside, not at start") << "35" << "135" << false;
        QTest::newRow("shorter than the search") << "35" << "3" << false;
        QTest::newRow("no IMEI") << "35" << "" << true;
        QTest::newRow("trailing blank counts") << "35 " << "356" << false;
        QTest::newRow("case counts") << "ab" << "AB12" << false;
        QTest::newRow("whole IMEI") << "AB12" << "AB12" << true;
        QTest::newRow("empty search") << "" << "999" << true;
    }
    void imeiFilter()
    {
        QFETCH(QString, findText);
        QFETCH(QString, imei);
        QFETCH(bool, passes);
        TestDb db(ModuleFile);
        db.insert({{"cislo", 1}, {"IMEI", imei.isEmpty() ? QVariant() : QVariant(imei)}});
        DataModule dm(db.dir());
        QCOMPARE(dm->ADOTable->RecordCount(), 1);
        dm->FindText = findText;
        dm->ADOTable->Refresh();
        QCOMPARE(dm->ADOTable->RecordCount(), passes ? 1 : 0);
        dm->FindText.clear();
        dm->ADOTable->Refresh();
        QCOMPARE(dm->ADOTable->RecordCount(), 1);
    }

    void imeiSearchOverManyRowsAndChanges_data()
    {
        QTest::addColumn<QStringList>("imeis");
        // Texts that share their first 8 bytes, are shorter or longer, differ in case or are not ASCII.
        QTest::newRow("mixed texts") << QStringList {"351234567890123", "35123456", "351234567", "3512345678901234567890",
                                                      "35", "3", "", "AB12", "ab12", QString::fromUtf8("35š"),
                                                      QString::fromUtf8("šč"), "35 1", "35123457", "4"};
        // Digits alone are ordered another way: the same kinds of texts, some alike in their first 16 digits.
        QTest::newRow("digits alone") << QStringList {"351234567890123", "35123456", "351234567", "3512345678901234567891",
                                                       "35", "3", "", "3512345678901234567890", "35123456789012345",
                                                       "351234567890123", "35123457", "4"};
    }
    void imeiSearchOverManyRowsAndChanges()
    {
        QFETCH(QStringList, imeis);
        TestDb db(ModuleFile);
        for (int i = 0; i < imeis.size(); ++i)
            db.insert({{"cislo", i + 1}, {"IMEI", imeis[i].isEmpty() ? QVariant() : QVariant(imeis[i])}});
        DataModule dm(db.dir());
        TicketStore& table = *dm->ADOTable;
        const QStringList searches = {"3", "35", "351", "35123456", "351234567", "3512345678", "35 ", "AB", "ab",
                                      "x", QString::fromUtf8("35š"), QString::fromUtf8("š"), "4", "35123457",
                                      "35123456789012345", "3512345678901234567890"};
        // The numbers listed at each search, against the rule the search follows.
        const auto check = [&](const char* when) {
            table.setSort(QStringLiteral("cislo ASC"));
            dm->FindText.clear();
            table.Refresh();
            QList<QPair<int, QString>> all;
            for (int row = 0; row < table.RecordCount(); ++row)
                all.append({table.displayText(row, TicketRecord::cislo).toInt(), table.displayText(row, TicketRecord::IMEI)});
            for (const QString& search : searches) {
                dm->FindText = search;
                table.Refresh();
                QList<int> listed, expected;
                for (int row = 0; row < table.RecordCount(); ++row)
                    listed << table.displayText(row, TicketRecord::cislo).toInt();
                for (const auto& [number, imei] : all)
                    if (imei.isEmpty() || imei.startsWith(search))
                        expected << number;
                QVERIFY2(listed == expected, qPrintable(QStringLiteral("%1, search '%2'").arg(QLatin1String(when), search)));
            }
            dm->FindText.clear();
            table.Refresh();
        };
        check("as read");
        // Changed after the first search: the rows changed since are judged again.
        table.setRecNo(1);
        table.Edit();
        dm->ADOTableIMEI->setAsString(QStringLiteral("999"));
        table.Post();
        table.setRecNo(6); // the row without an IMEI gets one
        table.Edit();
        dm->ADOTableIMEI->setAsString(QStringLiteral("3512"));
        table.Post();
        table.Append();
        dm->ADOTablecislo->setAsInteger(100);
        dm->ADOTableIMEI->setAsString(QStringLiteral("351299"));
        table.Post();
        table.setRecNo(0);
        table.Delete();
        check("after changes");
    }

    void calculatedAddress_data()
    {
        QTest::addColumn<QString>("adresa");
        QTest::addColumn<QString>("mesto");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both") << "Dlouhá 5" << "Praha" << "Dlouhá 5,  Praha";
        QTest::newRow("neither") << "" << "" << ",  ";
        QTest::newRow("town only") << "" << "Brno" << ",  Brno";
        QTest::newRow("cut to 80") << QString(70, u'a') << QString(20, u'b') << QString(70, u'a') + ",  " + QString(7, u'b');
    }
    void calculatedAddress()
    {
        QFETCH(QString, adresa);
        QFETCH(QString, mesto);
        QFETCH(QString, expected);
        TestDb db(ModuleFile);
        db.insert({{"adresa", adresa}, {"mesto", mesto}});
        DataModule dm(db.dir());
        QCOMPARE(dm->ADOTableadresa_mesto->AsString(), expected);
        QCOMPARE(dm->ADOTable->displayText(0, TicketRecord::adresa_mesto), expected);
        // A pending row follows its fields at once.
        dm->ADOTable->Edit();
        dm->ADOTablemesto->setAsString(QStringLiteral("Kolín"));
        QCOMPARE(dm->ADOTableadresa_mesto->AsString(), (adresa + QStringLiteral(",  Kolín")).left(80));
        dm->ADOTable->Cancel();
    }
};

TRELOMAR_TEST(TestTDM)
#include "TestTDM.moc"
