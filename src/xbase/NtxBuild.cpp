#include "xbase/NtxBuild.h"

#include <algorithm>
#include <cstring>

#include "xbase/Bytes.h"

namespace xbase::ntx {

namespace {

size_t g_sortBound = 1000000;
constexpr size_t kSortBytes = 64u << 20;    // long keys: fewer pairs in memory at once
constexpr size_t kRunChunk = 64 * 1024;     // bytes per run read or write
constexpr size_t kWriteBatch = 128 * kPageSize;  // tree pages per write

// Eight bytes of a key from at on (zeros past its end) as a number that orders as the bytes do.
uint64_t keyWord(const char* key, size_t at, size_t keyLength) {
    uint64_t v = 0;
    if (at + 8 <= keyLength) {
        std::memcpy(&v, key + at, 8);
        return __builtin_bswap64(v);
    }
    for (size_t j = at; j < keyLength; ++j) v |= uint64_t(static_cast<unsigned char>(key[j])) << (56 - 8 * (j - at));
    return v;
}

}  // namespace

size_t setSortMemoryBound(size_t pairs) {
    const size_t old = g_sortBound;
    g_sortBound = std::max<size_t>(pairs, 2);
    return old;
}

size_t sortBoundFor(int keyLength, size_t sharers) {
    // Each pair costs its bytes in the buffer and its entry in the sorted order.
    const size_t perPair = size_t(keyLength) + 4 + 2 * 16;
    const size_t bound = std::min(g_sortBound, kSortBytes / perPair);
    return std::max<size_t>(bound / std::max<size_t>(sharers, 1), 2);
}

Header headerFor(const NtxDefinition& def) {
    Header h;
    h.keySize = uint16_t(def.keyLength);
    h.itemSize = uint16_t(def.keyLength + 8);
    h.keyDecimals = uint16_t(std::max(def.keyDecimals, 0));
    h.maxKeys = uint16_t(maxKeysFor(def.keyLength));
    h.halfPage = uint16_t(h.maxKeys / 2);
    h.expression = def.expression;
    h.unique = def.unique;
    h.descending = def.descending;
    h.tagName = def.tagName;
    return h;
}

// ---- Sorter -------------------------------------------------------------------------------------

struct Sorter::Run {
    std::string path;
    std::unique_ptr<File> file;
    uint64_t size = 0;     // bytes
    uint64_t readOff = 0;  // next byte to read from the file
    std::vector<char> chunk;
    size_t chunkPos = 0;   // the run's current pair
};

Sorter::Sorter(FileSystem& fs, std::string runPrefix, int keyLength, bool descending, size_t memoryBound)
    : m_fs(fs), m_prefix(std::move(runPrefix)), m_keyLength(keyLength), m_stride(size_t(keyLength) + 4),
      m_descending(descending), m_bound(std::max<size_t>(memoryBound, 2)) {}

Sorter::~Sorter() {
    for (auto& run : m_runs) {
        run->file.reset();
        m_fs.remove(run->path);
    }
}

char* Sorter::addSlot(uint32_t recno, int* rc, Status* status) {
    *rc = 0;
    if (m_buffer.size() >= m_bound * m_stride) {
        *rc = spill(status);
        if (*rc < 0) return nullptr;
    }
    const size_t at = m_buffer.size();
    m_buffer.resize(at + m_stride);
    char* p = m_buffer.data() + at;
    putU32(reinterpret_cast<uint8_t*>(p + m_keyLength), recno);
    return p;
}

int Sorter::add(std::string_view key, uint32_t recno, Status* status) {
    int rc = 0;
    char* p = addSlot(recno, &rc, status);
    if (!p) return rc;
    const size_t n = std::min(key.size(), size_t(m_keyLength));
    std::memcpy(p, key.data(), n);
    std::memset(p + n, ' ', size_t(m_keyLength) - n);
    return 0;
}

// A stable sort of items by their prefix alone, a byte at a time from the lowest: items equal in it
// keep their order. Only the bytes that differ between items take a pass. tmp holds as many items
// as the range.
void Sorter::radixSort(Item* first, Item* last, Item* tmp) {
    const size_t n = size_t(last - first);
    uint64_t varying = 0;
    for (const Item* it = first; it != last; ++it) varying |= it->prefix ^ first->prefix;
    size_t bytes[8];
    size_t passes = 0;
    for (size_t b = 0; b < 8; ++b)
        if ((varying >> (8 * b)) & 0xFF) bytes[passes++] = b;
    std::vector<uint32_t> counts(passes * 256, 0);
    for (const Item* it = first; it != last; ++it)
        for (size_t p = 0; p < passes; ++p) ++counts[p * 256 + ((it->prefix >> (8 * bytes[p])) & 0xFF)];
    Item* from = first;
    Item* to = tmp;
    for (size_t p = 0; p < passes; ++p) {
        uint32_t* c = counts.data() + p * 256;
        uint32_t sum = 0;
        for (size_t v = 0; v < 256; ++v) {
            const uint32_t k = c[v];
            c[v] = sum;
            sum += k;
        }
        const unsigned shift = unsigned(8 * bytes[p]);
        for (const Item* it = from; it != from + n; ++it) to[c[(it->prefix >> shift) & 0xFF]++] = *it;
        std::swap(from, to);
    }
    if (from != first) std::copy(from, from + n, first);
}

void Sorter::sortBuffer() {
    const size_t n = m_buffer.size() / m_stride;
    m_scratch.resize(n);
    m_order.resize(n);
    for (size_t i = 0; i < n; ++i) m_order[i].pos = uint32_t(i);
    sortGroup(m_order.data(), m_order.data() + n, 0);
}

// Sorts items by eight key bytes from word on, then by arrival; items equal in those bytes are then
// sorted by the next eight. Comparing numbers instead of calling memcmp keeps most of the work in
// registers, and the arrival order keeps equal keys in the order they were added.
void Sorter::sortGroup(Item* first, Item* last, size_t word) {
    const char* base = m_buffer.data();
    const uint64_t flip = m_descending ? ~uint64_t(0) : 0;
    for (Item* it = first; it != last; ++it) {
        if (last - it > 16) __builtin_prefetch(base + size_t(it[16].pos) * m_stride + word);
        it->prefix = keyWord(base + size_t(it->pos) * m_stride, word, size_t(m_keyLength)) ^ flip;
    }
    // The items come in arrival order: already sorted when the bytes do not decrease.
    const auto byPrefix = [](const Item& a, const Item& b) { return a.prefix < b.prefix; };
    if (!std::is_sorted(first, last, byPrefix)) {
        if (last - first < 256) {
            std::sort(first, last, [](const Item& a, const Item& b) {
                return a.prefix != b.prefix ? a.prefix < b.prefix : a.pos < b.pos;
            });
        } else {
            radixSort(first, last, m_scratch.data() + (first - m_order.data()));
        }
    }
    if (word + 8 >= size_t(m_keyLength)) return;
    for (Item* group = first; group != last;) {
        Item* end = group + 1;
        while (end != last && end->prefix == group->prefix) ++end;
        if (end - group > 1) sortGroup(group, end, word + 8);
        group = end;
    }
}

bool Sorter::runAfter(size_t a, size_t b) const {
    const Run& ra = *m_runs[a];
    const Run& rb = *m_runs[b];
    int c = std::memcmp(ra.chunk.data() + ra.chunkPos, rb.chunk.data() + rb.chunkPos, size_t(m_keyLength));
    if (m_descending) c = -c;
    return c != 0 ? c > 0 : a > b;  // earlier runs hold earlier pairs
}

int Sorter::spill(Status* status) {
    sortBuffer();
    auto run = std::make_unique<Run>();
    Status st = m_fs.createTemp(m_prefix + std::to_string(m_runs.size()), Share::Exclusive, &run->file, &run->path);
    if (!st.ok()) {
        *status = st;
        return st.code;
    }
    std::vector<char> out;
    out.reserve(kRunChunk + m_stride);
    uint64_t off = 0;
    for (size_t i = 0; i < m_order.size(); ++i) {
        const char* p = m_buffer.data() + size_t(m_order[i].pos) * m_stride;
        out.insert(out.end(), p, p + m_stride);
        if (out.size() >= kRunChunk || i + 1 == m_order.size()) {
            st = run->file->write(off, out.data(), out.size());
            if (!st.ok()) {
                *status = st;
                m_runs.push_back(std::move(run));  // removed by the destructor
                return st.code;
            }
            off += out.size();
            out.clear();
        }
    }
    run->size = off;
    m_runs.push_back(std::move(run));
    m_buffer.clear();
    m_order.clear();
    return 0;
}

int Sorter::readRunChunk(Run& r, Status* status) {
    const size_t want = size_t(std::min<uint64_t>(kRunChunk / m_stride * m_stride, r.size - r.readOff));
    r.chunk.resize(want);
    size_t got = 0;
    Status st = r.file->read(r.readOff, r.chunk.data(), want, &got);
    if (!st.ok() || got != want) {
        *status = st.ok() ? makeStatus(kErrRead, r.path, "Sort run cut short") : st;
        return status->code;
    }
    r.readOff += want;
    r.chunkPos = 0;
    return 0;
}

int Sorter::finish(Status* status) {
    m_finished = true;
    if (m_runs.empty()) {
        sortBuffer();
        m_memPos = 0;
        return 0;
    }
    if (!m_buffer.empty()) {
        const int rc = spill(status);
        if (rc < 0) return rc;
    }
    decltype(m_buffer)().swap(m_buffer);
    decltype(m_order)().swap(m_order);
    decltype(m_scratch)().swap(m_scratch);
    m_current.resize(m_stride);
    // Prime each run with its first chunk.
    m_heap.clear();
    for (size_t i = 0; i < m_runs.size(); ++i) {
        Run& r = *m_runs[i];
        if (r.size == 0) continue;
        r.readOff = 0;
        const int rc = readRunChunk(r, status);
        if (rc < 0) return rc;
        m_heap.push_back(i);
    }
    std::make_heap(m_heap.begin(), m_heap.end(), [this](size_t a, size_t b) { return runAfter(a, b); });
    return 0;
}

bool Sorter::next(const char** key, uint32_t* recno, int* rc, Status* status) {
    *rc = 0;
    if (m_runs.empty()) {
        if (m_memPos >= m_order.size()) return false;
        if (m_memPos + 32 < m_order.size())
            __builtin_prefetch(m_buffer.data() + size_t(m_order[m_memPos + 32].pos) * m_stride);
        const char* p = m_buffer.data() + size_t(m_order[m_memPos++].pos) * m_stride;
        *key = p;
        *recno = getU32(reinterpret_cast<const uint8_t*>(p + m_keyLength));
        return true;
    }
    if (m_heap.empty()) return false;
    auto greater = [this](size_t a, size_t b) { return runAfter(a, b); };
    std::pop_heap(m_heap.begin(), m_heap.end(), greater);
    const size_t i = m_heap.back();
    m_heap.pop_back();
    Run& r = *m_runs[i];
    // The run's chunk may be refilled below: hand out a copy.
    std::memcpy(m_current.data(), r.chunk.data() + r.chunkPos, m_stride);
    r.chunkPos += m_stride;
    *key = m_current.data();
    *recno = getU32(reinterpret_cast<const uint8_t*>(m_current.data() + m_keyLength));
    if (r.chunkPos >= r.chunk.size()) {
        if (r.readOff >= r.size) return true;  // run exhausted
        *rc = readRunChunk(r, status);
        if (*rc < 0) return false;
    }
    m_heap.push_back(i);
    std::push_heap(m_heap.begin(), m_heap.end(), greater);
    return true;
}

bool CollectedKeys::next(std::string* key, uint32_t* recno, int* error) {
    int rc = 0;
    if (!m_sorter.finished()) rc = m_sorter.finish(&m_status);
    const char* p = nullptr;
    if (rc == 0 && m_sorter.next(&p, recno, &rc, &m_status)) {
        key->assign(p, size_t(m_sorter.keyLength()));
        return true;
    }
    if (rc < 0) *error = rc;
    return false;
}

// ---- TreeWriter ---------------------------------------------------------------------------------

void redistribute(Page& left, Page& parent, int sep, Page& right) {
    // Every item in order: the left page's, the separator over the left page's last child, the right's.
    Page all(left.keyLength());
    all.append(left, 0, left.count());
    all.insert(all.count(), left.right, parent.recno(sep), parent.key(sep));
    all.append(right, 0, right.count());
    const int leftCount = all.count() / 2;
    left.erase(0, left.count());
    left.append(all, 0, leftCount);
    left.right = all.child(leftCount);
    parent.setKey(sep, all.key(leftCount), all.recno(leftCount));
    right.erase(0, right.count());
    right.append(all, leftCount + 1, all.count());
}

TreeWriter::TreeWriter(File& file, const Geometry& g, IoCounters* counters, uint32_t firstOffset)
    : m_file(file), m_g(g), m_counters(counters), m_next(firstOffset),
      m_base(kPageOffsets + 2 * size_t(g.maxKeys + 1)), m_blank(kPageSize, 0) {
    // Items lie in slot order: the offset table is the same on every page.
    for (int i = 0; i <= g.maxKeys; ++i)
        putU16(m_blank.data() + kPageOffsets + 2 * size_t(i), uint16_t(m_base + size_t(i) * size_t(g.itemSize)));
    m_batch.reserve(kWriteBatch);
}

uint8_t* TreeWriter::item(std::vector<uint8_t>& page, int slot) const {
    return page.data() + m_base + size_t(slot) * size_t(m_g.itemSize);
}

void TreeWriter::putItem(std::vector<uint8_t>& page, int slot, uint32_t child, uint32_t recno,
                         const char* key) const {
    uint8_t* it = item(page, slot);
    putU32(it + kItemChild, child);
    putU32(it + kItemRecno, recno);
    std::memcpy(it + kItemKey, key, size_t(m_g.keyLength));
}

int TreeWriter::flushBatch(Status* status) {
    if (m_batch.empty()) return 0;
    Status st = m_file.write(m_batchStart, m_batch.data(), m_batch.size());
    if (!st.ok()) {
        *status = st;
        return st.code;
    }
    if (m_counters) m_counters->pagesWritten += m_batch.size() / kPageSize;
    m_batch.clear();
    return 0;
}

// Pages are emitted in the order their offsets were given, so the batch stays contiguous.
int TreeWriter::emit(uint32_t offset, const std::vector<uint8_t>& page, Status* status) {
    if (m_batch.empty()) m_batchStart = offset;
    m_batch.insert(m_batch.end(), page.begin(), page.end());
    return m_batch.size() >= kWriteBatch ? flushBatch(status) : 0;
}

// A page emitted before changed (the last pages' rebalancing).
int TreeWriter::rewrite(uint32_t offset, const std::vector<uint8_t>& page, Status* status) {
    if (!m_batch.empty() && offset >= m_batchStart && offset - m_batchStart < m_batch.size()) {
        std::memcpy(m_batch.data() + (offset - m_batchStart), page.data(), kPageSize);
        return 0;
    }
    Status st = m_file.write(offset, page.data(), kPageSize);
    if (!st.ok()) {
        *status = st;
        return st.code;
    }
    if (m_counters) ++m_counters->pagesWritten;
    return 0;
}

int TreeWriter::add(const char* key, uint32_t recno, Status* status) {
    if (uint64_t(m_next) + kPageSize * (m_levels.size() + 2) >= kMaxFileSize) {
        *status = makeStatus(kErrTooLarge, m_file.path(), "Index file would pass 1,000,000,000 bytes");
        return kErrTooLarge;
    }
    return push(0, 0, recno, key, status);
}

int TreeWriter::push(size_t level, uint32_t child, uint32_t recno, const char* key, Status* status) {
    for (;; ++level) {
        if (level == m_levels.size()) {
            m_levels.emplace_back();
            m_levels.back().cur = m_blank;
        }
        Level& lv = m_levels[level];
        if (lv.count < m_g.maxKeys) {
            putItem(lv.cur, lv.count++, child, recno, key);
            return 0;
        }
        // The page is full: the key goes up, its left subtree becomes the page's rightmost child.
        putU16(lv.cur.data() + kPageCount, uint16_t(lv.count));
        putU32(item(lv.cur, lv.count) + kItemChild, child);
        const uint32_t off = m_next;
        m_next += kPageSize;
        const int rc = emit(off, lv.cur, status);
        if (rc < 0) return rc;
        lv.prev.swap(lv.cur);
        lv.prevOffset = off;
        lv.hasPrev = true;
        lv.cur = m_blank;
        lv.count = 0;
        child = off;
    }
}

// Deals the items of the level's last two pages and their separator again (see redistribute).
void TreeWriter::rebalance(Level& lv, uint8_t* separator) {
    const size_t is = size_t(m_g.itemSize);
    const size_t entry = 4 + size_t(m_g.keyLength);  // record number and key
    const int left = getU16(lv.prev.data() + kPageCount);
    const int total = left + 1 + lv.count;
    std::vector<uint8_t> items(size_t(total) * is);
    std::memcpy(items.data(), item(lv.prev, 0), size_t(left) * is);
    uint8_t* mid = items.data() + size_t(left) * is;
    putU32(mid + kItemChild, getU32(item(lv.prev, left) + kItemChild));
    std::memcpy(mid + kItemRecno, separator + kItemRecno, entry);
    std::memcpy(mid + is, item(lv.cur, 0), size_t(lv.count) * is);

    const int leftCount = total / 2;
    const uint8_t* up = items.data() + size_t(leftCount) * is;
    lv.prev = m_blank;
    std::memcpy(item(lv.prev, 0), items.data(), size_t(leftCount) * is);
    putU16(lv.prev.data() + kPageCount, uint16_t(leftCount));
    putU32(item(lv.prev, leftCount) + kItemChild, getU32(up + kItemChild));
    std::memcpy(separator + kItemRecno, up + kItemRecno, entry);
    lv.count = total - leftCount - 1;
    lv.cur = m_blank;
    std::memcpy(item(lv.cur, 0), up + is, size_t(lv.count) * is);
}

int TreeWriter::finish(uint32_t* root, uint64_t* end, Status* status) {
    if (m_levels.empty()) {
        m_levels.emplace_back();
        m_levels.back().cur = m_blank;
    }
    const int half = m_g.maxKeys / 2;
    const size_t top = m_levels.size() - 1;
    std::vector<bool> rebalanced(m_levels.size(), false);
    for (size_t l = 0; l < top; ++l) {
        Level& lv = m_levels[l];
        if (lv.count >= half || !lv.hasPrev) continue;
        // The separator between the level's last two pages is the last key that went up from it:
        // the last key of the lowest non-empty page above.
        size_t h = l + 1;
        while (h <= top && m_levels[h].count == 0) ++h;
        if (h > top) break;  // cannot happen: a closed page always sends a key up
        rebalance(lv, item(m_levels[h].cur, m_levels[h].count - 1));
        rebalanced[l] = true;
    }
    for (size_t l = 0; l <= top; ++l) {
        Level& lv = m_levels[l];
        lv.curOffset = m_next;
        m_next += kPageSize;
        putU16(lv.cur.data() + kPageCount, uint16_t(lv.count));
        if (l > 0) putU32(item(lv.cur, lv.count) + kItemChild, m_levels[l - 1].curOffset);
        int rc = rebalanced[l] ? rewrite(lv.prevOffset, lv.prev, status) : 0;
        if (rc == 0) rc = emit(lv.curOffset, lv.cur, status);
        if (rc < 0) return rc;
    }
    const int rc = flushBatch(status);
    if (rc < 0) return rc;
    *root = m_levels[top].curOffset;
    *end = m_next;
    return 0;
}

// ---- buildTree ----------------------------------------------------------------------------------

int buildTree(FileSystem& fs, File& file, const std::string& runPrefix, const Header& h, KeySource& source,
              IoCounters* counters, uint32_t* root, uint64_t* end, Status* status) {
    Sorter* sorter = nullptr;
    std::unique_ptr<Sorter> own;
    auto* collected = dynamic_cast<CollectedKeys*>(&source);
    if (collected && !collected->sorter().finished() && collected->sorter().keyLength() == h.keySize &&
        collected->sorter().descending() == h.descending) {
        sorter = &collected->sorter();
    } else {
        own = std::make_unique<Sorter>(fs, runPrefix, h.keySize, h.descending, sortBoundFor(h.keySize, 1));
        sorter = own.get();
        std::string key;
        uint32_t recno = 0;
        int err = 0;
        while (source.next(&key, &recno, &err)) {
            const int rc = sorter->add(key, recno, status);
            if (rc < 0) return rc;
        }
        if (err < 0) {
            if (status->ok()) *status = makeStatus(err, file.path(), "Reading the keys for the index failed");
            return err;
        }
    }
    int rc = sorter->finish(status);
    if (rc < 0) return rc;

    const Geometry g{h.keySize, h.itemSize, h.maxKeys, h.descending};
    TreeWriter writer(file, g, counters, kPageSize);
    std::vector<char> prevKey(h.keySize);
    bool havePrev = false;
    const char* key = nullptr;
    uint32_t recno = 0;
    while (sorter->next(&key, &recno, &rc, status)) {
        if (h.unique) {
            // The first record wins.
            if (havePrev && std::memcmp(key, prevKey.data(), h.keySize) == 0) continue;
            std::memcpy(prevKey.data(), key, h.keySize);
            havePrev = true;
        }
        rc = writer.add(key, recno, status);
        if (rc < 0) return rc;
    }
    if (rc < 0) return rc;
    return writer.finish(root, end, status);
}

}  // namespace xbase::ntx
