// What positioning costs, counted in pages and records read rather than timed: a seek reads no more
// than the tree's depth, a skip no more than the pages down to the next key, go() one record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "xbase/Engine.h"
#include "xbase/Ntx.h"

namespace {

constexpr long kKeys = 100000;
constexpr uint64_t kPageSize = 1024;

std::string keyOf(long i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "K%07ld", (i * 7919) % kKeys);  // unique, not in record order
    return buf;
}

class CostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_fs = xbase::newMemoryFileSystem();
        s_ctx = std::make_unique<xbase::Context>(s_fs.get(), "");
        s_ctx->setAccessMode(1);
        s_table = s_ctx->createTable("COST", {{"KEY", 'C', 8, 0}, {"N", 'N', 6, 0}});
        ASSERT_NE(s_table, nullptr) << s_ctx->lastStatus().message;
        xbase::Field* key = s_table->field("KEY");
        for (long i = 1; i <= kKeys; ++i) {
            ASSERT_EQ(s_table->appendBlank(), 0);
            ASSERT_EQ(key->assignText(keyOf(i)), 0);
        }
        ASSERT_EQ(s_table->createIndex("COST", {{"ckey", "KEY", "ckey.ntx"}}), 0) << s_ctx->lastStatus().message;
        // The index's size is read while nobody holds it, then the table is opened with its tag.
        ASSERT_EQ(s_ctx->closeAll(), 0);
        std::unique_ptr<xbase::File> f;
        ASSERT_TRUE(s_fs->open("ckey.ntx", xbase::Share::Shared, true, &f).ok());
        uint64_t size = 0;
        ASSERT_TRUE(f->size(&size).ok());
        s_indexPages = size / kPageSize - 1;  // the header page holds no keys
        f.reset();
        s_ctx->setAutoOpen(1);
        s_table = s_ctx->openTable("COST");
        ASSERT_NE(s_table, nullptr) << s_ctx->lastStatus().message;
    }
    static void TearDownTestSuite() {
        s_ctx.reset();
        s_fs.reset();
    }

    void SetUp() override {
        ASSERT_NE(s_table, nullptr);
        ASSERT_EQ(s_table->recCount(), kKeys);
        m_index = dynamic_cast<xbase::NtxIndex*>(s_table->findTag("ckey"));
        ASSERT_NE(m_index, nullptr);
        m_depth = m_index->depth();
        ASSERT_GE(m_depth, 3);  // deep enough for the bounds to mean something
    }

    xbase::IoCounters& counters() { return s_ctx->counters(); }

    static std::unique_ptr<xbase::FileSystem> s_fs;
    static std::unique_ptr<xbase::Context> s_ctx;
    static xbase::Table* s_table;
    static uint64_t s_indexPages;
    xbase::NtxIndex* m_index = nullptr;
    int m_depth = 0;
};

std::unique_ptr<xbase::FileSystem> CostTest::s_fs;
std::unique_ptr<xbase::Context> CostTest::s_ctx;
xbase::Table* CostTest::s_table = nullptr;
uint64_t CostTest::s_indexPages = 0;

TEST_F(CostTest, SeekReadsAtMostTheDepthInPages) {
    ASSERT_EQ(s_table->selectTag(m_index), 0);
    struct Case {
        std::string key;
        int result;
    };
    const Case cases[] = {
        {keyOf(1), xbase::kOk},  {keyOf(50000), xbase::kOk}, {"K0000000", xbase::kOk}, {"K0099999", xbase::kOk},
        {"K00500", xbase::kOk},  {"", xbase::kOk},           {"A", xbase::kSeekNext},  {"K0099999Z", xbase::kOk},
        {"L", xbase::kEof},      {"K00123455", xbase::kOk},
    };
    for (const Case& c : cases) {
        for (int again = 0; again < 2; ++again) {  // a second seek from a cursor deep in the tree
            counters().reset();
            EXPECT_EQ(s_table->seek(c.key), c.result) << c.key;
            EXPECT_LE(counters().indexPagesRead, uint64_t(m_depth)) << c.key;
            EXPECT_LE(counters().recordsRead, 1u) << c.key;
        }
    }
    for (long i = 1; i <= kKeys; i += 997) {
        counters().reset();
        ASSERT_EQ(s_table->seek(keyOf(i)), xbase::kOk);
        EXPECT_EQ(s_table->recNo(), i);
        EXPECT_LE(counters().indexPagesRead, uint64_t(m_depth)) << keyOf(i);
    }
}

// The cursor holds its path: a skip fetches only the pages below an interior key down to the next
// leaf (none when the next key is in the same leaf or an ancestor), so a walk through the whole
// order fetches each page once.
TEST_F(CostTest, SkipReadsOnlyPagesOffTheCurrentPath) {
    ASSERT_EQ(s_table->selectTag(m_index), 0);
    for (long direction : {1L, -1L}) {
        ASSERT_EQ(direction > 0 ? s_table->top() : s_table->bottom(), 0);
        uint64_t pages = 0;
        long steps = 0;
        uint64_t worst = 0;
        for (;;) {
            counters().reset();
            const int rc = s_table->skip(direction);
            ASSERT_GE(rc, 0) << s_ctx->lastStatus().message;
            if (s_table->eof() || s_table->bof()) break;
            ++steps;
            pages += counters().indexPagesRead;
            worst = std::max(worst, counters().indexPagesRead);
            ASSERT_LE(counters().recordsRead, 1u);
        }
        EXPECT_EQ(steps, kKeys - 1);
        EXPECT_LE(worst, uint64_t(m_depth - 1));
        EXPECT_LE(pages, s_indexPages) << "direction " << direction;
        EXPECT_GE(pages, s_indexPages / 2) << "every leaf is fetched on the way";
    }
}

TEST_F(CostTest, GoReadsOneRecord) {
    for (xbase::Tag* order : {static_cast<xbase::Tag*>(nullptr), static_cast<xbase::Tag*>(m_index)}) {
        ASSERT_EQ(s_table->selectTag(order), 0);
        for (long r : {1L, 2L, 777L, 50000L, kKeys}) {
            counters().reset();
            ASSERT_EQ(s_table->go(r), 0);
            EXPECT_EQ(counters().recordsRead, 1u) << r;
            EXPECT_EQ(s_table->field("KEY")->text(), keyOf(r));
            EXPECT_EQ(counters().recordsRead, 1u) << r;  // reading a field fetches nothing more
            if (order == nullptr) {
                EXPECT_EQ(counters().indexPagesRead, 0u) << r;
            }
        }
    }
}

}  // namespace
