// Two users changing one record of a shared table: a write is based on the record as it is on the
// disk under the record's lock, so a change made from a reading that another user's write has since
// overtaken is refused, never laid over that write (which would also leave the tags stale).
#include <gtest/gtest.h>

#include <functional>

#include "XbaseTestUtil.h"

using namespace xbase;

namespace {

TEST(SharedWriters, AChangeFromAnOvertakenReadingIsRefusedAndCanBeMadeAgainAfterReading) {
    const struct {
        const char* what;
        std::function<int(Table*)> change;
    } cases[] = {
        {"the same field", [](Table* t) { return t->field("LAST")->assignText("Brown"); }},
        {"another field", [](Table* t) { return t->field("FIRST")->assignText("Bob"); }},
        {"the deletion flag", [](Table* t) { return t->markDeleted(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto fs = newMemoryFileSystem();
        {
            Context ctx(fs.get(), "");
            ctx.setAccessMode(1);
            Table* t = ctx.createTable("CUST", test::customerFields());
            ASSERT_NE(t, nullptr);
            for (long i = 1; i <= 3; ++i) ASSERT_EQ(test::addCustomer(t, i, "Name" + std::to_string(i)), 0);
            ASSERT_EQ(t->createIndex("CUST", {{"LAST", "Upper(LAST)", "last.ntx"}}), 0);
            ASSERT_EQ(ctx.closeAll(), 0);
        }
        Context a(fs.get(), ""), b(fs.get(), "");
        Table* ta = a.openTable("CUST");
        Table* tb = b.openTable("CUST");
        ASSERT_TRUE(ta && tb);
        ASSERT_EQ(ta->go(2), 0);
        ASSERT_EQ(tb->go(2), 0);
        EXPECT_EQ(tb->field("LAST")->text().substr(0, 5), "Name2");  // both have read it
        ASSERT_EQ(ta->field("LAST")->assignText("Adams"), 0);
        ASSERT_EQ(ta->flush(true), 0);

        ASSERT_EQ(c.change(tb), 0);
        EXPECT_EQ(tb->flush(true), kErrChanged);
        ASSERT_EQ(tb->revert(), 0);
        ASSERT_EQ(tb->go(2), 0);
        EXPECT_EQ(tb->field("LAST")->text().substr(0, 5), "Adams") << "the first change stays";
        ASSERT_EQ(tb->selectTag(tb->findTag("LAST")), 0);
        EXPECT_EQ(tb->seek("ADAMS"), 0) << "the tag holds the first change";
        EXPECT_EQ(tb->recNo(), 2);
        ASSERT_EQ(c.change(tb), 0);
        EXPECT_EQ(tb->flush(true), 0) << "made again on the record as it is now";
    }
}

}  // namespace
