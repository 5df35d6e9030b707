#include <gtest/gtest.h>

#include <QDate>
#include <QVariantList>

#include <cmath>

#include "base/Format.h"
#include "support/TestSupport.h"

using namespace base;
using testing_support::LocaleScope;

namespace {

double day(int y, int m, int d) { return DayFromDate(QDate(y, m, d)); }
int windowStart() { return QDate::currentDate().year() - 60; }

}  // namespace

TEST(DayNumbers, CountFromTheEpochAndZeroIsNoDate) {
    EXPECT_EQ(day(1899, 12, 30), 0.0);
    EXPECT_EQ(day(1900, 1, 1), 2.0);
    EXPECT_EQ(DayFromDate(QDate()), 0.0);
    EXPECT_EQ(DateFromDay(day(2026, 3, 1) + 0.75), QDate(2026, 3, 1));  // the time of day is dropped
    EXPECT_FALSE(DateFromDay(0).isValid());
    EXPECT_FALSE(DateFromDay(-5).isValid());
    EXPECT_FALSE(DateFromDay(std::nan("")).isValid());
    EXPECT_FALSE(DateFromDay(1e300).isValid());
    EXPECT_EQ(DateFromDay(2958465.9), QDate(9999, 12, 31));
    EXPECT_FALSE(DateFromDay(2958466).isValid());  // no five-digit years in the stored text
    EXPECT_EQ(Today(), DayFromDate(QDate::currentDate()));
}

TEST(DateKeys, StoredTextRoundTripsAndNoDateIsEmpty) {
    EXPECT_EQ(DateToKey(0), QString());
    EXPECT_EQ(DateToKey(-3), QString());
    EXPECT_EQ(DateToKey(day(2026, 1, 5)), QStringLiteral("20260105"));
    EXPECT_EQ(KeyToDate(QStringLiteral("20260105")), day(2026, 1, 5));
    EXPECT_EQ(KeyToDate(QStringLiteral("  20260105  ")), day(2026, 1, 5));
    EXPECT_EQ(KeyToDate(QStringLiteral("20260105junk")), day(2026, 1, 5));  // characters 1-8 only
}

