// Pack, memo compaction, zap and index creation: what they keep, what they remove, and that they
// refuse to run on a shared open.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "xbase/Bytes.h"
#include "xbase/Engine.h"
#include "xbase/NtxBuild.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

// Five customers (Smith, Adams, Brown, Jones, Clark) with memos, 2 and 4 deleted, and the tags CName
// and CCNO; the table stays open exclusively in ctx.
Table* createCustomers(Context& ctx) {
    ctx.setAccessMode(1);
    Table* t = ctx.createTable("CUST", test::customerFields());
    EXPECT_NE(t, nullptr);
    if (t == nullptr) return nullptr;
    const char* names[] = {"Smith", "Adams", "Brown", "Jones", "Clark"};
    for (long i = 0; i < 5; ++i) {
        EXPECT_EQ(test::addCustomer(t, i + 1, names[i]), 0);
        EXPECT_EQ(t->field("NOTES")->assignMemo(std::string(600, char('a' + i))), 0);
        EXPECT_EQ(i % 2 == 1 ? t->markDeleted() : 0, 0);
    }
    EXPECT_EQ(t->createIndex("CUST", {{"CName", "Upper(LAST)", "cName.ntx"}, {"CCNO", "Str(CUNO,6)", "ccno.ntx"}}), 0);
    return t;
}

class MaintenanceTest : public ::testing::Test {
protected:
    Table* makeTable() { return createCustomers(m_ctx); }
    std::vector<long> order(Table* t, const char* tag) {
        std::vector<long> cunos;
        t->selectTag(tag ? t->findTag(tag) : nullptr);
        for (int rc = t->top(); rc == 0; rc = t->skip(1)) cunos.push_back(t->field("CUNO")->asLong());
        return cunos;
    }
    // The memo file's size, read with the table closed (it is open exclusively); reopens it.
    uint64_t memoSize(Table** t) {
        EXPECT_EQ(m_ctx.closeAll(), 0);
        const uint64_t size = test::readFsFile(*m_fs, "CUST.dbt").size();
        *t = m_ctx.openTable("CUST");
        EXPECT_NE(*t, nullptr);
        return size;
    }

    // 3000 customers, record i with DUE = i, a memo on every fourth, every third deleted; many
    // names alike so that equal keys are common.
    Table* makeBigTable() {
        m_ctx.setAccessMode(1);
        Table* t = m_ctx.createTable("BIG", test::customerFields());
        EXPECT_NE(t, nullptr);
        fill(t, 3000);
        return t;
    }
    void fill(Table* t, long count) {
        for (long i = 1; i <= count; ++i) {
            EXPECT_EQ(test::addCustomer(t, (i * 7919) % 1000, "Name" + std::to_string(i % 37), double(i)), 0);
            if (i % 4 == 0) {
                EXPECT_EQ(t->field("NOTES")->assignMemo("memo " + std::to_string(i)), 0);
            }
            if (i % 3 == 0) {
                EXPECT_EQ(t->markDeleted(), 0);
            }
        }
        EXPECT_EQ(t->flush(), 0);
    }
    // Every record once through the tag, keys (from the fields) in order, equal keys in record order.
    void expectOrdered(Table* t, const char* tag, bool byName, bool descending) {
        SCOPED_TRACE(tag);
        ASSERT_EQ(t->selectTag(t->findTag(tag)), 0);
        std::set<long> seen;
        std::pair<std::string, long> prev;
        for (int rc = t->top(); rc == 0; rc = t->skip(1)) {
            std::string key = std::to_string(t->field("CUNO")->asLong());
            key.insert(0, 6 - key.size(), ' ');
            if (byName) {
                std::string name = t->field("LAST")->text();
                for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
                key = name + key;
            }
            const std::pair<std::string, long> cur{key, t->recNo()};
            if (!seen.empty()) {
                const bool ordered = descending ? cur.first < prev.first || (cur.first == prev.first && cur.second > prev.second)
                                                : prev < cur;
                EXPECT_TRUE(ordered) << "record " << cur.second << " after record " << prev.second;
            }
            EXPECT_TRUE(seen.insert(t->recNo()).second);
            prev = cur;
        }
        EXPECT_EQ(long(seen.size()), t->recCount());
    }
    std::vector<std::string> files() {
        std::vector<std::string> names;
        EXPECT_TRUE(m_fs->list(".", &names).ok());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<FileSystem> m_fs = newMemoryFileSystem();
    Context m_ctx{m_fs.get(), ""};
};

TEST_F(MaintenanceTest, ManyRecordsSortedInRunsGiveOrderedTagsThroughCreateAndPack) {
    Table* t = makeBigTable();
    const size_t old = ntx::setSortMemoryBound(300);  // the two tags share it: runs of 150 pairs
    ASSERT_EQ(t->createIndex("BIG", {{"BName", "Upper(LAST)+Str(CUNO,6)", "bname.ntx"},
                                     {"BCuno", "Str(CUNO,6)", "bcuno.ntx", false, true}}),
              0);
    expectOrdered(t, "BName", true, false);
    expectOrdered(t, "BCuno", false, true);
    ASSERT_EQ(t->pack(), 0);
    ntx::setSortMemoryBound(old);
    EXPECT_EQ(t->recCount(), 2000);
    expectOrdered(t, "BName", true, false);
    expectOrdered(t, "BCuno", false, true);
    t->selectTag(nullptr);
    for (int rc = t->top(); rc == 0; rc = t->skip(1)) {
        const long i = long(t->field("DUE")->asDouble());
        ASSERT_NE(i % 3, 0) << "deleted record " << i << " kept";
        EXPECT_EQ(t->field("NOTES")->memoText(), i % 4 == 0 ? "memo " + std::to_string(i) : "");
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"BIG.cgp", "BIG.dbf", "BIG.dbt", "bcuno.ntx", "bname.ntx"}))
        << "no temporary or run file left";
}

