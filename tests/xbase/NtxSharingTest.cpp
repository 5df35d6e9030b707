// Two users of one index file: the update counter, dropped caches, cursors that survive the other
// user's changes, and the index lock at byte 1,000,000,000.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "NtxTestSupport.h"
#include "xbase/Bytes.h"

using namespace xbase;
using namespace ntxtest;

namespace {

std::string key(int i) {
    std::string k = std::to_string(i);
    return std::string(6 - k.size(), ' ') + k;
}

class NtxSharing : public ::testing::Test {
protected:
    void SetUp() override {
        fs = newMemoryFileSystem();
        std::vector<Pair> pairs;
        for (int i = 1; i <= 500; ++i) pairs.emplace_back(key(i * 10), uint32_t(i));
        VectorSource source(pairs);
        NtxDefinition def{"N", "Str(N,6)", 6, 0, false, false};
        Status st;
        ASSERT_EQ(NtxIndex::create(*fs, "n.ntx", def, Share::Shared, source, nullptr, &a, &st), 0) << st.message;
        ASSERT_EQ(NtxIndex::open(*fs, "n.ntx", Share::Shared, false, 6, nullptr, &b, &st), 0) << st.message;
    }
    uint16_t counter() { return getU16(getFile(*fs, "n.ntx").data() + 2); }

