// Str() of numbers as other programs store them: leading zeros, a plus sign, a negative zero,
// values too wide for the key. Keys written straight into a buffer equal the ones built as text.
#include <gtest/gtest.h>

#include "xbase/KeyExpr.h"

using namespace xbase;

namespace {

struct StrCase {
    const char* expression;
    const char* stored;  // the N8.0 field's text
    const char* key;
};

const StrCase kCases[] = {
    {"Str(NUM,6)", "   00042", "    42"},  // leading zeros go
    {"Str(NUM,6)", "     +42", "    42"},  // so does a plus sign
    {"Str(NUM,6)", "      -0", "     0"},  // no minus on a zero
    {"Str(NUM,6)", "  -00012", "   -12"},
    {"Str(NUM,6)", "  -99999", "-99999"},  // exactly the width
    {"Str(NUM,6)", " -999999", "******"},  // one more than the width
    {"Str(NUM,6)", "12345678", "******"},
    {"Str(NUM,8)", "12345678", "12345678"},
    {"Str(NUM,6)", "       0", "     0"},
    {"Str(NUM,6)", "        ", "     0"},  // blank reads as 0
    {"Str(NUM,6)", "   12 34", "     0"},  // unreadable reads as 0
    {"Str(NUM,6,1)", "     -12", " -12.0"},
    {"NUM", "     -12", ",,,,,,+*"},         // a bare numeric field: negatives mapped below '0'
};

TEST(KeyStr, StoredNumbersGiveTheirKeys) {
    const std::vector<FieldLayout> fields = {{"NUM", 'N', 8, 0, 1}};
    for (const StrCase& c : kCases) {
        SCOPED_TRACE(std::string(c.expression) + " of \"" + c.stored + "\"");
        std::unique_ptr<KeyExpr> expr;
        std::string why;
        ASSERT_EQ(KeyExpr::compile(c.expression, fields, &expr, &why), 0) << why;
        const std::string rec = std::string(" ") + c.stored;
        const auto* raw = reinterpret_cast<const uint8_t*>(rec.data());
        std::string key = "left over from before";
        expr->evaluate(raw, &key);
        EXPECT_EQ(key, c.key);
        std::string direct(size_t(expr->keyLength()), '?');
        expr->evaluate(raw, direct.data());
        EXPECT_EQ(direct, key);
    }
}

}  // namespace
