// Key expressions evaluated on raw records: the keys, their lengths and types, and refused expressions.
#include <gtest/gtest.h>

#include <map>

#include "xbase/KeyExpr.h"
#include "xbase/Status.h"

using namespace xbase;

namespace {

// LAST C20, FIRST C15, CUNO N6, DUE N12.2, IDATE D8, PAID L1, PRID C10, IVNO N6.
const std::vector<FieldLayout> kFields = {
    {"LAST", 'C', 20, 0, 1},  {"FIRST", 'C', 15, 0, 21}, {"CUNO", 'N', 6, 0, 36}, {"DUE", 'N', 12, 2, 42},
    {"IDATE", 'D', 8, 0, 54}, {"PAID", 'L', 1, 0, 62},   {"PRID", 'C', 10, 0, 63}, {"IVNO", 'N', 6, 0, 73},
};

// A record with the given fields' stored texts (right-justified numbers as the caller writes them).
std::string record(const std::map<std::string, std::string>& values) {
    std::string rec(79, ' ');
    for (const auto& f : kFields) {
        auto it = values.find(f.name);
        if (it == values.end()) continue;
        std::string v = it->second;
        if (f.type == 'N') v = std::string(size_t(f.len) - std::min(v.size(), size_t(f.len)), ' ') + v;
        v.resize(size_t(f.len), ' ');
        rec.replace(size_t(f.offset), size_t(f.len), v);
    }
    return rec;
}

struct KeyCase {
    const char* expression;
    std::map<std::string, std::string> values;
    const char* key;
    char type;
};

const KeyCase kKeys[] = {
    {"Upper(Last + First)", {{"LAST", "Smith"}, {"FIRST", "john"}}, "SMITH               JOHN           ", 'C'},
    {"  upper( LAST+first )  ", {{"LAST", "o'neil"}}, "O'NEIL                             ", 'C'},
    {"UPPER(last)", {{"LAST", "M\x81ller"}}, "M\x81LLER              ", 'C'},  // only ASCII letters change
    {"Str(CuNo, 6)", {{"CUNO", "42"}}, "    42", 'C'},
    {"Str(CuNo, 6)", {}, "     0", 'C'},  // blank numeric reads as 0
    {"Str(CuNo, 6)", {{"CUNO", "-12"}}, "   -12", 'C'},
    {"str(cuno,6,0)", {{"CUNO", "999999"}}, "999999", 'C'},
    {"Str(Due, 6)", {{"DUE", "123456.50"}}, "123457", 'C'},  // rounds half away from zero
    {"Str(Due, 6)", {{"DUE", "-2.50"}}, "    -3", 'C'},
    {"Str(Due, 5)", {{"DUE", "123456.00"}}, "*****", 'C'},   // too wide for the key: asterisks
    {"Str(Due, 8, 1)", {{"DUE", "2.25"}}, "     2.3", 'C'},
    {"Str(Due, 9, 3)", {{"DUE", "-0.01"}}, "   -0.010", 'C'},
    {"Str(Due, 6, 1)", {{"DUE", "-0.04"}}, "   0.0", 'C'},  // no minus sign on a zero
    {"Str(CuNo)", {{"CUNO", "7"}}, "         7", 'C'},        // default width 10
    {"DTOS(IDate)", {{"IDATE", "20240115"}}, "20240115", 'C'},
    {"DTOS(IDate)", {}, "        ", 'C'},
    {"PRID + Str(IVNO,6,0)", {{"PRID", "ABC"}, {"IVNO", "1003"}}, "ABC         1003", 'C'},
    {"Upper(PrID)+ DTOS(IDATE)", {{"PRID", "abc"}, {"IDATE", "20231231"}}, "ABC       20231231", 'C'},
    {"(Last)", {{"LAST", "X"}}, "X                   ", 'C'},
    // A bare numeric field: Str() with zeros for blanks, negatives with digits mapped below '0'.
    {"CuNo", {{"CUNO", "12"}}, "000012", 'N'},
    {"CuNo", {}, "000000", 'N'},
    {"CuNo", {{"CUNO", "-12"}}, ",,,,+*", 'N'},
    {"Due", {{"DUE", "12.50"}}, "000000012.50", 'N'},
    {"Due", {{"DUE", "-12.50"}}, ",,,,,,,+*.',", 'N'},
    {"IDate", {{"IDATE", "19991231"}}, "19991231", 'D'},
    {"Paid", {{"PAID", "T"}}, "T", 'C'},
    {"Paid", {}, "F", 'C'},
};

TEST(KeyExpr, EvaluatesKeysOnRawRecords) {
    for (const auto& c : kKeys) {
        std::unique_ptr<KeyExpr> expr;
        std::string error;
        ASSERT_EQ(KeyExpr::compile(c.expression, kFields, &expr, &error), 0) << c.expression << ": " << error;
        const std::string rec = record(c.values);
        std::string key;
        expr->evaluate(reinterpret_cast<const uint8_t*>(rec.data()), &key);
        EXPECT_EQ(key, c.key) << c.expression;
        EXPECT_EQ(expr->type(), c.type) << c.expression;
        EXPECT_EQ(expr->keyLength(), int(std::string(c.key).size())) << c.expression;
        EXPECT_EQ(expr->text(), c.expression);
    }
}

TEST(KeyExpr, NumericKeysSortLikeTheirValues) {
    std::unique_ptr<KeyExpr> expr;
    std::string error;
    ASSERT_EQ(KeyExpr::compile("DUE", kFields, &expr, &error), 0);
    EXPECT_EQ(expr->decimals(), 2);
    const char* ascending[] = {"-999.99", "-12.50", "-12.49", "-0.01", "", "0.01", "12.49", "12.50", "999.99"};
    std::string prev;
    for (const char* v : ascending) {
        const std::string rec = record({{"DUE", v}});
        std::string key;
        expr->evaluate(reinterpret_cast<const uint8_t*>(rec.data()), &key);
        if (!prev.empty()) { EXPECT_LT(prev, key) << v; }
        prev = key;
    }
}

TEST(KeyExpr, RefusesWhatItCannotEvaluate) {
    const std::string deep = std::string(100000, '(') + "Last" + std::string(100000, ')');
    const char* bad[] = {
        deep.c_str(),       // nested past any real key
        "",                 // nothing
        "Nope",             // unknown field
        "Foo(Last)",        // unknown function
        "Upper(Last",       // unclosed
        "Last +",           // dangling operator
        "Last + CuNo",      // text joined with a number
        "Last + IDate",     // text joined with a date
        "Str(Last, 5)",     // Str of text
        "Upper(CuNo)",      // Upper of a number
        "DTOS(Last)",       // DTOS of text
        "Str(CuNo, 300)",   // wider than any key
        "Str(CuNo, 0)",     // no width
        "Str(Due, 4, 3)",   // decimals do not fit
        "Str(CuNo, x)",     // width not a number
        "Last First",       // two terms without an operator
        "Last - First",     // unsupported operator
        "Upper(Last + Last + Last + Last + Last + Last + Last + Last + Last + Last + Last + Last + Last)",  // > 256
    };
    for (const char* e : bad) {
        std::unique_ptr<KeyExpr> expr;
        std::string error;
        EXPECT_EQ(KeyExpr::compile(e, kFields, &expr, &error), kErrExpression) << std::string(e).substr(0, 80);
        EXPECT_FALSE(expr) << e;
        EXPECT_FALSE(error.empty()) << e;
    }
}

}  // namespace
