// What navigation costs in page fetches, counted by IoCounters rather than timed.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "NtxTestSupport.h"

using namespace xbase;
using namespace ntxtest;

namespace {

std::string numberKey(uint32_t i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%8u", i);
    return buf;
}

class NtxCost : public ::testing::Test {
protected:
    static constexpr uint32_t kKeys = 100000;
    static void SetUpTestSuite() {
        // Built once: the keys are the even numbers 2..200,000, record n holding 2n.
        std::vector<Pair> pairs;
        for (uint32_t i = 1; i <= kKeys; ++i) pairs.emplace_back(numberKey(i * 2), i);
        VectorSource source(pairs);
        auto fs = newMemoryFileSystem();
        NtxDefinition def{"NUM", "Str(NUM,8)", 8, 0, false, false};
        Status st;
        std::unique_ptr<NtxIndex> built;
        NtxIndex::create(*fs, "num.ntx", def, Share::Shared, source, nullptr, &built, &st);
        s_bytes = new std::vector<uint8_t>(getFile(*fs, "num.ntx"));
    }
    static void TearDownTestSuite() {
        delete s_bytes;
        s_bytes = nullptr;
    }
    void SetUp() override {
        fs = newMemoryFileSystem();
        putFile(*fs, "num.ntx", *s_bytes);
        Status st;
        ASSERT_EQ(NtxIndex::open(*fs, "num.ntx", Share::Shared, false, 8, &io, &index, &st), 0) << st.message;
        depth = index->depth();
        io.reset();
    }
    // The file opened again through a wrapper that counts its calls; the fixture's own open lets go,
    // so an exclusive open is possible.
    std::unique_ptr<NtxIndex> reopen(FaultFileSystem& counting, Share share) {
        index.reset();
        std::unique_ptr<NtxIndex> out;
        Status st;
        EXPECT_EQ(NtxIndex::open(counting, "num.ntx", share, false, 8, nullptr, &out, &st), 0) << st.message;
        return out;
    }

