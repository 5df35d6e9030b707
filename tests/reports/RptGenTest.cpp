#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QProcess>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/Format.h"
#include "base/ReportOutput.h"
#include "invoicing/InvoiceRows.h"
#include "reports/PdfPages.h"
#include "reports/ReportFixture.h"
#include "reports/ReportRender.h"
#include "reports/RptGen.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

using namespace reports;

namespace {

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Inv {
    long rec;
    long ivNo;
    double date;
    double due;
    long cuNo;
};

// A demo business with a fixed closing day.
class RptGenTest : public report_testing::DemoReportTest {
protected:
    RptGenTest() : DemoReportTest(12, 40) {}

    // The invoices as stored, in date order.
    QList<Inv> invoices() {
        store::OpenInv();
        xbase::Table* t = store::InvTable;
        t->selectTag(t->findTag("InvD"));
        QList<Inv> all;
        for (int rc = t->top(); rc == xbase::kOk; rc = t->skip(1)) {
            const store::RecordAccess r(t);
            all.append({t->recNo(), r.asLong("IVNO"), r.date("IDATE"), r.asDouble("DUE"), r.asLong("CUNO")});
        }
        store::CloseAll();
        return all;
    }

    int count(const QString& cellText) const {
        int n = 0;
        for (const QStringList& l : ReportLines)
            for (const QString& c : l)
                if (c == cellText) ++n;
        return n;
    }

};

TEST_F(RptGenTest, InvoicesByDateAreSeparatedByEjectEachWithItsLetterhead) {
    const QList<Inv> all = invoices();
    ASSERT_GE(all.size(), 3);
    const double from = all[0].date, to = all[1].date;
    int inSpan = 0;
    for (const Inv& i : all) inSpan += (i.date >= from && i.date <= to);
    ASSERT_TRUE(store::OpenInvoiceTables());
    AddInvoicesInSpan(DocKind::Invoice, from, to);
    const QList<QStringList>& lines = ReportLines;
    EXPECT_EQ(count(QStringLiteral("EJECT")), inSpan - 1);
    EXPECT_EQ(count(QStringLiteral("C36Bluegum Office Supplies")), inSpan);  // the demo centres it
    EXPECT_EQ(count(QStringLiteral("C36Tax Invoice")), inSpan);
    // Every document after the first starts right after its page break with the letterhead.
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i][0] != QLatin1String("EJECT")) continue;
        int next = i + 1;
        while (next < lines.size() && lines[next][0].isEmpty()) ++next;  // the top margin
        ASSERT_LT(next, lines.size());
        EXPECT_EQ(lines[next][0], QStringLiteral("C36Bluegum Office Supplies"));
    }
}

TEST_F(RptGenTest, PickedBillsAreTitledByTheirBalance) {
    const QList<Inv> all = invoices();
    QList<long> picks;
    for (const Inv& i : all)
        if (i.due <= 0) {
            picks.append(i.rec);
            break;
        }
    for (const Inv& i : all)
        if (i.due > 0) {
            picks.append(i.rec);
            break;
        }
    ASSERT_EQ(picks.size(), 2) << "the demo has paid and owing invoices";
    ASSERT_TRUE(store::OpenInvoiceTables());
    ASSERT_TRUE(BeginPickedInvoices());
    EXPECT_EQ(store::CurInvoiceRec, store::InvTable->recCount());  // the list starts on the last invoice
    for (long rec : picks) AddPickedInvoice(DocKind::Bill, rec);
    EXPECT_EQ(count(QStringLiteral("C36Statement")), 1);
    EXPECT_EQ(count(QStringLiteral("C36Bill")), 1);
    EXPECT_EQ(count(QStringLiteral("EJECT")), 1);
    EXPECT_TRUE(dialogs->messages().isEmpty());
}

