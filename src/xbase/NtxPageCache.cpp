#include "xbase/NtxPageCache.h"

namespace xbase::ntx {

void PageCache::setLimit(size_t limit) {
    m_limit = limit < 1 ? 1 : limit;
    size_t capacity = 16;
    int bits = 4;
    while (capacity < m_limit + m_limit / 2 + 2) {  // at most two-thirds full: short probes, small table
        capacity *= 2;
        ++bits;
    }
    m_slots.assign(capacity, Slot{});
    m_mask = capacity - 1;
    m_shift = 64 - bits;
    m_count = 0;
    m_hand = 0;
}

size_t PageCache::home(uint32_t off) const {
    return size_t((uint64_t(off / kPageSize) * 0x9E3779B97F4A7C15ULL) >> m_shift) & m_mask;
}

size_t PageCache::locate(uint32_t off) const {
    for (size_t i = home(off);; i = (i + 1) & m_mask) {
        if (m_slots[i].off == off) return i;
        if (m_slots[i].off == 0) return npos;
    }
}

const PagePtr* PageCache::find(uint32_t off) {
    const size_t i = locate(off);
    if (i == npos) return nullptr;
    m_slots[i].referenced = true;
    return &m_slots[i].page;
}

void PageCache::put(const PagePtr& p) {
    if (const size_t i = locate(p->offset); i != npos) {
        m_slots[i].page = p;
        m_slots[i].referenced = true;
        return;
    }
    while (m_count >= m_limit) evictOne();
    size_t i = home(p->offset);
    while (m_slots[i].off != 0) i = (i + 1) & m_mask;
    m_slots[i] = Slot{p->offset, true, p};
    ++m_count;
}

void PageCache::erase(uint32_t off) {
    if (const size_t i = locate(off); i != npos) eraseAt(i);
}

void PageCache::clear() {
    for (Slot& s : m_slots) s = Slot{};
    m_count = 0;
    m_hand = 0;
}

// Removes slot i and shifts the entries after it back, so that no probe sequence has a hole.
void PageCache::eraseAt(size_t i) {
    for (size_t j = (i + 1) & m_mask; m_slots[j].off != 0; j = (j + 1) & m_mask) {
        const size_t h = home(m_slots[j].off);
        const bool stays = i <= j ? (i < h && h <= j) : (i < h || h <= j);
        if (stays) continue;
        m_slots[i] = std::move(m_slots[j]);
        i = j;
    }
    m_slots[i] = Slot{};
    --m_count;
}

void PageCache::evictOne() {
    for (;;) {
        Slot& s = m_slots[m_hand];
        if (s.off != 0 && !s.referenced) {
            eraseAt(m_hand);  // an entry shifted into the hand's slot is looked at next
            return;
        }
        s.referenced = false;
        m_hand = (m_hand + 1) & m_mask;
    }
}

}  // namespace xbase::ntx