    std::unique_ptr<FileSystem> fs;
    std::unique_ptr<NtxIndex> a, b;
};

TEST_F(NtxSharing, EachChangeRaisesTheCounterAndTheOtherUserSeesIt) {
    uint32_t recno = 0;
    ASSERT_EQ(a->first(&recno), 0);  // a caches the pages of the left edge
    const uint16_t c0 = counter();
    ASSERT_EQ(b->insert(key(1), 9001), 0);
    EXPECT_EQ(counter(), uint16_t(c0 + 1));
    ASSERT_EQ(b->remove(key(10), 1), 0);
    EXPECT_EQ(counter(), uint16_t(c0 + 2));
    ASSERT_EQ(a->first(&recno), 0);
    EXPECT_EQ(recno, 9001u);
    ASSERT_EQ(a->next(&recno), 0);
    EXPECT_EQ(recno, 2u);  // record 1's key is gone
}

TEST_F(NtxSharing, ACursorSurvivesSplitsAndJoinsByTheOtherUser) {
    uint32_t recno = 0;
    ASSERT_EQ(a->seek(key(2500), &recno), 0);
    ASSERT_EQ(recno, 250u);
    // Many keys land before and after a's entry: pages split, the root may change.
    for (int i = 0; i < 300; ++i) ASSERT_EQ(b->insert(key(2495 + (i % 3)), uint32_t(10000 + i)), 0);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(b->insert(key(2500), uint32_t(20000 + i)), 0);  // after a's entry
    ASSERT_EQ(a->next(&recno), 0);
    EXPECT_EQ(recno, 20000u);
    ASSERT_EQ(a->prev(&recno), 0);
    EXPECT_EQ(recno, 250u);
    ASSERT_EQ(a->prev(&recno), 0);
    EXPECT_EQ(recno, 10299u);  // the last of the equal keys 2497
    // Pages empty out again and are joined.
    for (int i = 0; i < 300; ++i) ASSERT_EQ(b->remove(key(2495 + (i % 3)), uint32_t(10000 + i)), 0);
    ASSERT_EQ(a->prev(&recno), 0);
    EXPECT_EQ(recno, 249u);
}

TEST_F(NtxSharing, WhenTheCurrentEntryIsRemovedTheCursorMovesToItsNeighbours) {
    uint32_t recno = 0;
    ASSERT_EQ(a->seek(key(300), &recno), 0);
    ASSERT_EQ(b->remove(key(300), 30), 0);
    ASSERT_EQ(a->next(&recno), 0);
    EXPECT_EQ(recno, 31u);
    ASSERT_EQ(a->seek(key(400), &recno), 0);
    ASSERT_EQ(b->remove(key(400), 40), 0);
    ASSERT_EQ(a->prev(&recno), 0);
    EXPECT_EQ(recno, 39u);
    ASSERT_EQ(a->seek(key(5000), &recno), 0);  // the last key
    ASSERT_EQ(b->remove(key(5000), 500), 0);
    EXPECT_EQ(a->next(&recno), kEof) << a->lastStatus().message;
}

TEST_F(NtxSharing, ASkipFromARemovedEntryCountsFromItsNeighbours) {
    uint32_t recno = 0;
    ASSERT_EQ(a->seek(key(300), &recno), 0);
    ASSERT_EQ(b->remove(key(300), 30), 0);
    ASSERT_EQ(a->skip(5, &recno), 0);
    EXPECT_EQ(recno, 35u);  // 31 is the first step
    ASSERT_EQ(a->seek(key(400), &recno), 0);
    ASSERT_EQ(b->remove(key(400), 40), 0);
    ASSERT_EQ(a->skip(-5, &recno), 0);
    EXPECT_EQ(recno, 35u);  // 39 is the first step
    ASSERT_EQ(a->seek(key(5000), &recno), 0);
    ASSERT_EQ(b->remove(key(5000), 500), 0);
    ASSERT_EQ(a->skip(-3, &recno), 0);
    EXPECT_EQ(recno, 497u);  // 499 is the first step
    ASSERT_EQ(b->insert(key(1), 9001), 0);
    EXPECT_EQ(a->skip(-1000, &recno), kBof);
    ASSERT_EQ(a->skip(1, &recno), 0);
    EXPECT_EQ(recno, 9001u);
}

TEST_F(NtxSharing, AStepWithinALeafSeesTheOtherUsersChange) {
    uint32_t recno = 0;
    ASSERT_EQ(a->seek(key(300), &recno), 0);
    ASSERT_EQ(a->next(&recno), 0);  // a steps on within its leaf
    EXPECT_EQ(recno, 31u);
    ASSERT_EQ(b->insert(key(311), 9001), 0);
    ASSERT_EQ(a->next(&recno), 0);
    EXPECT_EQ(recno, 9001u);
    ASSERT_EQ(b->remove(key(320), 32), 0);
    ASSERT_EQ(a->next(&recno), 0);
    EXPECT_EQ(recno, 33u);
    ASSERT_EQ(b->remove(key(330), 33), 0);
    ASSERT_EQ(a->prev(&recno), 0);
    EXPECT_EQ(recno, 9001u);
}

TEST_F(NtxSharing, OwnChangesKeepTheCursorOnItsEntry) {
    uint32_t recno = 0;
    ASSERT_EQ(a->seek(key(100), &recno), 0);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(a->insert(key(50), uint32_t(5000 + i)), 0);
    ASSERT_EQ(a->next(&recno), 0);
    EXPECT_EQ(recno, 11u);
    EXPECT_EQ(a->currentKey(), key(110));
}

TEST_F(NtxSharing, TheIndexLockSitsAtOneBillionAndIsHonoured) {
    std::unique_ptr<File> other;
    ASSERT_TRUE(fs->open("n.ntx", Share::Shared, false, &other).ok());
    uint32_t recno = 0;
    // Another user reading: we may read, not write (the memory file system cannot wait).
    ASSERT_TRUE(other->lock(1000000000ULL, 1, LockKind::Read, false).ok());
    EXPECT_EQ(a->first(&recno), 0);
    EXPECT_EQ(a->insert(key(7), 77), kErrLock);
    ASSERT_TRUE(other->unlock(1000000000ULL, 1).ok());
    // Another user writing: we may do neither.
    ASSERT_TRUE(other->lock(1000000000ULL, 1, LockKind::Write, false).ok());
    EXPECT_EQ(a->seek(key(10), &recno), kErrLock);
    EXPECT_EQ(a->lastStatus().code, kErrLock);
    ASSERT_TRUE(other->unlock(1000000000ULL, 1).ok());
    EXPECT_EQ(a->insert(key(7), 77), 0);
    // Our own lock is released after each operation.
    EXPECT_TRUE(other->lock(1000000000ULL, 1, LockKind::Write, false).ok());
}

TEST_F(NtxSharing, ReadOnlyOpensRefuseChanges) {
    std::unique_ptr<NtxIndex> ro;
    Status st;
    ASSERT_EQ(NtxIndex::open(*fs, "n.ntx", Share::Shared, true, 6, nullptr, &ro, &st), 0);
    uint32_t recno = 0;
    EXPECT_EQ(ro->seek(key(20), &recno), 0);
    EXPECT_EQ(ro->insert(key(1), 1), kErrReadOnly);
    EXPECT_EQ(ro->remove(key(20), 2), kErrReadOnly);
}

// Two real processes on one file on disk: the writer's changes under the exclusive index lock never
// show half-done to the reader, whose cursor keeps its place and who ends with the writer's result.
TEST(NtxProcesses, AReaderAndAWriterShareTheFileOnDisk) {
    char dirTemplate[] = "/tmp/ntxshareXXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string path = std::string(dirTemplate) + "/n.ntx";
    FileSystem& fs = *posixFileSystem();
    {
        std::vector<Pair> pairs;
        for (int i = 1; i <= 300; ++i) pairs.emplace_back(key(i * 10), uint32_t(i));
        VectorSource source(pairs);
        std::unique_ptr<NtxIndex> built;
        Status st;
        ASSERT_EQ(NtxIndex::create(fs, path, NtxDefinition{"N", "Str(N,6)", 6, 0, false, false}, Share::Shared,
                                   source, nullptr, &built, &st),
                  0)
            << st.message;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        std::unique_ptr<NtxIndex> w;
        Status st;
        if (NtxIndex::open(fs, path, Share::Shared, false, 6, nullptr, &w, &st) != 0) _exit(1);
        for (int i = 0; i < 600; ++i) {
            if (w->insert(key(1000 + i % 50), uint32_t(1000 + i)) != 0) _exit(2);
            if (i % 2 == 1 && w->remove(key(1000 + (i - 1) % 50), uint32_t(1000 + i - 1)) != 0) _exit(3);
        }
        _exit(0);
    }
    std::unique_ptr<NtxIndex> r;
    Status st;
    ASSERT_EQ(NtxIndex::open(fs, path, Share::Shared, false, 6, nullptr, &r, &st), 0) << st.message;
    int childStatus = 0;
    bool childDone = false;
    int scans = 0;
    while (!childDone) {
        childDone = waitpid(pid, &childStatus, WNOHANG) == pid;
        int rc = 0;
        const auto seen = scan(*r, &rc);
        ASSERT_EQ(rc, kEof) << r->lastStatus().message;
        ASSERT_TRUE(std::is_sorted(seen.begin(), seen.end(), [](const Pair& a, const Pair& b) { return a.first < b.first; }));
        ++scans;
    }
    ASSERT_TRUE(WIFEXITED(childStatus));
    EXPECT_EQ(WEXITSTATUS(childStatus), 0);
    int rc = 0;
    const auto final = walkAll(*r, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(final.size(), 600u);  // 300 built + 300 inserts left by the writer
    EXPECT_GT(scans, 0);
    r.reset();
    fs.remove(path);
    rmdir(dirTemplate);
}

}  // namespace
