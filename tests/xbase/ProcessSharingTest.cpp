// Two real processes (fork) on one table on disk: exclusive and shared opens refuse each other both
// ways, and each process sees the records the other appended and changed. A second open in the same
// process behaves like another user.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

// Runs body in a child process; its return value is the child's exit code (0 = as expected).
int inChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        Context ctx(nullptr, m_dir.path());
        Table* t = ctx.createTable("CUST", test::customerFields());
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("CUST", {{"CName", "Upper(LAST)", "cName.ntx"}}), kErrNotExclusive);
        ASSERT_EQ(test::addCustomer(t, 1, "Smith"), 0);
        ASSERT_EQ(test::addCustomer(t, 2, "Adams"), 0);
        ASSERT_EQ(ctx.closeAll(), 0);
        ctx.setAccessMode(1);
        t = ctx.openTable("CUST");
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("CUST", {{"CName", "Upper(LAST)", "cName.ntx"}}), 0);
        ASSERT_EQ(ctx.closeAll(), 0);
    }
    test::TempDir m_dir;
};

TEST_F(ProcessTest, ExclusiveAndSharedOpensRefuseEachOther) {
    Context ctx(nullptr, m_dir.path());
    ASSERT_NE(ctx.openTable("CUST"), nullptr);
    EXPECT_EQ(inChild([&] {
                  Context other(nullptr, m_dir.path());
                  if (!other.openTable("CUST")) return 1;  // shared beside shared works
                  other.closeAll();
                  other.setAccessMode(1);
                  return other.openTable("CUST") == nullptr && other.errorCode() == kErrShare ? 0 : 2;
              }),
              0);
    ctx.closeAll();

    ctx.setAccessMode(1);
    ASSERT_NE(ctx.openTable("CUST"), nullptr);
    EXPECT_EQ(inChild([&] {
                  Context other(nullptr, m_dir.path());
                  return other.openTable("CUST") == nullptr && other.errorCode() == kErrShare ? 0 : 1;
              }),
              0);
}

TEST_F(ProcessTest, EachProcessSeesTheOthersCommittedRecords) {
    Context ctx(nullptr, m_dir.path());
    Table* t = ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->selectTag(t->findTag("CName")), 0);
    ASSERT_EQ(t->top(), 0);

    EXPECT_EQ(inChild([&] {
                  Context other(nullptr, m_dir.path());
                  Table* o = other.openTable("CUST");
                  if (!o) return 1;
                  if (test::addCustomer(o, 3, "Brown") != 0) return 2;
                  if (o->go(1) != 0 || o->field("LAST")->assignText("Zimmer") != 0) return 3;
                  return other.closeAll() == 0 ? 0 : 4;
              }),
              0);

    EXPECT_EQ(t->recCount(), 3);
    ASSERT_EQ(t->go(1), 0);
    EXPECT_EQ(t->field("LAST")->text().substr(0, 6), "Zimmer");
    ASSERT_EQ(t->seek("BROWN"), 0);
    EXPECT_EQ(t->recNo(), 3);
    ASSERT_EQ(t->top(), 0);
    EXPECT_EQ(t->recNo(), 2);
    EXPECT_EQ(t->skip(2), 0);
    EXPECT_EQ(t->recNo(), 1) << "Zimmer sorts last now";

    // And the other way: the parent appends, a child reads it.
    ASSERT_EQ(test::addCustomer(t, 4, "Clark"), 0);
    EXPECT_EQ(inChild([&] {
                  Context other(nullptr, m_dir.path());
                  Table* o = other.openTable("CUST");
                  if (!o || o->recCount() != 4) return 1;
                  o->selectTag(o->findTag("cname"));
                  return o->seek("CLARK") == 0 && o->recNo() == 4 ? 0 : 2;
              }),
              0);
}

TEST_F(ProcessTest, SecondOpenInOneProcessIsAnotherUser) {
    Context first(nullptr, m_dir.path());
    Context second(nullptr, m_dir.path());
    Table* a = first.openTable("CUST");
    Table* b = second.openTable("CUST");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(test::addCustomer(a, 3, "Brown"), 0);
    EXPECT_EQ(b->recCount(), 3);
    ASSERT_EQ(b->go(3), 0);
    EXPECT_EQ(b->field("CUNO")->asLong(), 3);
    ASSERT_EQ(b->field("LAST")->assignText("Black"), 0);
    ASSERT_EQ(b->flush(), 0);
    ASSERT_EQ(a->go(3), 0);
    EXPECT_EQ(a->field("LAST")->text().substr(0, 5), "Black");

    Context third(nullptr, m_dir.path());
    third.setAccessMode(1);
    EXPECT_EQ(third.openTable("CUST"), nullptr);
    EXPECT_EQ(third.errorCode(), kErrShare);
    first.closeAll();
    second.closeAll();
    EXPECT_NE(third.openTable("CUST"), nullptr);
    EXPECT_EQ(first.openTable("CUST"), nullptr);
    EXPECT_EQ(first.errorCode(), kErrShare);
}

}  // namespace
}  // namespace xbase
