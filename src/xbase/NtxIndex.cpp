// NtxIndex: one NTX file as an order. The tree algorithms and the cursor live here; the pages, their
// cache, the free list and the index lock belong to ntx::Pager. The cursor keeps its path from the root
// as (page, slot) steps, so moving along the order fetches only the pages it has not yet got.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <unordered_set>

#include "xbase/Ntx.h"
#include "xbase/NtxBuild.h"
#include "xbase/NtxFormat.h"
#include "xbase/NtxPager.h"

namespace xbase {

namespace {

using ntx::Entry;
using ntx::Page;
using ntx::PagePtr;

constexpr size_t kMaxDepth = 40;  // far beyond the depth of a 1 GB file; stops cycles

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

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

// Queued keys are put in at this many, or at the next operation on the index.
constexpr size_t kMaxQueued = 8192;

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

int NtxFile::load(int keyLength, Status* status) {
    int rc = m_pager.open();
    if (rc == 0) {
        const ntx::Header& h = m_pager.header();
        m_def.tagName = h.tagName.empty() ? baseName(m_pager.fileName()) : h.tagName;
        m_def.expression = h.expression;
        m_def.keyLength = h.keySize;
        m_def.keyDecimals = h.keyDecimals;
        m_def.unique = h.unique;
        m_def.descending = h.descending;
        if (keyLength > 0 && keyLength != h.keySize)
            rc = m_pager.fail(kErrKeyLength, "Index key length " + std::to_string(h.keySize) +
                                                 " differs from its expression's " + std::to_string(keyLength));
    }
    if (rc < 0) *status = m_pager.status();
    return rc;
}

// ---- cursor internals ---------------------------------------------------------------------------

std::string NtxFile::fitKey(std::string_view key) const {
    std::string k(key.substr(0, size_t(geo().keyLength)));
    k.resize(size_t(geo().keyLength), ' ');
    return k;
}

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

int NtxFile::descendLeftmost(uint32_t off) {
    return descendFrom(off, [](const Page&) { return 0; });
}

int NtxFile::descendRightmost(uint32_t off) {
    return descendFrom(off, [](const Page& p) { return p.leaf() ? p.count() - 1 : p.count(); });
}

void NtxFile::standOn(const Page& p, int slot) {
    const std::string_view k = p.key(slot);
    // Every key of a file has one length: after the first, a plain copy (this runs at every step).
    if (m_key.size() == k.size()) std::memcpy(m_key.data(), k.data(), k.size());
    else m_key.assign(k);
    m_recno = p.recno(slot);
}

int NtxFile::settleForward() {
    while (!m_path.empty() && m_path.back().slot >= m_path.back().page->count()) m_path.pop_back();
    if (m_path.empty()) {
        m_state = State::Eof;
        return kEof;
    }
    standOn(*m_path.back().page, m_path.back().slot);
    m_state = State::On;
    return 0;
}

int NtxFile::settleBackward() {
    while (!m_path.empty() && m_path.back().slot < 0) {
        m_path.pop_back();
        if (!m_path.empty()) --m_path.back().slot;  // the key before the child we came from
    }
    if (m_path.empty()) {
        m_state = State::Bof;
        return kBof;
    }
    standOn(*m_path.back().page, m_path.back().slot);
    m_state = State::On;
    return 0;
}

int NtxFile::lowerBound(std::string_view target, bool prefix) {
    m_path.clear();
    m_between = false;
    const bool desc = geo().descending;
    const int rc = descendFrom(hdr().root, [&](const Page& p) {
        return p.partitionPoint([&](std::string_view k) {
            return (prefix ? ntx::compareSeek(k, target, desc) : ntx::compareKeys(k, target, desc)) < 0;
        });
    });
    if (rc < 0) return rc;
    return settleForward();
}

int NtxFile::stepForward() {
    if (m_path.empty()) return kEof;  // not standing on an entry
    Step& top = m_path.back();
    if (top.page->leaf() && top.slot + 1 < top.page->count()) {
        // Within a leaf, whose order was checked when it was read and is kept by every change.
        standOn(*top.page, ++top.slot);
        return 0;
    }
    int rc = 0;
    if (!top.page->leaf()) {
        ++top.slot;
        const size_t before = m_path.size();
        rc = descendLeftmost(top.page->child(top.slot));
        if (rc == 0) rc = entered(1, m_path.size() - before);
    } else {
        ++top.slot;
    }
    if (rc < 0) return rc;
    m_before.assign(m_key);  // reused: no allocation per step
    rc = settleForward();
    if (rc == 0 && ntx::compareKeys(m_before, m_key, geo().descending) > 0) return corrupt("keys out of order");
    return rc;
}

int NtxFile::stepBackward() {
    if (m_path.empty()) return kBof;
    Step& top = m_path.back();
    int rc = 0;
    if (!top.page->leaf()) {
        const size_t before = m_path.size();
        rc = descendRightmost(top.page->child(top.slot));
        if (rc == 0) rc = entered(-1, m_path.size() - before);
    } else {
        --top.slot;
    }
    if (rc < 0) return rc;
    m_before.assign(m_key);  // reused: no allocation per step
    rc = settleBackward();
    if (rc == 0 && ntx::compareKeys(m_key, m_before, geo().descending) > 0) return corrupt("keys out of order");
    return rc;
}

// A walk in one direction enters each page of a sound tree at most once. Branch pages that share
// children (equal keys pass the order check) would make it enter them again and again, for hours on
// a crafted file of a few pages: more entries than the file has pages is that damage.
int NtxFile::entered(int direction, size_t pages) {
    if (direction != m_walkDirection) {  // turning back re-enters pages legitimately
        m_walkDirection = direction;
        m_entered = 0;
    }
    m_entered += pages;
    if (m_entered > m_pager.fileSize() / ntx::kPageSize) return corrupt("branch pages share their pages");
    return 0;
}

int NtxFile::findEntry(std::string_view key, uint32_t recno, bool* found) {
    *found = false;
    const std::string k = fitKey(key);
    int rc = lowerBound(k, false);
    // Equal keys are not in record order, so look at each; the bound stops a damaged chain.
    uint64_t guard = (m_pager.fileSize() / ntx::kPageSize + 1) * uint64_t(geo().maxKeys + 1);
    while (rc == 0 && m_key == k) {
        if (m_recno == recno) {
            *found = true;
            return 0;
        }
        if (guard-- == 0) return corrupt("endless chain of equal keys");
        rc = stepForward();
    }
    return rc < 0 ? rc : 0;
}

int NtxFile::locateInternal(std::string_view key, uint32_t recno) {
    bool found = false;
    const int rc = findEntry(key, recno, &found);
    if (rc < 0 || found) return rc;
    return corrupt("no entry for record " + std::to_string(recno));
}

// Rebuilds the path of a cursor whose pages were dropped, by its key and record number.
int NtxFile::refreshCursor() {
    if (!m_stale) return 0;
    m_stale = false;
    if (m_state != State::On) return 0;
    const std::string key = m_key;
    const uint32_t recno = m_recno;
    bool found = false;
    int rc = findEntry(key, recno, &found);
    if (rc < 0 || found) return rc;
    rc = lowerBound(key, false);
    if (rc < 0) return rc;
    m_between = true;
    if (rc == kEof) m_state = State::On;  // stays "between": prev() goes to the last key
    m_key = key;
    m_recno = recno;
    return 0;
}

int NtxFile::result(int rc, uint32_t* recno) const {
    if (rc == 0 || rc == kSeekNext) {
        if (recno) *recno = m_recno;
    }
    return rc;
}

// ---- cursor -------------------------------------------------------------------------------------

int NtxFile::first(uint32_t* recno) {
    return run(false, [&] {
        m_stale = m_between = false;
        m_path.clear();
        const int rc = descendLeftmost(hdr().root);
        if (rc < 0) return rc;
        return result(settleForward(), recno);
    });
}

int NtxFile::last(uint32_t* recno) {
    return run(false, [&] {
        m_stale = m_between = false;
        m_path.clear();
        const int rc = descendRightmost(hdr().root);
        if (rc < 0) return rc;
        const int s = settleBackward();
        if (s == kBof) {
            m_state = State::Eof;
            return int(kEof);
        }
        return result(s, recno);
    });
}

// Most steps stay in the leaf at hand. On a file nobody else can change, or one nobody changed since
// the last operation, with the path intact and no keys waiting, such a step needs none of an
// operation's frame. False: take the full road.
bool NtxFile::stepInLeaf(int direction) {
    if (m_stale || m_between || m_path.empty() || !m_queuedRecnos.empty()) return false;
    Step& top = m_path.back();
    const int slot = top.slot + direction;
    if (!top.page->leaf() || slot < 0 || slot >= top.page->count()) return false;
    if (!m_pager.undisturbed() && !m_pager.holding() && !m_pager.unchangedWithoutLock()) return false;
    top.slot = slot;
    standOn(*top.page, slot);
    return true;
}

int NtxFile::next(uint32_t* recno) {
    if (m_state == State::None || m_state == State::Bof) return first(recno);
    if (m_state == State::Eof) return kEof;
    if (stepInLeaf(1)) return result(0, recno);
    return run(false, [&] {
        int rc = refreshCursor();
        if (rc < 0) return rc;
        if (m_between) {
            m_between = false;
            if (m_path.empty()) {
                m_state = State::Eof;
                return int(kEof);
            }
            standOn(*m_path.back().page, m_path.back().slot);
            return result(0, recno);
        }
        return result(stepForward(), recno);
    });
}

int NtxFile::prev(uint32_t* recno) {
    if (m_state == State::None || m_state == State::Eof) return last(recno);
    if (m_state == State::Bof) return kBof;
    if (stepInLeaf(-1)) return result(0, recno);
    return run(false, [&] {
        int rc = refreshCursor();
        if (rc < 0) return rc;
        if (m_between) {
            m_between = false;
            if (m_path.empty()) {  // nothing at or after the vanished key: the last key comes before it
                m_stale = false;
                rc = descendRightmost(hdr().root);
                if (rc < 0) return rc;
                rc = settleBackward();
                return result(rc, recno);
            }
        }
        return result(stepBackward(), recno);
    });
}

// A leaf's entries are passed over by counting slots, so a long skip reads each leaf once and takes
// one operation frame (one lock, one look at the header) instead of one per entry.
int NtxFile::skip(long count, uint32_t* recno) {
    if (count == 1) return next(recno);  // their fast road within a leaf
    if (count == -1) return prev(recno);
    const bool forward = count > 0;
    unsigned long left = forward ? static_cast<unsigned long>(count) : 0UL - static_cast<unsigned long>(count);
    // Off the order or not yet on it: the first step is the one next() or prev() takes from there.
    if (left > 0 && m_state != State::On) {
        const int rc = forward ? next(recno) : prev(recno);
        if (rc != 0) return rc;
        --left;
    }
    if (left == 0) return result(m_state == State::On ? 0 : (forward ? int(kEof) : int(kBof)), recno);
    return run(false, [&] {
        int rc = refreshCursor();
        if (rc < 0) return rc;
        if (m_between) {  // the cursor's entry vanished: the path stands on the entry after it
            m_between = false;
            if (forward) {
                rc = settleForward();
            } else if (m_path.empty()) {
                rc = descendRightmost(hdr().root);
                if (rc == 0) rc = settleBackward();
            } else {
                rc = stepBackward();
            }
            if (rc != 0) return rc;
            --left;
        }
        while (left > 0) {
            if (m_path.empty()) return int(forward ? kEof : kBof);
            Step& top = m_path.back();
            const int room = !top.page->leaf() ? 0 : forward ? top.page->count() - 1 - top.slot : top.slot;
            if (room > 0) {
                const int jump = int(std::min<unsigned long>(static_cast<unsigned long>(room), left));
                top.slot += forward ? jump : -jump;
                standOn(*top.page, top.slot);
                left -= static_cast<unsigned long>(jump);
                continue;
            }
            rc = forward ? stepForward() : stepBackward();
            if (rc != 0) return rc;
            --left;
        }
        return result(0, recno);
    });
}

int NtxFile::seek(std::string_view key, uint32_t* recno) {
    return run(false, [&] {
        m_stale = false;
        const std::string_view target = key.substr(0, std::min(key.size(), size_t(geo().keyLength)));
        const int rc = lowerBound(target, true);
        if (rc != 0) return rc;
        return result(ntx::compareSeek(m_key, target, geo().descending) == 0 ? int(kOk) : int(kSeekNext), recno);
    });
}

int NtxFile::locate(std::string_view key, uint32_t recno) {
    return run(false, [&] {
        m_stale = false;
        const int rc = locateInternal(key, recno);
        if (rc < 0) m_state = State::None;
        return rc;
    });
}

double NtxFile::pathPosition() const {
    if (m_path.empty()) return 0.0;
    const Step& top = m_path.back();
    double p = top.page->leaf() ? 0.5 : 1.0;
    for (size_t i = m_path.size(); i-- > 0;) {
        const Page& pg = *m_path[i].page;
        const int slots = pg.leaf() ? pg.count() : pg.count() + 1;
        if (slots > 0) p = (p + m_path[i].slot) / slots;
    }
    return std::clamp(p, 0.0, 1.0);
}

double NtxFile::position() const {
    if (m_state == State::Eof) return 1.0;
    if (m_state != State::On) return 0.0;
    // The path may have been dropped by a change; rebuilding it is not a change of position.
    auto* self = const_cast<NtxFile*>(this);
    double p = 0.0;
    self->run(false, [&] {
        const int rc = self->refreshCursor();
        if (rc < 0) return rc;
        p = self->m_path.empty() ? 1.0 : pathPosition();
        return 0;
    });
    return p;
}

int NtxFile::goPosition(double fraction, uint32_t* recno) {
    return run(false, [&] {
        m_stale = m_between = false;
        m_path.clear();
        double p = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
        int rc = descendFrom(hdr().root, [&](const Page& pg) {
            const int slots = pg.leaf() ? pg.count() : pg.count() + 1;
            if (slots == 0) return 0;
            const int k = std::min(int(std::floor(p * slots)), slots - 1);
            p = std::clamp(p * slots - k, 0.0, 1.0);
            return k;
        });
        if (rc < 0) return rc;
        rc = settleForward();
        if (rc != 0) return rc;  // empty index
        if (p > 0.75) {
            rc = stepForward();
            if (rc == kEof) {
                m_path.clear();
                rc = descendRightmost(hdr().root);
                if (rc == 0) rc = settleBackward();
            }
        } else if (p < 0.25) {
            rc = stepBackward();
            if (rc == kBof) {
                m_path.clear();
                rc = descendLeftmost(hdr().root);
                if (rc == 0) rc = settleForward();
            }
        }
        return result(rc, recno);
    });
}

// ---- changes ------------------------------------------------------------------------------------

int NtxFile::insert(std::string_view key, uint32_t recno) {
    if (!m_pager.deferring()) return run(true, [&] { return insertInternal(fitKey(key), recno); });
    // Nobody else reads the file, so new keys wait and go in together in key order: each then walks
    // pages the one before it has just used, instead of a random path through the whole tree.
    const size_t length = size_t(geo().keyLength);
    const size_t at = m_queuedKeys.size();
    m_queuedKeys.resize(at + length, ' ');
    std::memcpy(m_queuedKeys.data() + at, key.data(), std::min(key.size(), length));
    m_queuedRecnos.push_back(recno);
    return m_queuedRecnos.size() >= kMaxQueued ? insertQueued() : 0;
}

int NtxFile::insertQueued() {
    if (m_queuedRecnos.empty()) return 0;
    std::vector<char> keys;
    std::vector<uint32_t> recnos;
    keys.swap(m_queuedKeys);
    recnos.swap(m_queuedRecnos);
    const size_t length = size_t(geo().keyLength);
    const bool desc = geo().descending;
    auto keyAt = [&](uint32_t i) { return std::string_view(keys.data() + size_t(i) * length, length); };
    std::vector<uint32_t> order(recnos.size());
    std::iota(order.begin(), order.end(), 0u);
    // Stable: equal keys keep their arrival order, as single inserts would have left them.
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return ntx::compareKeys(keyAt(a), keyAt(b), desc) < 0; });
    return run(true, [&] {
        std::string key;
        std::string upper;
        PagePtr leaf;          // the leaf the last key went into, while the tree kept its shape
        bool bounded = false;  // upper: the first key after that leaf's subtree
        for (const uint32_t i : order) {
            key.assign(keyAt(i));
            // The next key often belongs in the same leaf: while it has room and the key sorts before
            // the leaf's upper bound, a descent from the root would end there anyway.
            if (leaf && leaf->count() < geo().maxKeys && (!bounded || ntx::compareKeys(key, upper, desc) < 0)) {
                const int at = leaf->partitionPoint([&](std::string_view k) {
                    return ntx::compareKeys(k, key, desc) <= 0;  // after all equal keys
                });
                leaf->insert(at, 0, recnos[i], key);
                m_pager.markDirty(leaf);
                continue;
            }
            leaf.reset();
            const int rc = insertInternal(key, recnos[i]);
            if (rc < 0) return rc;
            if (hdr().unique || m_reshaped || m_path.empty()) continue;
            leaf = m_path.back().page;
            bounded = false;
            for (size_t level = m_path.size() - 1; level-- > 0;) {
                const Step& step = m_path[level];
                if (step.slot < step.page->count()) {
                    upper.assign(step.page->key(step.slot));
                    bounded = true;
                    break;
                }
            }
        }
        return 0;
    });
}