    static std::vector<uint8_t>* s_bytes;
    std::unique_ptr<FileSystem> fs;
    IoCounters io;
    std::unique_ptr<NtxIndex> index;
    int depth = 0;
};

std::vector<uint8_t>* NtxCost::s_bytes = nullptr;

TEST_F(NtxCost, SeekFetchesAtMostOnePagePerLevel) {
    ASSERT_EQ(depth, 3);
    std::mt19937 rng(5);
    for (int i = 0; i < 200; ++i) {
        const uint32_t n = rng() % (2 * kKeys + 2);
        io.reset();
        uint32_t recno = 0;
        const int rc = index->seek(numberKey(n), &recno);
        EXPECT_LE(io.indexPagesRead, uint64_t(depth)) << "seek " << n;
        if (n >= 2 && n <= 2 * kKeys) {
            EXPECT_EQ(rc, n % 2 == 0 ? kOk : kSeekNext);
            EXPECT_EQ(recno, (n + 1) / 2);
        }
    }
}

TEST_F(NtxCost, ScanFetchesEveryPageOnceAndStepsStayOnThePath) {
    const uint64_t pages = getFile(*fs, "num.ntx").size() / 1024 - 1;
    uint32_t recno = 0;
    ASSERT_EQ(index->first(&recno), 0);
    EXPECT_EQ(io.indexPagesRead, uint64_t(depth));
    uint64_t steps = 0, deepSteps = 0;
    uint64_t before = io.indexPagesRead;
    int rc = 0;
    while ((rc = index->next(&recno)) == 0) {
        const uint64_t fetched = io.indexPagesRead - before;
        // Within a leaf nothing is fetched; after a branch key only the pages down to the next leaf:
        // one page, except after the root's own keys.
        EXPECT_LE(fetched, uint64_t(depth - 1));
        deepSteps += fetched > 1 ? 1 : 0;
        before = io.indexPagesRead;
        ++steps;
    }
    EXPECT_EQ(rc, kEof);
    EXPECT_EQ(steps + 1, kKeys);
    EXPECT_EQ(io.indexPagesRead, pages);
    EXPECT_EQ(deepSteps, uint64_t(shapeOf(*fs, "num.ntx").counts[0][0]));
}

// A walk in key order reads the leaves in file order many pages per call, forwards and backwards,
// and the branch page met between two runs of leaves does not cost the run its read-ahead.
TEST_F(NtxCost, AWalkReadsManyLeavesPerCall) {
    FaultFileSystem counting(fs.get());
    const TreeShape shape = shapeOf(*s_bytes);
    const size_t leaves = shape.counts.back().size();
    const size_t branches = (s_bytes->size() / 1024 - 1) - leaves;
    for (const bool forward : {true, false}) {
        SCOPED_TRACE(forward ? "forward" : "backward");
        const std::unique_ptr<NtxIndex> walker = reopen(counting, Share::Exclusive);
        ASSERT_TRUE(walker);
        const int before = counting.readsSeen();
        uint32_t recno = 0;
        int rc = forward ? walker->first(&recno) : walker->last(&recno);
        uint32_t steps = 0;
        for (; rc == 0; rc = forward ? walker->next(&recno) : walker->prev(&recno)) ++steps;
        EXPECT_EQ(rc, forward ? kEof : kBof);
        EXPECT_EQ(steps, kKeys);
        const int reads = counting.readsSeen() - before;
        // A call reads 32 pages ahead; each branch page costs one call of its own and no more.
        EXPECT_LE(size_t(reads), leaves / 32 + branches + size_t(depth) + 3);
    }
}

// A long skip in a shared open is one operation: one look at the header and one read per page it
// passes, not one per entry.
TEST_F(NtxCost, ALongSkipReadsEachPageItPassesOnce) {
    FaultFileSystem counting(fs.get());
    const std::unique_ptr<NtxIndex> shared = reopen(counting, Share::Shared);
    ASSERT_TRUE(shared);
    uint32_t recno = 0;
    ASSERT_EQ(shared->last(&recno), 0);
    const TreeShape shape = shapeOf(*s_bytes);
    const size_t pages = s_bytes->size() / 1024 - 1;
    int before = counting.readsSeen();
    ASSERT_EQ(shared->skip(1 - long(kKeys), &recno), 0);
    EXPECT_EQ(recno, 1u);
    EXPECT_LE(size_t(counting.readsSeen() - before), pages + 2);
    before = counting.readsSeen();
    ASSERT_EQ(shared->skip(long(kKeys) / 2, &recno), 0);
    EXPECT_EQ(recno, kKeys / 2 + 1);
    EXPECT_LE(size_t(counting.readsSeen() - before), shape.counts.back().size() / 2 + 2 * size_t(depth) + 2);
    EXPECT_EQ(shared->skip(long(kKeys), &recno), kEof);
}

// In a shared open a step within the leaf at hand looks at the header's counters without the lock;
// only a step to another page takes the operation's lock.
TEST_F(NtxCost, SharedStepsWithinALeafTakeNoLock) {
    FaultFileSystem counting(fs.get());
    const std::unique_ptr<NtxIndex> shared = reopen(counting, Share::Shared);
    ASSERT_TRUE(shared);
    const size_t leaves = shapeOf(*s_bytes).counts.back().size();
    const int before = counting.locksSeen();
    uint32_t recno = 0;
    uint32_t steps = 0;
    for (int rc = shared->first(&recno); rc == 0; rc = shared->next(&recno)) ++steps;
    EXPECT_EQ(steps, kKeys);
    EXPECT_LE(size_t(counting.locksSeen() - before), 2 * leaves + 4);  // one per leaf and branch key passed
}

TEST_F(NtxCost, PositionAndItsInverseFollowThePath) {
    uint32_t recno = 0;
    ASSERT_EQ(index->seek(numberKey(kKeys), &recno), 0);  // the middle key
    io.reset();
    const double p = index->position();
    EXPECT_EQ(io.indexPagesRead, 0u);
    EXPECT_NEAR(p, 0.5, 0.02);
    io.reset();
    ASSERT_EQ(index->goPosition(0.25, &recno), 0);
    EXPECT_LE(io.indexPagesRead, uint64_t(depth) + 1);
    EXPECT_NEAR(double(recno) / kKeys, 0.25, 0.02);
    ASSERT_EQ(index->goPosition(1.0, &recno), 0);
    EXPECT_EQ(recno, kKeys);
    ASSERT_EQ(index->goPosition(0.0, &recno), 0);
    EXPECT_EQ(recno, 1u);
}

TEST_F(NtxCost, InsertIntoALeafWithRoomWritesOnePage) {
    // A bottom-up build leaves pages full; the first insert splits, the next one lands in the half page.
    ASSERT_EQ(index->insert(numberKey(1001), 900001), 0);
    io.reset();
    ASSERT_EQ(index->insert(numberKey(1003), 900002), 0);
    EXPECT_EQ(io.pagesWritten, 1u);
    EXPECT_LE(io.indexPagesRead, uint64_t(depth));
}

}  // namespace