TEST(DateKeys, BadTextGivesZero) {
    for (const char* bad : {"", "2026010", "   2026010   ", "20260230", "20261301", "20260100", "00000101",
                            "abcdefgh", "2026-1-5", "2026 105", "        ", "+2026010", "２０２６０１０５"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(KeyToDate(QString::fromUtf8(bad)), 0.0);
    }
}

// The hundred years from 60 years back are stored as they are; the years outside move by a century.
// Written against the current year so it holds in any year: in 2026, 1965 is stored as 2065 and 2066
// as 1966, while 1966 to 2065 stay.
TEST(DateKeys, CenturyWindowFollowsTheCurrentYear) {
    const int y = windowStart();
    struct Case { int year, stored; } cases[] = {
        {y - 1, y + 99}, {y, y}, {y + 1, y + 1}, {y + 99, y + 99}, {y + 100, y}, {y + 101, y + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(DateToKey(day(c.year, 7, 14)), QString::asprintf("%04d0714", c.stored));
        EXPECT_EQ(DateWindow(day(c.year, 7, 14)), day(c.stored, 7, 14));
    }
}

TEST(DateKeys, WindowKeepsLeapDaysThatExistAndLeavesTheOthers) {
    // 1964 and 2064 both have a 29 February: the date moves.
    if (windowStart() > 1964 && windowStart() <= 2064) {
        EXPECT_EQ(DateWindow(day(1964, 2, 29)), day(2064, 2, 29));
    }
    // 2400 is a leap year, 2300 is not: the day is returned unchanged rather than made up.
    EXPECT_EQ(DateWindow(day(2400, 2, 29)), day(2400, 2, 29));
    EXPECT_EQ(DateToKey(day(2400, 2, 29)), QStringLiteral("24000229"));
    // The time of day stays with the date; no date stays no date.
    EXPECT_EQ(DateWindow(day(windowStart() - 1, 1, 1) + 0.5), day(windowStart() + 99, 1, 1) + 0.5);
    EXPECT_EQ(DateWindow(0), 0.0);
}

TEST(DateMaskAndText, FollowTheLocale) {
    EXPECT_EQ(DateMask(), QStringLiteral("MM/DD/YY"));
    EXPECT_EQ(DateText(day(2026, 1, 5)), QStringLiteral("1/5/26"));
    EXPECT_EQ(DateText(0), QString());
    {
        LocaleScope german(testing_support::commaLocale());
        EXPECT_EQ(DateMask(), QStringLiteral("DD.MM.YY"));
        EXPECT_EQ(DateText(day(2026, 1, 5)), QStringLiteral("05.01.26"));
    }
    // A locale whose short format is "d.M.yyyy" gets both single letters doubled.
    LocaleScope finnish(QLocale(QLocale::Finnish, QLocale::Finland));
    if (QLocale().dateFormat(QLocale::ShortFormat) == QStringLiteral("d.M.yyyy")) {
        EXPECT_EQ(DateMask(), QStringLiteral("DD.MM.YYYY"));
    }
}

TEST(TextHelpers, PaddingBlanksAndPositions) {
    EXPECT_EQ(PadNumber(42, 6), QStringLiteral("    42"));
    EXPECT_EQ(PadNumber(1234567, 6), QStringLiteral("1234567"));  // never cut
    EXPECT_EQ(PadNumber(-5, 3), QStringLiteral(" -5"));
    EXPECT_EQ(Blanks(0), QString());
    EXPECT_EQ(Blanks(-2), QString());
    EXPECT_EQ(Blanks(3), QStringLiteral("   "));
    EXPECT_EQ(LastPos(QStringLiteral("ab"), QStringLiteral("xabyab")), 5);
    EXPECT_EQ(LastPos(QStringLiteral("zz"), QStringLiteral("xabyab")), 0);
    EXPECT_EQ(LastPos(QString(), QStringLiteral("xab")), 0);
    EXPECT_EQ(FixedText(1.5, 5, 2), QStringLiteral(" 1.50"));
    LocaleScope german(testing_support::commaLocale());
    EXPECT_EQ(FixedText(12.345, 5, 2), QStringLiteral("12.35"));  // markup value: "." in every locale
}

TEST(KeyText, WindowsBytesAtMostSixtyCharacters) {
    const QByteArray key = KeyText(QStringLiteral("Caf\u00e9 \u20ac"));
    EXPECT_EQ(key, QByteArray("Caf\xe9 \x80"));
    EXPECT_EQ(key.constData()[key.size()], '\0');
    EXPECT_EQ(KeyText(QString(70, QLatin1Char('x'))).size(), 60);
}

TEST(IndexOfNumber, FirstMatchOrMinusOne) {
    EXPECT_EQ(IndexOfNumber(QVariantList{}, 3), -1);
    EXPECT_EQ(IndexOfNumber(QVariantList{5, 3, 3}, 3), 1);
    EXPECT_EQ(IndexOfNumber(QVariantList{5.0, 7.0}, 7), 1);
    EXPECT_EQ(IndexOfNumber(QVariantList{5.5}, 5), -1);
    EXPECT_EQ(IndexOfNumber(QVariant::fromValue(QList<int>{1, 2, 4}), 4), 2);
    EXPECT_EQ(IndexOfNumber(QVariant(3), 3), -1);  // not a list
    EXPECT_EQ(IndexOfNumber(QVariant(QStringLiteral("3")), 3), -1);
    EXPECT_EQ(IndexOfNumber(QVariant(), 0), -1);
}

namespace {

struct AmountCase {
    const char* entry;
    const char* format;
    const char* expected;
};

void checkAmounts(const std::vector<AmountCase>& cases) {
    for (const AmountCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.entry + "\" " + c.format);
        EXPECT_EQ(FormatAmountText(QString::fromUtf8(c.entry), c.format), QString::fromUtf8(c.expected));
    }
}

}  // namespace

// Every text an amount field admits reformats without failing; a minus before nothing but zeros stays
// in front of 0.00, padded to the entry's length.
TEST(FormatAmountText, AdmittedTextsDotLocale) {
    checkAmounts({
        {"", "%8.2f", "    0.00"},
        {"     .  ", "%8.2f", "    0.00"},
        {".", "%8.2f", "    0.00"},
        {"        ", "%8.2f", "    0.00"},
        {"-", "%8.2f", "-0.00"},
        {"-    .  ", "%8.2f", "   -0.00"},
        {"   -.   ", "%8.2f", "   -0.00"},
        {"-0.00   ", "%8.2f", "   -0.00"},
        {"12", "%8.2f", "   12.00"},
        {"  12.5  ", "%8.2f", "   12.50"},
        {"-5.   ", "%10.2f", "     -5.00"},
        {"+7", "%5.2f", " 7.00"},
        {"1 2 3.4", "%8.2f", "  123.40"},
        {"1e3", "%8.2f", " 1000.00"},
        {"12345.678", "%8.2f", "12345.68"},
        {"123456.00", "%8.2f", "123456.00"},  // wider than the format: not cut
        {"1.5", "%8.3f", "   1.500"},
        {"12,5", "%8.2f", "   12.00"},  // "," is no separator here: reading stops before it
    });
}

TEST(FormatAmountText, AdmittedTextsCommaLocale) {
    LocaleScope german(testing_support::commaLocale());
    checkAmounts({
        {"", "%8.2f", "    0,00"},
        {",", "%8.2f", "    0,00"},
        {"-,", "%8.2f", "-0,00"},
        {"-    ,  ", "%8.2f", "   -0,00"},
        {"  12,5  ", "%8.2f", "   12,50"},
        {"-5,25", "%10.2f", "     -5,25"},
    });
    EXPECT_EQ(FormatAmountText(QStringLiteral("  12.5  "), "%8.2f", QLatin1Char('.')), QStringLiteral("   12.50"));
    EXPECT_EQ(ReadAmount(QStringLiteral("  -12,5")), -125 * Decimal(1).dividedBy(10, 1));
    EXPECT_EQ(ReadAmount(QStringLiteral("-,")), Decimal());
}

TEST(FormatNumber, PrintfWithTheLocaleSeparator) {
    EXPECT_EQ(FormatNumber("%10.2f", 1234.5), QStringLiteral("   1234.50"));
    EXPECT_EQ(FormatNumber("%-6.1f|", 2.21), QStringLiteral("2.2   |"));
    EXPECT_EQ(FormatNumber("Total %d", 42.9), QStringLiteral("Total 42"));
    EXPECT_EQ(FormatNumber("%d%%", 7), QStringLiteral("7%"));
    // Unusable formats give nothing instead of reading an argument that is not there.
    EXPECT_EQ(FormatNumber("%s", 1), QString());
    EXPECT_EQ(FormatNumber("%f %f", 1), QString());
    EXPECT_EQ(FormatNumber(nullptr, 1), QString());
    LocaleScope german(testing_support::commaLocale());
    EXPECT_EQ(FormatNumber("%10.2f", -1234.5), QStringLiteral("  -1234,50"));
    EXPECT_EQ(FormatNumber("(%.1f)", 0.5), QStringLiteral("(0,5)"));
}
