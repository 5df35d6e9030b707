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

}  // namespace
}  // namespace xbase
