// The cursor of an NTX order: a path of (page, slot) steps from the root, so that moving along the
// order fetches only the pages it has not yet got.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "xbase/NtxFile.h"

namespace xbase::ntx {

// ---- cursor internals ---------------------------------------------------------------------------

std::string NtxFile::fitKey(std::string_view key) const {
    std::string k(key.substr(0, size_t(geo().keyLength)));
    k.resize(size_t(geo().keyLength), ' ');
    return k;
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

}  // namespace xbase::ntx