TEST_F(MaintenanceTest, PackKeepsATagWrittenWithFewerKeysPerPage) {
    // Another engine may fill pages less: the tag keeps its own layout through the pack.
    m_ctx.setAccessMode(1);
    Table* t = m_ctx.createTable("BIG", test::customerFields());
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->createIndex("BIG", {{"BCuno", "Str(CUNO,6)", "bcuno.ntx"}}), 0);
    ASSERT_EQ(m_ctx.closeAll(), 0);
    std::string bytes = test::readFsFile(*m_fs, "bcuno.ntx");
    putU16(reinterpret_cast<uint8_t*>(bytes.data()) + 18, 20);  // MaxKeys
    putU16(reinterpret_cast<uint8_t*>(bytes.data()) + 20, 10);  // half a page
    test::writeFsFile(*m_fs, "bcuno.ntx", bytes);
    t = m_ctx.openTable("BIG");
    ASSERT_NE(t, nullptr) << m_ctx.lastStatus().message;
    fill(t, 600);
    ASSERT_EQ(t->pack(), 0) << m_ctx.lastStatus().message;
    expectOrdered(t, "BCuno", false, false);
    ASSERT_EQ(m_ctx.closeAll(), 0);
    bytes = test::readFsFile(*m_fs, "bcuno.ntx");
    EXPECT_EQ(getU16(reinterpret_cast<const uint8_t*>(bytes.data()) + 18), 20);
    const uint8_t* root = reinterpret_cast<const uint8_t*>(bytes.data()) + getU32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4);
    EXPECT_LE(getU16(root), 20);
}

TEST_F(MaintenanceTest, PackRemovesDeletedRecordsAndKeepsTagsAndMemos) {
    Table* t = makeTable();
    const uint64_t before = memoSize(&t);
    ASSERT_EQ(t->pack(), 0);
    EXPECT_EQ(t->recCount(), 3);
    EXPECT_EQ(order(t, nullptr), (std::vector<long>{1, 3, 5}));
    EXPECT_EQ(order(t, "CName"), (std::vector<long>{3, 5, 1}));
    EXPECT_EQ(t->seek("SMITH"), 0);
    EXPECT_EQ(t->recNo(), 1);
    EXPECT_EQ(t->field("NOTES")->memoText(), std::string(600, 'a'));
    t->go(2);
    EXPECT_EQ(t->field("NOTES")->memoText(), std::string(600, 'c'));
    EXPECT_LT(memoSize(&t), before) << "the deleted records' memos are gone";
    ASSERT_EQ(m_ctx.closeAll(), 0);

    m_ctx.setAccessMode(0);
    t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(order(t, "CCNO"), (std::vector<long>{1, 3, 5}));
}

TEST_F(MaintenanceTest, PackWithNothingDeletedChangesNoRecord) {
    Table* t = makeTable();
    for (long r : {2, 4}) {
        t->go(r);
        t->recall();
    }
    ASSERT_EQ(t->pack(), 0);
    EXPECT_EQ(order(t, nullptr), (std::vector<long>{1, 2, 3, 4, 5}));
}