int NtxFile::insertInternal(const std::string& key, uint32_t recno) {
    m_reshaped = false;
    if (hdr().unique) {
        int rc = lowerBound(key, false);
        if (rc < 0) return rc;
        if (rc == 0 && m_key == key) return 0;  // the first record with the key wins
    }
    m_path.clear();
    const bool desc = geo().descending;
    int rc = descendFrom(hdr().root, [&](const Page& p) {
        return p.partitionPoint([&](std::string_view k) {
            return ntx::compareKeys(k, key, desc) <= 0;  // after all equal keys
        });
    });
    if (rc < 0) return rc;
    Step& leaf = m_path.back();
    leaf.page->insert(leaf.slot, 0, recno, key);
    m_pager.markDirty(leaf.page);
    return splitUp(m_path.size() - 1);
}

// Resolves an overfull page at path level `level`: a full leaf first tries to share keys with a
// neighbour; otherwise the page splits and its middle key goes up, possibly all the way to a new root.
int NtxFile::splitUp(size_t level) {
    for (;;) {
        const PagePtr page = m_path[level].page;
        if (page->count() <= geo().maxKeys) return 0;
        m_reshaped = true;
        if (page->leaf() && level > 0) {
            bool done = false;
            const int rc = spreadLeaf(level, &done);
            if (rc < 0) return rc;
            if (done) return 0;
        }
        PagePtr left;
        int rc = m_pager.allocate(&left);
        if (rc < 0) return rc;
        const int half = page->count() / 2;
        left->append(*page, 0, half);
        left->right = page->child(half);
        Entry up = page->entry(half);
        up.child = left->offset;
        page->erase(0, half + 1);
        m_pager.markDirty(page);
        if (level == 0) {
            PagePtr root;
            rc = m_pager.allocate(&root);
            if (rc < 0) return rc;
            root->insert(0, up);
            root->right = page->offset;
            hdr().root = root->offset;
            return 0;
        }
        --level;
        Step& parent = m_path[level];
        // The new left page's key goes in front of the pointer to the old page.
        parent.page->insert(parent.slot, up);
        m_pager.markDirty(parent.page);
    }
}

