// Golden navigation tables: the result code, record number, eof and bof after every positioning
// call, in record order and through a tag, on empty tables, one record, deleted records and
// duplicate keys. Deleted records stay visible in every order.
#include <gtest/gtest.h>

#include <climits>

#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

enum Op { Top, Bottom, Skip, Go, Seek };

struct Step {
    Op op;
    long n;           // skip count or record number
    const char* key;  // seek key
    int rc;
    long recno;
    bool eof;
    bool bof;
};

void replay(Table* t, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        int rc = 0;
        switch (s.op) {
        case Top: rc = t->top(); break;
        case Bottom: rc = t->bottom(); break;
        case Skip: rc = t->skip(s.n); break;
        case Go: rc = t->go(s.n); break;
        case Seek: rc = t->seek(s.key); break;
        }
        SCOPED_TRACE("step " + std::to_string(i));
        EXPECT_EQ(rc, s.rc);
        EXPECT_EQ(t->recNo(), s.recno);
        EXPECT_EQ(t->eof(), s.eof);
        EXPECT_EQ(t->bof(), s.bof);
    }
}

class NavigationTest : public ::testing::Test {
protected:
    // Creates a table with the given last names; the records listed in deleted are marked.
    Table* makeTable(const std::vector<std::string>& names, const std::vector<long>& deleted = {}) {
        m_ctx.setAccessMode(1);
        Table* t = m_ctx.createTable("NAV", test::customerFields());
        EXPECT_NE(t, nullptr);
        for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(test::addCustomer(t, long(i) + 1, names[i]), 0);
        for (long r : deleted) {
            EXPECT_EQ(t->go(r), 0);
            EXPECT_EQ(t->markDeleted(), 0);
        }
        EXPECT_EQ(t->flush(), 0);
        return t;
    }
    Table* withLastTag(Table* t) {
        EXPECT_EQ(t->createIndex("NAV", {{"LAST", "Upper(LAST)", "last.ntx"}}), 0);
        EXPECT_EQ(t->selectTag(t->findTag("last")), 0);
        return t;
    }

    std::unique_ptr<FileSystem> m_fs = newMemoryFileSystem();
    Context m_ctx{m_fs.get(), "db"};
};

TEST_F(NavigationTest, EmptyTableInRecordOrder) {
    replay(makeTable({}), {
                              {Top, 0, "", kEof, 1, true, true},
                              {Bottom, 0, "", kEof, 1, true, true},
                              {Skip, 1, "", kEof, 1, true, true},
                              {Skip, -1, "", kBof, 1, true, true},
                              {Go, 1, "", kEof, 1, true, true},
                              {Go, 0, "", kEof, 1, true, true},
                          });
}

TEST_F(NavigationTest, OneRecordInRecordOrder) {
    replay(makeTable({"ONLY"}), {
                                    {Top, 0, "", kOk, 1, false, false},
                                    {Skip, 1, "", kEof, 2, true, false},
                                    {Skip, 1, "", kEof, 2, true, false},
                                    {Skip, -1, "", kOk, 1, false, false},
                                    {Skip, -1, "", kBof, 1, false, true},
                                    {Skip, 0, "", kOk, 1, false, false},
                                    {Bottom, 0, "", kOk, 1, false, false},
                                    {Go, 2, "", kEof, 2, true, true},
                                    {Go, 1, "", kOk, 1, false, false},
                                    {Skip, 5, "", kEof, 2, true, false},
                                    {Skip, -5, "", kBof, 1, false, true},
                                });
}

TEST_F(NavigationTest, DeletedRecordsStayVisibleInRecordOrder) {
    Table* t = makeTable({"A", "B", "C", "D", "E"}, {2, 4});
    replay(t, {
                  {Top, 0, "", kOk, 1, false, false},
                  {Skip, 1, "", kOk, 2, false, false},
                  {Skip, 2, "", kOk, 4, false, false},
                  {Skip, 3, "", kEof, 6, true, false},
                  {Skip, -2, "", kOk, 4, false, false},
                  {Skip, -10, "", kBof, 1, false, true},
                  {Go, 3, "", kOk, 3, false, false},
                  {Bottom, 0, "", kOk, 5, false, false},
                  {Skip, LONG_MAX, "", kEof, 6, true, false},
                  {Skip, LONG_MIN, "", kBof, 1, false, true},
              });
    t->go(2);
    EXPECT_TRUE(t->isDeleted());
    EXPECT_EQ(t->field("LAST")->text().substr(0, 1), "B");
    EXPECT_EQ(t->seek("A"), kErrTagNotFound) << "seek needs a tag";
}

