#include "store/index/SortOrder.h"
#include "tests/store/TestDb.h"
#include "tests/support/TestRegistry.h"

#include <QCollator>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace StoreRow;

namespace {

// Rows whose one text field holds `values` ("" for none), over `texts`.
std::vector<Row> rowsOf(int field, const QStringList& values, Texts& texts)
{
    std::vector<Row> rows;
    for (const QString& value : values) {
        rows.push_back(emptyRow());
        rows.back().text[slotOf(field)] = texts[slotOf(field)].add(QStringView(value));
    }
    return rows;
}

// Row indices as the order must be: empty values first, then by `less`, equal values in row order.
template <class Less>
std::vector<qint32> expectedOrder(const QStringList& values, Less less)
{
    std::vector<qint32> order(size_t(values.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qint32 a, qint32 b) {
        const QString &x = values[a], &y = values[b];
        return x.isEmpty() || y.isEmpty() ? x.isEmpty() && !y.isEmpty() : less(x, y);
    });
    return order;
}

struct CollatedLess
{
    QCollator collator = [] {
        QCollator c {QLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    bool operator()(const QString& a, const QString& b) const { return collator.compare(a, b) < 0; }
};

} // namespace

class TestSortOrder : public QObject
{
    Q_OBJECT

private slots:
    void fieldOfDigitsAloneInByteOrder_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::newRow("longer than 16 digits, agreeing in the first 16")
            << QStringList {"12345678901234567", "1234567890123456", "", "123456789012345670", "12345678901234567",
                            "123456789012345", "0", "", "00", "9", "12345678901234561", "12345678901234567"};
        QStringList many; // every byte of the packed digits differs somewhere; duplicates and long ties
        for (int i = 0; i < 3000; ++i) {
            const QString digits = QString::number((qint64(i) * 7919) % 100003).repeated(4);
            many << (i % 7 == 0 ? QString() : digits.left(1 + (i * 13) % 20));
        }
        QTest::newRow("many, of every length up to 20") << many;
    }
    void fieldOfDigitsAloneInByteOrder()
    {
        QFETCH(QStringList, values);
        Texts texts;
        const std::vector<Row> rows = rowsOf(TicketRecord::IMEI, values, texts);
        const SortOrder order(TicketRecord::IMEI, rows, texts);
        QCOMPARE(order.order(), expectedOrder(values, [](const QString& a, const QString& b) { return a < b; }));
    }

    void fieldOfDigitsAloneTakesOtherTextsPostedLater()
    {
        QStringList values {"350", "35", "", "4", "0035", "35"};
        Texts texts;
        std::vector<Row> rows = rowsOf(TicketRecord::IMEI, values, texts);
        SortOrder order(TicketRecord::IMEI, rows, texts);
        const int slot = slotOf(TicketRecord::IMEI);
        const auto set = [&](qint32 row, const QString& value) {
            values[row] = value;
            rows[size_t(row)].text[slot] = texts[slot].add(QStringView(value));
            order.rowChanged(row, false);
        };
        const auto append = [&](const QString& value) {
            values << value;
            rows.push_back(emptyRow());
            rows.back().text[slot] = texts[slot].add(QStringView(value));
            order.rowChanged(qint32(rows.size()) - 1, true);
        };
        // Texts not of digits collate, unlike their bytes: "N/A" equals "n/a" and stays after it, "č" comes before "d".
        set(3, QStringLiteral("n/a"));
        append(QStringLiteral("N/A"));
        set(0, QString());
        append(QStringLiteral("12345678901234567890"));
        append(QStringLiteral("d1"));
        append(QString::fromUtf8("č1"));
        QCOMPARE(order.order(), expectedOrder(values, CollatedLess()));
    }

    void namesEqualCaseAsideAcrossTheTwoThreads()
    {
        SKIP_UNLESS_SORT_KEYS_AGREE();
        // Enough rows and names for two threads; each name comes in three spellings that collate
        // equal and each spelling in more than one row, wherever they fall.
        QStringList values;
        const QStringList stems = {QStringLiteral("Čech"), QStringLiteral("čech"), QStringLiteral("ČECH")};
        for (int i = 0; i < 20000; ++i) {
            const int k = (i * 4099) % 3000;
            values << (i % 11 == 0 ? QStringLiteral("Chrudim %1").arg(k) : stems[(i / 3000) % 3] + QString::number(k));
        }
        Texts texts;
        const std::vector<Row> rows = rowsOf(TicketRecord::jmeno, values, texts);
        const SortOrder order(TicketRecord::jmeno, rows, texts);
        QCOMPARE(order.order(), expectedOrder(values, CollatedLess()));
    }
};

TRELOMAR_TEST(TestSortOrder)
#include "TestSortOrder.moc"