int NtxFile::siblingOf(size_t level, PagePtr* sibling, int* sepIdx, bool* siblingIsRight) {
    const Step& parent = m_path[level - 1];
    const int c = parent.slot;
    if (parent.page->count() == 0) return corrupt("branch page without keys");
    *siblingIsRight = c < parent.page->count();
    *sepIdx = *siblingIsRight ? c : c - 1;
    return fetch(parent.page->child(*siblingIsRight ? c + 1 : c - 1), sibling);
}

int NtxFile::spreadLeaf(size_t level, bool* done) {
    *done = false;
    PagePtr sibling;
    int sep = 0;
    bool right = false;
    const int rc = siblingOf(level, &sibling, &sep, &right);
    if (rc < 0) return rc;
    if (!sibling->leaf()) return corrupt("leaf beside a branch page");
    if ((m_path[level].page->count() - 1) + sibling->count() > 2 * (geo().maxKeys - 1)) return 0;
    const PagePtr& page = m_path[level].page;
    Page& parent = *m_path[level - 1].page;
    ntx::redistribute(right ? *page : *sibling, parent, sep, right ? *sibling : *page);
    m_pager.markDirty(page);
    m_pager.markDirty(sibling);
    m_pager.markDirty(m_path[level - 1].page);
    *done = true;
    return 0;
}

