#include "store/TDM.h"
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
        module = std::make_unique<TDM>();
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
