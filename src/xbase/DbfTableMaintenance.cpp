// The table's maintenance: pack, memo compaction, zap and index creation. Each needs the table
// opened exclusively and works record by record, never holding the whole table in memory. Tags are
// fed from one pass over the records, every tag at once, and built by sorting and bottom-up writing.
#include <algorithm>

#include "xbase/DbfTable.h"
#include "xbase/GroupFile.h"
#include "xbase/NtxBuild.h"

namespace xbase {

namespace {

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The keys of several tags, gathered while the records go by once. The tags share the sort memory
// bound between them.
class KeyGather {
public:
    explicit KeyGather(size_t tags) : m_tags(tags) {}

    void addTag(FileSystem& fs, const std::string& runPrefix, const KeyExpr& expr, int keyLength, bool descending) {
        m_exprs.push_back(&expr);
        m_keys.push_back(std::make_unique<ntx::CollectedKeys>(fs, runPrefix, keyLength, descending,
                                                              ntx::sortBoundFor(keyLength, m_tags)));
    }
    int add(const uint8_t* record, uint32_t recno, Status* status) {
        for (size_t i = 0; i < m_keys.size(); ++i) {
            ntx::Sorter& sorter = m_keys[i]->sorter();
            if (m_exprs[i]->keyLength() != sorter.keyLength()) {  // the sort fits the key to its length
                m_exprs[i]->evaluate(record, &m_key);
                const int rc = sorter.add(m_key, recno, status);
                if (rc < 0) return rc;
                continue;
            }
            int rc = 0;
            char* key = sorter.addSlot(recno, &rc, status);
            if (!key) return rc;
            m_exprs[i]->evaluate(record, key);
        }
        return 0;
    }
    void reserve(size_t pairs) {
        for (auto& k : m_keys) k->sorter().reserve(pairs);
    }
    // Adds the keys of records 1..count, in record order.
    Status addRecords(DbfFile& dbf, uint32_t count) {
        reserve(count);
        std::vector<uint8_t> rec(size_t(dbf.recordLength()));
        Status s;
        for (uint32_t r = 1; r <= count; ++r) {
            s = dbf.readRecord(r, rec.data());
            if (!s.ok() || add(rec.data(), r, &s) < 0) return s;
        }
        return s;
    }
    ntx::CollectedKeys& keys(size_t i) { return *m_keys[i]; }
    void release(size_t i) { m_keys[i].reset(); }  // its memory and run files, once built

private:
    size_t m_tags;
    std::vector<const KeyExpr*> m_exprs;
    std::vector<std::unique_ptr<ntx::CollectedKeys>> m_keys;
    std::string m_key;
};

// A tag's new tree, written into a scratch file before the table's files are swapped.
struct StagedTag {
    std::string target;  // the index it replaces
    std::string path;    // empty until created
    ntx::Header header;
    uint32_t root = 0;
    uint64_t end = 0;
};

std::vector<FieldDef> definitionsOf(const std::vector<FieldLayout>& fields) {
    std::vector<FieldDef> defs;
    for (const FieldLayout& f : fields) defs.push_back({f.name, f.type, f.len, f.dec});
    return defs;
}

}  // namespace

int DbfTable::needExclusive(const char* what) {
    if (const int rc = needWritable(what); rc != kOk) return rc;
    if (exclusive()) return kOk;
    return fail(kErrNotExclusive, std::string(what) + " needs the table opened exclusively");
}

int DbfTable::rewrite(const std::function<bool(uint32_t, const uint8_t*)>& keep, bool compactMemo, bool withTags) {
    FileSystem& fs = *m_ctx.fs;
    compactMemo = compactMemo && m_dbt;
    withTags = withTags && !m_tags.empty();
    std::string dbfTemp;
    std::string dbtTemp;
    std::unique_ptr<DbfFile> newDbf;
    std::unique_ptr<DbtFile> newDbt;
    std::vector<StagedTag> staged;
    KeyGather gather(m_tags.size());
    if (withTags) {
        for (const TagSlot& t : m_tags) {
            StagedTag tag;
            tag.target = t.index->fileName();
            tag.header = ntx::headerFor(t.index->definition());
            gather.addTag(fs, tag.target + ".run", *t.expr, tag.header.keySize, tag.header.descending);
            staged.push_back(std::move(tag));
        }
    }
    auto removeStaged = [&] {
        for (const StagedTag& t : staged)
            if (!t.path.empty()) fs.remove(t.path);
    };
    // Everything is written under temporary names first: a failure up to the swap leaves the old
    // table, its memos and its tags as they were.
    auto cleanUp = [&](const Status& s) {
        newDbf.reset();
        newDbt.reset();
        if (!dbfTemp.empty()) fs.remove(dbfTemp);
        if (!dbtTemp.empty()) fs.remove(dbtTemp);
        removeStaged();
        return fail(s);
    };
    Status s = DbfFile::create(fs, m_dbfPath, definitionsOf(m_dbf->fields()), Share::Exclusive, &newDbf, &dbfTemp);
    if (!s.ok()) return cleanUp(s);
    newDbf->setCounters(&m_ctx.counters);
    if (compactMemo) {
        s = DbtFile::create(fs, m_memoPath, Share::Exclusive, &newDbt, &dbtTemp);
        if (!s.ok()) return cleanUp(s);
        newDbt->setCounters(&m_ctx.counters);
    }
    uint32_t n = 0;
    s = m_dbf->count(&n);
    if (!s.ok()) return cleanUp(s);
    gather.reserve(n);
    std::vector<uint8_t> rec(size_t(m_dbf->recordLength()));
    std::string memo;
    for (uint32_t r = 1; r <= n; ++r) {
        s = m_dbf->readRecord(r, rec.data());
        if (!s.ok()) return cleanUp(s);
        if (!keep(r, rec.data())) continue;
        for (const FieldLayout& f : m_dbf->fields()) {
            if (!compactMemo || f.type != 'M') continue;
            const std::string_view ref(reinterpret_cast<const char*>(rec.data()) + f.offset, size_t(f.len));
            uint32_t block = 0;
            if (!parseMemoRef(ref, &block))
                return cleanUp(makeStatus(kErrCorruptMemo, m_dbfPath, "Damaged memo reference in record " + std::to_string(r)));
            std::string refText(size_t(f.len), ' ');
            if (block != 0) {
                s = m_dbt->read(block, &memo);
                if (s.ok() && !memo.empty()) s = newDbt->append(memo, &block);
                if (!s.ok()) return cleanUp(s);
                if (!memo.empty()) {
                    const std::string digits = std::to_string(block);
                    refText.replace(refText.size() - digits.size(), digits.size(), digits);
                }
            }
            std::copy(refText.begin(), refText.end(), rec.begin() + f.offset);
        }
        uint32_t written = 0;
        s = newDbf->append(rec.data(), &written);
        if (!s.ok()) return cleanUp(s);
        // The keys come from the record as written: its memo references are the new ones.
        if (withTags && gather.add(rec.data(), written, &s) < 0) return cleanUp(s);
    }
    s = newDbf->finish();
    if (s.ok()) s = newDbf->sync();
    if (s.ok() && newDbt) s = newDbt->sync();
    if (!s.ok()) return cleanUp(s);
    for (size_t i = 0; i < staged.size(); ++i) {
        StagedTag& t = staged[i];
        std::unique_ptr<File> file;
        s = fs.createTemp(t.target, Share::Exclusive, &file, &t.path);
        if (s.ok()) {
            const int rc = ntx::buildTree(fs, *file, t.target + ".run", t.header, gather.keys(i), &m_ctx.counters,
                                          &t.root, &t.end, &s);
            if (rc < 0 && s.ok()) s = makeStatus(rc, t.path, "Cannot build the index");
        }
        gather.release(i);
        if (!s.ok()) return cleanUp(s);
    }
    newDbf.reset();
    newDbt.reset();

    // The old files are closed before the new ones take their names. The memo file goes first: a
    // failure between the two renames leaves the old table with a compacted memo file, which the
    // error reports; the DBF rename never happens without its memo file in place.
    toPhantom(true);
    m_dbf.reset();
    m_dbt.reset();
    if (compactMemo) s = fs.rename(dbtTemp, m_memoPath);
    if (s.ok()) s = fs.rename(dbfTemp, m_dbfPath);
    if (!s.ok()) {
        fail(s);
        fs.remove(dbfTemp);
        removeStaged();
        reopenFiles();
        return s.code;
    }
    m_modified = false;
    int rc = reopenFiles();
    if (rc != kOk || !withTags) {
        removeStaged();
        return rc;
    }
    // Each tag takes its new pages; one that cannot (another page layout, a failed write) is built
    // again from the new table.
    std::vector<size_t> again;
    for (size_t i = 0; i < staged.size(); ++i) {
        const StagedTag& t = staged[i];
        const ntx::Geometry g{t.header.keySize, t.header.itemSize, t.header.maxKeys, t.header.descending};
        ntx::PrebuiltTree tree(t.path, g, t.root, t.end);
        if (m_tags[i].index->rebuild(tree) < 0) again.push_back(i);
        fs.remove(t.path);
    }
    m_cursorValid = false;
    return again.empty() ? kOk : rebuildTags(again);
}

int DbfTable::rebuildTags(const std::vector<size_t>& which) {
    std::vector<size_t> tags = which;
    if (tags.empty())
        for (size_t i = 0; i < m_tags.size(); ++i) tags.push_back(i);
    uint32_t n = 0;
    int rc = countRecords(&n);
    if (rc != kOk) return rc;
    m_cursorValid = false;
    if (n == 0) {
        for (size_t i : tags) {
            rc = m_tags[i].index->clear();
            if (rc < 0) return failIndex(*m_tags[i].index, rc, "Index rebuild failed");
        }
        return kOk;
    }
    KeyGather gather(tags.size());
    for (size_t i : tags) {
        const NtxIndex& index = *m_tags[i].index;
        gather.addTag(*m_ctx.fs, index.fileName() + ".run", *m_tags[i].expr, index.keyLength(), index.descending());
    }
    Status s = gather.addRecords(*m_dbf, n);
    if (!s.ok()) return fail(s);
    // Every tag is tried: one that failed does not leave the others behind the table.
    int first = kOk;
    for (size_t k = 0; k < tags.size(); ++k) {
        NtxIndex& index = *m_tags[tags[k]].index;
        rc = index.rebuild(gather.keys(k));
        gather.release(k);
        if (rc < 0 && first == kOk) first = failIndex(index, rc, "Index rebuild failed");
    }
    return first;
}

int DbfTable::pack() {
    int rc = needExclusive("Pack");
    if (rc == kOk) rc = commit();
    if (rc == kOk) rc = rewrite([](uint32_t, const uint8_t* rec) { return rec[0] != kDeletedFlag; }, true, true);
    if (rc != kOk) return rc;
    rc = top();
    return rc < 0 ? rc : kOk;
}

int DbfTable::compressMemo() {
    int rc = needExclusive("Memo compaction");
    if (rc == kOk) rc = commit();
    if (rc != kOk || !m_dbt) return rc;
    const uint32_t current = m_eof ? 0 : m_recno;
    rc = rewrite([](uint32_t, const uint8_t*) { return true; }, true, false);
    if (rc != kOk) return rc;
    rc = current ? load(current) : top();
    return rc < 0 ? rc : kOk;
}

int DbfTable::zap(long first, long count) {
    int rc = needExclusive("Zap");
    if (rc == kOk) rc = commit();
    if (rc != kOk) return rc;
    uint32_t n = 0;
    if ((rc = countRecords(&n)) != kOk) return rc;
    if (count == 0) return kOk;
    if (first < 1 || count < 0 || first - 1 + count > long(n))
        return fail(kErrArgument, "Zap range outside the table");
    if (first + count - 1 == long(n)) {
        // The tail goes by truncation; nothing before it moves.
        Status s = m_dbf->truncateRecords(uint32_t(first - 1));
        if (!s.ok()) return fail(s);
        m_modified = true;
        toPhantom(true);
        rc = rebuildTags();
    } else {
        rc = rewrite([&](uint32_t r, const uint8_t*) { return long(r) < first || long(r) >= first + count; }, false,
                     true);
    }
    if (rc != kOk) return rc;
    rc = top();
    return rc < 0 ? rc : kOk;
}

int DbfTable::createIndex(const std::string& group, const std::vector<TagDef>& defs) {
    int rc = needExclusive("Index creation");
    if (rc == kOk) rc = commit();
    if (rc != kOk) return rc;
    FileSystem& fs = *m_ctx.fs;
    const size_t slash = m_dbfPath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : m_dbfPath.substr(0, slash + 1);

    std::vector<std::unique_ptr<KeyExpr>> exprs;
    std::vector<std::string> paths;
    for (const TagDef& d : defs) {
        std::unique_ptr<KeyExpr> expr;
        std::string why;
        if (KeyExpr::compile(d.expression, m_dbf->fields(), &expr, &why) != kOk)
            return fail(makeStatus(kErrExpression, d.file, "Bad key expression " + d.expression + " (" + why + ")"));
        exprs.push_back(std::move(expr));
        paths.push_back(fs.resolve(dir + d.file));
    }
    const std::string groupPath = fs.resolve(dir + group + ".cgp");
    if (m_ctx.safety == 1) {
        for (const std::string& p : paths)
            if (fs.exists(p)) return fail(makeStatus(kErrExists, p, "The index file exists"));
        if (fs.exists(groupPath)) return fail(makeStatus(kErrExists, groupPath, "The index group file exists"));
    }

    closeTags();
    uint32_t n = 0;
    if ((rc = countRecords(&n)) != kOk) return rc;
    // One pass over the records feeds every tag's sort.
    KeyGather gather(defs.size());
    for (size_t i = 0; i < defs.size(); ++i)
        gather.addTag(fs, paths[i] + ".tmp.run" + std::to_string(i) + "-", *exprs[i], exprs[i]->keyLength(),
                      defs[i].descending);
    Status gathered = gather.addRecords(*m_dbf, n);
    if (!gathered.ok()) return fail(gathered);
    std::vector<std::string> listed;
    for (size_t i = 0; i < defs.size(); ++i) {
        const TagDef& d = defs[i];
        NtxDefinition def{d.name, d.expression, exprs[i]->keyLength(), exprs[i]->decimals(), d.unique, d.descending};
        std::unique_ptr<NtxIndex> index;
        Status st;
        rc = NtxIndex::create(fs, paths[i], def, Share::Exclusive, gather.keys(i), &m_ctx.counters, &index, &st);
        gather.release(i);
        if (rc != kOk) {
            closeTags();
            return fail(st.code != 0 ? st : makeStatus(rc, paths[i], "Cannot create the index"));
        }
        m_tagList.push_back(index.get());
        m_tags.push_back({std::move(index), std::move(exprs[i])});
        listed.push_back(baseName(paths[i]));
    }
    Status s = writeGroupFile(fs, groupPath, listed);
    if (!s.ok()) return fail(s);
    return kOk;
}

}  // namespace xbase