int NtxFile::remove(std::string_view key, uint32_t recno) {
    return run(true, [&] { return removeInternal(key, recno); });
}

int NtxFile::replace(std::string_view oldKey, std::string_view newKey, uint32_t recno) {
    return run(true, [&] {
        const int rc = removeInternal(oldKey, recno);
        return rc < 0 ? rc : insertInternal(fitKey(newKey), recno);
    });
}

int NtxFile::removeInternal(std::string_view key, uint32_t recno) {
    int rc = locateInternal(key, recno);
    if (rc < 0) return rc;
    const PagePtr page = m_path.back().page;
    const int slot = m_path.back().slot;
    if (!page->leaf()) {
        // Take the in-order predecessor (last key of the left subtree) into this place.
        rc = descendRightmost(page->child(slot));
        if (rc < 0) return rc;
        const PagePtr leaf = m_path.back().page;
        if (leaf->count() == 0) return corrupt("empty leaf page");
        const int last = leaf->count() - 1;
        page->setKey(slot, leaf->key(last), leaf->recno(last));
        leaf->erase(last, last + 1);
        m_pager.markDirty(page);
        m_pager.markDirty(leaf);
    } else {
        page->erase(slot, slot + 1);
        m_pager.markDirty(page);
    }
    return rebalanceUp(m_path.size() - 1);
}

