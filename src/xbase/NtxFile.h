#pragma once
// The NtxIndex behind an NTX file, shared by the units that implement it, one job each:
//   NtxFile.cpp     opening, creating and flushing the file;
//   NtxCursor.cpp   walking the tree: the cursor's path from the root, seeks, skips and positions;
//   NtxChanges.cpp  key inserts and deletes with their splits, spreads and joins;
//   NtxRebuild.cpp  replacing the whole tree (zap, pack, reindex) behind the file's crash mark;
//   NtxCheck.cpp    the structure walk of the support tool's check.
// The pages, their cache, the free list, the update counters and the index lock belong to ntx::Pager;
// the operation frame below puts every call of the cursor and the changes inside one of its operations.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "xbase/Ntx.h"
#include "xbase/NtxFormat.h"
#include "xbase/NtxPager.h"

namespace xbase::ntx {

constexpr size_t kMaxDepth = 40;  // far beyond the depth of a 1 GB file; stops cycles

class NtxFile final : public NtxIndex {
public:
    NtxFile(FileSystem& fs, std::string path, std::unique_ptr<File> file, Share share, bool readOnly,
            IoCounters* counters)
        : m_fs(fs), m_pager(std::move(path), std::move(file), share, readOnly, counters) {}
    ~NtxFile() override { insertQueued(); }  // best effort; flush() reports errors

    int load(int keyLength, Status* status);

    // Tag
    const std::string& name() const override { return m_def.tagName; }
    const std::string& expression() const override { return m_def.expression; }
    const std::string& fileName() const override { return m_pager.fileName(); }
    int keyLength() const override { return m_def.keyLength; }
    bool unique() const override { return m_def.unique; }
    bool descending() const override { return m_def.descending; }

    const NtxDefinition& definition() const override { return m_def; }

    int first(uint32_t* recno) override;
    int last(uint32_t* recno) override;
    int next(uint32_t* recno) override;
    int prev(uint32_t* recno) override;
    int skip(long count, uint32_t* recno) override;
    int seek(std::string_view key, uint32_t* recno) override;
    int locate(std::string_view key, uint32_t recno) override;
    double position() const override;
    int goPosition(double fraction, uint32_t* recno) override;
    const std::string& currentKey() const override { return m_key; }

    int insert(std::string_view key, uint32_t recno) override;
    int remove(std::string_view key, uint32_t recno) override;
    int replace(std::string_view oldKey, std::string_view newKey, uint32_t recno) override;
    int clear() override;
    int rebuild(KeySource& source) override;
    int flush(bool sync) override;
    File& file() override { return m_pager.file(); }

    int walk(const std::function<void(std::string_view key, uint32_t recno)>& visit, Status* status) override;
    int depth() override;
    void setWalking(bool on) override { m_pager.setWalking(on); }
    const Status& lastStatus() const override { return m_pager.status(); }

private:
    enum class State { None, On, Eof, Bof };
    struct Step {
        PagePtr page;
        int slot;  // the entry the cursor stands on, or the child it went down through
    };

    // Runs body as one operation: under the index lock, with the header checked first and, for a
    // change, the changed pages and header written after.
    template <class F>
    int run(bool write, F&& body);
    int fetch(uint32_t off, PagePtr* out) { return m_pager.fetch(off, out); }
    int corrupt(const std::string& what) { return m_pager.corrupt(what); }
    const ntx::Geometry& geo() const { return m_pager.geometry(); }
    ntx::Header& hdr() { return m_pager.header(); }

    // Cursor internals (no locking).
    std::string fitKey(std::string_view key) const;
    template <class Choose>
    int descendFrom(uint32_t off, Choose choose);
    int descendLeftmost(uint32_t off);
    int descendRightmost(uint32_t off);
    void standOn(const Page& p, int slot);  // the cursor's key and record from a slot
    bool stepInLeaf(int direction);          // +1 / -1 within the leaf at hand, when nothing else is due
    int settleForward();   // stand on the entry at or after the path's position
    int settleBackward();  // stand on the entry at or before it
    int lowerBound(std::string_view target, bool prefix);
    int stepForward();
    int stepBackward();
    int entered(int direction, size_t pages);
    int findEntry(std::string_view key, uint32_t recno, bool* found);
    int locateInternal(std::string_view key, uint32_t recno);
    int refreshCursor();
    int result(int rc, uint32_t* recno) const;
    double pathPosition() const;

