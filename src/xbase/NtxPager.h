#pragma once
// The pages of one open NTX file: the header, a bounded cache of decoded pages, the pages changed by
// the current operation, the free list, and the index lock held around each operation.
#include <cstdint>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/FileSystem.h"
#include "xbase/NtxFormat.h"
#include "xbase/NtxPageCache.h"
#include "xbase/Status.h"

namespace xbase::ntx {

class Pager {
public:
    Pager(std::string fileName, std::unique_ptr<File> file, Share share, bool readOnly, IoCounters* counters);
    ~Pager();

    // Exclusive opens keep the changes of successful operations in memory (nobody else can read the
    // file) until this writes them, or until too many pages are pending.
    int flushPending();

    // Reads and checks the header and the root page.
    int open();

    // Starts an operation: takes the index lock (shared to read, exclusive to write) when the file is
    // shared and re-reads the header's counters. *othersChanged: another user changed the file since
    // the last operation, and every cached page was dropped.
    int begin(bool write, bool* othersChanged);
    // Walks: a read that succeeded keeps the index lock after end() (holding()), until the next
    // begin() or setWalking(false) releases it. Nobody can change the file meanwhile.
    void setWalking(bool on);
    bool holding() const { return m_holding; }
    // Ends it. A write that succeeded writes its changed pages, then bytes 0..11 of the header with the
    // update counter + 1; a failed one forgets its changes. Releases the lock. Returns rc or the
    // write's error.
    int end(bool write, int rc);

    // A tree page; counted in IoCounters::indexPagesRead whether it comes from the cache or the file.
    int fetch(uint32_t off, PagePtr* out);
    // The page is written at the end of the operation.
    void markDirty(const PagePtr& p);
    // A page from the free list, else a new one at the end of the file (already marked dirty).
    int allocate(PagePtr* out);
    // Puts the page on the free list.
    void release(const PagePtr& p);
    // The tree was replaced in the file (clear, rebuild): drop every cached page.
    void replaced(uint64_t fileSize);

    Header& header() { return m_hdr; }
    const Geometry& geometry() const { return m_g; }
    uint64_t fileSize() const { return m_fileSize; }
    File& file() { return *m_file; }
    const std::string& fileName() const { return m_fileName; }
    IoCounters* counters() { return m_counters; }
    bool deferring() const { return m_defer; }
    // Opened exclusively and intact: reading needs neither begin() nor end().
    bool undisturbed() const { return m_share == Share::Exclusive && !m_broken && m_g.maxKeys != 0; }
    // Shared, on a file whose reads see other users' writes without a lock: the header's counters,
    // read without the lock, are the ones the last operation saw. The cached pages were a consistent
    // tree then and still are; a writer that has begun but not yet raised the counter changes
    // nothing this reader would see from its cache.
    bool unchangedWithoutLock();

    int fail(int code, const std::string& what);
    int corrupt(const std::string& what);  // kErrCorruptIndex naming the file and the fault
    int failWith(const Status& st);       // keeps st; returns its code
    const Status& status() const { return m_status; }

private:
    int refreshCounters(bool* othersChanged);
    int writeChanges(bool inFileOrder);
    void dropCache();
    void remember(const PagePtr& p);
    int readPage(uint32_t off, const uint8_t** raw);  // raw stays valid until the next read
    void dropWindow();
    void forget(uint32_t off);

    std::string m_fileName;
    std::unique_ptr<File> m_file;
    Share m_share;
    bool m_readOnly;
    IoCounters m_ownCounters;
    IoCounters* m_counters;
    Header m_hdr;
    Header m_saved;  // the header at the start of the operation, restored when it fails
    Geometry m_g;
    uint64_t m_fileSize = 0;
    bool m_locked = false;
    bool m_walking = false;
    bool m_holding = false;  // the shared index lock is kept from the last read
    void releaseHold();
    bool m_changed = false;
    Status m_status;

    // Raw bytes of the file from m_windowOff on, from the last read that followed the one before it
    // (with read-ahead); other pages are read into m_single.
    std::unique_ptr<uint8_t[]> m_window;
    size_t m_windowLength = 0;
    uint64_t m_windowOff = 0;
    uint32_t m_lastRead = 0;
    uint8_t m_single[kPageSize];
    bool m_streamed = false;  // the last page read came from the window

    PageCache m_cache;
    size_t m_cacheLimit = 64;  // pages, set from the page geometry at open
    std::map<uint32_t, PagePtr> m_dirty;   // changed in the current operation
    std::map<uint32_t, uint32_t> m_freed;  // freed in the current operation -> next free page
    std::set<uint32_t> m_allocated;        // taken in the current operation (new to the tree)

    // Exclusive opens: the changes of finished operations not yet written (same meanings as above).
    bool m_defer = false;
    std::map<uint32_t, PagePtr> m_pendDirty;
    std::map<uint32_t, uint32_t> m_pendFreed;
    std::set<uint32_t> m_pendAllocated;
    bool m_pendChanged = false;
    // Pending changes were lost part-way (a failed operation or write): the file cannot be trusted.
    bool m_broken = false;
};

}  // namespace xbase::ntx