namespace {

// Opened exclusively, an index keeps its changed pages until flush: many inserts write nothing, the
// flush writes each changed page once, and a reopen finds every key in order.
TEST_F(NtxCost, ExclusiveChangesAreWrittenAtFlush) {
    index.reset();
    Status st;
    ASSERT_EQ(NtxIndex::open(*fs, "num.ntx", Share::Exclusive, false, 8, &io, &index, &st), 0) << st.message;
    io.reset();
    for (uint32_t i = 0; i < 500; ++i) ASSERT_EQ(index->insert(numberKey(2 * (i * 37 % 500) + 1), 900000 + i), 0);
    ASSERT_EQ(index->remove(numberKey(4), 2), 0);
    EXPECT_EQ(io.pagesWritten, 0u);
    ASSERT_EQ(index->flush(false), 0);
    EXPECT_GT(io.pagesWritten, 0u);
    EXPECT_LT(io.pagesWritten, 500u) << "each changed page once, not once per insert";
    index.reset();
    ASSERT_EQ(NtxIndex::open(*fs, "num.ntx", Share::Shared, false, 8, &io, &index, &st), 0) << st.message;
    int rc = 0;
    const std::vector<Pair> keys = walkAll(*index, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(keys.size(), size_t(kKeys) + 500 - 1);
    for (size_t k = 1; k < keys.size(); ++k) ASSERT_LE(keys[k - 1].first, keys[k].first) << k;
    uint32_t recno = 0;
    EXPECT_EQ(index->seek(numberKey(4), &recno), kSeekNext);
    ASSERT_EQ(index->seek(numberKey(2 * 123 + 1), &recno), 0);
    EXPECT_GE(recno, 900000u);
}

// Without a flush, closing the index writes what is pending.
TEST_F(NtxCost, ExclusiveChangesAreWrittenAtClose) {
    index.reset();
    Status st;
    ASSERT_EQ(NtxIndex::open(*fs, "num.ntx", Share::Exclusive, false, 8, &io, &index, &st), 0) << st.message;
    for (uint32_t i = 0; i < 50; ++i) ASSERT_EQ(index->insert(numberKey(2 * i + 1), 900000 + i), 0);
    index.reset();
    ASSERT_EQ(NtxIndex::open(*fs, "num.ntx", Share::Shared, false, 8, &io, &index, &st), 0) << st.message;
    int rc = 0;
    EXPECT_EQ(walkAll(*index, &rc).size(), size_t(kKeys) + 50);
    EXPECT_EQ(rc, 0);
}

}  // namespace
