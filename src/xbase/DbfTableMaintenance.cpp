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

// The intent record of a swap: "<temporary>\t<final>" per line (names in the table's directory),
// then "end". Written and synced before the first rename and removed after the last, so an open
// that finds it complete finishes the renames, and one that finds it cut short (no rename happened
// yet) drops the temporaries.
constexpr const char* kIntentEnd = "end";

std::string dirOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

Status writeIntent(FileSystem& fs, const std::string& path, const std::vector<std::pair<std::string, std::string>>& moves,
                   std::unique_ptr<File>* out) {
    std::string text;
    for (const auto& [from, to] : moves) text += baseName(from) + "\t" + baseName(to) + "\n";
    text += std::string(kIntentEnd) + "\n";
    Status s = fs.create(path, Share::Exclusive, out);
    if (s.ok()) s = (*out)->write(0, text.data(), text.size());
    if (s.ok()) s = (*out)->sync();
    // The record is found by its name: the name too must be on the disk before the first rename.
    if (s.ok()) s = fs.syncDirectory(dirOf(path));
    return s;
}

std::vector<FieldDef> definitionsOf(const std::vector<FieldLayout>& fields) {
    std::vector<FieldDef> defs;
    for (const FieldLayout& f : fields) defs.push_back({f.name, f.type, f.len, f.dec});
    return defs;
}

}  // namespace

std::string DbfTable::intentPath() const { return m_dbfPath.substr(0, m_dbfPath.size() - 4) + ".swp"; }

int DbfTable::finishSwap() {
    FileSystem& fs = *m_ctx.fs;
    const std::string path = fs.resolve(intentPath());
    if (!fs.exists(path)) return kOk;
    std::unique_ptr<File> file;
    // The pack that wrote it holds it open until its last rename: then the table is in use.
    Status s = fs.open(path, Share::Exclusive, false, &file);
    if (!s.ok()) return fail(s);
    uint64_t size = 0;
    s = file->size(&size);
    std::string text(size_t(std::min<uint64_t>(size, 64 * 1024)), '\0');
    size_t got = 0;
    if (s.ok()) s = file->read(0, text.data(), text.size(), &got);
    if (!s.ok()) return fail(s);
    text.resize(got);
    const std::string dir = dirOf(m_dbfPath);
    std::vector<std::pair<std::string, std::string>> moves;
    bool complete = false;
    for (size_t at = 0; at < text.size();) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos) break;  // a line cut short: the record was never finished
        const std::string line = text.substr(at, nl - at);
        at = nl + 1;
        if (line == kIntentEnd) {
            complete = true;
            break;
        }
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find('/') != std::string::npos) break;
        moves.emplace_back(dir + line.substr(0, tab), dir + line.substr(tab + 1));
    }
    for (const auto& [from, to] : moves) {
        if (!fs.exists(from)) continue;  // renamed before the interruption
        s = complete ? fs.rename(from, to) : fs.remove(from);
        if (!s.ok()) return fail(s);
    }
    file.reset();
    s = fs.remove(path);
    return s.ok() ? int(kOk) : fail(s);
}

// Temporaries of a pack or reindex that ended before its intent record was written. Called with the
// table open, so no pack of it is running.
int DbfTable::refuseUnfinishedSwap() {
    if (!m_ctx.fs->exists(m_ctx.fs->resolve(intentPath()))) return kOk;
    return fail(makeStatus(kErrStaleIndex, m_dbfPath,
                           "A pack or rebuild of the table was interrupted; an open that may write finishes it"));
}

void DbfTable::removeLeftovers() {
    FileSystem& fs = *m_ctx.fs;
    // The group file's temporary too: a rebuild of the tags writes the group under one.
    std::vector<std::string> targets{m_dbfPath, fs.resolve(m_dbfPath.substr(0, m_dbfPath.size() - 4) + ".cgp")};
    if (m_dbt) targets.push_back(m_memoPath);
    for (const TagSlot& t : m_tags) targets.push_back(t.index->fileName());
    const std::string dir = dirOf(m_dbfPath);
    std::vector<std::string> names;
    const std::string listed = dir.empty() ? "." : dir.size() == 1 ? dir : dir.substr(0, dir.size() - 1);
    if (!fs.list(listed, &names).ok()) return;
    for (const std::string& name : names)
        for (const std::string& target : targets)
            if (FileSystem::isTempName(name, target)) {
                fs.remove(dir + name);
                break;
            }
}

