#include "store/rows/TextColumn.h"
#include "tests/support/TestRegistry.h"

#include <QTest>

class TestTextColumn : public QObject
{
    Q_OBJECT

private slots:
    void sharedTextsKeepTheirOwnBytes_data();
    void sharedTextsKeepTheirOwnBytes();
};

void TestTextColumn::sharedTextsKeepTheirOwnBytes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("varied"); // the byte that tells the texts apart
    QTest::newRow("one byte") << QByteArray("a") << 0;
    QTest::newRow("seven bytes, the last") << QByteArray("Brno 12") << 6;
    QTest::newRow("eight bytes, the first") << QByteArray("Nokia 33") << 0;
    QTest::newRow("twelve bytes, the middle") << QByteArray("Nokia 3310 x") << 6;
    QTest::newRow("sixteen bytes, the ninth") << QByteArray("Siemens S45 mini") << 8;
    QTest::newRow("seventeen bytes, the ninth") << QByteArray("Siemens S45 minis") << 8;
    QTest::newRow("long, the middle") << QByteArray("krabice, nabíječka, návod") << 12;
}

// More texts alike but for one byte than there are recent places, each added
// three times: however they are shared, every place holds the text added there.
void TestTextColumn::sharedTextsKeepTheirOwnBytes()
{
    QFETCH(QByteArray, text);
    QFETCH(int, varied);
    std::vector<QByteArray> texts;
    for (int k = 0; k < 100; ++k) {
        texts.push_back(text);
        texts.back()[varied] = char(0x21 + k);
    }
    texts.push_back(text.left(text.size() - 1)); // one byte shorter
    texts.push_back(text + '\0');                // a zero byte longer
    StoreRow::TextColumn column;
    std::vector<StoreRow::TextRef> refs;
    for (int round = 0; round < 3; ++round)
        for (const QByteArray& t : texts)
            refs.push_back(column.add(t.constData(), int(t.size())));
    for (size_t i = 0; i < refs.size(); ++i)
        QCOMPARE(column.bytes(refs[i]), QByteArrayView(texts[i % texts.size()]));
}

TRELOMAR_TEST(TestTextColumn)

#include "TestTextColumn.moc"
