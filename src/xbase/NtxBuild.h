#pragma once
// Building an NTX tree in one pass: a stable external sort of (key, record number) pairs with
// bounded memory, and a bottom-up writer that fills pages left to right.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/FileSystem.h"
#include "xbase/Ntx.h"
#include "xbase/NtxFormat.h"

namespace xbase::ntx {

// An allocator that leaves new elements uninitialised: the sort's buffers are written before they
// are read, and zeroing them first would double the memory traffic.
template <class T>
struct UninitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitAllocator<U>;
    };
    UninitAllocator() = default;
    template <class U>
    UninitAllocator(const UninitAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Sorts pairs in index order, equal keys in the order they were added. Holds at most memoryBound
// pairs in memory; beyond that it writes sorted runs to files named runPrefix + number and merges
// them. The run files are removed when the sorter is destroyed.
class Sorter {
public:
    Sorter(FileSystem& fs, std::string runPrefix, int keyLength, bool descending, size_t memoryBound);
    ~Sorter();
    Sorter(const Sorter&) = delete;
    Sorter& operator=(const Sorter&) = delete;

    // Room for about this many pairs (within the bound), to grow the buffer once.
    void reserve(size_t pairs) { m_buffer.reserve(std::min(pairs, m_bound) * m_stride); }
    // A key shorter than the key length is padded with blanks, a longer one cut.
    int add(std::string_view key, uint32_t recno, Status* status);
    // Adds a pair whose key the caller writes into the returned keyLength bytes (before the next
    // call); nullptr with *rc < 0 when a full buffer could not be written out.
    char* addSlot(uint32_t recno, int* rc, Status* status);
    // No more pairs: makes them ready to be read in order.
    int finish(Status* status);
    // The next pair in order; *key points at keyLength bytes that stay valid until the next call.
    // False at the end, or with *rc < 0 on a read failure.
    bool next(const char** key, uint32_t* recno, int* rc, Status* status);
    size_t runCount() const { return m_runs.size(); }
    int keyLength() const { return m_keyLength; }
    bool descending() const { return m_descending; }
    bool finished() const { return m_finished; }

private:
    struct Run;
    struct Item {
        uint64_t prefix;  // 8 key bytes as a big-endian number (inverted when descending)
        uint32_t pos;     // arrival order: the pair's place in m_buffer
    };
    int spill(Status* status);
    void sortBuffer();
    void sortGroup(Item* first, Item* last, size_t word);
    void radixSort(Item* first, Item* last, Item* tmp);
    bool runAfter(size_t a, size_t b) const;  // heap order of the runs' current pairs
    int readRunChunk(Run& r, Status* status);

    FileSystem& m_fs;
    std::string m_prefix;
    int m_keyLength;
    size_t m_stride;
    bool m_descending;
    size_t m_bound;
    bool m_finished = false;
    std::vector<char, UninitAllocator<char>> m_buffer;  // pairs as [key][recno], m_stride bytes each
    std::vector<Item, UninitAllocator<Item>> m_order;   // m_buffer's pairs in sorted order
    std::vector<Item, UninitAllocator<Item>> m_scratch; // room for the radix sort
    size_t m_memPos = 0;         // next sorted position to hand out (no runs)
    std::vector<std::unique_ptr<Run>> m_runs;
    std::vector<size_t> m_heap;  // indexes of runs with a pending pair, as a heap
    std::vector<char> m_current; // the pair last handed out of a merge
};

// Pairs gathered ahead of a build, so that one pass over a table can feed several tags. buildTree
// takes them from the sort directly; as a plain source they come in index order. Either way they
// can be read once.
class CollectedKeys final : public KeySource {
public:
    CollectedKeys(FileSystem& fs, std::string runPrefix, int keyLength, bool descending, size_t memoryBound)
        : m_sorter(fs, std::move(runPrefix), keyLength, descending, memoryBound) {}
    int add(std::string_view key, uint32_t recno, Status* status) { return m_sorter.add(key, recno, status); }
    Sorter& sorter() { return m_sorter; }
    bool next(std::string* key, uint32_t* recno, int* error) override;
    const Status& status() const { return m_status; }

private:
    Sorter m_sorter;
    Status m_status;
};

// A tree already written into a scratch file (pages from kPageSize on, no header) with the given
// geometry. NtxIndex::rebuild copies its pages in rather than building; pack writes its tags this
// way before the table's files are swapped. As a plain source it yields nothing (kErrArgument).
class PrebuiltTree final : public KeySource {
public:
    PrebuiltTree(std::string path, const Geometry& g, uint32_t root, uint64_t end)
        : m_path(std::move(path)), m_g(g), m_root(root), m_end(end) {}
    bool next(std::string*, uint32_t*, int* error) override {
        *error = kErrArgument;
        return false;
    }
    const std::string& path() const { return m_path; }
    const Geometry& geometry() const { return m_g; }
    uint32_t root() const { return m_root; }
    uint64_t end() const { return m_end; }

private:
    std::string m_path;
    Geometry m_g;
    uint32_t m_root;
    uint64_t m_end;
};

// Writes tree pages bottom-up from pairs given in index order: each page is filled to MaxKeys, the key
// after a full page goes up a level, and at the end the last page of each level is rebalanced with its
// left neighbour to at least half a page. Pages are laid out in place in their 1024-byte form and
// written in batches from firstOffset on; the root comes last.
class TreeWriter {
public:
    TreeWriter(File& file, const Geometry& g, IoCounters* counters, uint32_t firstOffset);
    // key: keyLength bytes.
    int add(const char* key, uint32_t recno, Status* status);
    // Writes the remaining pages; *root receives the root's offset and *end the file's new length.
    int finish(uint32_t* root, uint64_t* end, Status* status);

private:
    struct Level {
        std::vector<uint8_t> cur;   // the page being filled
        int count = 0;
        uint32_t curOffset = 0;     // given at finish
        std::vector<uint8_t> prev;  // the last closed page, kept to rebalance the level's last page
        uint32_t prevOffset = 0;
        bool hasPrev = false;
    };
    uint8_t* item(std::vector<uint8_t>& page, int slot) const;
    void putItem(std::vector<uint8_t>& page, int slot, uint32_t child, uint32_t recno, const char* key) const;
    void rebalance(Level& lv, uint8_t* separator);
    int push(size_t level, uint32_t child, uint32_t recno, const char* key, Status* status);
    int emit(uint32_t offset, const std::vector<uint8_t>& page, Status* status);
    int rewrite(uint32_t offset, const std::vector<uint8_t>& page, Status* status);
    int flushBatch(Status* status);

    File& m_file;
    Geometry m_g;
    IoCounters* m_counters;
    uint32_t m_next;
    size_t m_base;  // in-page offset of slot 0's item
    std::vector<uint8_t> m_blank;  // an empty page: offset table only
    std::vector<Level> m_levels;
    std::vector<uint8_t> m_batch;  // pages from m_batchStart on, not yet written
    uint32_t m_batchStart = 0;
};

// Moves keys between two neighbouring pages through their separator so that both hold about the same
// number: items of left, the separator, items of right are dealt again. The separator keeps its own
// child pointer.
// `sep` is the separator's slot in the parent.
void redistribute(Page& left, Page& parent, int sep, Page& right);

// Sorts source's pairs and writes a whole tree into file (header page excluded). Unique: only the
// first of equal keys is kept. Sets *root and *end. A CollectedKeys source is taken from its sort.
int buildTree(FileSystem& fs, File& file, const std::string& runPrefix, const Header& h, KeySource& source,
              IoCounters* counters, uint32_t* root, uint64_t* end, Status* status);

// The header of a new index file for def (root and counters still zero).
Header headerFor(const NtxDefinition& def);

// Sort memory bound in pairs (1,000,000 by default, fewer when 64 MB would not hold them); returns
// the previous bound.
size_t setSortMemoryBound(size_t pairs);
// The bound for each of sharers sorts filled at the same time (together they keep the one bound).
size_t sortBoundFor(int keyLength, size_t sharers);

}  // namespace xbase::ntx
