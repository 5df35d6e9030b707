#include <gtest/gtest.h>

#include "base/Format.h"
#include "base/Money.h"
#include "support/TestSupport.h"

using namespace base;
using namespace base::literals;

TEST(Money, RoundingModesAtExactHalvesBothSigns) {
    struct Case { Decimal in; Decimal normal, up, down; };
    const Case cases[] = {
        {2.345_dec, 2.35_dec, 2.35_dec, 2.34_dec},
        {-2.345_dec, -2.35_dec, -2.33_dec, -2.34_dec},  // up adds 0.0099 whatever the sign
        {1.005_dec, 1.01_dec, 1.01_dec, 1.00_dec},
        {-1.005_dec, -1.01_dec, -0.99_dec, -1.00_dec},
        {2.675_dec, 2.68_dec, 2.68_dec, 2.67_dec},
        {0.125_dec, 0.13_dec, 0.13_dec, 0.12_dec},
        {10.001_dec, 10.00_dec, 10.01_dec, 10.00_dec},
        {10.00001_dec, 10.00_dec, 10.00_dec, 10.00_dec},  // below 0.0001 is not raised
        {10.019_dec, 10.02_dec, 10.02_dec, 10.01_dec},
        {7, 7, 7, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in);
        EXPECT_EQ(RoundMoney(c.in), c.normal);
        EXPECT_EQ(RoundTax(c.in, kRoundNormal), c.normal);
        EXPECT_EQ(RoundTax(c.in, kRoundUp), c.up);
        EXPECT_EQ(RoundTax(c.in, kRoundDown), c.down);
        EXPECT_EQ(RoundTax(c.in, 9), c.down);  // an unknown mode rounds down
    }
    EXPECT_EQ(LineTotal(0.01_dec, 7.50_dec), 0.08_dec);
    EXPECT_EQ(LineTotal(-1, 2.345_dec), -2.35_dec);
    EXPECT_EQ(PercentOf(5, 1.20_dec), 0.06_dec);
    EXPECT_EQ(IncludedTax(10, 110), 10);
    EXPECT_EQ(IncludedTax(-100, 5), 0);  // no division by zero
}

TEST(Decimal, ReadsExactlyAndRefusesWhatIsNoNumber) {
    Decimal d;
    ASSERT_TRUE(Decimal::parse(u"0.1", QLatin1Char('.'), &d));
    EXPECT_EQ(d * 3, 0.3_dec);  // no binary residue
    ASSERT_TRUE(Decimal::parse(u"-1,5e2", QLatin1Char(','), &d));
    EXPECT_EQ(d, -150);
    ASSERT_TRUE(Decimal::parse(u".000000005", QLatin1Char('.'), &d));
    EXPECT_EQ(d, Decimal::fromUnits(1));  // past the eighth decimal: half away from zero
    ASSERT_TRUE(Decimal::parse(u"123456789012345678901234.5", QLatin1Char('.'), &d));
    EXPECT_EQ(d.toFixed(1), QStringLiteral("123456789012345678901234.5"));
    for (const char16_t* bad : {u"", u"-", u".", u"1.2.3", u"1e", u"12a", u"1e99", u"99999999999999999999999999999"}) {
        d = 7;
        EXPECT_FALSE(Decimal::parse(bad, QLatin1Char('.'), &d)) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(d, 7);
    }
    EXPECT_EQ(Decimal::fromDouble(2.675), 2.675_dec);
    EXPECT_EQ(Decimal::fromDouble(-0.0), 0);
    EXPECT_EQ(ReadAmount(QStringLiteral(" 1 234.5 xyz")), 1234.5_dec);  // blanks go, the number prefix counts
}

TEST(Decimal, ArithmeticStaysExactAndSaturatesAtTheEnds) {
    EXPECT_EQ(999999.99_dec * 99999.99_dec, 99999989000.0001_dec);
    EXPECT_EQ((1_dec).dividedBy(3, 2), 0.33_dec);
    EXPECT_EQ((2_dec).dividedBy(3, 2), 0.67_dec);
    EXPECT_EQ((-2_dec).dividedBy(3, 2), -0.67_dec);
    EXPECT_EQ((1_dec).dividedBy(0, 2), 0);
    const Decimal huge = Decimal::fromUnits(Decimal::Units(1) << 120);
    EXPECT_GT(huge * huge, huge);   // saturated, not wrapped to a negative
    EXPECT_LT(-huge * huge, -huge);
    EXPECT_FALSE((-huge * huge).toFixed(2).isEmpty());
}

TEST(Decimal, FormatsLikePrintfWithoutNegativeZero) {
    EXPECT_EQ(FormatNumber("%10.2f", 0.70_dec + 0.10_dec - 0.80_dec), QStringLiteral("      0.00"));
    EXPECT_EQ(FormatNumber("%10.2f", -0.004_dec), QStringLiteral("      0.00"));
    EXPECT_EQ(FormatNumber("%10.2f", -0.005_dec), QStringLiteral("     -0.01"));
    EXPECT_EQ(FormatNumber("%10.2f", 2.675), QStringLiteral("      2.68"));  // a double as written
    EXPECT_EQ(FormatNumber("%+08.3f", 1.5_dec), QStringLiteral("+001.500"));
    EXPECT_EQ(FormatNumber("%-7.1f|", -2.25_dec), QStringLiteral("-2.3   |"));
    EXPECT_EQ(FormatNumber("%5.0f", 2.5_dec), QStringLiteral("    3"));
    EXPECT_EQ(FormatNumber("%d", -7.9_dec), QStringLiteral("-7"));
    testing_support::LocaleScope german(testing_support::commaLocale());
    EXPECT_EQ(FormatNumber("%9.2f", -1234.5_dec), QStringLiteral(" -1234,50"));
}

TEST(Decimal, PadsAndSignsAsPrintfDoesForEveryFlag) {
    // Values with no tie at these precisions, where printf's binary rounding and ours agree.
    const double values[] = {0, 1.25, -1.25, 123.75, -3.75, 1234567.75};
    for (const char* flags : {"", "-", "+", " ", "0", "+0", "- ", "-0", "-+"})
        for (int width : {0, 1, 6, 12})
            for (int places : {0, 2})
                for (double value : values) {
                    const QByteArray format = QByteArray("%") + flags + QByteArray::number(width) + '.' +
                                              QByteArray::number(places) + 'f';
                    EXPECT_EQ(FormatNumber(format.constData(), Decimal::fromDouble(value)),
                              QString::asprintf(format.constData(), value))
                        << format.constData() << " " << value;
                }
}
