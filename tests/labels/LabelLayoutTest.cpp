// The label layout without a device: measures in points become pixels, and each address lands on its
// page, row and column, as the stocks and starting places of the label run put them.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QPoint>

#include "labels/LabelGen.h"
#include "reports/PdfPages.h"

namespace {

using base::Decimal;
using namespace base::literals;
using labels::DeviceGeometry;
using labels::LabelMetrics;
using labels::LabelPlan;

// US Letter at dpi with an unprintable strip of `strip` pixels on every side.
DeviceGeometry letter(int dpi, int strip = 0) {
    DeviceGeometry g;
    g.dpiX = g.dpiY = dpi;
    g.offX = g.offY = strip;
    g.physW = dpi * 17 / 2;
    g.physH = dpi * 11;
    g.pageW = g.physW - 2 * strip;
    g.pageH = g.physH - 2 * strip;
    return g;
}

store::LabelBuffer stock(int across, Decimal width, Decimal height, bool continuous = false) {
    store::LabelBuffer s;
    s.Name = QStringLiteral("Test stock");
    s.NAcross = across;
    s.Width = width;
    s.Height = height;
    s.HGap = 9;
    s.TopM = 36;
    s.LeftM = 18;
    s.BottomM = 36;
    s.Continuous = continuous;
    return s;
}

QList<QStringList> customers(int n) {
    QList<QStringList> blocks;
    for (int i = 1; i <= n; ++i) blocks.append({QStringLiteral("Customer %1").arg(i), "1 Main St", "", "", ""});
    return blocks;
}

// "page:row:column" of every label, in the order they were added.
QStringList places(const LabelPlan& plan) {
    QStringList out;
    for (const labels::PlacedLabel& l : plan.labels) out << QStringLiteral("%1:%2:%3").arg(l.page).arg(l.row).arg(l.column);
    return out;
}

TEST(LabelLayoutTest, PointsBecomeTruncatedDevicePixels) {
    const struct {
        Decimal points;
        int dpi, pixels;
    } cases[] = {{200, 300, 833}, {72, 300, 300}, {13.5_dec, 300, 56}, {189, 600, 1575},
                 {0.239_dec, 300, 0}, {0.240_dec, 300, 1}, {9999.999_dec, 72, 9999}};
    for (const auto& c : cases) EXPECT_EQ(labels::PointsToPixels(c.points, c.dpi), c.pixels) << c.points;

    const LabelMetrics m = labels::MeasureStock(stock(3, 200, 72), letter(300));
    EXPECT_EQ(m.width, 833);
    EXPECT_EQ(m.height, 300);
    EXPECT_EQ(m.hGap, 37);   // 9 points
    EXPECT_EQ(m.top, 150);   // 36 points, no strip
    EXPECT_EQ(m.left, 75);   // 18 points
}

TEST(LabelLayoutTest, MarginsCountFromThePrintableArea) {
    // A quarter inch unprintable at 300 dpi is 75 pixels: a 9 point top margin (37 pixels) lies inside
    // it, so the first row prints at the top of the printable area; 36 points (150) is 75 below it.
    store::LabelBuffer s = stock(1, 200, 72);
    s.TopM = 9;
    const LabelMetrics m = labels::MeasureStock(s, letter(300, 75));
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.left, 0);
    EXPECT_EQ(m.bottom, 75);
    EXPECT_EQ(labels::PlanLabels(s, {}, customers(1), m).labels.first().y, 0);
    s.TopM = 36;
    EXPECT_EQ(labels::MeasureStock(s, letter(300, 75)).top, 75);
}

TEST(LabelLayoutTest, RowsPerPageCountALastLabelWithoutItsGap) {
    const struct {
        Decimal top, height, vGap;
        int rows;
    } cases[] = {
        {36, 72, 0, 10},   // 720 points of room: exactly ten rows
        {46, 60, 20, 9},   // 700 points: eight rows of 80 and the ninth label's 60 fit
        {46, 61, 20, 8},   // the ninth label is a point too tall
        {400, 72, 0, 0},   // no room at all
    };
    for (const auto& c : cases) {
        store::LabelBuffer s = stock(1, 200, c.height);
        s.TopM = s.BottomM = c.top;
        s.VGap = c.vGap;
        EXPECT_EQ(labels::MeasureStock(s, letter(72)).rowsPerPage, c.rows) << c.height << " " << c.vGap;
    }
}

TEST(LabelLayoutTest, LabelsGoRowByRowFromTheStartingPlace) {
    const struct {
        const char* what;
        int across, column, row, count;
        bool continuous;
        QStringList places;
        int rows, pages;
    } cases[] = {
        {"3 across from column 3, 4 customers", 3, 3, 1, 4, false, {"0:1:3", "0:2:1", "0:2:2", "0:2:3"}, 2, 1},
        {"6 customers on 3 across", 3, 1, 1, 6, false, {"0:1:1", "0:1:2", "0:1:3", "0:2:1", "0:2:2", "0:2:3"}, 2, 1},
        {"a column beyond the stock is its last", 3, 7, 1, 2, false, {"0:1:3", "0:2:1"}, 2, 1},
        {"starting row past the page", 2, 1, 10, 3, false, {"1:1:1", "1:1:2", "1:2:1"}, 2, 2},
        {"the ninth row is the last of the sheet", 1, 1, 9, 2, false, {"0:9:1", "1:1:1"}, 2, 2},
        {"continuous stock feeds on past the bottom margin", 1, 1, 9, 2, true, {"0:9:1", "0:10:1"}, 2, 1},
        {"continuous stock off the page goes on", 1, 1, 10, 2, true, {"0:10:1", "1:1:1"}, 2, 2},
        {"nothing to print", 3, 2, 4, 0, false, {}, 0, 0},
    };
    for (const auto& c : cases) {
        // 72 dpi: pixels are points. Nine rows of 72 fit between the margins of 36 and 108 points;
        // continuous stock has no bottom margin to keep and holds ten rows on the 792 point page.
        store::LabelBuffer s = stock(c.across, 180, 72, c.continuous);
        s.BottomM = 108;
        const LabelPlan plan = labels::PlanLabels(s, {c.column, c.row}, customers(c.count),
                                                  labels::MeasureStock(s, letter(72)));
        EXPECT_EQ(places(plan), c.places) << c.what;
        EXPECT_EQ(plan.rowsPrinted, c.rows) << c.what;
        EXPECT_EQ(plan.pages, c.pages) << c.what;
    }
}

