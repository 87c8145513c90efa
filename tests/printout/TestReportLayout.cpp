// The report engine's layout and painting: bands on the page, auto-size,
// word wrap, lines cut at the box height, frame lines, opaque boxes.

#include "printout/report/Report.h"
#include "printout/report/ReportLayout.h"
#include "printout/report/ReportPainter.h"
#include "tests/support/TestRegistry.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

constexpr double Tolerance = 1e-6;

// A report of a title band, a detail band and a page footer on A4.
struct SmallReport
{
    Report report;
    ReportBand* title;
    ReportBand* detail;
    ReportBand* footer;

    SmallReport()
    {
        report.setTitle(QStringLiteral("Zkouška"));
        title = new ReportBand(&report, ReportBand::Kind::Title, QStringLiteral("title"), 50.0);
        detail = new ReportBand(&report, ReportBand::Kind::Detail, QStringLiteral("detail"), 30.0);
        footer = new ReportBand(&report, ReportBand::Kind::PageFooter, QStringLiteral("footer"), 5.0);
    }

    ReportLabel* label(ReportBand* band, const QString& name, const QRectF& mm, const QString& text)
    {
        auto* label = new ReportLabel(band, name, mm, text);
        label->setFont(QStringLiteral("Verdana"), 10);
        return label;
    }

    ReportPage page() const
    {
        const std::vector<ReportPage> pages = ReportLayout::layout(report);
        Q_ASSERT(pages.size() == 1);
        return pages.front();
    }
};