TEST_F(RptGenTest, StatementsWithBalancesListOnlyOwingInvoicesOfTheSpanWithTotals) {
    const QList<Inv> all = invoices();
    const double from = base::DayFromDate(QDate(2026, 1, 1)), to = base::DayFromDate(QDate(2026, 6, 30));
    QSet<QString> expected;
    for (const Inv& i : all)
        if (i.due != 0 && i.date >= from && i.date <= to) expected.insert(base::PadNumber(i.ivNo, 6));
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_TRUE(store::OpenInvoiceTables());
    AddStatementsWithBalances(from, to);
    QSet<QString> listed;
    base::Decimal due;
    int statements = 0;
    for (const QStringList& l : ReportLines) {
        if (l[1].startsWith(QLatin1String("R07")) && l[1] != QLatin1String("R07Invoice")) {
            listed.insert(l[1].mid(3));
            due += base::ReadAmount(l[9].mid(3));
        }
        if (l[1] == QLatin1String("R18Totals")) {
            ++statements;
            EXPECT_EQ(base::ReadAmount(l[7].mid(3)), due);
            due = 0;
        }
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(count(QStringLiteral("C29Account Statement")), statements);
    EXPECT_EQ(count(QStringLiteral("EJECT")), statements - 1);
}

// The date column of statements is as wide as the locale's longest short date in the report font as
// printed, so no date runs into the rule before it.
TEST_F(RptGenTest, StatementDatesKeepClearOfTheRuleBeforeThem) {
    for (const QLocale& locale : {testing_support::pinnedLocale(), testing_support::commaLocale(),
                                  QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::Swedish, QLocale::Sweden)}) {
        for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"}) {
            testing_support::LocaleScope scope(locale);
            base::ReportFont = QFont(QLatin1String(family), 11);
            SetupStatementTable();
            const QString date = base::DateText(base::DayFromDate(QDate(2088, 12, 28)));
            AddStatement({{"  1302", date, "10.00", "0.00", "10.00"}});
            const QStringList& row = *std::find_if(ReportLines.begin(), ReportLines.end(),
                                                   [&](const QStringList& l) { return l[3].endsWith(date); });
            const RenderLayout layout = PaperLayout(PageDevice(), base::ReportFont, ReportWidth);
            const int dateLeft = layout.columnX(ParseCell(row[3]).column) -
                                 QFontMetrics(layout.font, PageDevice()).horizontalAdvance(date);
            EXPECT_GT(dateLeft, layout.columnX(ParseCell(row[2]).column)) << locale.name().toStdString() << family;
            if (locale == testing_support::pinnedLocale() && family == std::string("DejaVu Sans")) {
                EXPECT_EQ(ReportWidth, 59) << "a date that fits keeps the designed columns";
            }
            EndReport();
        }
    }
}

TEST_F(RptGenTest, LetterheadFollowsJustificationLogoAndTopMargin) {
    ReportWidth = 73;
    CellsPerLine = 12;
    store::SettingsRec.TopMargin = 0;
    for (const auto& [justify, prefix] : {std::pair{1, "L00"}, std::pair{2, "C36"}, std::pair{3, "R73"}}) {
        store::SettingsRec.LHJustify = justify;
        BeginReport();
        AddLetterhead();
        EXPECT_EQ(ReportLines[0][0], QString(prefix) + "Bluegum Office Supplies");
        EXPECT_EQ(ReportLines[0].last(), QStringLiteral("B"));
        EXPECT_EQ(ReportLines[4][0], QString(prefix) + "accounts@example.com");
        EXPECT_EQ(ReportLines[4].last(), QStringLiteral("BU"));
        EXPECT_EQ(ReportLines[5][0], QStringLiteral("R73") + base::DateText(base::Today()));
    }
    // A picture only: its line carries the printed size, room is left under it and ruled.
    store::SettingsRec.Company = store::SettingsRec.Addr1 = store::SettingsRec.Addr2 = QString();
    store::SettingsRec.Addr3 = store::SettingsRec.Addr4 = QString();
    store::SettingsRec.LogoFile = QStringLiteral("logo.png ");
    store::SettingsRec.LogoHeight = 1;
    store::SettingsRec.LogoWidth = 2.5;
    store::SettingsRec.TopMargin = 0.5;
    BeginReport();
    AddLetterhead();
    const int margin = [] {
        int n = 0;
        while (ReportLines[n][0].isEmpty()) ++n;
        return n;
    }();
    const int resolution = PageDevice()->logicalDpiY();
    const int advance = PaperLayout(PageDevice(), base::ReportFont, ReportWidth).lineHeight;
    EXPECT_EQ(margin, int(std::ceil(resolution * 0.5 / advance)));
    EXPECT_EQ(ReportLines[margin][0], QStringLiteral("IR73logo.png"));
    EXPECT_EQ(ReportLines[margin].last(), QStringLiteral("S 1.00 2.50"));
    const int room = resolution / advance;
    EXPECT_EQ(ReportLines[margin + room].last(), QStringLiteral("U"));
    EndReport();
}

namespace {

// Where the company line of a letterhead alone prints, in inches from the top of the paper, through the
// real renderer on the current page device.
double companyLineInches(const QString& pdf) {
    ReportWidth = 73;
    CellsPerLine = 12;
    BeginReport();
    AddLetterhead();
    QStringList bad;
    EXPECT_TRUE(WritePdf(pdf, base::ReportFont, ReportLines, ReportWidth, &bad)) << pdf.toStdString();
    EXPECT_TRUE(bad.isEmpty());
    EndReport();
    const QList<report_testing::PdfPage> pages = report_testing::PdfPages(pdf);
    if (pages.isEmpty()) return -1;
    const report_testing::PdfWord* company = report_testing::FindWord(pages[0], QStringLiteral("Bluegum"));
    return company ? company->yMin / 72.0 : -1;
}

}  // namespace

