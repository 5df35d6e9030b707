#include "xbase/NtxBuild.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "xbase/Bytes.h"

namespace xbase::ntx {

namespace {

size_t g_sortBound = 1000000;
constexpr size_t kSortBytes = 64u << 20;  // long keys: fewer pairs in memory at once
constexpr size_t kRunChunk = 64 * 1024;   // bytes per run read or write

}  // namespace

size_t setSortMemoryBound(size_t pairs) {
    const size_t old = g_sortBound;
    g_sortBound = std::max<size_t>(pairs, 2);
    return old;
}

// ---- Sorter -------------------------------------------------------------------------------------

struct Sorter::Run {
    std::string path;
    std::unique_ptr<File> file;
    uint64_t size = 0;     // bytes
    uint64_t readOff = 0;  // next byte to read from the file
    std::vector<char> chunk;
    size_t chunkPos = 0;
    std::string key;       // current pair
    uint32_t recno = 0;
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

int Sorter::add(std::string_view key, uint32_t recno, Status* status) {
    if (m_buffer.size() / m_stride >= m_bound) {
        const int rc = spill(status);
        if (rc < 0) return rc;
    }
    const size_t at = m_buffer.size();
    m_buffer.resize(at + m_stride, ' ');
    std::memcpy(m_buffer.data() + at, key.data(), std::min(key.size(), size_t(m_keyLength)));
    putU32(reinterpret_cast<uint8_t*>(m_buffer.data() + at + size_t(m_keyLength)), recno);
    return 0;
}

bool Sorter::bufferLess(uint32_t a, uint32_t b) const {
    const char* pa = m_buffer.data() + size_t(a) * m_stride;
    const char* pb = m_buffer.data() + size_t(b) * m_stride;
    const int c = compareKeys({pa, size_t(m_keyLength)}, {pb, size_t(m_keyLength)}, m_descending);
    return c != 0 ? c < 0 : a < b;  // the position keeps equal keys in arrival order
}

bool Sorter::runAfter(size_t a, size_t b) const {
    const int c = compareKeys(m_runs[a]->key, m_runs[b]->key, m_descending);
    return c != 0 ? c > 0 : a > b;  // earlier runs hold earlier records
}

void Sorter::sortBuffer() {
    m_order.resize(m_buffer.size() / m_stride);
    std::iota(m_order.begin(), m_order.end(), 0u);
    std::sort(m_order.begin(), m_order.end(), [this](uint32_t a, uint32_t b) { return bufferLess(a, b); });
}

int Sorter::spill(Status* status) {
    sortBuffer();
    auto run = std::make_unique<Run>();
    run->path = m_prefix + std::to_string(m_runs.size());
    Status st = m_fs.create(run->path, Share::Exclusive, &run->file);
    if (!st.ok()) {
        *status = st;
        return st.code;
    }
    std::vector<char> out;
    out.reserve(kRunChunk + m_stride);
    uint64_t off = 0;
    for (size_t i = 0; i < m_order.size(); ++i) {
        const char* p = m_buffer.data() + size_t(m_order[i]) * m_stride;
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

void Sorter::takeRunPair(Run& r) {
    r.key.assign(r.chunk.data() + r.chunkPos, size_t(m_keyLength));
    r.recno = getU32(reinterpret_cast<const uint8_t*>(r.chunk.data() + r.chunkPos + size_t(m_keyLength)));
    r.chunkPos += m_stride;
}

int Sorter::finish(Status* status) {
    if (m_runs.empty()) {
        sortBuffer();
        m_memPos = 0;
        return 0;
    }
    if (!m_buffer.empty()) {
        const int rc = spill(status);
        if (rc < 0) return rc;
    }
    m_buffer.shrink_to_fit();
    // Prime each run with its first chunk and pair.
    m_heap.clear();
    for (size_t i = 0; i < m_runs.size(); ++i) {
        Run& r = *m_runs[i];
        if (r.size == 0) continue;
        r.readOff = 0;
        const int rc = readRunChunk(r, status);
        if (rc < 0) return rc;
        takeRunPair(r);
        m_heap.push_back(i);
    }
    std::make_heap(m_heap.begin(), m_heap.end(), [this](size_t a, size_t b) { return runAfter(a, b); });
    return 0;
}

bool Sorter::next(std::string* key, uint32_t* recno, int* rc, Status* status) {
    *rc = 0;
    if (m_runs.empty()) {
        if (m_memPos >= m_order.size()) return false;
        const char* p = m_buffer.data() + size_t(m_order[m_memPos++]) * m_stride;
        key->assign(p, size_t(m_keyLength));
        *recno = getU32(reinterpret_cast<const uint8_t*>(p + m_keyLength));
        return true;
    }
    if (m_heap.empty()) return false;
    auto greater = [this](size_t a, size_t b) { return runAfter(a, b); };
    std::pop_heap(m_heap.begin(), m_heap.end(), greater);
    const size_t i = m_heap.back();
    m_heap.pop_back();
    Run& r = *m_runs[i];
    *key = r.key;
    *recno = r.recno;
    // Advance the run.
    if (r.chunkPos >= r.chunk.size()) {
        if (r.readOff >= r.size) return true;  // run exhausted
        *rc = readRunChunk(r, status);
        if (*rc < 0) return false;
    }
    takeRunPair(r);
    m_heap.push_back(i);
    std::push_heap(m_heap.begin(), m_heap.end(), greater);
    return true;
}

// ---- TreeWriter ---------------------------------------------------------------------------------

void redistribute(Page& left, Entry& separator, Page& right) {
    std::vector<Entry> items;
    items.reserve(left.entries.size() + right.entries.size() + 1);
    for (auto& e : left.entries) items.push_back(std::move(e));
    items.push_back(Entry{left.right, separator.recno, separator.key});
    for (auto& e : right.entries) items.push_back(std::move(e));
    const size_t total = items.size();
    const size_t leftCount = total / 2;
    left.entries.assign(std::make_move_iterator(items.begin()),
                        std::make_move_iterator(items.begin() + long(leftCount)));
    left.right = items[leftCount].child;
    separator.recno = items[leftCount].recno;
    separator.key = std::move(items[leftCount].key);
    right.entries.assign(std::make_move_iterator(items.begin() + long(leftCount) + 1),
                         std::make_move_iterator(items.end()));
}

TreeWriter::TreeWriter(File& file, const Geometry& g, IoCounters* counters, uint32_t firstOffset)
    : m_file(file), m_g(g), m_counters(counters), m_next(firstOffset), m_raw(kPageSize) {}

uint32_t TreeWriter::allocate() {
    const uint32_t off = m_next;
    m_next += kPageSize;
    return off;
}

int TreeWriter::write(const Page& p, Status* status) {
    encodePage(p, m_g, m_raw.data());
    Status st = m_file.write(p.offset, m_raw.data(), kPageSize);
    if (!st.ok()) {
        *status = st;
        return st.code;
    }
    if (m_counters) ++m_counters->pagesWritten;
    return 0;
}

int TreeWriter::add(std::string_view key, uint32_t recno, Status* status) {
    if (uint64_t(m_next) + kPageSize * (m_levels.size() + 2) >= kMaxFileSize) {
        *status = makeStatus(kErrTooLarge, m_file.path(), "Index file would pass 1,000,000,000 bytes");
        return kErrTooLarge;
    }
    return push(0, Entry{0, recno, std::string(key)}, status);
}

int TreeWriter::push(size_t level, Entry e, Status* status) {
    if (level == m_levels.size()) m_levels.emplace_back();
    Level& lv = m_levels[level];
    if (lv.cur.count() < m_g.maxKeys) {
        lv.cur.entries.push_back(std::move(e));
        return 0;
    }
    // The page is full: the key goes up, its left subtree becomes the page's rightmost child.
    lv.cur.right = e.child;
    lv.cur.offset = allocate();
    if (lv.hasPrev) {
        const int rc = write(lv.prev, status);
        if (rc < 0) return rc;
    }
    lv.prev = std::move(lv.cur);
    lv.hasPrev = true;
    lv.cur = Page{};
    e.child = lv.prev.offset;
    return push(level + 1, std::move(e), status);
}

int TreeWriter::finish(uint32_t* root, uint64_t* end, Status* status) {
    if (m_levels.empty()) m_levels.emplace_back();
    const int half = m_g.maxKeys / 2;
    const size_t top = m_levels.size() - 1;
    for (size_t l = 0; l < top; ++l) {
        Level& lv = m_levels[l];
        if (lv.cur.count() >= half || !lv.hasPrev) continue;
        // The separator between the level's last two pages is the last key that went up from it:
        // the last key of the lowest non-empty page above.
        size_t h = l + 1;
        while (h <= top && m_levels[h].cur.count() == 0) ++h;
        if (h > top) break;  // cannot happen: a closed page always sends a key up
        redistribute(lv.prev, m_levels[h].cur.entries.back(), lv.cur);
    }
    for (size_t l = 0; l <= top; ++l) {
        Level& lv = m_levels[l];
        lv.cur.offset = allocate();
        if (l > 0) lv.cur.right = m_levels[l - 1].cur.offset;
        int rc = lv.hasPrev ? write(lv.prev, status) : 0;
        if (rc == 0) rc = write(lv.cur, status);
        if (rc < 0) return rc;
    }
    *root = m_levels[top].cur.offset;
    *end = m_next;
    return 0;
}

// ---- buildTree ----------------------------------------------------------------------------------

int buildTree(FileSystem& fs, File& file, const std::string& runPrefix, const Header& h, KeySource& source,
              IoCounters* counters, uint32_t* root, uint64_t* end, Status* status) {
    const size_t bound = std::min(g_sortBound, kSortBytes / (size_t(h.keySize) + 4));
    Sorter sorter(fs, runPrefix, h.keySize, h.descending, bound);
    std::string key;
    uint32_t recno = 0;
    int err = 0;
    while (source.next(&key, &recno, &err)) {
        if (key.size() != h.keySize) key.resize(h.keySize, ' ');
        const int rc = sorter.add(key, recno, status);
        if (rc < 0) return rc;
    }
    if (err < 0) {
        if (status->ok()) *status = makeStatus(err, file.path(), "Reading the keys for the index failed");
        return err;
    }
    int rc = sorter.finish(status);
    if (rc < 0) return rc;

    Geometry g{h.keySize, h.itemSize, h.maxKeys, h.descending};
    TreeWriter writer(file, g, counters, kPageSize);
    std::string prevKey;
    bool havePrev = false;
    while (sorter.next(&key, &recno, &rc, status)) {
        if (h.unique && havePrev && key == prevKey) continue;  // the first record wins
        rc = writer.add(key, recno, status);
        if (rc < 0) return rc;
        prevKey = key;
        havePrev = true;
    }
    if (rc < 0) return rc;
    return writer.finish(root, end, status);
}

}  // namespace xbase::ntx