TEST_F(NavigationTest, EmptyTableThroughATag) {
    replay(withLastTag(makeTable({})), {
                                           {Top, 0, "", kEof, 1, true, true},
                                           {Bottom, 0, "", kEof, 1, true, true},
                                           {Seek, 0, "A", kEof, 1, true, false},
                                           {Skip, -1, "", kBof, 1, true, true},
                                           {Skip, 1, "", kEof, 1, true, true},
                                       });
}

TEST_F(NavigationTest, OneRecordThroughATag) {
    replay(withLastTag(makeTable({"Only"})), {
                                                 {Top, 0, "", kOk, 1, false, false},
                                                 {Skip, 1, "", kEof, 2, true, false},
                                                 {Skip, -1, "", kOk, 1, false, false},
                                                 {Skip, -1, "", kBof, 1, false, true},
                                                 {Bottom, 0, "", kOk, 1, false, false},
                                                 {Seek, 0, "ONLY", kOk, 1, false, false},
                                                 {Seek, 0, "A", kSeekNext, 1, false, false},
                                                 {Seek, 0, "P", kEof, 2, true, false},
                                                 {Skip, -1, "", kOk, 1, false, false},
                                             });
}

// Order by LAST: ADAMS(2) ADAMS(5) BROWN(4, deleted) SMITH(1) SMITH(3).
TEST_F(NavigationTest, DuplicateKeysAndDeletedRecordsThroughATag) {
    Table* t = withLastTag(makeTable({"Smith", "Adams", "Smith", "Brown", "Adams"}, {4}));
    replay(t, {
                  {Top, 0, "", kOk, 2, false, false},
                  {Skip, 1, "", kOk, 5, false, false},
                  {Skip, 1, "", kOk, 4, false, false},
                  {Skip, 2, "", kOk, 3, false, false},
                  {Skip, 1, "", kEof, 6, true, false},
                  {Skip, -1, "", kOk, 3, false, false},
                  {Skip, -10, "", kBof, 2, false, true},
                  {Bottom, 0, "", kOk, 3, false, false},
                  {Seek, 0, "SMITH", kOk, 1, false, false},
                  {Seek, 0, "SM", kOk, 1, false, false},
                  {Seek, 0, "B", kOk, 4, false, false},
                  {Seek, 0, "C", kSeekNext, 1, false, false},
                  {Seek, 0, "ADAMSX", kSeekNext, 4, false, false},
                  {Seek, 0, "ADAMS ", kOk, 2, false, false},
                  {Seek, 0, "Z", kEof, 6, true, false},
                  {Seek, 0, "", kOk, 2, false, false},
                  // After go() the tag order continues from that record's own entry.
                  {Go, 5, "", kOk, 5, false, false},
                  {Skip, 1, "", kOk, 4, false, false},
                  {Go, 1, "", kOk, 1, false, false},
                  {Skip, -1, "", kOk, 4, false, false},
                  {Go, 1, "", kOk, 1, false, false},
                  {Skip, 1, "", kOk, 3, false, false},
                  {Go, 9, "", kEof, 6, true, true},
                  {Skip, -1, "", kOk, 3, false, false},
                  // Counts at the limits of their type run off the ends like any other.
                  {Skip, LONG_MIN, "", kBof, 2, false, true},
                  {Skip, LONG_MAX, "", kEof, 6, true, false},
                  {Skip, LONG_MIN, "", kBof, 2, false, true},
                  {Skip, -4, "", kBof, 2, false, true},
                  {Skip, 4, "", kOk, 3, false, false},
              });
}

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
