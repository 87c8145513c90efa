#include "store/IdMeeting.h"
#include "tests/support/TestRegistry.h"

#include <QTest>

#include <limits>
#include <vector>

using Ids = std::vector<qint64>;
Q_DECLARE_METATYPE(Ids)

class TestIdMeeting : public QObject
{
    Q_OBJECT

private slots:
    void everyIdReadOnce_data();
    void everyIdReadOnce();
    void cancelledUpperReaderStops();
};

constexpr qint64 Min = std::numeric_limits<qint64>::min();
constexpr qint64 Max = std::numeric_limits<qint64>::max();

void TestIdMeeting::everyIdReadOnce_data()
{
    QTest::addColumn<Ids>("ids"); // ascending, as the table holds them
    QTest::addColumn<qint64>("lowest");
    QTest::addColumn<qint64>("highest");
    QTest::addColumn<qint64>("stretch");
    QTest::addColumn<int>("lowerPace"); // rows per turn; 0: never reads
    QTest::addColumn<int>("upperPace");

    Ids run;
    for (qint64 id = 1; id <= 1000; ++id)
        run.push_back(id);
    QTest::newRow("same pace") << run << qint64(1) << qint64(1000) << qint64(10) << 1 << 1;
    QTest::newRow("lower three times faster") << run << qint64(1) << qint64(1000) << qint64(10) << 3 << 1;
    QTest::newRow("upper seven times faster") << run << qint64(1) << qint64(1000) << qint64(3) << 1 << 7;
    QTest::newRow("upper never reads") << run << qint64(1) << qint64(1000) << qint64(10) << 1 << 0;
    QTest::newRow("lower never reads") << run << qint64(1) << qint64(1000) << qint64(10) << 0 << 1;
    QTest::newRow("stretch wider than the span") << run << qint64(1) << qint64(1000) << qint64(5000) << 1 << 1;
    const Ids gaps {1, 2, 3, 20, 40001, 40002, 50000};
    QTest::newRow("gaps wider than a stretch") << gaps << qint64(1) << qint64(50000) << qint64(4) << 1 << 1;
    QTest::newRow("one row") << Ids {5} << qint64(5) << qint64(5) << qint64(1) << 1 << 1;
    // Rows stored after the bounds were asked, before the snapshot began.
    QTest::newRow("ids beyond the bounds") << Ids {3, 10, 11, 12, 20, 25} << qint64(10) << qint64(20) << qint64(2) << 1 << 1;
    const Ids extremes {Min, Min + 1, -5, 0, 7, Max - 1, Max};
    QTest::newRow("the whole 64-bit range") << extremes << Min << Max << qint64(Max / 128) << 1 << 1;
    QTest::newRow("the whole 64-bit range, upper alone") << extremes << Min << Max << qint64(Max / 128) << 0 << 1;
}

// Both readers in turns, as their threads might interleave: each takes the
// ids its claims give it, in its own direction, until the other's are next.
void TestIdMeeting::everyIdReadOnce()
{
    QFETCH(Ids, ids);
    QFETCH(qint64, lowest);
    QFETCH(qint64, highest);
    QFETCH(qint64, stretch);
    QFETCH(int, lowerPace);
    QFETCH(int, upperPace);

    IdMeeting meeting(lowest, highest, stretch);
    size_t lower = 0;      // ids read up from the first
    size_t upper = 0;      // ids read down from the last
    qint64 below = Min, from = Max;
    bool lowerDone = lowerPace == 0, upperDone = upperPace == 0;
    while (!lowerDone || !upperDone) {
        for (int k = 0; k < lowerPace && !lowerDone; ++k) {
            if (lower == ids.size()) {
                lowerDone = true; // the end of its statement
                break;
            }
            const qint64 id = ids[lower];
            if (id >= below)
                below = meeting.lowerTakes(id);
            if (id < below)
                ++lower;
            else
                lowerDone = true;
        }
        for (int k = 0; k < upperPace && !upperDone; ++k) {
            if (upper == ids.size()) {
                upperDone = true;
                break;
            }
            const qint64 id = ids[ids.size() - 1 - upper];
            if (id < from)
                from = meeting.upperTakes(id);
            if (id >= from)
                ++upper;
            else
                upperDone = true;
        }
    }
    // No id read twice, none left: a reader that never read leaves every id to the other.
    QCOMPARE(lower + upper, ids.size());
    if (lowerPace == 0)
        QCOMPARE(upper, ids.size());
    if (upperPace == 0)
        QCOMPARE(lower, ids.size());
}

void TestIdMeeting::cancelledUpperReaderStops()
{
    IdMeeting meeting(1, 1000, 10);
    QCOMPARE(meeting.upperTakes(1000), qint64(991));
    QCOMPARE(meeting.lowerTakes(1), qint64(11));
    meeting.cancel();
    QCOMPARE(meeting.upperTakes(989), Max); // not its own: it stops
    QCOMPARE(meeting.lowerTakes(11), qint64(21));
}

TRELOMAR_TEST(TestIdMeeting)

#include "TestIdMeeting.moc"
