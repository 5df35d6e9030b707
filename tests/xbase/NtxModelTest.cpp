// Randomized inserts, removes and key changes against a plain model of the order (a vector kept sorted, new keys
// after all equal ones), on key sizes whose pages hold 2, 6 and 54 keys so that splits, spreads,
// joins and rebalancing happen at every level.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "NtxTestSupport.h"
#include "xbase/NtxFormat.h"

using namespace xbase;
using namespace ntxtest;

namespace {

struct ModelCase {
    int keyLength;
    bool descending;
    bool unique;
    bool exclusive = false;  // new keys wait and go in together at the next operation
};

class Model {
public:
    Model(bool descending, bool unique) : m_desc(descending), m_unique(unique) {}
    int cmp(const std::string& a, const std::string& b) const { return ntx::compareKeys(a, b, m_desc); }
    void insert(const std::string& key, uint32_t recno) {
        auto at = std::partition_point(v.begin(), v.end(), [&](const Pair& p) { return cmp(p.first, key) <= 0; });
        if (m_unique && at != v.begin() && cmp((at - 1)->first, key) == 0) return;
        v.insert(at, Pair{key, recno});
    }
    void remove(size_t i) { v.erase(v.begin() + long(i)); }
    // First entry not below the seek key (prefix compare); v.size() when none.
    size_t seek(const std::string& key) const {
        return size_t(std::partition_point(v.begin(), v.end(),
                                           [&](const Pair& p) { return ntx::compareSeek(p.first, key, m_desc) < 0; }) -
                      v.begin());
    }
    std::vector<Pair> v;

private:
    bool m_desc;
    bool m_unique;
};

std::string makeKey(std::mt19937& rng, int keyLength) {
    // Few distinct keys so that runs of equal keys cross page boundaries.
    static const char* prefixes[] = {"A", "AB", "ABC", "B", "BA", "C", "CA", "CB", "D", "E"};
    std::string k = prefixes[rng() % 10];
    k += char('0' + rng() % 4);
    k.resize(size_t(keyLength), ' ');
    return k;
}

class NtxModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(NtxModel, RandomChangesKeepTheOrderAndTheTree) {
    const ModelCase c = GetParam();
    auto fs = newMemoryFileSystem();
    NtxDefinition def;
    def.tagName = "T";
    def.expression = "KEY";
    def.keyLength = c.keyLength;
    def.descending = c.descending;
    def.unique = c.unique;
    VectorSource empty({});
    std::unique_ptr<NtxIndex> index;
    Status st;
    ASSERT_EQ(NtxIndex::create(*fs, "m.ntx", def, c.exclusive ? Share::Exclusive : Share::Shared, empty, nullptr,
                               &index, &st),
              0)
        << st.message;
    const int maxKeys = ntx::maxKeysFor(c.keyLength);