// Going up from `level`, a page with fewer than MaxKeys/2 keys joins its neighbour (when both fit in
// one page) or takes keys from it; an empty root with a child gives way to that child.
int NtxFile::rebalanceUp(size_t level) {
    const int half = geo().maxKeys / 2;
    for (; level > 0; --level) {
        const PagePtr page = m_path[level].page;
        if (page->count() >= half) break;
        PagePtr sibling;
        int sep = 0;
        bool right = false;
        const int rc = siblingOf(level, &sibling, &sep, &right);
        if (rc < 0) return rc;
        if (sibling->leaf() != page->leaf()) return corrupt("leaf beside a branch page");
        const PagePtr& parentPtr = m_path[level - 1].page;
        Page& parent = *parentPtr;
        const PagePtr& left = right ? page : sibling;
        const PagePtr& rightPage = right ? sibling : page;
        if (left->count() + rightPage->count() < geo().maxKeys) {
            left->insert(left->count(), left->right, parent.recno(sep), parent.key(sep));
            left->append(*rightPage, 0, rightPage->count());
            left->right = rightPage->right;
            parent.erase(sep, sep + 1);
            parent.setChild(sep, left->offset);
            m_pager.markDirty(left);
            m_pager.release(rightPage);
        } else {
            ntx::redistribute(*left, parent, sep, *rightPage);
            m_pager.markDirty(left);
            m_pager.markDirty(rightPage);
        }
        m_pager.markDirty(parentPtr);
    }
    const PagePtr& root = m_path.front().page;
    if (root->count() == 0 && !root->leaf()) {
        hdr().root = root->right;
        m_pager.release(root);
    }
    return 0;
}

