// Faults while writing: a failed Nth write, a full disk, a read-only file system and a lock held by
// another description. After each, the table must reopen and every record committed before the
// fault must be intact.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>

#include "xbase/ContextImpl.h"
#include "xbase/Engine.h"
#include "xbase/FileLocks.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

struct Committed {
    long cuno;
    std::string last;
    std::string memo;
};

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        Context ctx(m_mem.get(), "");
        ctx.setAccessMode(1);
        Table* t = ctx.createTable("CUST", test::customerFields());
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->createIndex("CUST", {{"CName", "Upper(LAST)", "cname.ntx"}}), 0);
        for (long i = 1; i <= 30; ++i) ASSERT_EQ(write(t, i, i, "Name" + std::to_string(i % 7), i % 3 ? "memo" : ""), 0);
        ASSERT_EQ(ctx.closeAll(), 0);
    }

    // Appends (recno == count + 1) or updates record recno, then flushes; remembers it when committed.
    int write(Table* t, long recno, long cuno, const std::string& last, const std::string& memo) {
        int rc = recno > t->recCount() ? t->appendBlank() : t->go(recno);
        if (rc != 0) return rc;
        if ((rc = t->field("CUNO")->assignLong(cuno)) != 0) return rc;
        if ((rc = t->field("LAST")->assignText(last)) != 0) return rc;
        if ((rc = t->field("NOTES")->assignMemo(memo + std::string(size_t(cuno % 5) * 300, 'm'))) != 0) return rc;
        m_inFlight = recno;
        m_inFlightValues = {cuno, last, memo + std::string(size_t(cuno % 5) * 300, 'm')};
        if ((rc = t->flush()) != 0) return rc;
        m_committed[recno] = m_inFlightValues;
        m_inFlight = 0;
        return 0;
    }

    // Reopens on the plain file system and checks every committed record.
    void verifyRecords() {
        Context ctx(m_mem.get(), "");
        Table* t = reopen(ctx);
        ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
        ASSERT_GE(t->recCount(), long(m_committed.size()));
        for (const auto& [recno, committed] : m_committed) {
            SCOPED_TRACE(recno);
            ASSERT_EQ(t->go(recno), 0);
            // The record being written when the fault hit holds either its old or its new values.
            const bool isNew = recno == m_inFlight && t->field("CUNO")->asLong() == m_inFlightValues.cuno;
            const Committed& c = isNew ? m_inFlightValues : committed;
            EXPECT_EQ(t->field("CUNO")->asLong(), c.cuno);
            EXPECT_EQ(t->field("LAST")->text().substr(0, c.last.size()), c.last);
            EXPECT_EQ(t->field("NOTES")->memoText(), c.memo);
        }
    }

    // Reopens and finds each committed record through the tag under its committed key.
    // Reopens on the plain file system. A write that failed inside a change of several index pages
    // leaves the index marked: it is refused at open (never read with keys missing) and a rebuild from
    // the table restores it.
    Table* reopen(Context& ctx) {
        Table* t = ctx.openTable("CUST");
        if (t) return t;
        const int code = ctx.errorCode();  // a marked index, or the table's mark of a change cut short
        EXPECT_TRUE(code == kErrCorruptIndex || code == kErrStaleIndex) << ctx.lastStatus().message;
        ctx.setAutoOpen(0);
        ctx.setSafety(0);
        ctx.setAccessMode(1);
        t = ctx.openTable("CUST");
        if (!t || t->createIndex("CUST", {{"CName", "Upper(LAST)", "cname.ntx"}}) != 0) return nullptr;
        return t;
    }

    // Every committed record keeps an entry under its committed key. A record whose write failed
    // may keep its old entry under its new values (the record is written before its index entries),
    // so entries are collected by walking the whole tag rather than by seeking and scanning.
    void verifyTagEntries() {
        Context ctx(m_mem.get(), "");
        Table* t = reopen(ctx);
        ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
        Tag* tag = t->findTag("CName");
        ASSERT_NE(tag, nullptr);
        t->selectTag(tag);
        std::map<long, int> entries;
        for (int rc = t->top(); rc == 0; rc = t->skip(1)) ++entries[t->recNo()];
        for (const auto& [recno, c] : m_committed) {
            if (recno == m_inFlight) continue;
            EXPECT_GE(entries[recno], 1) << "record " << recno << " (" << c.last << ") has no entry";
        }
        std::string key = m_committed.begin()->second.last;
        for (char& ch : key) ch = char(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(t->seek(key), 0) << key;
    }

    // Appends and updates until the nth write fails (and every write after it, as after a crash),
    // for n = 1..12, calling check after each.
    void failNthWrites(const std::function<void()>& check) {
        for (int nth = 1; nth <= 12; ++nth) {
            SCOPED_TRACE("failing write " + std::to_string(nth));
            FaultFileSystem fs(m_mem.get());
            {
                Context ctx(&fs, "");
                Table* t = ctx.openTable("CUST");
                ASSERT_NE(t, nullptr);
                fs.failWrite(nth, kErrWrite, true);
                bool failed = false;
                for (long i = 0; i < 4 && !failed; ++i) {
                    const long recno = i % 2 ? 5 + i : t->recCount() + 1;
                    failed = write(t, recno, 100 + nth * 10 + i, "Fault" + std::to_string(i), "after") != 0;
                }
                EXPECT_TRUE(failed);
                ctx.closeAll();
            }
            check();
        }
    }

    // Appends records with memos until the disk is full.
    void fillDisk() {
        FaultFileSystem fs(m_mem.get());
        Context ctx(&fs, "");
        Table* t = ctx.openTable("CUST");
        ASSERT_NE(t, nullptr);
        fs.diskFullAfter(6000);
        int rc = 0;
        for (long i = 0; i < 100 && rc == 0; ++i) rc = write(t, t->recCount() + 1, 500 + i, "Full", "x");
        EXPECT_EQ(rc, kErrDiskFull);
        EXPECT_EQ(ctx.lastStatus().code, kErrDiskFull);
        ctx.closeAll();
    }

    std::unique_ptr<FileSystem> m_mem = newMemoryFileSystem();
    std::map<long, Committed> m_committed;
    long m_inFlight = 0;
    Committed m_inFlightValues;
};

