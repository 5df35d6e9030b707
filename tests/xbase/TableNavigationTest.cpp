// Navigation on the DBF driver: the golden tables of NavigationCases.h, and what only files show
// (the records and pages a move reads).
#include <gtest/gtest.h>

#include <climits>

#include "xbase/Engine.h"
#include "xbase/NavigationCases.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

using test::Bottom;
using test::Go;
using test::replay;
using test::Seek;
using test::Skip;
using test::Top;

class NavigationTest : public ::testing::Test {
protected:
    // Creates a table with the given last names; the records listed in deleted are marked.
    Table* makeTable(const std::vector<std::string>& names, const std::vector<long>& deleted = {}) {
        return test::makeNavTable(m_ctx, names, deleted);
    }
    Table* withLastTag(Table* t) { return test::withLastTag(t); }

    std::unique_ptr<FileSystem> m_fs = newMemoryFileSystem();
    Context m_ctx{m_fs.get(), "db"};
};

TEST_F(NavigationTest, DeletedRecordStaysReadableAndSeekNeedsATag) {
    Table* t = makeTable({"A", "B", "C", "D", "E"}, {2, 4});
    t->go(2);
    EXPECT_TRUE(t->isDeleted());
    EXPECT_EQ(t->field("LAST")->text().substr(0, 1), "B");
    EXPECT_EQ(t->seek("A"), kErrTagNotFound) << "seek needs a tag";
}

class GoldenNavigationTest : public ::testing::TestWithParam<test::NavCase> {};

TEST_P(GoldenNavigationTest, ReplaysItsTable) {
    std::unique_ptr<FileSystem> fs = newMemoryFileSystem();
    Context ctx{fs.get(), "db"};
    test::runNavCase(ctx, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenNavigationTest, ::testing::ValuesIn(test::navigationCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NavigationTest, ChangedKeyMovesTheRecordInTheOrder) {
    Table* t = withLastTag(makeTable({"Smith", "Adams", "Brown"}));
    ASSERT_EQ(t->seek("ADAMS"), kOk) << m_ctx.lastStatus().message;
    ASSERT_EQ(t->field("LAST")->assignText("Zed"), 0);
    // Skipping writes the record first and continues from its new place at the end.
    EXPECT_EQ(t->skip(1), kEof);
    replay(t, {
                  {Top, 0, "", kOk, 3, false, false},
                  {Skip, 1, "", kOk, 1, false, false},
                  {Skip, 1, "", kOk, 2, false, false},
                  {Seek, 0, "ADAMS", kSeekNext, 3, false, false},
                  {Seek, 0, "ZED", kOk, 2, false, false},
              });
    // A record appended and left without a write still gets its (blank) key at the next move.
    ASSERT_EQ(t->appendBlank(), 0);
    EXPECT_EQ(t->top(), kOk);
    EXPECT_EQ(t->recNo(), 4);
}

TEST_F(NavigationTest, PositionAndGoPositionAreInverse) {
    Table* t = makeTable({"D", "C", "B", "A"});
    double f = -1;
    ASSERT_EQ(t->go(1), 0);
    ASSERT_EQ(t->position(&f), 0);
    EXPECT_DOUBLE_EQ(f, 0.125);
    for (long r = 1; r <= 4; ++r) {
        t->go(r);
        t->position(&f);
        EXPECT_EQ(t->goPosition(f), 0);
        EXPECT_EQ(t->recNo(), r);
    }
    EXPECT_EQ(t->goPosition(1.0), 0);
    EXPECT_EQ(t->recNo(), 4);
    t->go(99);
    t->position(&f);
    EXPECT_DOUBLE_EQ(f, 1.0);

    withLastTag(t);
    ASSERT_EQ(t->goPosition(0.0), 0);
    EXPECT_EQ(t->recNo(), 4) << "first in LAST order is A";
    ASSERT_EQ(t->goPosition(1.0), 0);
    EXPECT_EQ(t->recNo(), 1);
    ASSERT_EQ(t->seek("B"), 0);
    ASSERT_EQ(t->position(&f), 0);
    EXPECT_GT(f, 0.0);
    EXPECT_LT(f, 1.0);
}

TEST_F(NavigationTest, NavigationReadsOneRecordPerMove) {
    std::vector<std::string> names;
    for (int i = 0; i < 500; ++i) names.push_back("N" + std::to_string(1000 + (i * 37) % 500));
    Table* t = withLastTag(makeTable(names));
    t->selectTag(nullptr);
    IoCounters& io = m_ctx.counters();
    io.reset();
    t->go(250);
    t->skip(1);
    t->skip(-3);
    t->bottom();
    EXPECT_EQ(io.recordsRead, 4u);
    // Through a tag the record is read when first needed, once.
    t->selectTag(t->findTag("LAST"));
    io.reset();
    ASSERT_EQ(t->seek("N1234"), 0);
    EXPECT_EQ(io.recordsRead, 0u);
    EXPECT_LE(io.indexPagesRead, 4u) << "a seek descends the tree only";
    EXPECT_EQ(t->field("LAST")->text().substr(0, 5), "N1234");
    EXPECT_FALSE(t->isDeleted());
    EXPECT_EQ(io.recordsRead, 1u);
    io.reset();
    ASSERT_EQ(t->skip(1), 0);
    ASSERT_EQ(t->skip(1), 0);
    EXPECT_EQ(io.recordsRead, 0u) << "walking the order reads no record";
    EXPECT_EQ(t->field("LAST")->text().substr(0, 5), "N1236");
    EXPECT_EQ(io.recordsRead, 1u);
}

// A record reached through a tag and not yet read can still be changed, deleted and moved from, and
// its new key takes its place in the order.
TEST_F(NavigationTest, ChangesToARecordReachedThroughATag) {
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) names.push_back("N" + std::to_string(1000 + (i * 37) % 300));
    Table* t = withLastTag(makeTable(names));
    t->selectTag(t->findTag("LAST"));
    ASSERT_EQ(t->seek("N1100"), 0);
    const long recno = t->recNo();
    ASSERT_EQ(t->markDeleted(), 0);
    ASSERT_EQ(t->skip(1), 0);
    EXPECT_EQ(t->field("LAST")->text().substr(0, 5), "N1101");
    ASSERT_EQ(t->skip(-1), 0);
    EXPECT_EQ(t->recNo(), recno);
    EXPECT_TRUE(t->isDeleted());

    ASSERT_EQ(t->seek("N1200"), 0);
    ASSERT_EQ(t->field("LAST")->assignText("A0"), 0);
    ASSERT_EQ(t->top(), 0);
    EXPECT_EQ(t->field("LAST")->text().substr(0, 2), "A0");
    ASSERT_EQ(t->skip(1), 0);
    EXPECT_EQ(t->field("LAST")->text().substr(0, 5), "N1000");
    EXPECT_EQ(t->seek("N1200"), kSeekNext);
}

}  // namespace
}  // namespace xbase
