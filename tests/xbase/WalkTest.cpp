// A walk on a shared table reads its records a block at a time, and no user's change is lost or
// hidden by that: writers wait outside the block in hand, and what is read is what is stored.
#include <gtest/gtest.h>

#include "XbaseTestUtil.h"
#include "xbase/ContextImpl.h"
#include "xbase/FileLocks.h"

namespace xbase {
namespace {

constexpr long kRecords = 3000;  // three blocks and more of this layout

class WalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        Context maker(&m_fs, "");
        maker.setAccessMode(1);
        Table* t = maker.createTable("CUST", test::customerFields());
        ASSERT_NE(t, nullptr);
        for (long n = 1; n <= kRecords; ++n) ASSERT_EQ(test::addCustomer(t, n, "Name" + std::to_string(n)), 0);
        ASSERT_EQ(t->createIndex("CUST", {{"CUNO", "Str(CUNO,6)", "cuno.ntx"}}), 0);
        ASSERT_EQ(maker.closeAll(), 0);
        m_other.impl().lockTimeoutMs = 20;
        m_reader = m_walker.openTable("CUST");
        m_writer = m_other.openTable("CUST");
        ASSERT_NE(m_reader, nullptr);
        ASSERT_NE(m_writer, nullptr);
    }

    std::string lastAt(Table* t, long recno) {
        return t->go(recno) == 0 ? t->field("LAST")->text().substr(0, 10) : "(no record)";
    }
    int rename(long recno, const std::string& last) {
        if (m_writer->go(recno) != 0) return -1;
        const int rc = m_writer->field("LAST")->assignText(last);
        return rc != 0 ? rc : m_writer->flush();
    }

    std::unique_ptr<FileSystem> m_mem = newMemoryFileSystem();
    FaultFileSystem m_fs{m_mem.get()};
    Context m_walker{&m_fs, ""};
    Context m_other{&m_fs, ""};
    Table* m_reader = nullptr;
    Table* m_writer = nullptr;
};

TEST_F(WalkTest, AWalkReadsBlocksAndSeesEveryRecordAsStored) {
    ASSERT_EQ(m_reader->selectTag(m_reader->findTag("CUNO")), 0);
    m_reader->setWalking(true);
    const int readsBefore = m_fs.readsSeen();
    m_walker.counters().reset();
    long n = 0;
    for (int rc = m_reader->top(); rc == 0 && !m_reader->eof(); rc = m_reader->skip(1)) {
        ++n;
        ASSERT_EQ(m_reader->field("CUNO")->asLong(), n);
    }
    EXPECT_EQ(n, kRecords);
    EXPECT_EQ(m_walker.counters().recordsRead, uint64_t(kRecords)) << "counted as before, from the block or not";
    // Records a block at a time; the index a page at a time, its header looked at only between leaves.
    EXPECT_LE(m_fs.readsSeen() - readsBefore, kRecords / 10) << "not one read a record";
    m_reader->setWalking(false);
}

TEST_F(WalkTest, WritersWaitOutsideTheBlockInHandAndTheWalkSeesWhatTheyWrote) {
    struct Case {
        long walkAt;      // the record the walk stands on
        long written;     // the record the other user changes meanwhile
        bool waits;       // refused while the walk holds the written record's block
    };
    const Case cases[] = {
        {1, 2, true}, {1, 1, true}, {2, 2999, false}, {2999, 3000, true}, {1500, 1, false},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("walk at " + std::to_string(c.walkAt) + ", write " + std::to_string(c.written));
        const std::string name = "New" + std::to_string(++round);
        m_reader->setWalking(true);
        lastAt(m_reader, c.walkAt + 1);  // a block is held from its second record read in a row
        ASSERT_EQ(m_reader->go(c.walkAt), 0);
        ASSERT_EQ(m_reader->field("CUNO")->asLong(), c.walkAt);
        EXPECT_EQ(rename(c.written, name), c.waits ? kErrLock : 0);
        if (c.waits) {
            m_reader->setWalking(false);  // the walk ends: the change goes through
            m_writer->revert();
            EXPECT_EQ(rename(c.written, name), 0);
            m_reader->setWalking(true);
        }
        EXPECT_EQ(lastAt(m_reader, c.written).substr(0, name.size()), name);
        m_reader->setWalking(false);
    }
}

TEST_F(WalkTest, ALockedBlockIsReadRecordByRecordAndTheWalksOwnWritesGoThrough) {
    std::unique_ptr<File> raw;
    ASSERT_TRUE(m_mem->open("CUST.dbf", Share::Shared, false, &raw).ok());
    ASSERT_TRUE(raw->lock(kLockBase + 10, 1, LockKind::Write, false).ok());  // another user's record lock
    m_reader->setWalking(true);
    EXPECT_EQ(lastAt(m_reader, 11).substr(0, 6), "Name11");
    EXPECT_EQ(lastAt(m_reader, 13).substr(0, 6), "Name13");
    ASSERT_EQ(rename(12, "Changed"), 0) << "a block that could not be locked is not held";
    EXPECT_EQ(lastAt(m_reader, 12).substr(0, 7), "Changed");
    raw->unlock(kLockBase + 10, 1);

    // The walk's own change is written and its record read back; the block is let go with it.
    lastAt(m_reader, 2001);
    ASSERT_EQ(m_reader->go(2000), 0);
    ASSERT_EQ(m_reader->field("LAST")->assignText("Mine"), 0);
    ASSERT_EQ(m_reader->flush(), 0);
    EXPECT_EQ(lastAt(m_reader, 2000).substr(0, 4), "Mine");
    EXPECT_EQ(lastAt(m_writer, 2000).substr(0, 4), "Mine");
    EXPECT_EQ(rename(2001, "Theirs"), kErrLock) << "the walk holds the block again";

    // Records the other user appends past the block in hand are there for the walk.
    m_writer->revert();
    m_reader->setWalking(false);

    // A walk through the tag keeps the other user's key changes out of the leaf in hand.
    ASSERT_EQ(m_reader->selectTag(m_reader->findTag("CUNO")), 0);
    m_reader->setWalking(true);
    ASSERT_EQ(m_reader->seek("  1500"), 0);
    ASSERT_EQ(m_writer->go(1), 0);
    ASSERT_EQ(m_writer->field("CUNO")->assignLong(1501), 0);
    EXPECT_EQ(m_writer->flush(), kErrLock);
    m_writer->revert();
    ASSERT_EQ(m_reader->skip(1), 0);
    EXPECT_EQ(m_reader->recNo(), 1501);
    m_reader->setWalking(false);
    ASSERT_EQ(m_writer->field("CUNO")->assignLong(1501), 0);
    EXPECT_EQ(m_writer->flush(), 0);
    ASSERT_EQ(m_reader->skip(1), 0);
    EXPECT_EQ(m_reader->recNo(), 1) << "the changed key is seen once the walk has let go";
    ASSERT_EQ(m_reader->selectTag(nullptr), 0);

    m_reader->setWalking(true);
    ASSERT_EQ(lastAt(m_reader, 2999).substr(0, 8), "Name2999");
    ASSERT_EQ(test::addCustomer(m_writer, 3001, "Appended"), 0);
    EXPECT_EQ(lastAt(m_reader, 3001).substr(0, 8), "Appended");
    m_reader->setWalking(false);
}

}  // namespace
}  // namespace xbase
