#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QPageLayout>

#include <algorithm>

#include "base/Format.h"
#include "base/ReportOutput.h"
#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "reports/PdfPages.h"
#include "reports/ReportFixture.h"

using namespace reports;
using report_testing::PagePrinter;

namespace {

QFont monoFont(int points) { return QFont(QStringLiteral("DejaVu Sans Mono"), points); }

// A printer whose page holds 16 lines of the 10-point report font: 10 lines per page after the reserve.
class FixedPrinter : public PagePrinter {
public:
    explicit FixedPrinter(int lines) {
        base::ReportFont = monoFont(10);
        holdLines(lines, base::ReportFont, 50);
    }
};

// A three-column report with the usual two heading rows.
void beginColumns(int width) {
    ReportWidth = width;
    CellsPerLine = 4;
    BeginReport();
    TitleLines = {QStringLiteral("Sales Summary")};
    ColumnDirectives = {QStringLiteral("L00"), QStringLiteral("V30"), QStringLiteral("R47")};
    HeaderRows = {{"", "", "", "U"}, {"L00Product", "V30", "R47Date", "U"}};
}

class RptUtilTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetPrinterMetrics(nullptr);
        EndReport();
    }
};

}  // namespace

TEST_F(RptUtilTest, FirstBreakMakesPageOneWithoutEject) {
    FixedPrinter printer(16);  // 10 lines per page after the heading reserve
    SetPrinterMetrics(&printer);
    beginColumns(50);
    EXPECT_EQ(LinesPerPage, 10);
    ASSERT_TRUE(CheckPageBreak(LinesOnPage + 1, true));
    EXPECT_EQ(PageNumber, 1);
    ASSERT_GE(LastLine(), 0);
    EXPECT_EQ(ReportLines[0][0], QStringLiteral("L00Page 1"));
    EXPECT_EQ(ReportLines[0][1], QStringLiteral("R50") + base::DateText(base::Today()));
    EXPECT_EQ(ReportLines[2][0], QStringLiteral("C25Sales Summary"));
    EXPECT_EQ(ReportLines[2][3], QStringLiteral("B"));
    // heading, blank, title, two blanks, blank, two heading rows
    EXPECT_EQ(LastLine(), 7);
    EXPECT_EQ(ReportLines[7][2], QStringLiteral("R47Date"));
    EXPECT_EQ(LinesOnPage, 8);  // counted from 0 at the break, +1 per line added
    for (const QStringList& line : ReportLines) EXPECT_NE(line[0], QStringLiteral("EJECT"));
}

TEST_F(RptUtilTest, BreaksWithAndWithoutHeadings) {
    FixedPrinter printer(16);
    SetPrinterMetrics(&printer);
    for (bool headings : {true, false}) {
        beginColumns(50);
        CheckPageBreak(LinesOnPage + 1, headings);
        int details = 0;
        while (PageNumber < 2) {
            if (CheckPageBreak(LinesOnPage + 1, headings)) break;
            NewLine();
            Cell(0) = QStringLiteral("L00item ") + QString::number(++details);
            Attribute() = QStringLiteral("B");
        }
        ASSERT_EQ(PageNumber, 2) << headings;
        // Locate the break: the line before "EJECT" closes the page.
        int eject = -1;
        for (int i = 0; i <= LastLine(); ++i)
            if (ReportLines[i][0] == QStringLiteral("EJECT")) eject = i;
        ASSERT_GT(eject, 0);
        EXPECT_EQ(ReportLines[eject - 1][0], QStringLiteral("L00item ") + QString::number(details));
        EXPECT_EQ(ReportLines[eject - 1][3], headings ? QStringLiteral("U") : QStringLiteral("B"));
        EXPECT_EQ(ReportLines[eject + 1][0], QStringLiteral("L00Page 2"));
        EXPECT_EQ(ReportLines.last()[2], headings ? QStringLiteral("R47Date") : QString());
        EndReport();
    }
}

TEST_F(RptUtilTest, NoPrinterGivesSixtyLinesWithMessage) {
    testing_support::ScriptedDialogs dialogs;
    base::ReportFont = monoFont(10);
    beginColumns(50);
    EXPECT_EQ(LinesPerPage, 60);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], kNoPrinterMessage);
}

