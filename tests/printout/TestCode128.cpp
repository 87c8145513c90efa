// The Code 128 encoder: the symbols it chooses, their check symbol, and bars
// that an independent reader decodes back to the text.

#include "printout/Code128.h"
#include "tests/printout/PdfTools.h"
#include "tests/support/TestRegistry.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

using Symbols = std::vector<int>;
Q_DECLARE_METATYPE(Symbols)

class TestCode128 : public QObject
{
    Q_OBJECT

private slots:
    // Check symbols worked out by hand: the start code's value plus each data
    // symbol times its position, modulo 103.
    void symbolsAndCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Symbols>("expected");
        // 104 + 52·1 + 17·2 + 18·3 + 19·4 = 320 = 3·103 + 11: three digits stay in code set B.
        QTest::newRow("T123") << "T123" << Symbols { 104, 52, 17, 18, 19, 11, 106 };
        // 104 + 52 + 99·2 + 21·3 + 47·4 + 48·5 + 36·6 + 47·7 = 1390 = 13·103 + 51.
        QTest::newRow("even digit run") << "T2147483647" << Symbols { 104, 52, 99, 21, 47, 48, 36, 47, 51, 106 };
        // The odd run's first digit stays in B: 104 + 52 + 25·2 + 99·3 + 99·4 + 99·5 = 1394, check 55.
        QTest::newRow("odd digit run") << "T99999" << Symbols { 104, 52, 25, 99, 99, 99, 55, 106 };
        // Leading digits start in C; the odd last one goes back to B: 105 + 12 + 34·2 + 100·3 + 21·4 = 569, check 54.
        QTest::newRow("starts with digits") << "12345" << Symbols { 105, 12, 34, 100, 21, 54, 106 };
        QTest::newRow("empty") << "" << Symbols {};
        QTest::newRow("not printable ASCII") << "T12č" << Symbols {};
        QTest::newRow("control character") << "T\t1" << Symbols {};
    }

    void symbolsAndCheck()
    {
        QFETCH(QString, text);
        QFETCH(Symbols, expected);
        const Symbols symbols = Code128::symbols(text);
        QCOMPARE(symbols, expected);
        const std::vector<int> widths = Code128::moduleWidths(text);
        QCOMPARE(widths.size(), symbols.empty() ? 0 : 6 * (symbols.size() - 1) + 7);
        const int modules = std::accumulate(widths.begin(), widths.end(), 0);
        QCOMPARE(std::size_t(modules), symbols.empty() ? 0 : 11 * (symbols.size() - 1) + 13);
    }

    // Together the texts use every symbol of code sets B and C.
    void zbarReadsTheBars_data()
    {
        QTest::addColumn<QString>("text");
        QString pairs;
        for (int i = 0; i < 100; ++i)
            pairs += QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        QTest::newRow("digit pairs") << pairs;
        QTest::newRow("punctuation") << " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
        QTest::newRow("capitals") << "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        QTest::newRow("small letters") << "abcdefghijklmnopqrstuvwxyz";
        QTest::newRow("digits in B") << "a1b2c3d4e5f6g7h8i9j0";
        QTest::newRow("runs inside text") << "AB1234cd56789x0";
    }

    void zbarReadsTheBars()
    {
        QFETCH(QString, text);
        REQUIRE_TOOLS("zbarimg");
        constexpr int Pixels = 3; // per module
        constexpr int Quiet = 10 * Pixels;
        const std::vector<int> widths = Code128::moduleWidths(text);
        const int modules = std::accumulate(widths.begin(), widths.end(), 0);
        QImage image(2 * Quiet + modules * Pixels, 60, QImage::Format_Grayscale8);
        image.fill(Qt::white);
        QPainter painter(&image);
        int x = Quiet;
        for (std::size_t i = 0; i < widths.size(); x += widths[i++] * Pixels)
            if (i % 2 == 0)
                painter.fillRect(x, 0, widths[i] * Pixels, image.height(), Qt::black);
        painter.end();
        QTemporaryDir dir;
        QVERIFY(image.save(dir.filePath("bars.png")));
        QCOMPARE(PdfTools::scan(dir.filePath("bars.png")), QStringList { text });
    }
};

TRELOMAR_TEST(TestCode128)
#include "TestCode128.moc"