TEST(LabelLayoutTest, PositionsFollowTheStockInPointsAndPixels) {
    // 3 across from column 3 with 4 customers on 200 x 72 point labels with a 9 point gap.
    const store::LabelBuffer s = stock(3, 200, 72);
    for (const int dpi : {72, 300}) {
        const LabelPlan plan = labels::PlanLabels(s, {3, 1}, customers(4), labels::MeasureStock(s, letter(dpi)));
        const QList<QPoint> expected = dpi == 72
                                           ? QList<QPoint>{{436, 36}, {18, 108}, {227, 108}, {436, 108}}
                                           : QList<QPoint>{{1815, 150}, {75, 450}, {945, 450}, {1815, 450}};
        ASSERT_EQ(plan.labels.size(), 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(QPoint(plan.labels[i].x, plan.labels[i].y), expected[i]) << dpi << " dpi, label " << i;
            EXPECT_EQ(plan.labels[i].lines.first(), QStringLiteral("Customer %1").arg(i + 1));
        }
    }
}

TEST(LabelLayoutTest, StocksTooSmallOrWithoutColumnsAreRefusedByName) {
    const QFont font(QStringLiteral("DejaVu Sans Mono"), 10);
    const struct {
        int across;
        Decimal width, height;
        const char* says;  // empty: printable
    } cases[] = {
        {3, 189, 72, ""},
        {0, 189, 72, "\"No. Labels Across\" is 0"},
        {-1, 189, 72, "\"No. Labels Across\" is -1"},
        {3, 0, 72, "label Width of 0.000 points"},
        {3, 20, 72, "label Width of 20.000 points"},
        {3, 189, 0, "label Height of 0.000 points"},
        {3, 189, 12.5_dec, "label Height of 12.500 points"},
    };
    for (const auto& c : cases) {
        const QString problem = labels::StockProblem(stock(c.across, c.width, c.height), font);
        if (*c.says == 0) {
            EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
            continue;
        }
        EXPECT_TRUE(problem.startsWith(QStringLiteral("Label stock \"Test stock\""))) << problem.toStdString();
        EXPECT_TRUE(problem.contains(QLatin1String(c.says))) << problem.toStdString();
    }
}

// A stock whose columns run off the page would lose labels without a word, and one on which no row
// fits would feed blank sheets: both are refused by name, and a refused PDF leaves the earlier file.
TEST(LabelLayoutTest, StocksThatDoNotFitThePageAreRefusedAndNoPdfIsLost) {
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter letterPage(&sink);
    letterPage.setPageSize(QPageSize(QPageSize::Letter));
    letterPage.setPageMargins(QMarginsF(0, 0, 0, 0));
    letterPage.setResolution(72);
    const struct {
        store::LabelBuffer stock;
        const char* says;  // empty: printable
    } cases[] = {
        {stock(3, 189, 72), ""},
        {stock(5, 200, 72), "5 labels across need 1054.000 points from the left edge of the page, but the page is 612.000"},
        {stock(1, 200, 900), "a label 900.000 points high below a top margin of 36.000 points does not fit on a page 792.000"},
        {stock(1, 200, 900, /*continuous=*/true), "a label 900.000 points high"},
    };
    QTemporaryDir dir;
    const QString pdf = dir.filePath("labels.pdf");
    for (const auto& c : cases) {
        const QString problem = labels::PageProblem(c.stock, &letterPage);
        EXPECT_TRUE(problem.contains(QLatin1String(c.says))) << problem.toStdString();
        if (*c.says == 0) continue;
        EXPECT_TRUE(problem.startsWith(QStringLiteral("Label stock \"Test stock\": "))) << problem.toStdString();
        QFile earlier(pdf);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
        earlier.write("earlier");
        earlier.close();
        EXPECT_FALSE(labels::WriteLabelPdf(pdf, c.stock, {}, customers(5), QFont()));
        ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
        EXPECT_EQ(earlier.readAll(), "earlier");
    }
}

// A long line is printed smaller or cut short within its label: the neighbour stays readable.
TEST(LabelLayoutTest, ALongLineStaysWithinItsLabel) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("long.pdf");
    const store::LabelBuffer s = stock(3, 180, 72);
    const QList<QStringList> blocks = {{"Featherstonehaugh-Smythe Wolfeschlegelsteinhausen-Bergerdorff Limited", "", "", "", ""},
                                       {"Neighbour", "", "", "", ""}};
    ASSERT_TRUE(labels::WriteLabelPdf(pdf, s, {}, blocks, QFont(QStringLiteral("DejaVu Sans"), 10)));
    const QList<report_testing::PdfPage> pages = report_testing::PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const report_testing::PdfWord* neighbour = report_testing::FindWord(pages[0], "Neighbour");
    ASSERT_NE(neighbour, nullptr);
    ASSERT_GT(pages[0].words.size(), 1);
    for (const report_testing::PdfWord& w : pages[0].words) {
        if (w.text != "Neighbour") EXPECT_LE(w.xMax, neighbour->xMin) << w.text.toStdString();
    }
}

}  // namespace