// The margin and the logo's room are counted in the line advance of the device that will print, so they
// print as many inches as the settings say, whatever its resolution.
TEST_F(RptGenTest, LetterheadMarginAndLogoRoomPrintAsManyInchesAsSetAt300And600Dpi) {
    store::SettingsBuffer& s = store::SettingsRec;
    // The logo's path must fit the 59 characters of its field wherever the build lies.
    const std::unique_ptr<QTemporaryDir> shortDir = testing_support::shortTempDir();
    ASSERT_TRUE(shortDir->isValid());
    const QString logo = shortDir->filePath(QStringLiteral("logo.png"));
    QImage picture(200, 80, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    ASSERT_TRUE(picture.save(logo));
    for (int dpi : {300, 600}) {
        report_testing::PagePrinter printer(dpi);
        SetPrinterMetrics(&printer);
        ASSERT_EQ(PageDevice(), &printer.device());
        const double line = double(PaperLayout(PageDevice(), base::ReportFont, 73).lineHeight) / dpi;
        const QString stem = testing_support::artifactDir("reports") + QStringLiteral("/letterhead-%1dpi-").arg(dpi);

        s.TopMargin = 0;
        s.LogoFile.clear();
        const double plain = companyLineInches(stem + QStringLiteral("plain.pdf"));
        ASSERT_GT(plain, 0) << dpi;

        s.TopMargin = 0.5;
        const double margined = companyLineInches(stem + QStringLiteral("margin.pdf"));
        ASSERT_GT(margined, 0) << dpi;
        EXPECT_NEAR(margined - plain, 0.5, line) << dpi << " dpi, one line " << line << " in";
        // In the buffer: the blank lines of the margin, each one line advance tall.
        ReportWidth = 73;
        CellsPerLine = 12;
        BeginReport();
        AddLetterhead();
        int blank = 0;
        while (ReportLines[blank][0].isEmpty()) ++blank;
        EXPECT_NEAR(blank * line, 0.5, line) << dpi;
        EndReport();

        s.TopMargin = 0;
        s.LogoFile = logo;
        s.LogoHeight = 1;
        s.LogoWidth = 2.5;
        const double withLogo = companyLineInches(stem + QStringLiteral("logo.pdf"));
        ASSERT_GT(withLogo, 0) << dpi;
        EXPECT_NEAR(withLogo - plain, 1.0, line) << dpi << " dpi, one line " << line << " in";
        EXPECT_GE(withLogo - plain, 1.0 - 1.0 / 72) << dpi << ": the company line must not overlap the logo";
        SetPrinterMetrics(nullptr);
    }
}

// A line added in the session carries the comment as the item window held it: the product's comment
// field, blank-padded when the product has none. It gets no blank ruled comment line under it.
TEST_F(RptGenTest, ALineAddedInTheSessionWithoutACommentGetsNoCommentLine) {
    store::OpenCust();
    store::OpenGroups();
    store::OpenInv();
    store::OpenItm();
    store::OpenPmt();
    store::OpenProd();
    store::CurInvoiceRec = 1;
    store::LoadInvoice();
    store::ProdBuffer product;
    bool found = false;
    xbase::Table* prod = store::ProdTable;
    for (int rc = prod->top(); rc == xbase::kOk && !found; rc = prod->skip(1)) {
        store::LoadProd();
        found = store::ProdRec.IComm.trimmed().isEmpty();
        if (found) product = store::ProdRec;
    }
    ASSERT_TRUE(found) << "the demo data has a product without a comment";
    // The item window's cells for the product: code, quantity, price, flags, description, comment.
    const QString padded = product.IComm.isEmpty() ? QStringLiteral("          ") : product.IComm;
    invoicing::AppendItemRow({product.PrID, base::FormatNumber("%9.2f", 2), base::FormatNumber("%8.2f", product.UPrice),
                              invoicing::ItemFlag(product.LTax1), invoicing::ItemFlag(product.LTax2), product.PDesc,
                              padded},
                             product.RCode, product.PMemo);
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice);
    int at = -1;
    for (int i = 0; i <= LastLine(); ++i)
        if (ReportLines[i][1] == QStringLiteral("L01") + product.PrID.trimmed()) at = i;
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 1, ReportLines.size());
    // The next line is the table's closing rule or the totals box, not a ruled line with nothing in it.
    EXPECT_FALSE(ReportLines[at + 1][0] == QLatin1String("V00") && ReportLines[at + 1][1].startsWith("L13"))
        << ReportLines[at + 1].join('|').toStdString();
    for (const QStringList& line : ReportLines) {
        if (line[1].startsWith(QLatin1String("L13")) && line[0] == QLatin1String("V00")) {
            EXPECT_FALSE(line[1].mid(3).trimmed().isEmpty()) << line.join('|').toStdString();
        }
    }
    EndReport();
}