namespace {

// Numbered rows ("row0001"...) under the page headings until `pages` pages are full and one row stands on
// the next; every page is filled to LinesPerPage by CheckPageBreak.
void fillPages(int pages) {
    int row = 0;
    while (PageNumber <= pages) {
        CheckPageBreak(LinesOnPage + 1, true);
        NewLine();
        Cell(0) = QStringLiteral("L00row%1").arg(++row, 4, 10, QLatin1Char('0'));
    }
}

// The rows of the buffer, page by page as the "EJECT" lines divide it.
QList<QStringList> rowsByPage() {
    QList<QStringList> pages = {{}};
    for (const QStringList& line : ReportLines) {
        if (line[0] == QLatin1String("EJECT")) pages.append(QStringList());
        else if (line[0].startsWith(QLatin1String("L00row"))) pages.last().append(line[0].mid(3));
    }
    return pages;
}

// Renders the buffer through the real renderer into pdf (on the page the report was laid out for) and
// checks that every page shows all its rows and that the last line of every page, like every other,
// ends inside the printable area: above the paper's bottom margin.
void expectEveryPageInside(const QString& pdf, double bottomMarginPoints) {
    QStringList bad;
    ASSERT_TRUE(WritePdf(pdf, base::ReportFont, ReportLines, ReportWidth, &bad));
    const QList<report_testing::PdfPage> pages = report_testing::PdfPages(pdf);
    const QList<QStringList> rows = rowsByPage();
    ASSERT_EQ(pages.size(), rows.size()) << pdf.toStdString();
    for (int p = 0; p < pages.size(); ++p) {
        const double printableBottom = pages[p].height - bottomMarginPoints;
        for (const QString& row : rows[p]) {
            const report_testing::PdfWord* word = report_testing::FindWord(pages[p], row);
            ASSERT_NE(word, nullptr) << row.toStdString() << " is not on page " << p + 1;
        }
        ASSERT_FALSE(rows[p].isEmpty()) << "page " << p + 1;
        double lowest = 0;
        for (const report_testing::PdfWord& w : pages[p].words) lowest = std::max(lowest, w.yMax);
        const report_testing::PdfWord* last = report_testing::FindWord(pages[p], rows[p].last());
        EXPECT_LE(last->yMax, printableBottom + 0.5) << "page " << p + 1 << " of " << pdf.toStdString();
        EXPECT_LE(lowest, printableBottom + 0.5) << "page " << p + 1 << " of " << pdf.toStdString();
    }
}

}  // namespace

// The page count uses the line height the renderer steps by: at 10 points on a 300 dpi page the glyph
// height of "A" counted 97 lines where 62 fit, and a third of every page fell below the paper's edge.
TEST_F(RptUtilTest, EveryPrintedPageEndsInsideThePrintableAreaAt8To12Points) {
    for (int points : {8, 10, 12}) {
        PagePrinter printer(300);
        SetPrinterMetrics(&printer);
        base::ReportFont = monoFont(points);
        beginColumns(50);
        const RenderLayout layout = PaperLayout(&printer.device(), base::ReportFont, ReportWidth);
        ASSERT_EQ(printer.device().logicalDpiY(), 300);
        EXPECT_EQ(LinesPerPage, printer.device().height() / layout.lineHeight - kHeadingReserve) << points;
        fillPages(2);
        // The first page is full: it holds LinesPerPage lines before its "EJECT".
        int firstPage = 0;
        while (ReportLines[firstPage][0] != QLatin1String("EJECT")) ++firstPage;
        EXPECT_EQ(firstPage, LinesPerPage) << points;
        const double bottom = printer.device().pageLayout().margins(QPageLayout::Point).bottom();
        expectEveryPageInside(
            testing_support::artifactDir("reports") + QStringLiteral("/pages-%1pt.pdf").arg(points), bottom);
        EndReport();
        SetPrinterMetrics(nullptr);
    }
}

// Without a printer the PDF page is the page: sixty lines, unless the font is too large for sixty.
TEST_F(RptUtilTest, NoPrinterAndAFontTooLargeForSixtyLinesPagesByWhatFits) {
    testing_support::ScriptedDialogs dialogs;
    for (int points : {12, 14}) {
        base::ReportFont = monoFont(points);
        beginColumns(50);
        EXPECT_LT(LinesPerPage, 60) << points;
        const RenderLayout layout = PaperLayout(FallbackPdfPage(), base::ReportFont, ReportWidth);
        EXPECT_EQ(LinesPerPage, FallbackPdfPage()->height() / layout.lineHeight - kPaperTopLines) << points;
        fillPages(2);
        const double bottom = FallbackPdfPage()->pageLayout().margins(QPageLayout::Point).bottom();
        expectEveryPageInside(
            testing_support::artifactDir("reports") + QStringLiteral("/pages-noprinter-%1pt.pdf").arg(points), bottom);
        EndReport();
    }
    EXPECT_EQ(dialogs.messages(), QStringList{kNoPrinterMessage}) << "told once a session";
}

