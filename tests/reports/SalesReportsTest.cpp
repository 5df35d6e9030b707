// The sales, tax, income and receivables reports on a small business built for the purpose, their
// expected lines written out as the plain export shows them (" |U" marks a line ruled under).
#include <gtest/gtest.h>

#include <QDate>

#include "base/Format.h"
#include "base/StatusSink.h"
#include "reports/ReportFixture.h"
#include "reports/ReportList.h"
#include "reports/RptUtil.h"
#include "reports/SalesRpt.h"
#include "store/DataDir.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

using namespace base::literals;
using namespace reports;

namespace {

using report_testing::day;
using report_testing::StatusCalls;

const double kJune1 = day(2026, 6, 1), kJune30 = day(2026, 6, 30);

class SalesReportsTest : public report_testing::BusinessReportTest {
protected:
    void SetUp() override {
        BusinessReportTest::SetUp();
        store::SettingsRec.ShipLine = QStringLiteral("Freight  ");
        store::SettingsRec.TaxLine = QStringLiteral("GST");
    }

    // The helpers append to the tables left open; each report opens them anew and closes them all.
    // June 2026 with an invoice and a payment on the day before and the day after; products, a code
    // no product has, a customer number no customer has, a credit.
    void business() {
        product("WIDGET", "Blue widget");
        product("SERVICE", "Consulting hour");
        product("widget", "Lower-case twin");
        customer(1, "Mr", "John", "Smith", "Acme Pty Ltd");
        customer(2, "", "Ann", "Lee", "Lee & Co");
        invoice(1001, 1, day(2026, 5, 31), 5.00_dec, 1.00_dec, 0);
        item(1001, "WIDGET", 1, 10.00_dec, true, true);
        invoice(1002, 1, kJune1, 2.50_dec, 1.25_dec, 0, QStringLiteral("VISA 4111"));
        item(1002, "WIDGET", 2, 3.35_dec, true, true);
        item(1002, "SERVICE", 1.5_dec, 10.00_dec, false, true);
        invoice(1003, 2, day(2026, 6, 15), 0, 0, 12.00_dec);
        item(1003, "WIDGET", 1, 3.35_dec, true, false);
        item(1003, "GHOST", 0.33_dec, 0.33_dec, false, false);
        invoice(1004, 9, kJune30, 1.00_dec, 0, -5.00_dec);
        item(1004, "SERVICE", -1, 10.00_dec, true, true);
        invoice(1005, 1, day(2026, 7, 1), 0, 0, 0);
        item(1005, "WIDGET", 100, 1, true, true);
        payment(1002, day(2026, 5, 31), 1.00_dec, 0.09_dec);
        payment(1002, kJune1, 10.00_dec, 0.91_dec);
        payment(1003, kJune1, 5.45_dec, 0.50_dec);
        payment(1999, day(2026, 6, 10), 0, 0);
        payment(1004, day(2026, 6, 10), 3.00_dec, 0.27_dec);
        payment(1002, kJune30, 2.00_dec, 0.18_dec);
        payment(1003, day(2026, 7, 1), 7.00_dec, 0.64_dec);
    }
};

TEST_F(SalesReportsTest, SalesSummaryHasTheInvoicesFromStartToEndDateAndExactTotals) {
    business();
    StatusCalls status;
    BuildSalesSummary(kJune1, kJune30);
    EXPECT_EQ(status.calls, QStringList({"S:Processing Sales", "P:33", "P:66", "P:100", "S:"}));
    const QStringList expected = {
        "            Sales Summary for 6/1/26 through 6/30/26",
        "", "", "", " |U",
        "Inv. No      Date      Items     Freight         GST      Total |U",
        "   1002    6/1/26      21.70        2.50        1.25      25.45",
        "   1003   6/15/26       3.46        0.00        0.00       3.46",
        "   1004   6/30/26     -10.00        1.00        0.00      -9.00 |U",
        "           Totals      15.16        3.50        1.25      19.91 |U",
    };
    EXPECT_EQ(shown(), expected);
    EXPECT_TRUE(dialogs->messages().isEmpty());
    EXPECT_EQ(store::InvTable, nullptr);  // every table closed
}

TEST_F(SalesReportsTest, SalesByProductFollowsTheProductTableThenUnknownCodes) {
    business();
    BuildSalesByProduct(kJune1, kJune30);
    const QStringList expected = {
        "          Sales by Product from 6/1/26 through 6/30/26",
        "", "", "", " |U",
        "  Item Code    Description                   Qty.    Sale Total |U",
        "  SERVICE      Consulting hour               0.50          5.00",
        "  WIDGET       Blue widget                   3.00         10.05",
        "  GHOST        Unknown Product               0.33          0.11 |U",
        "  Total Sales                                             15.16 |U",
    };
    EXPECT_EQ(shown(), expected);
}

// The product tag folds ASCII letters only: "\xDF" (sharp s) sorts after every ASCII code, not as "SS".
TEST_F(SalesReportsTest, SalesByProductOrdersCodesAsTheProductTagDoes) {
    invoice(1, 1, kJune1, 0, 0, 0);
    for (const char* code : {"\xDF" "A", "SZ"}) {
        product(code, code);
        item(1, code, 1, 1);
    }
    BuildSalesByProduct(kJune1, kJune30);
    EXPECT_TRUE(shown().value(6).startsWith("  SZ ")) << shown().value(6).toStdString();
}

TEST_F(SalesReportsTest, TaxSummaryFollowsTheChargeLineRules) {
    business();
    const struct {
        int shipTax;
        base::Decimal rate1;
        const char* subjectToGst;
    } cases[] = {
        {2, 0, "Sales subject to GST             15.20"},  // every invoice's freight is taxed
        {3, 0, "Sales subject to GST             14.20"},  // only where GST was charged
        {1, 10, "Sales subject to GST             11.70"},
    };
    for (const auto& c : cases) {
        store::SettingsRec.ShipTax = c.shipTax;
        store::SettingsRec.TaxRate1 = c.rate1;
        BuildTaxSummary(kJune1, kJune30);
        QStringList expected = {"       Tax report for 6/1/26 through 6/30/26", "", "", " |U",
                                "Net Item Sales                               15.16",
                                "Freight Charged                               3.50 |U",
                                c.subjectToGst,
                                "GST Charged                                   1.25 |U",
                                "Total                                        19.91 |U"};
        if (c.rate1 > base::Decimal()) {
            expected[4] += " |U";
            expected.insert(5, "Sales subject to Freight          0.05");
        }
        EXPECT_EQ(shown(), expected) << c.shipTax;
    }
}

TEST_F(SalesReportsTest, DailyIncomeTotalsEachDayUnderItsLastPayment) {
    business();
    BuildDailyIncome(kJune1, kJune30);
    const QStringList expected = {
        "                Daily Income from 6/1/26 through 6/30/26",
        "", "", "", " |U",
        " Pmt Date Inv No. Check - Credit Card No.           Amount  Daily Total |U",
        " 6/1/26     1002  VISA 4111                          10.00",
        "            1003                                      5.45        15.45 |U",
        // A day that starts with 0.00 shows its date again; a payment without an invoice has no memo.
        " 6/10/26    1999                                      0.00",
        " 6/10/26    1004                                      3.00         3.00 |U",
        " 6/30/26    1002  VISA 4111                           2.00         2.00 |U",
        " Total Payments                                                   20.45 |U",
    };
    EXPECT_EQ(shown(), expected);
}

TEST_F(SalesReportsTest, GstIncomeShowsTheTaxPartUnderTheGstCaption) {
    business();
    for (int field : {2, 1}) {
        store::SettingsRec.GSTField = field;
        BuildGstIncome(kJune1, kJune30);
        const QStringList lines = shown();
        ASSERT_EQ(lines.size(), 12);
        if (field == 1) {
            EXPECT_EQ(lines[0], "         Freight Income/Collections from 6/1/26 through 6/30/26");
            EXPECT_TRUE(lines[5].endsWith(QLatin1String("Freight |U")));
            continue;
        }
        EXPECT_EQ(lines[0], "           GST Income/Collections from 6/1/26 through 6/30/26");
        EXPECT_EQ(lines[5], " Pmt Date Inv No. Check - Credit Card No.           Amount          GST |U");
        EXPECT_EQ(lines[6], " 6/1/26     1002  VISA 4111                          10.00         0.91");
        EXPECT_EQ(lines[11], " Total Income                                        20.45         1.86 |U");
    }
}

TEST_F(SalesReportsTest, EmptySpansAndEmptyTablesSayWhyAndShowNothing) {
    BuildReceivables(0, 0);
    BuildAgedReceivables(0, 0);
    business();
    const double august = day(2026, 8, 1);
    BuildSalesSummary(august, august + 30);
    BuildSalesByProduct(august, august + 30);
    BuildTaxSummary(august, august + 30);
    BuildDailyIncome(august, august + 30);
    BuildGstIncome(august, august + 30);
    EXPECT_EQ(LastLine(), -1);
    const QString invoices = QStringLiteral("No Invoices within selected dates.");
    const QString payments = QStringLiteral("No Payments within selected dates.");
    EXPECT_EQ(dialogs->messages(), QStringList({invoices, invoices, invoices, invoices, invoices, payments, payments}));
    EXPECT_EQ(store::InvTable, nullptr);
}

TEST_F(SalesReportsTest, ReceivablesListEveryBalanceWithItsCustomerAndAge) {
    business();
    const double ahead = base::Today() + 10;
    invoice(1006, 1, ahead, 0, 0, 1.00_dec);
    const QDate today = QDate::currentDate();
    const int age1003 = int(QDate(2026, 6, 15).daysTo(today)), age1004 = int(QDate(2026, 6, 30).daysTo(today));
    for (bool byPerson : {true, false}) {
        store::SettingsRec.ByCust = byPerson;
        BuildReceivables(0, 0);
        const QStringList lines = shown();
        ASSERT_EQ(lines.size(), 10);
        EXPECT_EQ(lines[0], "                              RECEIVABLES");
        EXPECT_EQ(lines[5], "Inv. No   Customer                                 Days        Amount |U");
        EXPECT_EQ(lines[6], QStringLiteral("   1003   %1%2         12.00")
                                .arg(QString::fromLatin1(byPerson ? "Ann Lee" : "Lee & Co").leftJustified(40))
                                .arg(age1003, 5));
        EXPECT_EQ(lines[7], QStringLiteral("   1004   UNKNOWN                                 %1         -5.00").arg(age1004, 5));
        const QString smith = QString::fromLatin1(byPerson ? "Mr John Smith" : "Acme Pty Ltd");
        EXPECT_EQ(lines[8], "   1006   " + smith.leftJustified(40) + "  -10          1.00 |U");
        EXPECT_EQ(lines[9], " Total Receivables                                               8.00 |U");
    }
}

TEST_F(SalesReportsTest, AgedReceivablesSplitBalancesAtThirtySixtyAndNinetyDays) {
    customer(1, "Mr", "John", "Smith", "Acme Pty Ltd");
    const double today = base::Today();
    const struct {
        int age;
        base::Decimal due;
    } owing[] = {{-5, 100}, {30, 1}, {31, 2}, {60, 4}, {61, 8}, {90, 16}, {91, 32}};
    long ivNo = 2000;
    for (const auto& o : owing) invoice(++ivNo, 1, today - o.age, 0, 0, o.due);
    invoice(++ivNo, 7, today - 200, 0, 0, 0.5_dec);  // no such customer
    invoice(++ivNo, 8, today - 200, 0, 0, 0);         // paid: no line
    BuildAgedReceivables(0, 0);
    const QStringList lines = shown();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[5], "Cust No   Customer                           0-30       31-60       61-90     Over 90       Total |U");
    EXPECT_EQ(lines[6], "      1   Mr John Smith                    101.00        6.00       24.00       32.00      163.00");
    EXPECT_EQ(lines[7], "      7   UNKNOWN                            0.00        0.00        0.00        0.50        0.50 |U");
    EXPECT_EQ(lines[8], "          Total Receivables                101.00        6.00       24.00       32.50      163.50 |U");
}