TEST_F(FaultTest, FailedNthWriteKeepsCommittedRecords) {
    failNthWrites([this] { verifyRecords(); });
}

TEST_F(FaultTest, FailedNthWriteKeepsCommittedTagEntries) {
    failNthWrites([this] { verifyTagEntries(); });
}

TEST_F(FaultTest, DiskFullKeepsCommittedRecords) {
    fillDisk();
    verifyRecords();
}

TEST_F(FaultTest, DiskFullKeepsCommittedTagEntries) {
    fillDisk();
    verifyTagEntries();
}

TEST_F(FaultTest, ReadOnlyFileSystemRefusesWrites) {
    FaultFileSystem fs(m_mem.get());
    {
        Context ctx(&fs, "");
        Table* t = ctx.openTable("CUST");
        ASSERT_NE(t, nullptr);
        fs.setReadOnly(true);
        ASSERT_EQ(t->go(3), 0);
        ASSERT_EQ(t->field("LAST")->assignText("Changed"), 0);
        EXPECT_EQ(t->flush(), kErrReadOnly);
        EXPECT_EQ(t->appendBlank(), kErrReadOnly);
        ctx.closeAll();
    }
    verifyRecords();
    verifyTagEntries();
}

TEST_F(FaultTest, RecordAndHeaderLocksHeldByAnotherDescription) {
    Context ctx(m_mem.get(), "");
    ctx.impl().lockTimeoutMs = 20;
    Table* t = ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    std::unique_ptr<File> other;
    ASSERT_TRUE(m_mem->open("CUST.dbf", Share::Shared, false, &other).ok());

    ASSERT_TRUE(other->lock(kLockBase + 2, 1, LockKind::Write, false).ok());
    ASSERT_EQ(t->go(2), 0);
    ASSERT_EQ(t->field("LAST")->assignText("Locked"), 0);
    EXPECT_EQ(t->flush(), kErrLock);
    EXPECT_EQ(t->skip(1), kErrLock) << "the table does not move away from an unwritten record";
    EXPECT_EQ(t->recNo(), 2);
    other->unlock(kLockBase + 2, 1);
    EXPECT_EQ(t->flush(), 0);

    ASSERT_TRUE(other->lock(kLockBase, 1, LockKind::Write, false).ok());
    EXPECT_EQ(t->appendBlank(), kErrLock);
    EXPECT_EQ(t->recCount(), 30);
    other->unlock(kLockBase, 1);
    EXPECT_EQ(t->appendBlank(), 0);
    EXPECT_EQ(t->recCount(), 31);
    ctx.closeAll();

    Context check(m_mem.get(), "");
    Table* c = check.openTable("CUST");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->go(2), 0);
    EXPECT_EQ(c->field("LAST")->text().substr(0, 6), "Locked");
}

}  // namespace
}  // namespace xbase