TEST(ReportMarkup, ParsesCellsAndAttributes) {
    EXPECT_EQ(ParseCell("R47Date").column, 47);
    EXPECT_EQ(ParseCell("L 5x").column, 5);
    const ParsedCell rule = ParseCell("H2059");
    EXPECT_EQ(rule.kind, CellKind::HRule);
    EXPECT_EQ(rule.endColumn, 59);
    const ParsedCell picture = ParseCell("IC36logo.bmp   ");
    EXPECT_EQ(picture.kind, CellKind::Picture);
    EXPECT_EQ(picture.align, QChar('C'));
    EXPECT_EQ(picture.text, QStringLiteral("logo.bmp"));
    EXPECT_EQ(ParseCell("Rxx").kind, CellKind::Unknown);  // a damaged cell is never drawn
    double h = 0, w = 0;
    ASSERT_TRUE(PictureSize(PictureAttribute(1.5, 2.25), &h, &w));
    EXPECT_DOUBLE_EQ(h, 1.5);
    EXPECT_DOUBLE_EQ(w, 2.25);
    EXPECT_TRUE(IsBold("BU"));
    EXPECT_TRUE(IsUnderlined("BU"));
}

TEST(ReportExport, PlainAndTabDelimitedLines) {
    const QStringList productDate = {"L00Product", "R47Date", "", ""};
    const QString plain = ExportLine(productDate, ExportKind::Plain);
    EXPECT_EQ(plain, QStringLiteral("Product") + QString(36, ' ') + QStringLiteral("Date"));
    EXPECT_EQ(plain.size(), 47);
    EXPECT_EQ(ExportLine(productDate, ExportKind::TabDelimited), QStringLiteral("Product\tDate"));
    // Overlapping cells: the later text follows after one blank, nothing is cut.
    EXPECT_EQ(ExportLine({"L00A long description", "L05Next", ""}, ExportKind::Plain),
              QStringLiteral("A long description Next"));
    EXPECT_EQ(ExportLine({"C10abcd", ""}, ExportKind::Plain), QStringLiteral("        abcd"));
    // Rules, pictures and page breaks give nothing; the attribute cell is never exported.
    EXPECT_EQ(ExportLine({"V10", "H0050", "L00B"}, ExportKind::TabDelimited), QString());
    EXPECT_EQ(ExportLine({"EJECT", ""}, ExportKind::Plain), QString());
}

// Dates wider than the eight columns the layouts give them widen their column.
TEST(ReportExport, DateColumnsTakeTheWidestDateOfTheLocale) {
    const struct {
        QLocale locale;
        int widest;
        const char* line;
    } locales[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), 8, " 127811  11/11/26     12.00"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), 10, " 127811  11/11/2026     12.00"},
        {QLocale::c(), 11, " 127811  11 Nov 2026     12.00"},
    };
    for (const auto& l : locales) {
        testing_support::LocaleScope scope(l.locale);
        EXPECT_EQ(WidestDateText(), l.widest) << l.line;
        ReportWidth = 30;
        CellsPerLine = 5;
        ReportLines = {{"R07127811", "V08", "R17" + base::DateText(base::DayFromDate(QDate(2026, 11, 11))), "R27   12.00", ""}};
        WidenDateColumn(17);
        EXPECT_EQ(ExportLine(ReportLines[0], ExportKind::Plain), QLatin1String(l.line));
        EXPECT_EQ(ReportWidth, 30 + l.widest - 8);
        EndReport();
    }
}

TEST_F(RptUtilTest, ExportWritesOneCrLfLinePerReportLine) {
    testing_support::ScriptedDialogs dialogs;
    const QString file = testing_support::artifactDir("reports") + "/export-test.txt";
    CellsPerLine = 3;
    ReportWidth = 50;
    BeginReport();
    NewLine();
    Cell(0) = "L00Product";
    Cell(1) = "R47Date";
    NewLine();
    Cell(0) = "EJECT";
    NewLine();
    Cell(0) = "V10";
    ASSERT_TRUE(ExportReport(file, ExportKind::TabDelimited).written);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Product\tDate\r\n\r\n\r\n"));
}

TEST(Selection, CurrentMonthSpan) {
    SetCurrentMonth();
    const QDate start = base::DateFromDay(StartDate);
    const QDate end = base::DateFromDay(EndDate);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(start, QDate(today.year(), today.month(), 1));
    EXPECT_EQ(end, QDate(today.year(), today.month(), today.daysInMonth()));
}
