#include "xbase/NtxPager.h"

#include <algorithm>
#include <limits>

#include "xbase/Bytes.h"

#include <vector>

namespace xbase::ntx {

namespace {

// The page cache is bounded in bytes, so an index of short keys (many per page) keeps fewer pages
// than one of long keys. Nobody else changes an exclusively opened file, so its cache is never
// dropped: worth keeping more.
constexpr size_t kCacheBytes = 4u << 20;
constexpr size_t kExclusiveCacheBytes = 16u << 20;
// Bytes read at once when a page read follows the one before it in the file.
constexpr size_t kReadAheadBytes = 32 * 1024;
// The widest span of pages one batched write covers.
constexpr size_t kPagesPerWrite = 64;

}  // namespace

Pager::Pager(std::string fileName, std::unique_ptr<File> file, Share share, bool readOnly, IoCounters* counters)
    : m_fileName(std::move(fileName)), m_file(std::move(file)), m_share(share), m_readOnly(readOnly),
      m_counters(counters ? counters : &m_ownCounters), m_defer(share == Share::Exclusive && !readOnly) {}

Pager::~Pager() { flushPending(); }  // best effort; flush() reports errors

int Pager::flushPending() {
    if (!m_pendChanged) return 0;
    if (m_broken) return corrupt("a change was not completely written");
    m_dirty = std::move(m_pendDirty);
    m_freed = std::move(m_pendFreed);
    m_allocated = std::move(m_pendAllocated);
    const int rc = writeChanges(true);
    m_dirty.clear();
    m_freed.clear();
    m_allocated.clear();
    m_pendDirty.clear();
    m_pendFreed.clear();
    m_pendAllocated.clear();
    m_pendChanged = false;
    if (rc < 0) {
        m_broken = true;
        dropCache();
    }
    return rc;
}

int Pager::fail(int code, const std::string& what) {
    m_status = makeStatus(code, m_fileName, what);
    return code;
}

int Pager::corrupt(const std::string& what) {
    return fail(kErrCorruptIndex, "Index file damaged (" + what + "); rebuild the index");
}

int Pager::failWith(const Status& st) {
    m_status = st;
    if (m_status.file.empty()) m_status.file = m_fileName;
    return st.code;
}

// ---- operations ---------------------------------------------------------------------------------

int Pager::open() {
    bool othersChanged = false;
    int rc = begin(false, &othersChanged);
    if (rc < 0) return rc;
    uint8_t raw[kPageSize];
    size_t got = 0;
    Status st = m_file->read(0, raw, sizeof raw, &got);
    if (st.ok()) st = m_file->size(&m_fileSize);
    std::string why;
    if (!st.ok()) rc = failWith(st);
    else if (got != sizeof raw) rc = corrupt("header cut short");
    else if (!decodeHeader(raw, m_fileSize, &m_hdr, &why)) rc = corrupt(why);
    else if (raw[kHdrIncomplete] != 0) rc = corrupt("a change was not completely written");
    if (rc == 0) {
        m_g = Geometry{m_hdr.keySize, m_hdr.itemSize, m_hdr.maxKeys, m_hdr.descending};
        // With room for the key an insert adds, the allocations' own overhead and the cache's slot.
        const size_t pageBytes = sizeof(Page) + size_t(m_g.itemSize) * (size_t(m_g.maxKeys) + 2) + 96;
        m_cacheLimit = std::max<size_t>(16, (m_share == Share::Exclusive ? kExclusiveCacheBytes : kCacheBytes) / pageBytes);
        m_cache.setLimit(m_cacheLimit);
        PagePtr root;
        rc = fetch(m_hdr.root, &root);
    }
    return end(false, rc);
}

void Pager::setWalking(bool on) {
    m_walking = on && m_share == Share::Shared;
    if (!on) releaseHold();
}

void Pager::releaseHold() {
    if (m_holding) m_file->unlock(kLockOffset, 1);
    m_holding = false;
}

int Pager::begin(bool write, bool* othersChanged) {
    *othersChanged = false;
    // Every operation takes the lock afresh, so a held one never outlasts a step off the leaf.
    releaseHold();
    if (m_broken) return corrupt("a change was not completely written");
    if (write && m_readOnly) return fail(kErrReadOnly, "Index opened for reading only");
    if (m_share == Share::Shared) {
        Status st = m_file->lock(kLockOffset, 1, write ? LockKind::Write : LockKind::Read, true);
        if (!st.ok()) {
            failWith(st);
            if (m_status.message.empty()) m_status = makeStatus(kErrLock, m_fileName, "Index lock failed");
            m_status.code = kErrLock;
            return kErrLock;
        }
        m_locked = true;
    }
    m_changed = false;
    const int rc = m_g.maxKeys == 0 ? 0 : refreshCounters(othersChanged);  // nothing to compare before open
    if (rc < 0) end(false, rc);
    if (write) m_saved = m_hdr;  // only a change can fail half-way and need it back
    return rc;
}

int Pager::end(bool write, int rc) {
    if (write) {
        if (rc >= 0 && m_changed && m_defer) {
            for (auto& [off, page] : m_dirty) m_pendDirty[off] = page;
            for (const auto& [off, next] : m_freed) m_pendFreed[off] = next;
            m_pendAllocated.insert(m_allocated.begin(), m_allocated.end());
            m_pendChanged = true;
            m_dirty.clear();
            m_freed.clear();
            m_allocated.clear();
            // Pending pages are written once there are more than the cache holds: the same memory
            // bound, and each page is written once for a batch of changes that fits it.
            if (m_pendDirty.size() + m_pendFreed.size() > m_cacheLimit) {
                const int wrc = flushPending();
                if (wrc < 0) rc = wrc;
            }
        } else if (rc >= 0 && m_changed) {
            const int wrc = writeChanges(false);
            if (wrc < 0) rc = wrc;
        }
        if (rc < 0 && !m_broken) {
            if (m_pendChanged && (!m_dirty.empty() || !m_freed.empty() || !m_allocated.empty())) {
                // Pages pending from earlier operations may have been changed by this one, which
                // cannot be undone: mark the file so that it is rebuilt rather than silently short.
                m_broken = true;
                const uint8_t value = 1;
                m_file->write(kHdrIncomplete, &value, 1);
                m_pendDirty.clear();
                m_pendFreed.clear();
                m_pendAllocated.clear();
                m_pendChanged = false;
            }
            // Nothing half-done stays in memory: the next operation reads the file again.
            m_hdr = m_saved;
            dropCache();
        }
        m_dirty.clear();
        m_freed.clear();
        m_allocated.clear();
    }
    if (m_locked && m_walking && !write && rc >= 0) {
        m_holding = true;
    } else if (m_locked) {
        m_file->unlock(kLockOffset, 1);
    }
    m_locked = false;
    return rc;
}

bool Pager::unchangedWithoutLock() {
    if (m_share != Share::Shared || m_broken || m_g.maxKeys == 0 || !m_file->seesWritesWithoutLocks()) return false;
    if (!m_pendDirty.empty() || !m_dirty.empty()) return false;
    uint8_t bytes[kHdrCounterBlock];
    size_t got = 0;
    if (!m_file->read(0, bytes, sizeof bytes, &got).ok() || got != sizeof bytes) return false;
    Header now = m_hdr;
    decodeCounters(bytes, &now);
    return now.sameCounters(m_hdr);
}

int Pager::refreshCounters(bool* othersChanged) {
    if (m_share != Share::Shared) return 0;  // nobody else can change the file
    uint8_t bytes[kHdrCounterBlock];
    size_t got = 0;
    Status st = m_file->read(0, bytes, sizeof bytes, &got);
    if (!st.ok()) return failWith(st);
    if (got != sizeof bytes) return corrupt("header cut short");
    Header now = m_hdr;
    decodeCounters(bytes, &now);
    if (now.sameCounters(m_hdr)) return 0;
    uint64_t size = 0;
    st = m_file->size(&size);
    if (!st.ok()) return failWith(st);
    if (!validPageOffset(now.root, size) || (now.freeHead != 0 && !validPageOffset(now.freeHead, size)))
        return corrupt("root or free list outside the file");
    m_hdr.signature = now.signature;
    m_hdr.version = now.version;
    m_hdr.root = now.root;
    m_hdr.freeHead = now.freeHead;
    m_fileSize = size;
    dropCache();
    *othersChanged = true;
    return 0;
}

int Pager::writeChanges(bool inFileOrder) {
    // A write that fails part-way (a full disk) must never leave keys unreachable: pages that gain
    // entries go first (new pages, then the parents that link them), then the header, then pages that
    // lose entries, then freed pages. A failure can leave an entry twice, which the order check finds
    // and a rebuild repairs; it cannot leave one out. inFileOrder (the batch of an exclusive open,
    // whose failure marks the file for a rebuild anyway) writes in file order instead, neighbours
    // together.
    struct Pending {
        uint32_t off;
        Page* page;
        long gain;
    };
    dropWindow();  // it would hold the pages as they were
    std::vector<Pending> order;
    order.reserve(m_dirty.size());
    for (const auto& [off, page] : m_dirty) {
        long gain = std::numeric_limits<long>::max();  // new pages first
        if (m_allocated.count(off) == 0 && page->stored >= 0) {
            gain = long(page->count()) - long(page->stored);
        } else if (m_allocated.count(off) == 0 && !inFileOrder) {
            uint8_t count[2] = {0, 0};
            size_t got = 0;
            const Status st = m_file->read(off, count, sizeof count, &got);
            gain = st.ok() && got == sizeof count ? long(page->count()) - long(getU16(count)) : 0;
        }
        order.push_back({off, page.get(), gain});
    }
    if (inFileOrder) {
        std::sort(order.begin(), order.end(), [](const Pending& a, const Pending& b) { return a.off < b.off; });
    } else {
        std::stable_sort(order.begin(), order.end(), [](const Pending& a, const Pending& b) { return a.gain > b.gain; });
    }

    std::vector<uint8_t> raw(kPageSize);
    auto put = [&](uint32_t off) {
        Status st = m_file->write(off, raw.data(), raw.size());
        if (!st.ok()) return failWith(st);
        ++m_counters->pagesWritten;
        return 0;
    };
    auto writeHeader = [&] {
        m_hdr.version = uint16_t(m_hdr.version + 1);
        uint8_t bytes[kHdrCounterBlock];
        encodeCounters(m_hdr, bytes);
        Status st = m_file->write(0, bytes, sizeof bytes);
        return st.ok() ? 0 : failWith(st);
    };
    auto mark = [&](uint8_t value) {
        Status st = m_file->write(kHdrIncomplete, &value, 1);
        return st.ok() ? 0 : failWith(st);
    };
    // A change of one page is written whole or not at all; a longer one is bracketed by the mark, so
    // a failure part-way is found at the next open instead of leaving a tree that silently lacks keys.
    const bool bracketed = order.size() + m_freed.size() > 1;
    if (bracketed) {
        if (const int rc = mark(1); rc < 0) return rc;
    }
    bool headerWritten = false;
    if (inFileOrder) {
        // Pages close together go out in one write: the span is read first, so that the pages
        // between them are written back as they are. A batch changes most leaves of a tree, so this
        // takes a few large calls instead of one per page.
        std::vector<uint8_t> span;
        for (size_t i = 0; i < order.size();) {
            const uint32_t start = order[i].off;
            size_t j = i + 1;
            while (j < order.size() && order[j].off + kPageSize - start <= kPagesPerWrite * kPageSize) ++j;
            span.resize(order[j - 1].off + kPageSize - start);
            if ((j - i) * kPageSize < span.size()) {
                size_t got = 0;
                Status st = m_file->read(start, span.data(), span.size(), &got);
                if (!st.ok()) return failWith(st);
                std::fill(span.begin() + long(got), span.end(), uint8_t(0));  // new pages past the end
            }
            for (size_t k = i; k < j; ++k) encodePage(*order[k].page, m_g, span.data() + (order[k].off - start));
            Status st = m_file->write(start, span.data(), span.size());
            if (!st.ok()) return failWith(st);
            m_counters->pagesWritten += j - i;
            for (size_t k = i; k < j; ++k) order[k].page->stored = order[k].page->count();
            i = j;
        }
        order.clear();
    }
    for (const Pending& p : order) {
        if (p.gain < 0 && !headerWritten) {
            if (const int rc = writeHeader(); rc < 0) return rc;
            headerWritten = true;
        }
        encodePage(*p.page, m_g, raw.data());
        if (const int rc = put(p.off); rc < 0) return rc;
        p.page->stored = p.page->count();
    }
    if (!headerWritten) {
        if (const int rc = writeHeader(); rc < 0) return rc;
    }
    for (const auto& [off, next] : m_freed) {
        encodeFreePage(next, m_g, raw.data());
        if (const int rc = put(off); rc < 0) return rc;
    }
    return bracketed ? mark(0) : 0;
}

// ---- pages --------------------------------------------------------------------------------------

void Pager::dropCache() {
    m_cache.clear();
    dropWindow();
}

void Pager::replaced(uint64_t fileSize) {
    dropCache();
    m_dirty.clear();
    m_freed.clear();
    m_allocated.clear();
    m_pendDirty.clear();
    m_pendFreed.clear();
    m_pendAllocated.clear();
    m_pendChanged = false;
    m_fileSize = fileSize;
    m_changed = true;
}

int Pager::fetch(uint32_t off, PagePtr* out) {
    if (!validPageOffset(off, m_fileSize)) return corrupt("page offset " + std::to_string(off) + " outside the file");
    ++m_counters->indexPagesRead;
    // A changed page is remembered when it is marked and a freed one forgotten, so a cached page is
    // always the current one.
    if (const PagePtr* cached = m_cache.find(off)) {
        *out = *cached;
        return 0;
    }
    if (auto d = m_dirty.find(off); d != m_dirty.end()) {
        *out = d->second;
        return 0;
    }
    if (auto d = m_pendDirty.find(off); d != m_pendDirty.end()) {
        *out = d->second;
        return 0;
    }
    if (m_freed.count(off) || m_pendFreed.count(off)) return corrupt("a freed page is still in the tree");
    const uint8_t* raw = nullptr;
    const int rc = readPage(off, &raw);
    if (rc < 0) return rc;
    auto page = std::make_shared<Page>();
    std::string why;
    if (!decodePage(raw, off, m_g, m_fileSize, page.get(), &why))
        return corrupt(why + " in the page at offset " + std::to_string(off));
    // A leaf read with read-ahead is part of a walk: caching it would push out the pages searches
    // reuse, and letting it go lets the next leaf take its memory.
    if (!m_streamed || !page->leaf()) remember(page);
    *out = std::move(page);
    return 0;
}

// A walk through an order reads the leaves in file order when the tree was built bottom-up (back to
// front when it walks backwards), so a read that follows the previous one takes the next pages with it.
int Pager::readPage(uint32_t off, const uint8_t** raw) {
    if (off >= m_windowOff && off + kPageSize <= m_windowOff + m_windowLength) {
        *raw = m_window.get() + (off - m_windowOff);
        m_lastRead = off;
        m_streamed = true;
        return 0;
    }
    // A walk in key order reads leaves in file order, with the branch page above them in between:
    // the branch page goes to a buffer of its own, so the window over the leaves stays.
    const bool forward = (m_lastRead != 0 && off == m_lastRead + kPageSize) ||
                         (m_windowLength != 0 && off == m_windowOff + m_windowLength);
    const bool backward = !forward && ((m_lastRead > kPageSize && off + kPageSize == m_lastRead) ||
                                       (m_windowLength != 0 && off + kPageSize == m_windowOff));
    const bool ahead = forward || backward;
    // Backwards the window ends with the page asked for; page 0 is the header, never a tree page.
    const uint64_t end = uint64_t(off) + kPageSize;
    const uint64_t from = !backward ? off : end > kReadAheadBytes + kPageSize ? end - kReadAheadBytes : kPageSize;
    const size_t want = !ahead ? kPageSize : forward ? kReadAheadBytes : size_t(end - from);
    if (!m_window) m_window = std::make_unique_for_overwrite<uint8_t[]>(kReadAheadBytes);
    uint8_t* into = ahead ? m_window.get() : m_single;
    size_t got = 0;
    Status st = m_file->read(from, into, want, &got);
    if (!st.ok()) {
        dropWindow();
        return failWith(st);
    }
    if (got < end - from) {
        if (ahead) dropWindow();
        return corrupt("page at " + std::to_string(off) + " cut short");
    }
    if (ahead) {
        m_windowLength = got - got % kPageSize;
        m_windowOff = from;
    }
    m_lastRead = off;
    m_streamed = ahead;
    *raw = into + (off - from);
    return 0;
}

void Pager::dropWindow() {
    m_windowLength = 0;
    m_windowOff = 0;
    m_lastRead = 0;
}

void Pager::remember(const PagePtr& p) { m_cache.put(p); }

void Pager::forget(uint32_t off) { m_cache.erase(off); }

void Pager::markDirty(const PagePtr& p) {
    m_dirty[p->offset] = p;
    m_changed = true;
    remember(p);
}

int Pager::allocate(PagePtr* out) {
    uint32_t off = 0;
    if (m_hdr.freeHead != 0) {
        off = m_hdr.freeHead;
        uint32_t next = 0;
        if (auto f = m_freed.find(off); f != m_freed.end()) {
            next = f->second;
            m_freed.erase(f);
        } else if (auto pf = m_pendFreed.find(off); pf != m_pendFreed.end()) {
            next = pf->second;
            m_pendFreed.erase(pf);
        } else {
            if (!validPageOffset(off, m_fileSize)) return corrupt("free list outside the file");
            uint8_t raw[kPageSize];
            size_t got = 0;
            Status st = m_file->read(off, raw, sizeof raw, &got);
            if (!st.ok()) return failWith(st);
            ++m_counters->indexPagesRead;
            if (got != sizeof raw || !freePageLink(raw, m_g, &next))
                return corrupt("free page at " + std::to_string(off) + " unreadable");
        }
        if (next != 0 && (!validPageOffset(next, m_fileSize) || next == off))
            return corrupt("free list link outside the file");
        m_hdr.freeHead = next;
    } else {
        const uint64_t end = (m_fileSize + kPageSize - 1) / kPageSize * kPageSize;
        if (end + kPageSize > kMaxFileSize) return fail(kErrTooLarge, "Index file would pass 1,000,000,000 bytes");
        off = uint32_t(end);
        m_fileSize = end + kPageSize;
    }
    forget(off);
    m_allocated.insert(off);
    auto page = std::make_shared<Page>(m_g.keyLength);
    page->fill(0, m_g.maxKeys + 2);  // room for a full page and the key that splits it, as a read page has
    page->offset = off;
    markDirty(page);
    *out = std::move(page);
    return 0;
}

void Pager::release(const PagePtr& p) {
    const uint32_t off = p->offset;
    m_dirty.erase(off);
    m_pendDirty.erase(off);
    m_pendAllocated.erase(off);
    forget(off);
    m_freed[off] = m_hdr.freeHead;
    m_hdr.freeHead = off;
    m_changed = true;
}

}  // namespace xbase::ntx