    // Changes (no locking).
    int insertInternal(const std::string& key, uint32_t recno);
    int insertQueued();
    int removeInternal(std::string_view key, uint32_t recno);
    int spreadLeaf(size_t level, bool* done);
    int splitUp(size_t level);
    int rebalanceUp(size_t level);
    int siblingOf(size_t level, PagePtr* sibling, int* sepIdx, bool* siblingIsRight);

    int walkPage(uint32_t off, size_t level, int* leafLevel, std::unordered_set<uint32_t>* seen,
                 std::string* prevKey, bool* havePrev,
                 const std::function<void(std::string_view, uint32_t)>& visit);

    FileSystem& m_fs;
    ntx::Pager m_pager;
    NtxDefinition m_def;
    bool m_resetCursor = false;  // set by clear() and rebuild(): the cursor's entry is gone

    State m_state = State::None;
    std::vector<Step> m_path;
    std::string m_key;
    std::string m_before;  // the key before a step, to check the order
    uint32_t m_recno = 0;
    bool m_stale = false;    // the path must be rebuilt from m_key/m_recno before moving
    bool m_between = false;  // the cursor's entry vanished: the path stands on the entry after it
    // Pages the cursor entered by stepping in one direction since it was last placed from the root.
    uint64_t m_entered = 0;
    int m_walkDirection = 0;

    // Exclusive opens: new keys not yet in the tree (keyLength bytes each) and their records.
    bool m_reshaped = false;  // the last insert split or spread a page
    std::vector<char> m_queuedKeys;
    std::vector<uint32_t> m_queuedRecnos;
};

// ---- operation frame ----------------------------------------------------------------------------

template <class F>
int NtxFile::run(bool write, F&& body) {
    int rc = m_queuedRecnos.empty() ? 0 : insertQueued();
    if (rc < 0) return rc;
    bool othersChanged = false;
    // A read of a file nobody else can change needs no lock and no look at the header.
    rc = !write && m_pager.undisturbed() ? 0 : m_pager.begin(write, &othersChanged);
    if (rc < 0) return rc;
    if (othersChanged) {
        // The path's pages may be stale: find the entry again by key and record number when moving.
        m_stale = m_state == State::On;
        m_path.clear();
    }
    if (!write) {
        rc = m_pager.end(false, body());
        if (rc < 0) {  // a failed move leaves no half-built path behind
            m_state = State::None;
            m_path.clear();
        }
        return rc;
    }
    // A change walks the tree with the cursor's machinery; the cursor itself stays where it was and
    // finds its entry again at its next move.
    const State state = m_state;
    const std::string key = m_key;
    const uint32_t recno = m_recno;
    const bool between = m_between;
    m_resetCursor = false;
    rc = m_pager.end(true, body());
    if (m_resetCursor) {
        m_state = State::None;
        m_between = false;
    } else {
        m_state = state;
        m_key = key;
        m_recno = recno;
        m_between = between;
    }
    m_stale = m_state == State::On;
    m_path.clear();
    return rc;
}

// Goes down from the page at off to a leaf, through the slot choose() picks on each page, pushing the
// steps on the path (page walking, shared by the cursor, the changes and the checks).
template <class Choose>
int NtxFile::descendFrom(uint32_t off, Choose choose) {
    if (m_path.empty()) m_entered = 0;  // placed anew: a new walk starts here
    for (;;) {
        if (m_path.size() >= kMaxDepth) return corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
        PagePtr p;
        const int rc = fetch(off, &p);
        if (rc < 0) return rc;
        const int slot = choose(*p);
        m_path.push_back(Step{p, slot});
        if (p->leaf()) return 0;
        off = p->child(slot);
    }
}

}  // namespace xbase::ntx