int NtxFile::clear() {
    if (const int rc = m_pager.flushPending(); rc < 0) return rc;
    return run(true, [&] {
        m_resetCursor = true;
        Status st = m_pager.file().truncate(ntx::kPageSize);
        if (!st.ok()) return m_pager.failWith(st);
        m_pager.replaced(ntx::kPageSize);
        hdr().freeHead = 0;
        PagePtr root;
        const int rc = m_pager.allocate(&root);
        if (rc < 0) return rc;
        hdr().root = root->offset;
        return 0;
    });
}

// Copies the pages of a tree written ahead into file, at the same offsets.
int installPrebuilt(FileSystem& fs, const ntx::PrebuiltTree& tree, File& file, IoCounters* counters, Status* st) {
    std::unique_ptr<File> from;
    *st = fs.open(tree.path(), Share::Exclusive, true, &from);
    if (!st->ok()) return st->code;
    std::vector<uint8_t> chunk(256 * ntx::kPageSize);
    for (uint64_t off = ntx::kPageSize; off < tree.end();) {
        const size_t want = size_t(std::min<uint64_t>(chunk.size(), tree.end() - off));
        size_t got = 0;
        *st = from->read(off, chunk.data(), want, &got);
        if (st->ok() && got != want) *st = makeStatus(kErrRead, tree.path(), "Index pages cut short");
        if (st->ok()) *st = file.write(off, chunk.data(), want);
        if (!st->ok()) return st->code;
        if (counters) counters->pagesWritten += want / ntx::kPageSize;
        off += want;
    }
    return 0;
}

