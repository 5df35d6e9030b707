// Indexes written by another Clipper-compatible engine: we must read them in its order, seek as it
// does, and build the same order from the same records.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "NtxTestSupport.h"
#include "xbase/Bytes.h"
#include "xbase/Ntx.h"

using namespace xbase;
using namespace ntxtest;

namespace {

struct Case {
    const char* set;
    const char* file;
    bool builtAfterLoading;  // INDEX ON after loading: equal keys in record order
};

const Case kCases[] = {
    {"small", "cname.ntx", true}, {"small", "ccno.ntx", true},  {"small", "invd.ntx", true},
    {"small", "itmp.ntx", true},  {"large", "cname.ntx", false}, {"large", "ccno.ntx", false},
    {"large", "invd.ntx", true},  {"large", "itmp.ntx", true},
};

class NtxFixture : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        dir = std::string(CORVANE_FIXTURES_DIR) + "/xbase/" + GetParam().set;
        fx = loadFixture(dir);
        for (const auto& ix : fx.indexes)
            if (ix.file == GetParam().file) expected = ix;
        ASSERT_FALSE(expected.order.empty()) << "no order for " << GetParam().file << " in " << dir;
        fs = newMemoryFileSystem();
        putFile(*fs, GetParam().file, readBytes(dir + "/" + GetParam().file));
    }

    std::unique_ptr<NtxIndex> openIndex() {
        std::unique_ptr<NtxIndex> index;
        Status st;
        EXPECT_EQ(NtxIndex::open(*fs, GetParam().file, Share::Shared, false, expected.keyLength, nullptr, &index, &st),
                  0)
            << st.message;
        return index;
    }

    std::string dir;
    Fixture fx;
    FixtureIndex expected;
    std::unique_ptr<FileSystem> fs;
};

std::vector<uint32_t> recnos(const std::vector<Pair>& pairs) {
    std::vector<uint32_t> out;
    for (const auto& p : pairs) out.push_back(p.second);
    return out;
}

TEST_P(NtxFixture, ReadsTheWriterOrderForwardAndBackward) {
    auto index = openIndex();
    ASSERT_TRUE(index);
    EXPECT_EQ(index->expression(), expected.expression);
    EXPECT_EQ(index->keyLength(), expected.keyLength);
    int rc = 0;
    EXPECT_EQ(recnos(scan(*index, &rc)), expected.order);
    EXPECT_EQ(rc, kEof);
    EXPECT_EQ(recnos(walkAll(*index, &rc)), expected.order);
    EXPECT_EQ(rc, 0);
    if (expected.depth > 0) {
        EXPECT_EQ(index->depth(), expected.depth);
    }

    std::vector<uint32_t> backward;
    uint32_t recno = 0;
    for (rc = index->last(&recno); rc == 0; rc = index->prev(&recno)) backward.push_back(recno);
    EXPECT_EQ(rc, kBof);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, expected.order);
}

TEST_P(NtxFixture, OpensTheFixtureFileInPlaceReadOnly) {
    std::unique_ptr<NtxIndex> index;
    Status st;
    ASSERT_EQ(NtxIndex::open(*posixFileSystem(), dir + "/" + GetParam().file, Share::Shared, true, expected.keyLength,
                             nullptr, &index, &st),
              0)
        << st.message;
    EXPECT_EQ(recnos(scan(*index)), expected.order);
    EXPECT_EQ(index->insert(std::string(size_t(expected.keyLength), 'A'), 1), kErrReadOnly);
}

TEST_P(NtxFixture, SeeksGiveTheWriterResults) {
    auto index = openIndex();
    ASSERT_TRUE(index);
    ASSERT_FALSE(expected.seeks.empty());
    for (const auto& s : expected.seeks) {
        uint32_t recno = 0;
        const int rc = index->seek(s.key, &recno);
        SCOPED_TRACE("seek \"" + s.key + "\"");
        if (s.found) {
            EXPECT_EQ(rc, kOk);
            EXPECT_EQ(recno, s.found);
        } else if (s.soft) {
            EXPECT_EQ(rc, kSeekNext);  // not found; stands on the next greater key
            EXPECT_EQ(recno, s.soft);
        } else {
            EXPECT_EQ(rc, kEof);
        }
    }
}

