// Key inserts and deletes in an NTX tree: a full leaf shares keys with a neighbour or splits, a page
// left with too few keys joins or borrows from a neighbour.
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "xbase/NtxBuild.h"
#include "xbase/NtxFile.h"

namespace xbase::ntx {

namespace {

// Queued keys are put in at this many, or at the next operation on the index.
constexpr size_t kMaxQueued = 8192;

}  // namespace

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

}  // namespace xbase::ntx
