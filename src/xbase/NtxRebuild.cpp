// Replacing a whole NTX tree: emptying it (zap) and rebuilding it from the table (pack, reindex). The
// header's "incomplete" mark is up while old pages are overwritten, so a cut part-way is found at open.
#include <algorithm>
#include <memory>
#include <vector>

#include "xbase/NtxBuild.h"
#include "xbase/NtxFile.h"

namespace xbase::ntx {

namespace {

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

}  // namespace

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
        if (st.ok()) st = file.sync();  // on the disk before any page it covers
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

}  // namespace xbase::ntx