TEST_F(MaintenanceTest, PackThatRunsOutOfSpaceLeavesTheTableAsItWas) {
    makeTable();
    ASSERT_EQ(m_ctx.closeAll(), 0);
    for (int nth : {1, 5, 9}) {
        SCOPED_TRACE(nth);
        FaultFileSystem faulty(m_fs.get());
        Context ctx(&faulty, "");
        ctx.setAccessMode(1);
        Table* t = ctx.openTable("CUST");
        ASSERT_NE(t, nullptr);
        faulty.failWrite(nth, kErrDiskFull, true);
        EXPECT_EQ(t->pack(), kErrDiskFull);
        faulty.clearFaults();
        EXPECT_EQ(order(t, nullptr), (std::vector<long>{1, 2, 3, 4, 5}));
        EXPECT_EQ(order(t, "CName"), (std::vector<long>{2, 3, 5, 4, 1}));
        t->go(4);
        EXPECT_EQ(t->field("NOTES")->memoText(), std::string(600, 'd'));
        EXPECT_FALSE(m_fs->exists("CUST.dbf.tmp"));
        EXPECT_FALSE(m_fs->exists("CUST.dbt.tmp"));
    }
}

TEST_F(MaintenanceTest, APackFailingAtAnyWriteLeavesTheOldTableOrRefusesTheStaleTags) {
    // Up to the swap of the files the old table stays whole; after it the table is the packed one
    // and a tag that could not take its new tree must never be read as if current.
    for (int nth = 1;; ++nth) {
        SCOPED_TRACE(nth);
        ASSERT_LT(nth, 100) << "the pack never succeeded";
        auto fs = newMemoryFileSystem();
        {
            Context setup(fs.get(), "");
            ASSERT_NE(createCustomers(setup), nullptr);
            ASSERT_FALSE(HasFailure());
            ASSERT_EQ(setup.closeAll(), 0);
        }
        FaultFileSystem faulty(fs.get());
        int rc = 0;
        {
            Context ctx(&faulty, "");
            ctx.setAccessMode(1);
            Table* t = ctx.openTable("CUST");
            ASSERT_NE(t, nullptr);
            faulty.failWrite(nth, kErrDiskFull, true);
            rc = t->pack();
            faulty.clearFaults();
            ctx.closeAll();
        }
        Context check(fs.get(), "");
        check.setAccessMode(1);
        check.setAutoOpen(0);
        Table* plain = check.openTable("CUST");
        ASSERT_NE(plain, nullptr);
        const std::vector<long> records = order(plain, nullptr);
        ASSERT_EQ(check.closeAll(), 0);
        check.setAutoOpen(1);
        Table* t = check.openTable("CUST");
        if (rc == 0 || records.size() == 3) {
            EXPECT_EQ(records, (std::vector<long>{1, 3, 5}));
            if (t) {
                EXPECT_EQ(order(t, "CName"), (std::vector<long>{3, 5, 1}));
                EXPECT_EQ(order(t, "CCNO"), (std::vector<long>{1, 3, 5}));
            } else {
                EXPECT_NE(rc, 0);
                const int code = check.errorCode();
                EXPECT_TRUE(code == kErrCorruptIndex || code == kErrStaleIndex) << check.lastStatus().message;
            }
        } else {
            EXPECT_EQ(rc, kErrDiskFull);
            EXPECT_EQ(records, (std::vector<long>{1, 2, 3, 4, 5}));
            ASSERT_NE(t, nullptr) << check.lastStatus().message;
            EXPECT_EQ(order(t, "CName"), (std::vector<long>{2, 3, 5, 4, 1}));
        }
        std::vector<std::string> names;
        ASSERT_TRUE(fs->list(".", &names).ok());
        EXPECT_EQ(names.size(), 5u) << "no temporary file left";
        check.closeAll();
        if (rc == 0) break;
    }
}

TEST_F(MaintenanceTest, CompressMemoKeepsOnlyReferencedMemos) {
    Table* t = makeTable();
    t->go(1);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(t->field("NOTES")->assignMemo(std::string(2000, char('0' + i))), 0);
        ASSERT_EQ(t->flush(), 0);
    }
    t->go(3);
    ASSERT_EQ(t->field("NOTES")->assignMemo(""), 0);
    const uint64_t before = memoSize(&t);
    t->go(3);
    ASSERT_EQ(t->compressMemo(), 0);
    EXPECT_EQ(t->recNo(), 3) << "the current record stays current";
    const uint64_t after = memoSize(&t);
    EXPECT_EQ(after, 512u + 4 * 512 + 2 * 512 + 2 * 512 + 602) << "header, 2000, 600, 600 and 600 bytes";
    EXPECT_LT(after, before);
    EXPECT_EQ(t->recCount(), 5) << "deleted records stay";
    const std::string expected[] = {std::string(2000, '4'), std::string(600, 'b'), "", std::string(600, 'd'),
                                    std::string(600, 'e')};
    for (long r = 1; r <= 5; ++r) {
        t->go(r);
        EXPECT_EQ(t->field("NOTES")->memoText(), expected[r - 1]) << r;
    }
    EXPECT_EQ(order(t, "CName"), (std::vector<long>{2, 3, 5, 4, 1}));
}

