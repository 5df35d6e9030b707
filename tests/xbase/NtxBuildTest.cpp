// Building indexes: the header another engine expects, balanced bottom-up trees for every size,
// the sort with bounded memory, rebuild and clear in place, and creation that fails without
// leaving half a file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "NtxTestSupport.h"
#include "xbase/Bytes.h"
#include "xbase/NtxBuild.h"

using namespace xbase;
using namespace ntxtest;

namespace {

std::unique_ptr<NtxIndex> build(FileSystem& fs, const std::string& name, const NtxDefinition& def,
                                const std::vector<Pair>& pairs, Status* st = nullptr) {
    VectorSource source(pairs);
    std::unique_ptr<NtxIndex> index;
    Status local;
    EXPECT_EQ(NtxIndex::create(fs, name, def, Share::Shared, source, nullptr, &index, st ? st : &local), 0);
    return index;
}

std::vector<Pair> randomPairs(size_t n, int keyLength, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Pair> pairs;
    for (size_t i = 0; i < n; ++i) {
        std::string k = std::to_string(rng() % (n / 4 + 1));  // about four records per key
        k.resize(size_t(keyLength), ' ');
        pairs.emplace_back(k, uint32_t(i + 1));
    }
    return pairs;
}

// The expected order: by key, equal keys in record order.
std::vector<Pair> sorted(std::vector<Pair> pairs, bool descending = false) {
    std::stable_sort(pairs.begin(), pairs.end(), [&](const Pair& a, const Pair& b) {
        return ntx::compareKeys(a.first, b.first, descending) < 0;
    });
    return pairs;
}

TEST(NtxBuild, HeaderMatchesTheOtherEngines) {
    const auto theirs = readBytes(std::string(CORVANE_FIXTURES_DIR) + "/xbase/small/cname.ntx");
    auto fs = newMemoryFileSystem();
    NtxDefinition def{"CNAME", "Upper(LAST+FIRST)", 35, 0, false, false};
    auto index = build(*fs, "cname.ntx", def, {});
    const auto ours = getFile(*fs, "cname.ntx");
    ASSERT_GE(ours.size(), 2048u);
    EXPECT_EQ(getU16(ours.data()), 6);
    // Item size, key size, decimals, MaxKeys, half page, expression, flags: as the other engine wrote.
    EXPECT_TRUE(std::equal(theirs.begin() + 12, theirs.begin() + 282, ours.begin() + 12));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ours.data()) + 538), "CNAME");
    EXPECT_EQ(index->name(), "CNAME");

    NtxDefinition flags{"U", "KEY", 10, 0, true, true};
    build(*fs, "flags.ntx", flags, {});
    const auto f = getFile(*fs, "flags.ntx");
    EXPECT_EQ(f[278], 1);
    EXPECT_EQ(f[280], 1);
    EXPECT_EQ(getU16(f.data() + 18), 50);  // MaxKeys for 10-byte keys
    EXPECT_EQ(getU16(f.data() + 20), 25);
}

TEST(NtxBuild, EverySizeGivesABalancedTreeWithHalfFullPages) {
    auto fs = newMemoryFileSystem();
    NtxDefinition def{"T", "KEY", 120, 0, false, false};  // six keys a page: many levels quickly
    for (size_t n = 0; n <= 400; ++n) {
        const auto pairs = randomPairs(n, 120, unsigned(n));
        auto index = build(*fs, "t.ntx", def, pairs);
        ASSERT_TRUE(index);
        int rc = 0;
        ASSERT_EQ(walkAll(*index, &rc), sorted(pairs)) << n;
        ASSERT_EQ(rc, 0);
        const TreeShape shape = shapeOf(*fs, "t.ntx");
        ASSERT_FALSE(shape.counts.empty());
        EXPECT_FALSE(shape.mixedLevels) << n;
        for (size_t level = 1; level < shape.counts.size(); ++level)
            for (int keys : shape.counts[level]) EXPECT_GE(keys, 3) << "size " << n << " level " << level;
        EXPECT_EQ(getFile(*fs, "t.ntx").size() % 1024, 0u);
    }
}