TEST_F(SalesReportsTest, ThousandsOfSmallLinesSumExactly) {
    invoice(1001, 1, kJune1, 0, 0, 0);
    for (int i = 0; i < 2000; ++i) item(1001, "WIDGET", 0.10_dec, 0.70_dec, true, true);  // 0.07 each
    BuildSalesSummary(kJune1, kJune30);
    EXPECT_TRUE(ExportLine(ReportLines.last(), ExportKind::Plain).endsWith(QLatin1String("140.00")));
    BuildTaxSummary(kJune1, kJune30);
    EXPECT_EQ(ExportLine(ReportLines.last(), ExportKind::Plain), "Total                                       140.00");

    // The widest amounts the fields hold.
    invoice(1002, 1, kJune30, 999999999.99_dec, -99999999.99_dec, 0);
    item(1002, "WIDGET", 9999999.99_dec, 9999999.99_dec, true, true);
    BuildSalesSummary(kJune30, kJune30);
    EXPECT_EQ(ExportLine(ReportLines.last(), ExportKind::TabDelimited),
              "Totals\t99999999800000.00\t999999999.99\t-99999999.99\t100000899800000.00");
}

}  // namespace

namespace {

// A generated business of some thousands of invoices over twelve months.
class SpanCostTest : public report_testing::DemoReportTest {
protected:
    SpanCostTest() : DemoReportTest(200, 2400) {}
    // Records read by a run of the report over the span.
    static uint64_t recordsRead(ReportId id, double start, double end) {
        store::Engine().counters().reset();
        Report(id).build(start, end);
        EndReport();
        return store::Engine().counters().recordsRead;
    }
};

// A span report finds its invoices and payments through the date tags: a month of twelve costs a
// small part of the whole, never a walk of the tables.
TEST_F(SpanCostTest, AMonthReadsAboutAMonthOfRecords) {
    const double whole[] = {day(1990, 1, 1), day(2090, 1, 1)};
    for (ReportId id : {ReportId::SalesSummary, ReportId::SalesByProduct, ReportId::DailyIncome}) {
        const uint64_t month = recordsRead(id, kJune1, kJune30);
        const uint64_t all = recordsRead(id, whole[0], whole[1]);
        EXPECT_GT(month, 0u) << Report(id).name;
        EXPECT_LT(month * 6, all) << Report(id).name << ": " << month << " of " << all;
    }
}

}  // namespace
