#pragma once
// Building an NTX tree in one pass: a stable external sort of (key, record number) pairs with
// bounded memory, and a bottom-up writer that fills pages left to right.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/FileSystem.h"
#include "xbase/Ntx.h"
#include "xbase/NtxFormat.h"

namespace xbase::ntx {

// Sorts pairs in index order, equal keys in the order they were added. Holds at most memoryBound
// pairs in memory; beyond that it writes sorted runs to files named runPrefix + number and merges
// them. The run files are removed when the sorter is destroyed.
class Sorter {
public:
    Sorter(FileSystem& fs, std::string runPrefix, int keyLength, bool descending, size_t memoryBound);
    ~Sorter();
    Sorter(const Sorter&) = delete;
    Sorter& operator=(const Sorter&) = delete;

    int add(std::string_view key, uint32_t recno, Status* status);
    // No more pairs: makes them ready to be read in order.
    int finish(Status* status);
    // The next pair in order; false at the end, or with *rc < 0 on a read failure.
    bool next(std::string* key, uint32_t* recno, int* rc, Status* status);
    size_t runCount() const { return m_runs.size(); }

private:
    struct Run;
    int spill(Status* status);
    void sortBuffer();
    bool bufferLess(uint32_t a, uint32_t b) const;
    bool runAfter(size_t a, size_t b) const;  // heap order of the runs' current pairs
    int readRunChunk(Run& r, Status* status);
    void takeRunPair(Run& r);

    FileSystem& m_fs;
    std::string m_prefix;
    int m_keyLength;
    size_t m_stride;
    bool m_descending;
    size_t m_bound;
    std::vector<char> m_buffer;       // pairs as [key][recno], m_stride bytes each
    std::vector<uint32_t> m_order;    // sorted positions into m_buffer
    size_t m_memPos = 0;              // next sorted position to hand out (no runs)
    std::vector<std::unique_ptr<Run>> m_runs;
    std::vector<size_t> m_heap;       // indexes of runs with a pending pair, as a heap
};

// Writes tree pages bottom-up from pairs given in index order: each page is filled to MaxKeys, the key
// after a full page goes up a level, and at the end the last page of each level is rebalanced with its
// left neighbour to at least half a page. Pages are written from firstOffset on; the root comes last.
class TreeWriter {
public:
    TreeWriter(File& file, const Geometry& g, IoCounters* counters, uint32_t firstOffset);
    int add(std::string_view key, uint32_t recno, Status* status);
    // Writes the remaining pages; *root receives the root's offset and *end the file's new length.
    int finish(uint32_t* root, uint64_t* end, Status* status);

private:
    struct Level {
        Page cur;
        Page prev;  // the last closed page of the level, kept to rebalance the level's last page
        bool hasPrev = false;
    };
    int push(size_t level, Entry e, Status* status);
    int write(const Page& p, Status* status);
    uint32_t allocate();

    File& m_file;
    Geometry m_g;
    IoCounters* m_counters;
    uint32_t m_next;
    std::vector<Level> m_levels;
    std::vector<uint8_t> m_raw;
};

// Moves keys between two neighbouring pages through their separator so that both hold about the same
// number: items of left, the separator, items of right are dealt again. The separator keeps its own
// child pointer.
void redistribute(Page& left, Entry& separator, Page& right);

// Sorts source's pairs and writes a whole tree into file (header page excluded). Unique: only the
// first of equal keys is kept. Sets *root and *end.
int buildTree(FileSystem& fs, File& file, const std::string& runPrefix, const Header& h, KeySource& source,
              IoCounters* counters, uint32_t* root, uint64_t* end, Status* status);

// Sort memory bound in pairs (1,000,000 by default, fewer when 64 MB would not hold them); returns
// the previous bound.
size_t setSortMemoryBound(size_t pairs);

}  // namespace xbase::ntx