    std::mt19937 rng(unsigned(c.keyLength * 7 + c.descending * 3 + c.unique));
    Model model(c.descending, c.unique);
    uint32_t nextRecno = 1;
    int maxDepthSeen = 0;
    for (int batch = 0; batch < 40; ++batch) {
        // Grow for the first half, shrink for the second, with both kinds of change in each batch.
        const bool growing = batch < 20;
        for (int i = 0; i < 100; ++i) {
            const bool insert = model.v.empty() || (rng() % 100) < (growing ? 75u : 25u);
            if (insert) {
                const std::string k = makeKey(rng, c.keyLength);
                ASSERT_EQ(index->insert(k, nextRecno), 0) << index->lastStatus().message;
                model.insert(k, nextRecno++);
            } else if (rng() % 3 == 0) {
                // A record whose key changed: its entry moves in one change.
                const size_t at = rng() % model.v.size();
                const Pair moved = model.v[at];
                const std::string k = makeKey(rng, c.keyLength);
                ASSERT_EQ(index->replace(moved.first, k, moved.second), 0) << index->lastStatus().message;
                model.remove(at);
                model.insert(k, moved.second);
            } else {
                const size_t at = rng() % model.v.size();
                ASSERT_EQ(index->remove(model.v[at].first, model.v[at].second), 0) << index->lastStatus().message;
                model.remove(at);
            }
        }
        int rc = 0;
        ASSERT_EQ(walkAll(*index, &rc), model.v) << "batch " << batch;
        ASSERT_EQ(rc, 0) << index->lastStatus().message;

        ASSERT_EQ(index->flush(false), 0);
        const TreeShape shape = shapeOf(fileBytes(index->file()));  // also while it is held exclusively
        ASSERT_FALSE(shape.counts.empty());
        EXPECT_FALSE(shape.mixedLevels);
        maxDepthSeen = std::max(maxDepthSeen, int(shape.counts.size()));
        EXPECT_EQ(index->depth(), int(shape.counts.size()));
        for (size_t level = 0; level < shape.counts.size(); ++level) {
            for (int n : shape.counts[level]) {
                EXPECT_LE(n, maxKeys);
                EXPECT_TRUE(level == 0 || n >= maxKeys / 2) << "underfull page at level " << level;
            }
        }

        if (model.v.empty()) continue;
        // Seeks by prefix and whole key.
        for (int s = 0; s < 10; ++s) {
            std::string key = makeKey(rng, c.keyLength);
            key.resize(1 + rng() % 3);
            uint32_t recno = 0;
            const int got = index->seek(key, &recno);
            const size_t at = model.seek(key);
            if (at == model.v.size()) {
                EXPECT_EQ(got, kEof) << key;
            } else {
                const bool exact = ntx::compareSeek(model.v[at].first, key, c.descending) == 0;
                EXPECT_EQ(got, exact ? kOk : kSeekNext) << key;
                EXPECT_EQ(recno, model.v[at].second) << key;
            }
        }
        // Next and prev from a located entry; position and its inverse.
        for (int s = 0; s < 5; ++s) {
            const size_t at = rng() % model.v.size();
            ASSERT_EQ(index->locate(model.v[at].first, model.v[at].second), 0);
            const double p = index->position();
            EXPECT_GE(p, 0.0);
            EXPECT_LE(p, 1.0);
            uint32_t recno = 0;
            ASSERT_EQ(index->goPosition(p, &recno), 0);
            EXPECT_EQ(recno, model.v[at].second) << "goPosition(position()) at " << at;
            ASSERT_EQ(index->locate(model.v[at].first, model.v[at].second), 0);
            const int n = index->next(&recno);
            if (at + 1 < model.v.size()) {
                EXPECT_EQ(n, 0);
                EXPECT_EQ(recno, model.v[at + 1].second);
                EXPECT_EQ(index->prev(&recno), 0);
                EXPECT_EQ(recno, model.v[at].second);
            } else {
                EXPECT_EQ(n, kEof);
            }
        }
        // Skips of any length land where as many single steps would, or run off the matching end.
        for (int s = 0; s < 8; ++s) {
            const long size = long(model.v.size());
            const long at = long(rng() % model.v.size());
            const long by = long(rng() % (2 * size + 10)) - size - 5;
            ASSERT_EQ(index->locate(model.v[size_t(at)].first, model.v[size_t(at)].second), 0);
            uint32_t recno = 0;
            const int got = index->skip(by, &recno);
            SCOPED_TRACE("skip " + std::to_string(by) + " from " + std::to_string(at));
            if (at + by >= size) {
                EXPECT_EQ(got, kEof);
            } else if (at + by < 0) {
                EXPECT_EQ(got, kBof);
            } else {
                ASSERT_EQ(got, 0) << index->lastStatus().message;
                EXPECT_EQ(recno, model.v[size_t(at + by)].second);
                ASSERT_EQ(index->next(&recno), at + by + 1 < size ? 0 : int(kEof));  // the path is whole
            }
        }
    }
    if (c.unique) return;  // few distinct keys: the tree stays small
    EXPECT_TRUE(c.keyLength < 100 || maxDepthSeen >= 4) << "the changes should reach several levels";