int NtxFile::rebuild(KeySource& source) {
    if (const int rc = m_pager.flushPending(); rc < 0) return rc;
    auto* prebuilt = dynamic_cast<ntx::PrebuiltTree*>(&source);
    if (prebuilt) {
        const ntx::Geometry& g = prebuilt->geometry();
        if (g.keyLength != geo().keyLength || g.itemSize != geo().itemSize || g.maxKeys != geo().maxKeys ||
            g.descending != geo().descending)
            return m_pager.fail(kErrArgument, "The prebuilt tree's page layout differs from the index's");
    }
    return run(true, [&] {
        m_resetCursor = true;
        File& file = m_pager.file();
        // The new pages overwrite the old ones: until the new header is written the file is marked,
        // so that a failure part-way is found at the next open instead of leaving a mixed tree. The
        // header page is kept as it is apart from the counters (it may hold more than we decode).
        std::vector<uint8_t> raw(ntx::kPageSize);
        size_t got = 0;
        Status st = file.read(0, raw.data(), raw.size(), &got);
        if (st.ok() && got != raw.size()) return corrupt("header cut short");
        const uint8_t mark = 1;
        if (st.ok()) st = file.write(ntx::kHdrIncomplete, &mark, 1);
        uint32_t root = 0;
        uint64_t end = 0;
        int rc = st.ok() ? 0 : st.code;
        if (rc == 0 && prebuilt) {
            rc = installPrebuilt(m_fs, *prebuilt, file, m_pager.counters(), &st);
            root = prebuilt->root();
            end = prebuilt->end();
        } else if (rc == 0) {
            rc = ntx::buildTree(m_fs, file, fileName() + ".run", hdr(), source, m_pager.counters(), &root, &end, &st);
        }
        if (rc == 0) st = file.truncate(end);
        if (rc == 0 && st.ok()) {
            hdr().root = root;
            hdr().freeHead = 0;
            ntx::encodeCounters(hdr(), raw.data());
            raw[ntx::kHdrIncomplete] = 0;
            st = file.write(0, raw.data(), raw.size());
        }
        if (rc < 0 || !st.ok()) {
            // The old tree no longer matches the table and the new one may be cut short. Both are cut
            // off, even when not even the mark could be written: the root then lies outside the file,
            // so this session and the next open refuse the index until it is rebuilt.
            file.truncate(ntx::kPageSize);
            m_pager.replaced(ntx::kPageSize);
            return m_pager.failWith(st);
        }
        m_pager.replaced(end);
        return 0;
    });
}

int NtxFile::flush(bool sync) {
    if (const int rc = insertQueued(); rc < 0) return rc;
    // Shared opens write their changes at the end of each operation; exclusive ones keep them.
    if (const int rc = m_pager.flushPending(); rc < 0) return rc;
    if (!sync) return 0;
    Status st = m_pager.file().sync();
    return st.ok() ? 0 : m_pager.failWith(st);
}

// ---- checks -------------------------------------------------------------------------------------

int NtxFile::walkPage(uint32_t off, size_t level, int* leafLevel, std::unordered_set<uint32_t>* seen,
                      std::string* prevKey, bool* havePrev,
                      const std::function<void(std::string_view, uint32_t)>& visit) {
    if (level >= kMaxDepth) return corrupt("tree deeper than " + std::to_string(kMaxDepth) + " levels");
    if (!seen->insert(off).second) return corrupt("page at " + std::to_string(off) + " reached twice");
    PagePtr page;
    int rc = fetch(off, &page);
    if (rc < 0) return rc;
    if (page->leaf()) {
        if (*leafLevel < 0) *leafLevel = int(level);
        if (*leafLevel != int(level)) return corrupt("leaves at different depths");
        if (level > 0 && page->count() == 0) return corrupt("empty leaf page at " + std::to_string(off));
    }
    for (int i = 0; i <= page->count(); ++i) {
        if (!page->leaf()) {
            rc = walkPage(page->child(i), level + 1, leafLevel, seen, prevKey, havePrev, visit);
            if (rc < 0) return rc;
        }
        if (i == page->count()) break;
        const std::string_view key = page->key(i);
        if (*havePrev && ntx::compareKeys(*prevKey, key, geo().descending) > 0)
            return corrupt("keys out of order in the page at " + std::to_string(off));
        *prevKey = key;
        *havePrev = true;
        if (visit) visit(key, page->recno(i));
    }
    return 0;
}