QImage paintAt150Dpi(const ReportPage& page)
{
    const double dpi = 150.0;
    QImage image(qRound(page.size.width() / 25.4 * dpi), qRound(page.size.height() / 25.4 * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    ReportPainter::paintPage(painter, page);
    return image;
}

int px(double mm)
{
    return int(mm / 25.4 * 150.0);
}

bool dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

} // namespace

class TestReportLayout : public QObject
{
    Q_OBJECT

private slots:
    void bandsSitOnTheMargins_data()
    {
        QTest::addColumn<QMarginsF>("margins");
        QTest::newRow("10 mm all round") << QMarginsF(10, 10, 10, 10);
        QTest::newRow("uneven") << QMarginsF(15, 20, 12, 25);
    }

    void bandsSitOnTheMargins()
    {
        QFETCH(QMarginsF, margins);
        SmallReport r;
        r.report.setMargins(margins);
        const ReportPage page = r.page();
        const double width = 210.0 - margins.left() - margins.right();

        QCOMPARE(page.size, QSizeF(210.0, 297.0));
        QCOMPARE(page.band("title")->rect, QRectF(margins.left(), margins.top(), width, 50.0));
        QCOMPARE(page.band("detail")->rect, QRectF(margins.left(), margins.top() + 50.0, width, 30.0));
        // The footer's bottom edge lies on the bottom margin.
        QCOMPARE(page.band("footer")->rect, QRectF(margins.left(), 297.0 - margins.bottom() - 5.0, width, 5.0));
    }

    void elementsAreRelativeToTheirBand()
    {
        SmallReport r;
        r.label(r.title, "a", QRectF(1.5, 2.5, 30, 5), "A");
        r.label(r.detail, "b", QRectF(1.5, 2.5, 30, 5), "B");
        const ReportPage page = r.page();
        QCOMPARE(page.box("a")->rect, QRectF(11.5, 12.5, 30, 5));
        QCOMPARE(page.box("b")->rect, QRectF(11.5, 62.5, 30, 5));
    }

    void bandsThatDoNotFitStartANewPage()
    {
        SmallReport r;
        r.title->setHeight(150.0);
        r.detail->setHeight(130.0); // 10 + 150 + 130 > 282 (footer at 282..287)
        const std::vector<ReportPage> pages = ReportLayout::layout(r.report);
        QCOMPARE(pages.size(), std::size_t(2));
        QCOMPARE(pages[1].band("detail")->rect.top(), 10.0);
        QVERIFY(pages[0].band("footer") && pages[1].band("footer"));
    }

    void autoSizeKeepsTheAlignedEdge_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("text");
        QTest::newRow("left, short") << int(Qt::AlignLeft) << "Číslo";
        QTest::newRow("left, long") << int(Qt::AlignLeft) << "Evidenční číslo zakázky a ještě víc:";
        QTest::newRow("right, short") << int(Qt::AlignRight) << "Číslo";
        QTest::newRow("right, long") << int(Qt::AlignRight) << "Evidenční číslo zakázky a ještě víc:";
        QTest::newRow("centre") << int(Qt::AlignHCenter) << "Evidenční číslo zakázky:";
        QTest::newRow("two lines: the widest counts") << int(Qt::AlignLeft) << "krátký\nmnohem delší řádek textu";
    }

    void autoSizeKeepsTheAlignedEdge()
    {
        QFETCH(int, alignment);
        QFETCH(QString, text);
        SmallReport r;
        const QRectF design(40.0, 3.0, 30.0, 10.0); // sheet: 50..80 wide, top 13
        ReportLabel* label = r.label(r.title, "l", design, text);
        label->setAlignment(Qt::Alignment(alignment));
        label->setAutoSize(true);
        const ReportPage page = r.page();
        const PlacedBox* box = page.box("l");

        double widest = 0;
        for (const QString& line : text.split('\n'))
            widest = std::max(widest, TextMetrics::widthMm(label->font(), line));
        QVERIFY(widest > 0);
        QVERIFY(qAbs(box->rect.width() - widest) < Tolerance);
        QCOMPARE(box->rect.top(), 13.0);
        QCOMPARE(box->rect.height(), 10.0); // auto-size never changes the height
        if (alignment == Qt::AlignLeft)
            QVERIFY(qAbs(box->rect.left() - 50.0) < Tolerance);
        else if (alignment == Qt::AlignRight)
            QVERIFY(qAbs(box->rect.right() - 80.0) < Tolerance);
        else
            QVERIFY(qAbs(box->rect.center().x() - 65.0) < Tolerance);
        QCOMPARE(box->lines, text.split('\n').mid(0, box->lines.size())); // never wrapped
    }

    void wordWrapBreaksAtTheBoxWidth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::newRow("words") << "Přístroj byl převzat bez baterie a bez zadního krytu, zákazník byl poučen." << 40.0;
        QTest::newRow("a word longer than the box") << "351234567890123456789012345678901234567890" << 20.0;
        QTest::newRow("blanks between words") << "a  b   c    d     e      f       g        h" << 8.0;
    }

    void wordWrapBreaksAtTheBoxWidth()
    {
        QFETCH(QString, text);
        QFETCH(double, width);
        SmallReport r;
        r.label(r.title, "w", QRectF(0, 0, width, 45.0), text);
        const ReportPage page = r.page();
        const PlacedBox* box = page.box("w");
        QVERIFY(box->lines.size() > 1);
        for (const QString& line : box->lines)
            QVERIFY2(TextMetrics::widthMm(box->font, line) <= width + Tolerance, qPrintable(line));
        // Nothing is lost but the blanks at the breaks.
        QString joined = box->lines.join(QString());
        QCOMPARE(joined.remove(' '), QString(text).remove(' '));
    }

    void wordWrapOffKeepsTheLine()
    {
        SmallReport r;
        ReportLabel* label = r.label(r.title, "w", QRectF(0, 0, 10.0, 20.0), "jeden dlouhý řádek textu");
        label->setWordWrap(false);
        QCOMPARE(r.page().box("w")->lines, QStringList { "jeden dlouhý řádek textu" });
    }

    void linesBeyondTheBoxHeightAreCut_data()
    {
        QTest::addColumn<double>("linesHigh"); // box height in line heights
        QTest::addColumn<int>("printed");
        QTest::newRow("not even one line") << 0.9 << 0;
        QTest::newRow("exactly one") << 1.0 << 1;
        QTest::newRow("two and a half") << 2.5 << 2;
        QTest::newRow("exactly three") << 3.0 << 3;
        QTest::newRow("room for more than there are") << 20.0 << 10;
    }

    void linesBeyondTheBoxHeightAreCut()
    {
        QFETCH(double, linesHigh);
        QFETCH(int, printed);
        SmallReport r;
        auto* memo = new ReportMemo(r.title, "m", QRectF(0, 0, 150, 1));
        memo->setFont(QStringLiteral("Verdana"), 10);
        QStringList lines;
        for (int i = 1; i <= 10; ++i)
            lines << QStringLiteral("řádek %1").arg(i);
        memo->setLines(lines);
        const double lineHeight = TextMetrics::lineHeightMm(memo->font());
        memo->setGeometry(QRectF(0, 0, 150, linesHigh * lineHeight));
        const ReportPage page = r.page();
        const PlacedBox* box = page.box("m");
        QCOMPARE(box->lines, lines.mid(0, printed));
        QVERIFY(qAbs(box->lineHeight - lineHeight) < Tolerance);
    }

    void fieldsReadTheSourceWhenLaidOut()
    {
        SmallReport r;
        auto* field = new ReportField(r.detail, "f", QRectF(0, 0, 100, 10), "jmeno");
        field->setFont(QStringLiteral("Verdana"), 10);
        QVERIFY(r.page().box("f")->lines.isEmpty()); // no source: blank

        QString value = QStringLiteral("Jan Novák");
        QStringList asked;
        r.report.setFieldSource([&](const QString& name) {
            asked << name;
            return value;
        });
        QCOMPARE(r.page().box("f")->lines, QStringList { "Jan Novák" });
        value = QStringLiteral("Petr Svoboda");
        QCOMPARE(r.page().box("f")->lines, QStringList { "Petr Svoboda" });
        QCOMPARE(asked, QStringList({ "jmeno", "jmeno" }));
    }

    void frameLinesRunAlongTheBandTops()
    {
        SmallReport r;
        r.label(r.detail, "x", QRectF(0, 0, 10, 5), "x");
        r.detail->setFrameTop(ReportBand::Frame::Dotted);
        r.footer->setFrameTop(ReportBand::Frame::Solid);
        const ReportPage page = r.page();

        std::vector<const PlacedBox*> rules;
        for (const PlacedBox& box : page.boxes)
            if (box.kind == PlacedBox::Kind::Rule)
                rules.push_back(&box);
        QCOMPARE(rules.size(), std::size_t(2)); // none on the title band
        QCOMPARE(rules[0]->rect, QRectF(10, 60, 190, 0));
        QCOMPARE(rules[0]->penStyle, Qt::DotLine);
        QCOMPARE(rules[1]->rect, QRectF(10, 282, 190, 0));
        QCOMPARE(rules[1]->penStyle, Qt::SolidLine);
        // Frames are drawn over the elements.
        QCOMPARE(page.boxes.back().kind, PlacedBox::Kind::Rule);
    }

    void paintedRulesAreDottedOrSolid()
    {
        SmallReport r;
        r.detail->setFrameTop(ReportBand::Frame::Dotted);
        r.footer->setFrameTop(ReportBand::Frame::Solid);
        const QImage image = paintAt150Dpi(r.page());

        auto darkShare = [&](double yMm) {
            // The rule is 0.2 mm thick: take the darkest of the rows it may touch.
            int best = 0;
            for (int y = px(yMm) - 1; y <= px(yMm) + 1; ++y) {
                int count = 0;
                for (int x = px(12); x < px(198); ++x)
                    count += dark(image, x, y);
                best = std::max(best, count);
            }
            return double(best) / (px(198) - px(12));
        };
        QVERIFY2(darkShare(282.0) > 0.95, "the solid rule runs unbroken");
        const double dotted = darkShare(60.0);
        QVERIFY2(dotted > 0.15 && dotted < 0.7, qPrintable(QString::number(dotted)));
        QCOMPARE(darkShare(40.0), 0.0);
    }

    void opaqueTextBoxesCoverWhatLiesBelow()
    {
        SmallReport r;
        auto* bar = new ReportShape(r.title, "bar", QRectF(0, 10, 100, 10));
        Q_UNUSED(bar);
        r.label(r.title, "over", QRectF(20, 12, 30, 5), QString());
        ReportLabel* clear = r.label(r.title, "clear", QRectF(60, 12, 30, 5), QString());
        clear->setTransparent(true);
        const QImage image = paintAt150Dpi(r.page());

        QVERIFY(dark(image, px(15), px(25))); // the bar itself
        QVERIFY(!dark(image, px(45), px(24.5))); // under the opaque label
        QVERIFY(dark(image, px(85), px(24.5))); // under the transparent one
    }

    void textIsPaintedInsideItsBox()
    {
        SmallReport r;
        ReportLabel* label = r.label(r.title, "t", QRectF(20, 20, 60, 9.5), "OPRAVENKA");
        label->setFont(QStringLiteral("Verdana"), 17, true);
        label->setAutoSize(true);
        const PlacedBox box = *r.page().box("t");
        const QImage image = paintAt150Dpi(r.page());

        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (dark(image, x, y))
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(!ink.isEmpty());
        const QRect boxPx(
            px(box.rect.left()) - 1, px(box.rect.top()) - 1, px(box.rect.width()) + 3, px(box.rect.height()) + 3);
        QVERIFY2(boxPx.contains(ink),
            qPrintable(QStringLiteral("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
        // Auto-size leaves no slack: the glyphs reach across most of the box.
        QVERIFY(ink.width() > boxPx.width() * 0.9);
    }
};

TRELOMAR_TEST(TestReportLayout)
#include "TestReportLayout.moc"