    // Emptied completely, the tree is a single empty root and the pages went to the free list.
    while (!model.v.empty()) {
        ASSERT_EQ(index->remove(model.v.back().first, model.v.back().second), 0);
        model.remove(model.v.size() - 1);
    }
    uint32_t recno = 0;
    EXPECT_EQ(index->first(&recno), kEof);
    EXPECT_EQ(index->depth(), 1);
    ASSERT_EQ(index->flush(false), 0);
    const uint64_t sizeBefore = fileBytes(index->file()).size();
    for (int i = 0; i < 200; ++i) ASSERT_EQ(index->insert(makeKey(rng, c.keyLength), uint32_t(i + 1)), 0);
    ASSERT_EQ(index->flush(false), 0);
    EXPECT_EQ(fileBytes(index->file()).size(), sizeBefore) << "freed pages are used again before the file grows";
}

// An exclusive open queues new keys and puts them in in key order, straight into the leaf at hand
// when they fit there; the order must come out exactly as single inserts leave it, equal keys in
// arrival order, across leaf boundaries and page splits.
TEST(NtxQueue, QueuedKeysEndInTheOrderSingleInsertsGive) {
    for (const bool descending : {false, true}) {
        for (const int keyLength : {6, 40}) {
            auto fs = newMemoryFileSystem();
            NtxDefinition def;
            def.tagName = "Q";
            def.expression = "KEY";
            def.keyLength = keyLength;
            def.descending = descending;
            VectorSource empty({});
            std::unique_ptr<NtxIndex> queued, single;
            Status st;
            ASSERT_EQ(NtxIndex::create(*fs, "q.ntx", def, Share::Exclusive, empty, nullptr, &queued, &st), 0);
            ASSERT_EQ(NtxIndex::create(*fs, "s.ntx", def, Share::Shared, empty, nullptr, &single, &st), 0);
            std::mt19937 rng(unsigned(keyLength + descending));
            for (uint32_t recno = 1; recno <= 12000; ++recno) {
                std::string k = std::to_string(rng() % (recno < 6000 ? 300 : 5000));  // long runs of equal keys
                k.resize(size_t(keyLength), ' ');
                ASSERT_EQ(queued->insert(k, recno), 0);
                ASSERT_EQ(single->insert(k, recno), 0);
            }
            ASSERT_EQ(queued->flush(false), 0) << queued->lastStatus().message;
            int rcQueued = 0, rcSingle = 0;
            const auto fromQueue = walkAll(*queued, &rcQueued);
            ASSERT_EQ(rcQueued, 0) << queued->lastStatus().message;
            EXPECT_EQ(fromQueue.size(), 12000u);
            EXPECT_TRUE(fromQueue == walkAll(*single, &rcSingle)) << "key length " << keyLength << (descending ? " desc" : "");
            const TreeShape shape = shapeOf(fileBytes(queued->file()));
            for (size_t level = 1; level < shape.counts.size(); ++level)
                for (int n : shape.counts[level]) EXPECT_GE(n, ntx::maxKeysFor(keyLength) / 2) << "underfull page";
        }
    }
}

// A page keeps slot i's child, record number and key together through inserts (also of a key read
// from the page itself, which the insert moves), removals, copies and a write and read of the page.
TEST(NtxPage, KeepsItemsTogetherThroughChangesAndTheFileLayout) {
    const int keyLength = 5;
    ntx::Page page(keyLength);
    for (int i = 0; i < 6; ++i) page.insert(i, uint32_t(1024 * (i + 2)), uint32_t(100 + i), std::string(1, char('a' + i)));
    page.right = 1024 * 20;
    EXPECT_EQ(page.key(2), "c    ");  // short keys are padded with blanks
    page.insert(0, 1024 * 30, 7, page.key(5));
    page.erase(3, 5);                // the old "c" and "d"
    page.setKey(1, "zzzzzzz", 9);    // cut to the key length; the child stays
    std::vector<std::tuple<uint32_t, uint32_t, std::string>> items;
    for (int i = 0; i < page.count(); ++i) items.emplace_back(page.child(i), page.recno(i), std::string(page.key(i)));
    const std::vector<std::tuple<uint32_t, uint32_t, std::string>> expected = {
        {1024 * 30, 7, "f    "}, {1024 * 2, 9, "zzzzz"}, {1024 * 3, 101, "b    "},
        {1024 * 6, 104, "e    "}, {1024 * 7, 105, "f    "}};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(page.child(page.count()), 1024u * 20);

    ntx::Page tail(keyLength);
    tail.append(page, 3, 5);
    EXPECT_EQ(tail.count(), 2);
    EXPECT_EQ(tail.entry(1).key, "f    ");
    EXPECT_EQ(tail.entry(1).recno, 105u);

    // Written and read back: the same items. The order check at reading is what refuses "zzzzz" here.
    page.erase(1, 2);
    const ntx::Geometry g{keyLength, keyLength + 8, ntx::maxKeysFor(keyLength), false};
    uint8_t raw[ntx::kPageSize];
    ntx::encodePage(page, g, raw);
    ntx::Page back;
    std::string why;
    ASSERT_FALSE(ntx::decodePage(raw, 1024, g, 1024 * 40, &back, &why));  // "f" before "b"
    EXPECT_EQ(why, "keys out of order");
    page.erase(0, 1);
    ntx::encodePage(page, g, raw);
    ASSERT_TRUE(ntx::decodePage(raw, 1024, g, 1024 * 40, &back, &why)) << why;
    ASSERT_EQ(back.count(), page.count());
    for (int i = 0; i <= page.count(); ++i) EXPECT_EQ(back.child(i), page.child(i));
    for (int i = 0; i < page.count(); ++i) EXPECT_EQ(back.entry(i).key, page.entry(i).key);
}

// Keys compare as unsigned bytes, the first difference deciding, whatever its position in a word
// of eight and whether the byte is above 0x7F; a shorter seek text that matches is equal.
TEST(NtxKeyOrder, ComparesAsUnsignedBytes) {
    std::mt19937 rng(7);
    const char alphabet[] = {'\x00', ' ', '0', 'A', 'a', '\x7F', '\x80', '\xE9', '\xFF'};
    for (int round = 0; round < 20000; ++round) {
        const size_t n = rng() % 41;
        std::string a(n, ' ');
        for (char& c : a) c = alphabet[rng() % sizeof alphabet];
        std::string b = a;
        if (n > 0 && rng() % 4 != 0) b[rng() % n] = alphabet[rng() % sizeof alphabet];
        const int expected = a < b ? -1 : (a == b ? 0 : 1);  // std::string compares unsigned chars
        ASSERT_EQ(ntx::compareKeys(a, b, false), expected) << round;
        ASSERT_EQ(ntx::compareKeys(a, b, true), -expected) << round;
        const std::string prefix = b.substr(0, rng() % (n + 1));
        const int seek = a.compare(0, prefix.size(), prefix);
        ASSERT_EQ(ntx::compareSeek(a, prefix, false), seek < 0 ? -1 : (seek > 0 ? 1 : 0)) << round;
    }
}

INSTANTIATE_TEST_SUITE_P(KeySizes, NtxModel,
                         ::testing::Values(ModelCase{256, false, false}, ModelCase{120, false, false},
                                           ModelCase{8, false, false}, ModelCase{120, true, false},
                                           ModelCase{120, false, true}, ModelCase{8, false, false, true},
                                           ModelCase{120, true, false, true}, ModelCase{120, false, true, true}),
                         [](const auto& info) {
                             return "len" + std::to_string(info.param.keyLength) +
                                    (info.param.descending ? "_desc" : "") + (info.param.unique ? "_unique" : "") +
                                    (info.param.exclusive ? "_exclusive" : "");
                         });

}  // namespace