TEST_F(RptGenTest, WrapMemoKeepsMemoLinesAndBreaksWhatCannotFit) {
    ReportWidth = 73;
    QStringList lines;
    EXPECT_FALSE(WrapMemo(QStringLiteral("  \r\n "), &lines));
    ASSERT_TRUE(WrapMemo(QStringLiteral("First line\r\nSecond line\r\n\r\nFourth"), &lines));
    EXPECT_EQ(lines, QStringList({"First line", "Second line", "", "Fourth"}));

    const QString words = QStringLiteral("lorem ipsum dolor ").repeated(20).trimmed();
    ASSERT_TRUE(WrapMemo(words, &lines));
    EXPECT_GT(lines.size(), 1);
    EXPECT_EQ(lines.join(QString()), words);
    for (const QString& l : lines) EXPECT_LE(l.trimmed().size(), 73);

    const QString word = QString(300, QLatin1Char('W'));  // no space to cut at
    ASSERT_TRUE(WrapMemo(word, &lines));
    EXPECT_EQ(lines.join(QString()), word);
    EXPECT_GE(lines.size(), 300 / 73);
    for (const QString& l : lines) EXPECT_LE(l.size(), 73);
}

TEST_F(RptGenTest, InvoiceOfAMissingCustomerHasAnEmptyAddress) {
    store::OpenInvoiceTables();
    store::CurInvoiceRec = 1;
    store::LoadInvoice();
    store::InvRec.CuNo = 999999;  // no such customer on file
    store::InvTable->go(1);
    EXPECT_TRUE(store::StoreInv().ok());
    store::CustRec = store::CustBuffer{};
    store::LoadInvoice();
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice);
    int to = 0;
    while (ReportLines[to][0] != QLatin1String("L00To:")) ++to;
    EXPECT_EQ(ReportLines[to][1], QStringLiteral("L10"));
    for (int i = 1; i < 5; ++i) EXPECT_EQ(ReportLines[to + i][1], QStringLiteral("L10"));
    EXPECT_EQ(ReportLines[to + 1][2], QStringLiteral("R60Invoice Date:"));
    EndReport();
}

TEST_F(RptGenTest, PdfOfAnInvoiceAndAStatementReadsInOrder) {
    store::OpenInvoiceTables();
    store::CurInvoiceRec = 1;
    store::LoadInvoice();
    // Notes to print: a product text and the invoice's own note.
    ASSERT_FALSE(store::ItemRows.isEmpty());
    store::ItemRows[0][8] = QStringLiteral("Refills sold separately.");
    store::InvRec.REM = QStringLiteral("Thank you for your order.\r\nPayment within 30 days.");
    const QStringList address = store::AddressBlock;
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice);

    const QString invoicePdf = testing_support::artifactDir("samples") + "/invoice.pdf";
    QStringList bad;
    ASSERT_TRUE(WritePdf(invoicePdf, base::ReportFont, ReportLines, ReportWidth, &bad));
    EndReport();
    const QString text = pdfText(invoicePdf);
    QStringList expected = {"Bluegum Office Supplies", "Tax Invoice", address[0].trimmed(),
                            QString::number(store::InvRec.IvNo)};
    for (const QStringList& row : store::ItemRows) expected << row[5].trimmed();
    expected << "SubTotal:" << "Total:" << "Balance Due:" << "Refills sold separately." << "Thank you for your order."
             << "Payment within 30 days.";
    qsizetype at = 0;
    for (const QString& e : expected) {
        const qsizetype found = text.indexOf(e, at);
        EXPECT_GE(found, 0) << e.toStdString() << " after " << at << "\n" << text.toStdString();
        if (found >= 0) at = found + e.size();
    }

    SetupStatementTable();
    const QStringList row = StatementRow();
    AddStatement({row});
    const QString statementPdf = testing_support::artifactDir("samples") + "/statement.pdf";
    ASSERT_TRUE(WritePdf(statementPdf, base::ReportFont, ReportLines, ReportWidth, &bad));
    EndReport();
    const QString st = pdfText(statementPdf);
    at = 0;
    for (const QString& e : {QStringLiteral("Bluegum Office Supplies"), QStringLiteral("Account Statement"),
                             address[0].trimmed(), QStringLiteral("Amount Due"), row[0].trimmed(), row[2].trimmed(),
                             QStringLiteral("Totals")}) {
        const qsizetype found = st.indexOf(e, at);
        EXPECT_GE(found, 0) << e.toStdString() << "\n" << st.toStdString();
        if (found >= 0) at = found + e.size();
    }
}

}  // namespace
