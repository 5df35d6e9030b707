// The page cache against a plain map: a cached page is always the one last put at its offset, an
// erased one is gone, the bound holds, and entries stay reachable through evictions and the
// backward shifts that erasing does.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "xbase/NtxPageCache.h"

namespace xbase::ntx {
namespace {

PagePtr pageAt(uint32_t off) {
    auto p = std::make_shared<Page>();
    p->offset = off;
    return p;
}

TEST(NtxPageCache, KeepsTheLatestPagePerOffsetWithinItsBound) {
    for (const size_t limit : {size_t(1), size_t(7), size_t(100)}) {
        PageCache cache(limit);
        std::map<uint32_t, PagePtr> latest;  // what was last put at each offset (and not erased)
        std::mt19937 rng{unsigned(limit)};
        for (int step = 0; step < 20000; ++step) {
            const uint32_t off = uint32_t(1 + rng() % (limit * 3)) * kPageSize;
            switch (rng() % 4) {
            case 0:
            case 1: {
                PagePtr p = pageAt(off);
                cache.put(p);
                latest[off] = p;
                ASSERT_NE(cache.find(off), nullptr) << "a page just put is cached";
                break;
            }
            case 2:
                cache.erase(off);
                latest.erase(off);
                ASSERT_EQ(cache.find(off), nullptr);
                break;
            default:
                if (const PagePtr* found = cache.find(off)) {
                    ASSERT_TRUE(latest.count(off)) << "an erased page came back";
                    ASSERT_EQ(found->get(), latest[off].get()) << "a stale page at " << off;
                }
            }
            ASSERT_LE(cache.size(), limit);
        }
        size_t reachable = 0;
        for (const auto& [off, page] : latest) {
            const PagePtr* found = cache.find(off);
            if (found) {
                EXPECT_EQ(found->get(), page.get());
                ++reachable;
            }
        }
        EXPECT_EQ(reachable, cache.size()) << "every cached page is found by its offset";
        cache.clear();
        EXPECT_EQ(cache.size(), 0u);
        EXPECT_EQ(cache.find(latest.empty() ? kPageSize : latest.begin()->first), nullptr);
    }
}

}  // namespace
}  // namespace xbase::ntx
