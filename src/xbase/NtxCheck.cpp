// The structure walk of an NTX tree for the support tool's check, and the tree's depth.
#include <string>
#include <unordered_set>
#include <vector>

#include "xbase/NtxFile.h"

namespace xbase::ntx {

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

}  // namespace xbase::ntx
