#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QProcess>

#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "support/TestSupport.h"

using namespace reports;

namespace {

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QFont reportFont() { return QFont(QStringLiteral("DejaVu Sans Mono"), 10); }

}  // namespace

TEST(ReportRender, PdfPagesBreakExactlyAtEject) {
    const QList<QStringList> lines = {
        {"L00Product", "R47Date", "U"},
        {"L00Widget", "R4712/01/26", ""},
        {"EJECT", "", ""},
        {"C24Second page", "", "B"},
    };
    const QString pdf = testing_support::artifactDir("reports") + "/render-eject.pdf";
    QStringList bad;
    ASSERT_TRUE(WritePdf(pdf, reportFont(), lines, 50, &bad));
    EXPECT_TRUE(bad.isEmpty());
    const QString text = pdfText(pdf);
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 2) << text.toStdString();
    EXPECT_TRUE(pages[0].contains("Product"));
    EXPECT_TRUE(pages[0].contains("Widget"));
    EXPECT_FALSE(pages[0].contains("Second page"));
    EXPECT_TRUE(pages[1].contains("Second page"));
    EXPECT_LT(pages[0].indexOf("Product"), pages[0].indexOf("Widget"));
}

TEST(ReportRender, MissingPictureIsSkippedAndTheRestDrawn) {
    const QList<QStringList> lines = {
        {"IL00no-such-logo.bmp", PictureAttribute(1.0, 2.0)},
        {"L00After the picture", ""},
    };
    const QString pdf = testing_support::artifactDir("reports") + "/render-badpicture.pdf";
    QStringList bad;
    ASSERT_TRUE(WritePdf(pdf, reportFont(), lines, 50, &bad));
    EXPECT_EQ(bad, QStringList{"no-such-logo.bmp"});
    EXPECT_TRUE(pdfText(pdf).contains("After the picture"));
}

TEST(ReportRender, PaperFontShrinksToFitButStopsAtItsFloor) {
    QImage narrow(200, 200, QImage::Format_RGB32);
    const RenderLayout fitted = LayoutFor(&narrow, QFont("DejaVu Sans Mono", 30), 200, 20, kPaperMinPoints);
    EXPECT_LE(20 * fitted.unit, 200);
    EXPECT_LT(fitted.font.pointSize(), 30);
    // A report that can never fit ends at the floor instead of looping.
    const RenderLayout floor = LayoutFor(&narrow, QFont("DejaVu Sans Mono", 30), 200, 1000, kPaperMinPoints);
    EXPECT_EQ(floor.font.pointSize(), kPaperMinPoints);
    EXPECT_EQ(floor.leftMargin, int(200 / 2.0 - 1000 * floor.unit / 2.0));
}

TEST(ReportRender, ColumnsAndRulesLandWhereTheMarkupSays) {
    QImage image(800, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    const RenderLayout layout = LayoutFor(&image, reportFont(), 800, 50, kScreenMinPoints);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    DrawLine(painter, layout, {"V10", ""}, 0, RenderTarget::Screen);
    painter.end();
    const int x = layout.columnX(10);
    EXPECT_EQ(image.pixelColor(x, layout.lineHeight / 2), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(x + 3, layout.lineHeight / 2), QColor(Qt::white));
}
