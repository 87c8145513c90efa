#include "store/Imei.h"
#include "tests/support/TestRegistry.h"

#include <QTest>

class TestImei : public QObject
{
    Q_OBJECT

private slots:
    void checkDigit_data();
    void checkDigit();
};

void TestImei::checkDigit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wrong");
    QTest::newRow("valid") << "490154203237518" << false;
    QTest::newRow("valid, doubled digits over 9") << "356938035643809" << false;
    QTest::newRow("last digit changed") << "490154203237519" << true;
    QTest::newRow("two digits swapped") << "490154203237581" << true;
    QTest::newRow("14 digits") << "49015420323751" << false;
    QTest::newRow("16 digits") << "4901542032375180" << false;
    QTest::newRow("blank inside") << "4901542 3237518" << false;
    QTest::newRow("letter") << "49015420323751A" << false;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("49015420323751٨") << false;
    QTest::newRow("empty") << "" << false;
}

void TestImei::checkDigit()
{
    QFETCH(QString, text);
    QTEST(hasWrongImeiCheckDigit(text), "wrong");
}

TRELOMAR_TEST(TestImei)

#include "TestImei.moc"