TEST(NtxBuild, SortingInRunsGivesTheSameIndexAsSortingInMemory) {
    auto fs = newMemoryFileSystem();
    NtxDefinition def{"T", "KEY", 12, 0, false, false};
    const auto pairs = randomPairs(20000, 12, 7);
    auto inMemory = build(*fs, "mem.ntx", def, pairs);
    const size_t old = ntx::setSortMemoryBound(777);  // 26 runs
    auto inRuns = build(*fs, "runs.ntx", def, pairs);
    ntx::setSortMemoryBound(old);
    EXPECT_EQ(walkAll(*inRuns), walkAll(*inMemory));
    EXPECT_EQ(walkAll(*inRuns), sorted(pairs));
    EXPECT_EQ(getFile(*fs, "runs.ntx"), getFile(*fs, "mem.ntx"));
    std::vector<std::string> names;
    ASSERT_TRUE(fs->list(".", &names).ok());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"mem.ntx", "runs.ntx"}));  // no run or temporary files left
}

TEST(NtxBuild, LongKeysThatDifferLateSortByEveryByteAndKeepRecordOrder) {
    // Few distinct keys, all sharing their first bytes, differing in the second eight and in the
    // last byte (above 0x7F), each many times: in memory and in runs, both directions.
    std::mt19937 rng(11);
    std::vector<Pair> pairs;
    for (uint32_t i = 1; i <= 6000; ++i) {
        std::string k(40, ' ');
        k.replace(0, 6, "COMMON");
        k[12] = char('a' + rng() % 3);
        k[39] = char(0xE0 + rng() % 4);
        if (rng() % 5 == 0) k[3] = '\x01';
        pairs.emplace_back(k, i);
    }
    auto fs = newMemoryFileSystem();
    for (bool descending : {false, true}) {
        for (size_t bound : {size_t(1000000), size_t(500)}) {
            SCOPED_TRACE(std::to_string(descending) + " " + std::to_string(bound));
            const size_t old = ntx::setSortMemoryBound(bound);
            auto index = build(*fs, "t.ntx", NtxDefinition{"T", "K", 40, 0, false, descending}, pairs);
            ntx::setSortMemoryBound(old);
            ASSERT_TRUE(index);
            EXPECT_EQ(walkAll(*index), sorted(pairs, descending));
        }
    }
}

TEST(NtxBuild, DescendingAndUniqueOrders) {
    auto fs = newMemoryFileSystem();
    const auto pairs = randomPairs(3000, 6, 3);
    auto desc = build(*fs, "d.ntx", NtxDefinition{"D", "K", 6, 0, false, true}, pairs);
    EXPECT_EQ(walkAll(*desc), sorted(pairs, true));
    uint32_t recno = 0;
    ASSERT_EQ(desc->first(&recno), 0);
    EXPECT_EQ(desc->currentKey(), sorted(pairs, true).front().first);

    auto uniq = build(*fs, "u.ntx", NtxDefinition{"U", "K", 6, 0, true, false}, pairs);
    std::vector<Pair> firsts;
    for (const auto& p : sorted(pairs))
        if (firsts.empty() || firsts.back().first != p.first) firsts.push_back(p);  // the first record wins
    EXPECT_EQ(walkAll(*uniq), firsts);
    ASSERT_EQ(uniq->insert(firsts[5].first, 99999), 0);  // an existing key is silently not stored
    EXPECT_EQ(walkAll(*uniq), firsts);
}