TEST_P(NtxFixture, KeysComputedFromTheRecordsMatchTheIndex) {
    auto index = openIndex();
    ASSERT_TRUE(index);
    std::map<uint32_t, std::string> inIndex;
    for (const auto& [key, recno] : walkAll(*index)) inIndex[recno] = key;
    const auto computed = fixtureKeys(fx, expected.expression);
    ASSERT_EQ(computed.size(), inIndex.size());
    for (const auto& [key, recno] : computed) EXPECT_EQ(key, inIndex[recno]) << "record " << recno;
}

TEST_P(NtxFixture, BuildingFromTheRecordsGivesTheSameOrder) {
    auto pairs = fixtureKeys(fx, expected.expression);
    ASSERT_EQ(pairs.size(), expected.order.size());
    VectorSource source(pairs);
    NtxDefinition def;
    def.tagName = "BUILT";
    def.expression = expected.expression;
    def.keyLength = expected.keyLength;
    std::unique_ptr<NtxIndex> built;
    Status st;
    ASSERT_EQ(NtxIndex::create(*fs, "built.ntx", def, Share::Shared, source, nullptr, &built, &st), 0) << st.message;
    auto original = openIndex();
    const auto ours = walkAll(*built);
    if (GetParam().builtAfterLoading) {
        EXPECT_EQ(ours, walkAll(*original));
    } else {
        // Maintained key by key: equal keys follow insertion order there, record order here.
        auto theirs = walkAll(*original);
        auto byKey = [](const Pair& a, const Pair& b) {
            return a.first != b.first ? a.first < b.first : a.second < b.second;
        };
        std::vector<Pair> a = ours, b = theirs;
        std::stable_sort(a.begin(), a.end(), byKey);
        std::stable_sort(b.begin(), b.end(), byKey);
        EXPECT_EQ(a, b);
        for (size_t i = 1; i < ours.size(); ++i) {
            if (ours[i].first == ours[i - 1].first) {
                EXPECT_LT(ours[i - 1].second, ours[i].second);
            }
        }
    }
    if (GetParam().builtAfterLoading && std::string(GetParam().set) == "large") {
        EXPECT_EQ(built->depth(), expected.depth);
    }
}

// Changes on the writer's own files: permuted offset tables are rewritten, its free pages are used
// before the file grows, and the order stays that of a plain model.
TEST_P(NtxFixture, MaintainingTheWriterFileKeepsItsOrderAndUsesItsFreePages) {
    auto index = openIndex();
    ASSERT_TRUE(index);
    std::vector<Pair> model = walkAll(*index);
    std::mt19937 rng(11);
    auto header = [&](size_t off) { return getU32(getFile(*fs, GetParam().file).data() + off); };
    bool grewWithFreePages = false;
    for (int i = 0; i < 400; ++i) {
        const uint64_t sizeBefore = getFile(*fs, GetParam().file).size();
        if (i % 3 == 2) {
            const size_t at = rng() % model.size();
            ASSERT_EQ(index->remove(model[at].first, model[at].second), 0) << index->lastStatus().message;
            model.erase(model.begin() + long(at));
        } else {
            const std::string key = model[rng() % model.size()].first;  // equal keys: goes after them
            const uint32_t recno = uint32_t(100000 + i);
            ASSERT_EQ(index->insert(key, recno), 0) << index->lastStatus().message;
            auto at = std::partition_point(model.begin(), model.end(), [&](const Pair& p) { return p.first <= key; });
            model.insert(at, Pair{key, recno});
        }
        if (getFile(*fs, GetParam().file).size() > sizeBefore && header(8) != 0) grewWithFreePages = true;
    }
    EXPECT_FALSE(grewWithFreePages);
    int rc = 0;
    EXPECT_EQ(walkAll(*index, &rc), model);
    EXPECT_EQ(rc, 0) << index->lastStatus().message;
    EXPECT_EQ(scan(*index), model);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, NtxFixture, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = std::string(info.param.set) + "_" + info.param.file;
    name.erase(name.find('.'));
    return name;
});

}  // namespace
