// Typed reads and assignments of fields: numbers fitted to their width or refused, dates, logicals,
// text cut and padded, and memo round trips through the DBT.
#include <gtest/gtest.h>

#include "xbase/Bytes.h"
#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_table = m_ctx.createTable("T", {{"NAME", 'C', 5, 0},
                                          {"N92", 'N', 9, 2},
                                          {"N6", 'N', 6, 0},
                                          {"N3", 'N', 3, 0},
                                          {"D", 'D', 8, 0},
                                          {"L", 'L', 1, 0},
                                          {"M", 'M', 10, 0}});
        ASSERT_NE(m_table, nullptr);
        ASSERT_EQ(m_table->appendBlank(), 0);
    }
    Field* f(const char* name) { return m_table->field(name); }
    // Closes and reopens the table, on its first record.
    void reopen() {
        ASSERT_EQ(m_table->close(), 0);
        m_table = m_ctx.openTable("T");
        ASSERT_NE(m_table, nullptr);
        ASSERT_EQ(m_table->go(1), 0);
    }

    std::unique_ptr<FileSystem> m_fs = newMemoryFileSystem();
    Context m_ctx{m_fs.get(), ""};
    Table* m_table = nullptr;
};

TEST_F(FieldTest, NumbersAreRightJustifiedWithTheFieldsDecimals) {
    struct Case {
        const char* field;
        double value;
        const char* stored;  // nullptr: refused as too wide
    };
    const Case cases[] = {
        {"N92", 12.5, "    12.50"},     {"N92", -12.5, "   -12.50"},  {"N92", 0, "     0.00"},
        {"N92", -0.001, "     0.00"},   {"N92", 2.675, "     2.68"},  {"N92", 1.005, "     1.01"},
        {"N92", 123456.78, "123456.78"}, {"N92", -12345.67, "-12345.67"}, {"N92", 1234567.8, nullptr},
        {"N92", -123456.78, nullptr},    {"N6", 999999, "999999"},     {"N6", 1000000, nullptr},
        {"N6", 2.5, "     3"},          {"N6", -2.5, "    -3"},      {"N6", -99999, "-99999"},
        {"N6", -999999, nullptr},        {"N3", 1e300, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + std::to_string(c.value));
        ASSERT_EQ(f(c.field)->assignDouble(0), 0);
        const std::string before = f(c.field)->text();
        const int rc = f(c.field)->assignDouble(c.value);
        if (c.stored) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(f(c.field)->text(), c.stored);
        } else {
            EXPECT_EQ(rc, kErrValueTooWide);
            EXPECT_EQ(f(c.field)->text(), before) << "a refused value leaves the field as it was";
            EXPECT_EQ(m_ctx.errorCode(), kErrValueTooWide);
            EXPECT_EQ(m_ctx.errorCode(), 0) << "errorCode() resets";
        }
    }
    EXPECT_EQ(f("N3")->assignLong(-99), 0);
    EXPECT_EQ(f("N3")->text(), "-99");
    EXPECT_EQ(f("N3")->assignLong(-100), kErrValueTooWide);
    EXPECT_EQ(f("N92")->assignInt(7), 0);
    EXPECT_EQ(f("N92")->text(), "     7.00");
    EXPECT_EQ(f("N92")->assignDouble(std::numeric_limits<double>::quiet_NaN()), kErrBadValue);
    EXPECT_EQ(f("NAME")->assignLong(1), kErrFieldType);
}

TEST_F(FieldTest, RefusedValueLeavesTheStoredRecordUnchanged) {
    ASSERT_EQ(f("N6")->assignLong(123), 0);
    ASSERT_EQ(m_table->flush(), 0);
    EXPECT_EQ(f("N6")->assignLong(12345678), kErrValueTooWide);
    reopen();
    EXPECT_EQ(f("N6")->asLong(), 123);
}

TEST_F(FieldTest, NumberReads) {
    EXPECT_EQ(f("N92")->text(), "         ");
    EXPECT_EQ(f("N92")->asDouble(), 0.0) << "blank reads as 0";
    EXPECT_EQ(f("N92")->asLong(), 0);
    ASSERT_EQ(f("N92")->assignText(" -12.75"), 0);
    EXPECT_EQ(f("N92")->text(), "   -12.75");
    EXPECT_DOUBLE_EQ(f("N92")->asDouble(), -12.75);
    EXPECT_EQ(f("N92")->asLong(), -12);
    EXPECT_EQ(f("N92")->asInt(), -12);
    EXPECT_EQ(f("N92")->assignText("12x"), kErrBadValue);
    EXPECT_EQ(f("N92")->assignText(""), 0);
    EXPECT_EQ(f("N92")->text(), "         ");
}

