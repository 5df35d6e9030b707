// The table's maintenance: pack, memo compaction, zap and index creation. Each needs the table
// opened exclusively and works record by record, never holding the whole table in memory.
#include <algorithm>

#include "xbase/DbfTable.h"
#include "xbase/GroupFile.h"

namespace xbase {

namespace {


std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Feeds a tag build with the keys of every record, in record-number order, one record at a time.
class RecordKeySource : public KeySource {
public:
    RecordKeySource(DbfFile& dbf, const KeyExpr& expr, uint32_t count)
        : m_dbf(dbf), m_expr(expr), m_count(count), m_buf(size_t(dbf.recordLength())) {}

    bool next(std::string* key, uint32_t* recno, int* error) override {
        if (m_next > m_count) return false;
        m_status = m_dbf.readRecord(m_next, m_buf.data());
        if (!m_status.ok()) {
            *error = m_status.code;
            return false;
        }
        m_expr.evaluate(m_buf.data(), key);
        *recno = m_next++;
        return true;
    }
    const Status& status() const { return m_status; }

private:
    DbfFile& m_dbf;
    const KeyExpr& m_expr;
    uint32_t m_count;
    uint32_t m_next = 1;
    std::vector<uint8_t> m_buf;
    Status m_status;
};

std::vector<FieldDef> definitionsOf(const std::vector<FieldLayout>& fields) {
    std::vector<FieldDef> defs;
    for (const FieldLayout& f : fields) defs.push_back({f.name, f.type, f.len, f.dec});
    return defs;
}

}  // namespace

int DbfTable::needExclusive(const char* what) {
    if (exclusive()) return kOk;
    return fail(kErrNotExclusive, std::string(what) + " needs the table opened exclusively");
}

int DbfTable::rewrite(const std::function<bool(uint32_t, const uint8_t*)>& keep, bool compactMemo) {
    FileSystem& fs = *m_ctx.fs;
    compactMemo = compactMemo && m_dbt;
    const std::string dbfTemp = m_dbfPath + ".tmp";
    const std::string dbtTemp = m_memoPath + ".tmp";
    auto cleanUp = [&](const Status& s) {
        fs.remove(dbfTemp);
        if (compactMemo) fs.remove(dbtTemp);
        return fail(s);
    };
    std::unique_ptr<DbfFile> newDbf;
    std::unique_ptr<DbtFile> newDbt;
    Status s = DbfFile::create(fs, dbfTemp, definitionsOf(m_dbf->fields()), Share::Exclusive, &newDbf);
    if (!s.ok()) return cleanUp(s);
    newDbf->setCounters(&m_ctx.counters);
    // The copies are written record by record, not batched. The tags are rebuilt in place only
    // after the new files take the old names, and a failure there cannot be undone; batching the
    // copy moves writes (and so the point where an injected failure lands) past the rename. Batch
    // here once the tags are built before the rename.
    newDbf->setBuffering(true, false);
    if (compactMemo) {
        s = DbtFile::create(fs, dbtTemp, Share::Exclusive, &newDbt);
        if (!s.ok()) return cleanUp(s);
        newDbt->setCounters(&m_ctx.counters);
        newDbt->setWriteBuffering(false);
    }
    uint32_t n = 0;
    s = m_dbf->count(&n);
    if (!s.ok()) return cleanUp(s);
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
    }
    s = newDbf->finish();
    if (s.ok()) s = newDbf->sync();
    if (s.ok() && newDbt) s = newDbt->sync();
    if (!s.ok()) return cleanUp(s);
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
        reopenFiles();
        return s.code;
    }
    m_modified = false;
    return reopenFiles();
}

int DbfTable::rebuildTags() {
    uint32_t n = 0;
    int rc = countRecords(&n);
    if (rc != kOk) return rc;
    for (TagSlot& t : m_tags) {
        if (n == 0) {
            rc = t.index->clear();
        } else {
            RecordKeySource source(*m_dbf, *t.expr, n);
            rc = t.index->rebuild(source);
            if (rc < 0 && !source.status().ok()) return fail(source.status());
        }
        if (rc < 0) return failIndex(*t.index, rc, "Index rebuild failed");
    }
    m_cursorValid = false;
    return kOk;
}

int DbfTable::pack() {
    int rc = needExclusive("Pack");
    if (rc == kOk) rc = commit();
    if (rc == kOk) rc = rewrite([](uint32_t, const uint8_t* rec) { return rec[0] != kDeletedFlag; }, true);
    if (rc == kOk) rc = rebuildTags();
    if (rc != kOk) return rc;
    rc = top();
    return rc < 0 ? rc : kOk;
}

int DbfTable::compressMemo() {
    int rc = needExclusive("Memo compaction");
    if (rc == kOk) rc = commit();
    if (rc != kOk || !m_dbt) return rc;
    const uint32_t current = m_eof ? 0 : m_recno;
    rc = rewrite([](uint32_t, const uint8_t*) { return true; }, true);
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
    } else {
        rc = rewrite([&](uint32_t r, const uint8_t*) { return long(r) < first || long(r) >= first + count; }, false);
        if (rc != kOk) return rc;
    }
    toPhantom(true);
    rc = rebuildTags();
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
    std::vector<std::string> listed;
    for (size_t i = 0; i < defs.size(); ++i) {
        const TagDef& d = defs[i];
        NtxDefinition def{d.name, d.expression, exprs[i]->keyLength(), exprs[i]->decimals(), d.unique, d.descending};
        RecordKeySource source(*m_dbf, *exprs[i], n);
        std::unique_ptr<NtxIndex> index;
        Status st;
        rc = NtxIndex::create(fs, paths[i], def, Share::Exclusive, source, &m_ctx.counters, &index, &st);
        if (rc != kOk) {
            closeTags();
            if (!source.status().ok()) return fail(source.status());
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
