#include <gtest/gtest.h>

#include "base/Format.h"
#include "invoicing/InvoiceCalc.h"
#include "store/RecordBuffers.h"
#include "store/WorkingSet.h"
#include "support/TestSupport.h"

using base::Decimal;
using invoicing::TaxRules;
using namespace base::literals;

namespace {

// A line-item row as the invoice window holds it.
QStringList line(const QString& qty, const QString& price, bool tax1, bool tax2) {
    return {QStringLiteral("P1"), qty, price, tax1 ? "t" : "f", tax2 ? "t" : "f", "desc", "", "", ""};
}

void setLines(const QList<QStringList>& rows) {
    store::ItemRows = rows;
    store::LastItemRow = int(rows.size()) - 1;
}

void setPayments(const QList<Decimal>& amounts) {
    store::PaymentRows.clear();
    for (const Decimal& a : amounts)
        store::PaymentRows.append({"1/1/26", base::FormatNumber("%10.2f", a), "      0.00", "F"});
    store::LastPmtRow = int(amounts.size()) - 1;
}

class InvoiceCalcTest : public ::testing::Test {
protected:
    void SetUp() override {
        store::InvRec = store::InvBuffer{};
        setLines({});
        setPayments({});
    }
};

}  // namespace

TEST_F(InvoiceCalcTest, TaxOnTaxAndTotals) {
    setLines({line("1.00", "100.00", true, true)});
    ASSERT_TRUE(invoicing::ComputeTaxes(true, TaxRules{10, 5, 2, 1}));
    EXPECT_EQ(store::InvRec.Ship, 10.00_dec);
    EXPECT_EQ(store::InvRec.Tax, 5.50_dec);
    invoicing::SumLines();
    EXPECT_EQ(invoicing::InvoiceTotal, 115.50_dec);
}

TEST_F(InvoiceCalcTest, CreditLineRoundsAwayFromZero) {
    setLines({line("-1.00", "2.345", false, false), line("1.00", "10.00", false, false)});
    invoicing::SumLines();
    EXPECT_EQ(invoicing::SubTotal, 7.65_dec);
    EXPECT_EQ(invoicing::LineTotalText(line("1.00", "5.00", false, true)), QStringLiteral("      5.00 ft"));
}

TEST_F(InvoiceCalcTest, ShipTaxCasesWhenNoLineIsSubjectToLine2) {
    struct Case { int shipTax; Decimal expectedTax; };
    // One line of 100.00 subject only to line 1 (10 %); line 2 at 5 %.
    const Case cases[] = {{1, 0}, {2, 0.50_dec}, {3, 0}};
    for (const Case& c : cases) {
        store::InvRec = store::InvBuffer{};
        setLines({line("1.00", "100.00", true, false)});
        ASSERT_TRUE(invoicing::ComputeTaxes(true, TaxRules{10, 5, c.shipTax, 1}));
        EXPECT_EQ(store::InvRec.Ship, 10.00_dec) << c.shipTax;
        EXPECT_EQ(store::InvRec.Tax, c.expectedTax) << "ShipTax " << c.shipTax;
    }
}

TEST_F(InvoiceCalcTest, TypedAmountsKeptAtRateZeroReplacedOtherwise) {
    setLines({line("2.00", "10.00", true, true)});
    store::InvRec.Ship = 7.25_dec;  // a shipping charge typed by hand
    store::InvRec.Tax = 3.00_dec;   // typed, but line 2 has a rate
    ASSERT_TRUE(invoicing::ComputeTaxes(true, TaxRules{0, 10, 1, 1}));
    EXPECT_EQ(store::InvRec.Ship, 7.25_dec);
    EXPECT_EQ(store::InvRec.Tax, 2.00_dec);

    // Both rates 0: nothing is recomputed at all.
    store::InvRec.Tax = 3.00_dec;
    EXPECT_FALSE(invoicing::ComputeTaxes(true, TaxRules{0, 0, 2, 1}));
    EXPECT_EQ(store::InvRec.Tax, 3.00_dec);
}

TEST_F(InvoiceCalcTest, InvoiceWithoutLinesKeepsComputedAmounts) {
    store::InvRec.Ship = 4.00_dec;
    store::InvRec.Tax = 1.50_dec;
    EXPECT_FALSE(invoicing::ComputeTaxes(true, TaxRules{10, 5, 2, 1}));
    invoicing::SumLines();
    EXPECT_EQ(invoicing::SubTotal, 0);
    EXPECT_EQ(invoicing::InvoiceTotal, 5.50_dec);
}

TEST_F(InvoiceCalcTest, DueFromDisplayedTextsAfterPaymentsFromValuesAfterTyping) {
    // A subtotal with a fraction of a cent below the display: 3 x 3.333 is rounded per line, so use
    // a typed computed amount with an extra fraction instead.
    setLines({line("1.00", "10.00", false, false)});
    store::InvRec.Ship = 0.004_dec;  // shows as 0.00
    invoicing::SumLines();
    setPayments({5});
    invoicing::ShowPayments();
    EXPECT_EQ(store::InvRec.Due, 5.00_dec);  // displayed 10.00 - displayed 5.00
    invoicing::UpdateTotals();
    EXPECT_EQ(store::InvRec.Due, 5.004_dec);  // unrounded after a typed amount
}

TEST_F(InvoiceCalcTest, AmountsReadWithCommaDecimalLocale) {
    testing_support::LocaleScope german(testing_support::commaLocale());
    setLines({line("1,50", "10,00", true, false)});
    ASSERT_TRUE(invoicing::ComputeTaxes(true, TaxRules{10, 0, 1, 1}));
    EXPECT_EQ(store::InvRec.Ship, 1.50_dec);
    EXPECT_EQ(invoicing::LineTotalText(store::ItemRows[0]), QStringLiteral("     15,00 tf"));
}