TEST_F(MaintenanceTest, ZapEmptiesTheTableAndItsTags) {
    Table* t = makeTable();
    ASSERT_EQ(t->zap(1, t->recCount()), 0);
    EXPECT_EQ(t->recCount(), 0);
    EXPECT_TRUE(t->eof());
    t->selectTag(t->findTag("cname"));
    EXPECT_EQ(t->top(), kEof);
    EXPECT_EQ(test::addCustomer(t, 9, "New"), 0);
    EXPECT_EQ(order(t, "CName"), (std::vector<long>{9}));
}

TEST_F(MaintenanceTest, ZapOfARangeKeepsTheOthers) {
    Table* t = makeTable();
    ASSERT_EQ(t->zap(2, 2), 0);
    EXPECT_EQ(order(t, nullptr), (std::vector<long>{1, 4, 5}));
    EXPECT_EQ(order(t, "CCNO"), (std::vector<long>{1, 4, 5}));
    EXPECT_EQ(t->zap(3, 5), kErrArgument);
    EXPECT_EQ(t->recCount(), 3);
}

TEST_F(MaintenanceTest, MaintenanceNeedsAnExclusiveOpen) {
    makeTable();
    ASSERT_EQ(m_ctx.closeAll(), 0);
    m_ctx.setAccessMode(0);
    Table* t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->exclusive());
    EXPECT_EQ(t->pack(), kErrNotExclusive);
    EXPECT_EQ(t->zap(1, 5), kErrNotExclusive);
    EXPECT_EQ(t->compressMemo(), kErrNotExclusive);
    EXPECT_EQ(t->createIndex("CUST", {{"X", "LAST", "x.ntx"}}), kErrNotExclusive);
    EXPECT_EQ(t->recCount(), 5);
}

TEST_F(MaintenanceTest, CreateIndexWritesTheGroupAndRespectsSafety) {
    Table* t = makeTable();
    EXPECT_EQ(t->selectedTag(), nullptr) << "no tag selected after creation";
    EXPECT_EQ(test::readFsFile(*m_fs, "CUST.cgp"), "cName.ntx\nccno.ntx\n");
    ASSERT_EQ(t->tags().size(), 2u);
    EXPECT_EQ(t->tags()[0]->name(), "CName");
    EXPECT_EQ(t->findTag("CNAME"), t->tags()[0]);

    EXPECT_EQ(t->createIndex("CUST", {{"CName", "Upper(LAST)", "cName.ntx"}}), kErrExists);
    EXPECT_EQ(m_ctx.errorCode(), kErrExists);
    m_ctx.setSafety(0);
    EXPECT_EQ(t->createIndex("CUST", {{"CName", "Upper(LAST)", "CNAME.NTX"}}), 0);
    EXPECT_EQ(test::readFsFile(*m_fs, "CUST.cgp"), "cName.ntx\n") << "the existing file is replaced";
    EXPECT_EQ(t->createIndex("CUST", {{"Bad", "Upper(NOSUCH)", "bad.ntx"}}), kErrExpression);
}

TEST_F(MaintenanceTest, AutoOpenOpensTheGroupsTags) {
    makeTable();
    ASSERT_EQ(m_ctx.closeAll(), 0);
    test::writeFsFile(*m_fs, "CUST.cgp", "# tags\r\n\r\n  CCNO.NTX \r\ncname.ntx\r\n");
    Table* t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->tags().size(), 2u);
    EXPECT_EQ(t->tags()[0]->name(), "CCNO");
    t->close();
    m_ctx.setAutoOpen(0);
    t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->tags().empty());
    EXPECT_EQ(t->findTag("CName"), nullptr);
    EXPECT_EQ(m_ctx.errorCode(), kErrTagNotFound);
    t->close();

    m_ctx.setAutoOpen(1);
    m_fs->remove("ccno.ntx");
    EXPECT_EQ(m_ctx.openTable("CUST"), nullptr) << "a listed index that is missing fails the open";
    EXPECT_EQ(m_ctx.errorCode(), kErrOpen);
}

}  // namespace
}  // namespace xbase