int DbfTable::needExclusive(const char* what) {
    if (const int rc = needWritable(what); rc != kOk) return rc;
    if (exclusive()) return kOk;
    return fail(kErrNotExclusive, std::string(what) + " needs the table opened exclusively");
}

int DbfTable::rewrite(const std::function<bool(uint32_t, const uint8_t*)>& keep, bool compactMemo, bool withTags) {
    FileSystem& fs = *m_ctx.fs;
    compactMemo = compactMemo && m_dbt;
    // Records that move leave every tag behind until it is rebuilt, here or (for tags not open) at
    // the next open with tags; an earlier interrupted change stays marked as well.
    const std::string groupPath = fs.resolve(m_dbfPath.substr(0, m_dbfPath.size() - 4) + ".cgp");
    const bool marked = (withTags && (!m_tags.empty() || fs.exists(groupPath))) || m_dbf->updateInterrupted();
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
    // The tags are rewritten in place after the swap: the new table carries the update mark until
    // they are, so an interruption in between is found at the next open and the tags rebuilt.
    if (marked) s = newDbf->beginUpdate();
    if (s.ok()) s = newDbf->sync();
    if (!s.ok()) return cleanUp(s);
    newDbf.reset();
    newDbt.reset();

    // The old files are closed before the new ones take their names, all of them or none: the intent
    // record lets the next open finish renames that an interruption left half done.
    std::vector<std::pair<std::string, std::string>> moves;
    if (compactMemo) moves.emplace_back(dbtTemp, m_memoPath);
    moves.emplace_back(dbfTemp, m_dbfPath);
    std::unique_ptr<File> intent;
    s = writeIntent(fs, intentPath(), moves, &intent);
    if (!s.ok()) {
        intent.reset();
        fs.remove(intentPath());
        return cleanUp(s);
    }
    toPhantom(true);
    m_dbf.reset();
    m_dbt.reset();
    for (const auto& [from, to] : moves)
        if (s.ok()) s = fs.rename(from, to);
    intent.reset();
    if (!s.ok()) {
        // The intent record stays: the next open finishes the swap. Until then the table refuses work
        // rather than pair files of the two sets.
        removeStaged();
        return fail(s);
    }
    fs.remove(intentPath());
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
    rc = again.empty() ? int(kOk) : rebuildTags(again);
    return rc == kOk ? tagsCurrent() : rc;
}

// Every tag was rebuilt from the records: once they are on the disk the update mark can go.
int DbfTable::tagsCurrent() {
    std::vector<File*> files;
    for (TagSlot& t : m_tags) {
        const int rc = t.index->flush(false);
        if (rc < 0) return failIndex(*t.index, rc, "Index write failed");
        files.push_back(&t.index->file());
    }
    Status s = m_ctx.fs->syncFiles(files);
    if (s.ok()) s = m_dbf->clearUpdateMark();
    return s.ok() ? int(kOk) : fail(s);
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
        // The tail goes by truncation; nothing before it moves. The tags are behind the table until
        // they are rebuilt: the mark says so to an open after an interruption.
        Status s = m_tags.empty() ? Status::Ok() : m_dbf->beginUpdate();
        if (s.ok()) s = m_dbf->sync();
        if (s.ok()) s = m_dbf->truncateRecords(uint32_t(first - 1));
        if (!s.ok()) return fail(s);
        m_modified = m_unsynced = true;
        toPhantom(true);
        rc = rebuildTags();
        if (rc == kOk) rc = tagsCurrent();
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
    // Until every new index is in place the table carries the update mark (synced, so it is on the
    // disk before any index is replaced): an interruption is found at the next open.
    Status marked = m_dbf->beginUpdate();
    if (marked.ok()) marked = m_dbf->sync();
    if (!marked.ok()) return fail(marked);
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
    return tagsCurrent();
}

}  // namespace xbase