TEST_F(FieldTest, TextDatesAndLogicals) {
    EXPECT_EQ(f("NAME")->assignText("Ab"), 0);
    EXPECT_EQ(f("NAME")->text(), "Ab   ");
    EXPECT_EQ(f("NAME")->assignText("Abcdefgh"), 0);
    EXPECT_EQ(f("NAME")->text(), "Abcde");

    EXPECT_EQ(f("D")->text(), "        ");
    EXPECT_EQ(f("D")->assignText("20240229"), 0);
    EXPECT_EQ(f("D")->text(), "20240229");
    EXPECT_EQ(f("D")->assignText("2024-2-29"), kErrBadValue);
    EXPECT_EQ(f("D")->text(), "20240229");
    EXPECT_EQ(f("D")->assignText(""), 0);
    EXPECT_EQ(f("D")->text(), "        ");

    const struct {
        const char* in;
        const char* stored;
        bool isTrue;
    } logicals[] = {{"T", "T", true}, {"F", "F", false}, {"t", "T", true}, {"y", "T", true},
                    {"N", "F", false}, {"", " ", false}};
    for (const auto& c : logicals) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(f("L")->assignText(c.in), 0);
        EXPECT_EQ(f("L")->text(), c.stored);
        EXPECT_EQ(f("L")->isTrue(), c.isTrue);
    }
    EXPECT_EQ(m_table->field("nosuch"), nullptr);
    EXPECT_EQ(m_ctx.errorCode(), kErrFieldNotFound);
    EXPECT_EQ(m_table->field("name"), f("NAME")) << "field names without regard to case";
}

TEST_F(FieldTest, AssignmentWithoutACurrentRecordIsRefused) {
    m_table->go(99);
    EXPECT_EQ(f("NAME")->assignText("x"), kErrRecord);
    EXPECT_EQ(m_table->markDeleted(), kErrRecord);
    EXPECT_EQ(f("NAME")->text(), "     ") << "the phantom record reads blank";
}

TEST_F(FieldTest, MemoRoundTrips) {
    const std::string cases[] = {
        "",
        "x",
        std::string(510, 'a'),
        std::string(511, 'b'),
        std::string(512, 'c'),
        std::string(513, 'd'),
        "line one\r\nline two\r\n\r\n",
        "trailing blanks   ",
        std::string(3000, 'e') + "\r\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.size());
        ASSERT_EQ(f("M")->assignMemo(text), 0);
        EXPECT_EQ(f("M")->memoText(), text) << "before the write";
        reopen();
        EXPECT_EQ(f("M")->memoText(), text);
        if (text.empty()) { EXPECT_EQ(f("M")->text(), std::string(10, ' ')); }
    }
    const std::string withLength("ab\0cd", 5);
    ASSERT_EQ(f("M")->assignMemoN(withLength.data(), 3), 0);
    EXPECT_EQ(f("M")->memoText(), std::string("ab\0", 3));
}

TEST_F(FieldTest, WritesAreCountedByRecordAndBlock) {
    IoCounters& io = m_ctx.counters();
    ASSERT_EQ(m_table->flush(), 0);
    io.reset();
    ASSERT_EQ(f("M")->assignMemo(std::string(600, 'x')), 0);
    ASSERT_EQ(f("NAME")->assignText("a"), 0);
    ASSERT_EQ(f("N6")->assignLong(1), 0);
    EXPECT_EQ(io.pagesWritten, 3u) << "two memo blocks and the memo header, nothing else yet";
    ASSERT_EQ(m_table->flush(), 0);
    EXPECT_EQ(io.pagesWritten, 4u) << "the record once, however many fields changed";
    ASSERT_EQ(m_table->flush(), 0);
    EXPECT_EQ(io.pagesWritten, 4u) << "nothing pending, nothing written";
}

TEST_F(FieldTest, MemoWithEndMarkerIsRefusedAndTheOldTextKept) {
    ASSERT_EQ(f("M")->assignMemo("old"), 0);
    ASSERT_EQ(m_table->flush(), 0);
    EXPECT_EQ(f("M")->assignMemo("bad\x1A text"), kErrBadValue);
    reopen();
    EXPECT_EQ(f("M")->memoText(), "old");
}

TEST_F(FieldTest, MemoFileLayout) {
    ASSERT_EQ(f("M")->assignMemo(std::string(511, 'z')), 0);
    ASSERT_EQ(m_table->close(), 0);
    const std::string dbt = test::readFsFile(*m_fs, "T.dbt");
    ASSERT_EQ(dbt.size(), 512u + 513u);
    const auto* p = reinterpret_cast<const uint8_t*>(dbt.data());
    EXPECT_EQ(getU32(p), 3u) << "next free block after a memo of 511 + 2 bytes";
    EXPECT_EQ(p[16], 3) << "version byte";
    EXPECT_EQ(getU16(p + 20), 0) << "kept zero for readers that take a block size there";
    EXPECT_EQ(dbt.substr(512 + 511, 2), "\x1A\x1A");

    // A changed memo is appended; the old blocks stay until the memo file is compacted.
    m_table = m_ctx.openTable("T");
    ASSERT_EQ(m_table->go(1), 0);
    EXPECT_EQ(f("M")->text(), "         1");
    ASSERT_EQ(f("M")->assignMemo("new"), 0);
    EXPECT_EQ(f("M")->text(), "         3");
}

}  // namespace
}  // namespace xbase