TEST(IncludedTax, PaymentThatIncludesTax) {
    Decimal part = -1;
    ASSERT_TRUE(invoicing::ComputeIncludedTax(10, 110, true, &part));
    EXPECT_EQ(part, 10);
    // 12.5 % of 1.00 inclusive is 0.1111...: whole cents, halves away from zero.
    ASSERT_TRUE(invoicing::ComputeIncludedTax(12.5_dec, 1, true, &part));
    EXPECT_EQ(part, 0.11_dec);
    ASSERT_TRUE(invoicing::ComputeIncludedTax(10, -110, true, &part));
    EXPECT_EQ(part, -10);
    ASSERT_TRUE(invoicing::ComputeIncludedTax(10, 110, false, &part));
    EXPECT_EQ(part, 0);
    part = 3;
    EXPECT_FALSE(invoicing::ComputeIncludedTax(0, 110, true, &part));
    EXPECT_EQ(part, 3);  // left as typed
}

// The trader's arithmetic, computed here in whole numbers apart from the code under test: rates in
// hundredths of a percent, amounts in cents, so rate x base is the tax in millionths of a unit.
namespace {

long long expectedTaxCents(long long rateHundredths, long long baseCents, int mode) {
    const long long millionths = rateHundredths * baseCents;  // tax x 10^6 ... in cents x 10^4
    switch (mode) {
    case 1: return (millionths + 5000) / 10000;  // half a cent and up rounds up (positive amounts)
    case 2: return (millionths + 9900) / 10000;  // + 0.0099, then the rest dropped
    default: return millionths / 10000;
    }
}

QString centsText(long long cents) { return QString::asprintf("%lld.%02lld", cents / 100, cents % 100); }

}  // namespace

TEST_F(InvoiceCalcTest, TaxesAreTheTradersArithmeticForEveryRateBaseAndMode) {
    const long long rates[] = {50, 100, 200, 250, 300, 400, 500, 550, 600, 700, 750,
                               800, 825, 900, 1000, 1200, 1250, 1300, 1500, 1750, 2000};
    // Every base up to 20.00, then a spread up to 1,000.00 that visits every last two digits.
    std::vector<long long> bases;
    for (long long c = 1; c <= 2000; ++c) bases.push_back(c);
    for (long long c = 2001; c <= 100000; c += 97) bases.push_back(c);
    long long checked = 0, wrong = 0;
    for (int mode = 1; mode <= 3; ++mode) {
        for (long long rate : rates) {
            const TaxRules rules{0, Decimal::fromUnits(rate * 1000000), 1, mode};
            for (long long base : bases) {
                setLines({line(QStringLiteral("1.00"), centsText(base), false, true)});
                ASSERT_TRUE(invoicing::ComputeTaxes(true, rules));
                ++checked;
                if (store::InvRec.Tax != Decimal::fromUnits(expectedTaxCents(rate, base, mode) * 1000000)) {
                    if (++wrong <= 5)
                        ADD_FAILURE() << "rate " << rate << "/100 % of " << centsText(base).toStdString() << " mode "
                                      << mode << " gave " << store::InvRec.Tax;
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << checked;
}

TEST_F(InvoiceCalcTest, HalfCentsAndCentSumsAsTheTraderWorksThemOut) {
    // 5 % of 1.20 and of 0.60 rounded down are 0.06 and 0.03 (not a cent low).
    for (const auto& [base, tax] : {std::pair{"1.20", 0.06_dec}, std::pair{"0.60", 0.03_dec}}) {
        setLines({line("1.00", base, false, true)});
        ASSERT_TRUE(invoicing::ComputeTaxes(true, TaxRules{0, 5, 1, 3}));
        EXPECT_EQ(store::InvRec.Tax, tax) << base;
    }
    // 5 % of 0.30 is exactly 0.015: normal rounding takes the half up.
    setLines({line("1.00", "0.30", false, true)});
    ASSERT_TRUE(invoicing::ComputeTaxes(true, TaxRules{0, 5, 1, 1}));
    EXPECT_EQ(store::InvRec.Tax, 0.02_dec);
    // A fractional quantity on a half cent: 0.01 x 7.50 = 0.075 -> 0.08; a credit line mirrors it.
    setLines({line("0.01", "7.50", false, false), line("-0.01", "7.50", false, false)});
    EXPECT_EQ(store::ItemRowTotal(store::ItemRows[0]), 0.08_dec);
    EXPECT_EQ(store::ItemRowTotal(store::ItemRows[1]), -0.08_dec);
    // 0.70 + 0.10 - 0.80 is zero, and shows as zero.
    setLines({line("1.00", "0.70", false, false), line("1.00", "0.10", false, false),
              line("-1.00", "0.80", false, false)});
    invoicing::SumLines();
    EXPECT_EQ(invoicing::SubTotal, 0);
    EXPECT_EQ(base::FormatNumber(invoicing::kAmountFormat, invoicing::SubTotal), QStringLiteral("      0.00"));
    setPayments({0.10_dec, 0.20_dec});
    store::InvRec.Ship = 0.30_dec;
    store::InvRec.Tax = 0;
    invoicing::SumLines();
    invoicing::ShowPayments();
    EXPECT_EQ(base::FormatNumber(invoicing::kAmountFormat, store::InvRec.Due), QStringLiteral("      0.00"));
}
