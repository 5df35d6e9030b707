#pragma once
// The decoded pages of one index file kept for reuse: an open-addressing table whose size follows
// the cache's bound, not the file's (its memory does not grow with the index), with a clock hand
// that gives every page a second chance before it goes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xbase/NtxFormat.h"

namespace xbase::ntx {

using PagePtr = std::shared_ptr<Page>;

class PageCache {
public:
    explicit PageCache(size_t limit = 64) { setLimit(limit); }

    // Holds at most limit pages from now on; forgets every page.
    void setLimit(size_t limit);
    // The cached page at off (and marks it used), or nullptr.
    const PagePtr* find(uint32_t off);
    // Caches p in place of any page at its offset, evicting another when full. Pages held elsewhere
    // (a cursor, a change) live on through their owners.
    void put(const PagePtr& p);
    void erase(uint32_t off);
    void clear();
    size_t size() const { return m_count; }

private:
    struct Slot {
        uint32_t off = 0;  // 0: empty (page 0 is the header, never cached)
        bool referenced = false;
        PagePtr page;
    };
    size_t home(uint32_t off) const;
    size_t locate(uint32_t off) const;  // npos when absent
    void eraseAt(size_t i);
    void evictOne();

    static constexpr size_t npos = ~size_t(0);
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    int m_shift = 0;
    size_t m_limit = 0;
    size_t m_count = 0;
    size_t m_hand = 0;
};

}  // namespace xbase::ntx