int NtxFile::walk(const std::function<void(std::string_view key, uint32_t recno)>& visit, Status* status) {
    const int rc = run(false, [&] {
        int leafLevel = -1;
        std::unordered_set<uint32_t> seen;
        std::string prevKey;
        bool havePrev = false;
        return walkPage(hdr().root, 0, &leafLevel, &seen, &prevKey, &havePrev, visit);
    });
    if (status) *status = rc < 0 ? m_pager.status() : Status::Ok();
    return rc;
}

int NtxFile::depth() {
    int levels = 0;
    const int rc = run(false, [&] {
        std::vector<Step> saved;
        saved.swap(m_path);
        int r = descendLeftmost(hdr().root);
        levels = int(m_path.size());
        m_path.swap(saved);
        return r;
    });
    return rc < 0 ? rc : levels;
}

// ---- create -------------------------------------------------------------------------------------

int checkDefinition(const NtxDefinition& def, const std::string& path, Status* status) {
    std::string why;
    if (def.keyLength < 1 || def.keyLength > ntx::kMaxKeyLength) why = "key length must be 1 to 256";
    else if (def.expression.empty() || def.expression.size() >= ntx::kHdrExpressionSize)
        why = "key expression empty or longer than 255 characters";
    else if (def.tagName.size() > size_t(ntx::kMaxTagName)) why = "tag name longer than 10 characters";
    if (why.empty()) return 0;
    *status = makeStatus(kErrArgument, path, "Index cannot be created (" + why + ")");
    return kErrArgument;
}

}  // namespace

int NtxIndex::open(FileSystem& fs, const std::string& path, Share share, bool readOnly, int keyLength,
                   IoCounters* counters, std::unique_ptr<NtxIndex>* out, Status* status) {
    Status local;
    Status* st = status ? status : &local;
    std::unique_ptr<File> file;
    *st = fs.open(path, share, readOnly, &file);
    if (!st->ok()) return st->code;
    auto index = std::make_unique<NtxFile>(fs, path, std::move(file), share, readOnly, counters);
    const int rc = index->load(keyLength, st);
    if (rc < 0) return rc;
    *st = Status::Ok();
    *out = std::move(index);
    return 0;
}

int NtxIndex::create(FileSystem& fs, const std::string& path, const NtxDefinition& def, Share share,
                     KeySource& source, IoCounters* counters, std::unique_ptr<NtxIndex>* out, Status* status) {
    Status local;
    Status* st = status ? status : &local;
    int rc = checkDefinition(def, path, st);
    if (rc < 0) return rc;
    ntx::Header h = ntx::headerFor(def);

    std::string temp;
    std::unique_ptr<File> file;
    *st = fs.createTemp(path, Share::Exclusive, &file, &temp);
    if (!st->ok()) return st->code;
    auto abandon = [&](int code) {
        file.reset();
        fs.remove(temp);
        return code;
    };
    uint64_t end = 0;
    rc = ntx::buildTree(fs, *file, temp + ".run", h, source, counters, &h.root, &end, st);
    if (rc < 0) return abandon(rc);
    std::vector<uint8_t> raw(ntx::kPageSize);
    ntx::encodeHeader(h, raw.data());
    *st = file->write(0, raw.data(), raw.size());
    if (st->ok()) *st = file->sync();
    if (!st->ok()) return abandon(st->code);
    file.reset();
    *st = fs.rename(temp, path);
    if (!st->ok()) return abandon(st->code);
    return open(fs, path, share, false, def.keyLength, counters, out, st);
}

}  // namespace xbase
