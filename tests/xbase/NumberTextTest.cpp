// Stored numbers read back exactly as the C library reads them, whatever road the reading takes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "xbase/NumberText.h"

namespace xbase {
namespace {

double byLibrary(const std::string& text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str() + b, &end);
    return end == text.c_str() + b ? 0 : v;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(NumberText, ReadsEveryStoredFormAsTheLibraryDoes) {
    const char* texts[] = {"         ", "   -12.75", "      0.1", "  1899.99", "-0", "    -0.00", "12.", "-.5",
                           ".", "-", "123456789012345", "1234567890123456", "9007199254740993", "0.000000000000001",
                           "99999999999.99", "1e5", " 1.5 ", "12x", "***", "+7", "1.2.3", "  -99999999.99"};
    for (const char* text : texts)
        EXPECT_TRUE(sameBits(parseNumber(text), byLibrary(text))) << '"' << text << '"';
    // Every amount of a money field from -1000.00 to 1000.00, and some with more decimals.
    char buf[32];
    for (long cents = -100000; cents <= 100000; ++cents) {
        std::snprintf(buf, sizeof buf, "%12.2f", double(cents) / 100);
        ASSERT_TRUE(sameBits(parseNumber(buf), byLibrary(buf))) << buf;
        std::snprintf(buf, sizeof buf, "%16.6f", double(cents) * 1.000003 / 7);
        ASSERT_TRUE(sameBits(parseNumber(buf), byLibrary(buf))) << buf;
    }
}

// An amount typed as text is stored digit by digit: the same text as the double road wherever a
// double holds it, and exact where it does not.
TEST(NumberText, StoresDecimalTextWithoutBinaryRounding) {
    const struct {
        const char* text;
        int len, dec;
        const char* stored;  // nullptr: refused as too wide
    } cases[] = {
        {"2.675", 8, 2, "    2.68"},    {"-2.675", 8, 2, "   -2.68"}, {"-0.004", 6, 2, "  0.00"},
        {".5", 3, 0, "  1"},           {"+7", 4, 1, " 7.0"},         {"0009.90", 6, 2, "  9.90"},
        {"99.995", 6, 2, "100.00"},    {"99.995", 5, 2, nullptr},     {"1234567890123456789.01", 22, 2, "1234567890123456789.01"},
        {"0.1", 4, 2, "0.10"},
    };
    for (const auto& c : cases) {
        std::string out;
        const int rc = formatNumberText(c.text, c.len, c.dec, &out);
        if (c.stored) {
            EXPECT_EQ(rc, 0) << c.text;
            EXPECT_EQ(out, c.stored) << c.text;
        } else {
            EXPECT_NE(rc, 0) << c.text;
        }
    }
    for (const char* bad : {"", "-", ".", "1e5", "1.2.3", "12x"}) {
        std::string out;
        EXPECT_NE(formatNumberText(bad, 10, 2, &out), 0) << bad;
    }
    char text[32];
    for (long cents = -100000; cents <= 100000; cents += 7) {
        std::snprintf(text, sizeof text, "%s%ld.%02ld", cents < 0 ? "-" : "", std::labs(cents) / 100, std::labs(cents) % 100);
        std::string exact, viaDouble;
        ASSERT_EQ(formatNumberText(text, 10, 2, &exact), 0);
        ASSERT_EQ(formatNumber(std::strtod(text, nullptr), 10, 2, &viaDouble), 0);
        EXPECT_EQ(exact, viaDouble) << text;
    }
}

}  // namespace
}  // namespace xbase