TEST(NtxBuild, RebuildAndClearInPlace) {
    auto fs = newMemoryFileSystem();
    NtxDefinition def{"T", "KEY", 8, 0, false, false};
    auto index = build(*fs, "t.ntx", def, randomPairs(5000, 8, 1));
    const auto other = randomPairs(700, 8, 2);
    VectorSource source(other);
    const uint16_t counter = getU16(getFile(*fs, "t.ntx").data() + 2);
    ASSERT_EQ(index->rebuild(source), 0);
    EXPECT_EQ(walkAll(*index), sorted(other));
    EXPECT_EQ(getU16(getFile(*fs, "t.ntx").data() + 2), uint16_t(counter + 1));
    EXPECT_LT(getFile(*fs, "t.ntx").size(), 30u * 1024);  // the old pages are cut off

    ASSERT_EQ(index->clear(), 0);
    uint32_t recno = 0;
    EXPECT_EQ(index->first(&recno), kEof);
    EXPECT_EQ(getFile(*fs, "t.ntx").size(), 2048u);
    ASSERT_EQ(index->insert("K1", 1), 0);
    ASSERT_EQ(index->seek("K1", &recno), 0);
    EXPECT_EQ(recno, 1u);
}

TEST(NtxBuild, ARebuildThatFailsIsNeverReadAsATree) {
    // Part-way through the new pages, or at the very first write: the old tree no longer matches
    // what the rebuild was for, and part of the new one is no tree at all.
    for (bool firstWrite : {false, true}) {
        SCOPED_TRACE(firstWrite);
        auto mem = newMemoryFileSystem();
        NtxDefinition def{"T", "KEY", 8, 0, false, false};
        build(*mem, "t.ntx", def, randomPairs(3000, 8, 1));
        {
            FaultFileSystem faults(mem.get());
            std::unique_ptr<NtxIndex> index;
            Status st;
            ASSERT_EQ(NtxIndex::open(faults, "t.ntx", Share::Exclusive, false, 8, nullptr, &index, &st), 0);
            if (firstWrite) faults.failWrite(1, kErrDiskFull, true);
            else faults.diskFullAfter(8 * 1024);  // the new tree needs about 60 KB
            VectorSource source(randomPairs(3000, 8, 2));
            EXPECT_EQ(index->rebuild(source), kErrDiskFull);
            uint32_t recno = 0;
            EXPECT_LT(index->first(&recno), 0) << "neither the old pages nor part of the new ones";
        }
        std::unique_ptr<NtxIndex> reopened;
        Status st;
        EXPECT_EQ(NtxIndex::open(*mem, "t.ntx", Share::Exclusive, false, 8, nullptr, &reopened, &st),
                  kErrCorruptIndex);
    }
}

TEST(NtxBuild, AFailedCreateLeavesTheOldFileAndNoTemporaryFile) {
    auto mem = newMemoryFileSystem();
    NtxDefinition def{"T", "KEY", 8, 0, false, false};
    build(*mem, "t.ntx", def, randomPairs(10, 8, 1));
    const auto before = getFile(*mem, "t.ntx");
    FaultFileSystem faults(mem.get());
    faults.diskFullAfter(20 * 1024);  // the new tree needs about 90 KB
    VectorSource source(randomPairs(5000, 8, 9));
    std::unique_ptr<NtxIndex> index;
    Status st;
    EXPECT_EQ(NtxIndex::create(faults, "t.ntx", def, Share::Shared, source, nullptr, &index, &st), kErrDiskFull);
    EXPECT_FALSE(index);
    EXPECT_EQ(getFile(*mem, "t.ntx"), before);
    std::vector<std::string> names;
    ASSERT_TRUE(mem->list(".", &names).ok());
    EXPECT_EQ(names, std::vector<std::string>{"t.ntx"});
}

TEST(NtxBuild, RefusesDefinitionsTheFormatCannotHold) {
    auto fs = newMemoryFileSystem();
    const NtxDefinition bad[] = {
        {"T", "KEY", 0, 0, false, false},
        {"T", "KEY", 257, 0, false, false},
        {"T", "", 8, 0, false, false},
        {"ELEVENCHARS", "KEY", 8, 0, false, false},
    };
    for (const auto& def : bad) {
        VectorSource source({});
        std::unique_ptr<NtxIndex> index;
        Status st;
        EXPECT_EQ(NtxIndex::create(*fs, "t.ntx", def, Share::Shared, source, nullptr, &index, &st), kErrArgument);
        EXPECT_FALSE(fs->exists("t.ntx"));
    }
}

}  // namespace
