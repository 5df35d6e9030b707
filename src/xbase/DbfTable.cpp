#include "xbase/DbfTable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "xbase/AsciiCase.h"
#include "xbase/GroupFile.h"
#include "xbase/NumberText.h"
#include "xbase/TableField.h"

namespace xbase {

DbfTable::DbfTable(Context::Impl& ctx, std::string name) : m_ctx(ctx), m_name(std::move(name)) {}
DbfTable::~DbfTable() = default;

int DbfTable::fail(int code, const std::string& what) const { return m_ctx.fail(makeStatus(code, m_dbfPath, what)); }

// Reports an index failure with the index's own detail when it has one.
int DbfTable::failIndex(const NtxIndex& index, int rc, const std::string& what) const {
    const Status& s = index.lastStatus();
    if (s.code == rc) return fail(s);
    return fail(makeStatus(rc, index.fileName(), what));
}

bool DbfTable::exclusive() const { return m_dbf && m_dbf->exclusive(); }

// ---- opening and closing ----

// The files are created exclusively, so a table somebody has open is never truncated, then
// reopened in the context's access mode.
int DbfTable::create(const std::string& dbfPath, const std::vector<FieldDef>& defs) {
    m_dbfPath = dbfPath;
    Status s = DbfFile::checkDefinitions(defs, dbfPath);
    if (!s.ok()) return fail(s);
    const bool memo = std::any_of(defs.begin(), defs.end(), [](const FieldDef& d) { return d.type == 'M'; });
    std::unique_ptr<DbfFile> dbf;
    s = DbfFile::create(*m_ctx.fs, dbfPath, defs, Share::Exclusive, &dbf);
    if (!s.ok()) return fail(s);
    if (memo) {
        std::unique_ptr<DbtFile> dbt;
        s = DbtFile::create(*m_ctx.fs, m_ctx.fs->resolve(dbfPath.substr(0, dbfPath.size() - 4) + ".dbt"),
                            Share::Exclusive, &dbt);
        if (!s.ok()) return fail(s);
    }
    dbf.reset();
    return open(dbfPath, false);
}

int DbfTable::open(const std::string& dbfPath, bool withTags) {
    m_dbfPath = dbfPath;
    int rc = m_ctx.readOnly ? refuseUnfinishedSwap() : finishSwap();
    if (rc == kOk) rc = reopenFiles();
    if (rc != kOk) return rc;
    // A header count behind the records (an append cut short between the two) is set right, so that
    // readers that trust it see every record; best effort, the count by size is ours anyway.
    if (m_dbf->headerCountMismatch() && !m_readOnly) (void)m_dbf->finish();
    makeFields();
    if (withTags && (rc = openTags()) != kOk) return rc;
    if (!m_readOnly) removeLeftovers();
    if ((!m_tags.empty() || m_dbt) && m_dbf->updateInterrupted()) {
        if ((rc = dropDanglingMemoRefs()) != kOk) return rc;
        if (!m_tags.empty()) {
            closeTags();
            return fail(kErrStaleIndex, "A change to the table was interrupted; its indexes must be rebuilt");
        }
        // With no group file nothing else waits for the mark; with one, the rebuild of its tags clears it.
        const std::string stem = m_dbfPath.substr(0, m_dbfPath.size() - 4);
        if (exclusive() && !m_readOnly && !m_ctx.fs->exists(m_ctx.fs->resolve(stem + ".cgp")))
            (void)m_dbf->clearUpdateMark();  // best effort: a mark left costs this check again
    }
    rc = top();
    return rc < 0 ? rc : kOk;
}

// Opens the DBF and, when it has memo fields, the DBT, in the context's access mode.
int DbfTable::reopenFiles() {
    const Share share = m_ctx.accessMode == 1 ? Share::Exclusive : Share::Shared;
    m_dbt.reset();
    m_dbf.reset();
    // Files the user may only read are opened for reading: the program shows and prints them, and
    // each write is refused with kErrReadOnly, which it reports.
    m_readOnly = m_ctx.readOnly != 0;
    Status s = DbfFile::open(*m_ctx.fs, m_dbfPath, share, &m_dbf, m_readOnly);
    if (s.code == kErrReadOnly) {
        m_readOnly = true;
        s = DbfFile::open(*m_ctx.fs, m_dbfPath, share, &m_dbf, true);
    }
    if (!s.ok()) return fail(s);
    m_dbf->setLockTimeout(m_ctx.lockTimeoutMs);
    m_dbf->setCounters(&m_ctx.counters);
    m_dbf->setBuffering(m_ctx.readBuffering != 0, m_ctx.writeBuffering != 0);
    if (m_dbf->hasMemoField()) {
        const std::string stem = m_dbfPath.substr(0, m_dbfPath.size() - 4);
        m_memoPath = m_ctx.fs->resolve(stem + ".dbt");
        s = DbtFile::open(*m_ctx.fs, m_memoPath, share, &m_dbt, m_readOnly);
        if (s.code == kErrReadOnly && !m_readOnly) {
            m_readOnly = true;
            s = DbtFile::open(*m_ctx.fs, m_memoPath, share, &m_dbt, true);
        }
        if (!s.ok()) {
            m_dbf.reset();
            return fail(s);
        }
        m_dbt->setLockTimeout(m_ctx.lockTimeoutMs);
        m_dbt->setCounters(&m_ctx.counters);
    }
    return kOk;
}

void DbfTable::makeFields() {
    m_fieldObjects.clear();
    m_fieldList.clear();
    for (const FieldLayout& f : m_dbf->fields()) {
        m_fieldObjects.push_back(std::make_unique<TableField>(*this, f));
        m_fieldList.push_back(m_fieldObjects.back().get());
    }
    m_dbf->blankRecord(&m_rec);
    m_orig = m_rec;
}

int DbfTable::openTags() {
    const std::string stem = m_dbfPath.substr(0, m_dbfPath.size() - 4);
    const std::string groupPath = m_ctx.fs->resolve(stem + ".cgp");
    std::vector<std::string> files;
    Status s = readGroupFile(*m_ctx.fs, groupPath, &files);
    // Only a missing group means no tags: a directory, a pipe or a link at its name is an error.
    if (s.code == kErrOpen && s.osError == ENOENT) return kOk;
    if (!s.ok()) return fail(s);
    const size_t slash = groupPath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : groupPath.substr(0, slash + 1);
    const Share share = exclusive() ? Share::Exclusive : Share::Shared;
    for (const std::string& file : files) {
        std::unique_ptr<NtxIndex> index;
        Status st;
        const std::string path = m_ctx.fs->resolve(dir + file);
        int rc = NtxIndex::open(*m_ctx.fs, path, share, m_readOnly, 0, &m_ctx.counters, &index, &st);
        if (rc == kErrReadOnly && !m_readOnly) {
            m_readOnly = true;  // one file the user may only read makes the whole table so
            rc = NtxIndex::open(*m_ctx.fs, path, share, true, 0, &m_ctx.counters, &index, &st);
        }
        if (rc != kOk) {
            closeTags();
            // The name may come from a damaged group file, so the message leads to that file too.
            Status reported = st.code != 0 ? st : makeStatus(rc, path, "Cannot open the index");
            reported.message += " (listed in " + groupPath + ")";
            return fail(reported);
        }
        const int added = addTag(std::move(index));
        if (added != kOk) {
            closeTags();
            return added;
        }
    }
    return kOk;
}

// Compiles the tag's expression against the table and checks that it gives the stored key length.
int DbfTable::addTag(std::unique_ptr<NtxIndex> index) {
    std::unique_ptr<KeyExpr> expr;
    std::string why;
    if (KeyExpr::compile(index->expression(), m_dbf->fields(), &expr, &why) != kOk)
        return fail(makeStatus(kErrExpression, index->fileName(), "Bad key expression (" + why + ")"));
    if (expr->keyLength() != index->keyLength())
        return fail(makeStatus(kErrKeyLength, index->fileName(), "Key length differs from the table's fields"));
    m_tagList.push_back(index.get());
    m_tags.push_back({std::move(index), std::move(expr)});
    return kOk;
}

void DbfTable::closeTags() {
    m_order = -1;
    m_cursorValid = false;
    m_tagList.clear();
    m_tags.clear();
}

int DbfTable::close() {
    // The update mark may go only once what it covers is on the disk: a table changed since its last
    // durable flush (the pending record included) is synced here, once for all the session's changes.
    int first = commit();
    const int flushed = flush(m_unsynced && marked());
    if (first == kOk) first = flushed;
    if (m_modified && m_dbf) {
        Status s = m_dbf->finish();
        if (first == kOk && !s.ok()) first = fail(s);
    }
    m_ctx.release(this);  // destroys this table
    return first;
}

// ---- tags ----

Tag* DbfTable::findTag(std::string_view name) const {
    for (Tag* t : m_tagList)
        if (equalsNoCase(t->name(), name)) return t;
    fail(makeStatus(kErrTagNotFound, m_dbfPath, "No tag " + std::string(name)));
    return nullptr;
}

int DbfTable::selectTag(Tag* tag) {
    const int rc = commit();
    if (rc != kOk) return rc;
    if (!tag) {
        m_order = -1;
        return kOk;
    }
    for (size_t i = 0; i < m_tagList.size(); ++i) {
        if (m_tagList[i] == tag) {
            m_order = int(i);
            m_cursorValid = false;
            return kOk;
        }
    }
    return fail(kErrTagNotFound, "The tag does not belong to this table");
}

Tag* DbfTable::selectedTag() const { return m_order < 0 ? nullptr : m_tagList[size_t(m_order)]; }

DbfTable::TagSlot* DbfTable::currentSlot() const {
    return m_order < 0 ? nullptr : const_cast<TagSlot*>(&m_tags[size_t(m_order)]);
}

// ---- record buffer ----

int DbfTable::countRecords(uint32_t* n) const {
    *n = 0;
    if (!m_dbf) return fail(kErrOpen, "The table's files could not be reopened");
    Status s = m_dbf->count(n);
    return s.ok() ? kOk : fail(s);
}

int DbfTable::load(uint32_t recno) {
    m_scratch.resize(m_rec.size());  // kept between moves: no allocation per record
    Status s = m_dbf->readRecord(recno, m_scratch.data());
    if (!s.ok()) return fail(s);
    m_rec.assign(m_scratch.begin(), m_scratch.end());
    m_orig.assign(m_scratch.begin(), m_scratch.end());
    m_recno = recno;
    m_eof = m_bof = false;
    m_dirty = m_new = false;
    m_unread = false;
    return kOk;
}

void DbfTable::standOn(uint32_t recno) {
    m_recno = recno;
    m_eof = m_bof = false;
    m_dirty = m_new = false;
    m_unread = true;
}

int DbfTable::materialize() {
    if (!m_unread) return kOk;
    m_unread = false;
    const int rc = load(m_recno);
    if (rc != kOk) {
        // The failure stays in the context; the fields read as a blank record meanwhile.
        m_dbf->blankRecord(&m_rec);
        m_orig = m_rec;
    }
    return rc;
}

const uint8_t* DbfTable::record() const {
    const_cast<DbfTable*>(this)->materialize();
    return m_rec.data();
}

void DbfTable::toPhantom(bool bof) {
    m_unread = false;
    m_dbf->blankRecord(&m_rec);
    m_orig = m_rec;
    m_recno = 0;
    m_eof = true;
    m_bof = bof;
    m_dirty = m_new = false;
    m_cursorValid = false;
}

uint8_t* DbfTable::editRecord() {
    if (m_eof || m_recno == 0) {
        fail(kErrRecord, "No current record");
        return nullptr;
    }
    if (materialize() != kOk) return nullptr;
    m_dirty = true;
    return m_rec.data();
}

int DbfTable::readMemo(std::string_view ref, std::string* text) const {
    text->clear();
    uint32_t block = 0;
    if (!parseMemoRef(ref, &block))
        return fail(makeStatus(kErrCorruptMemo, m_dbfPath, "Damaged memo reference in record " + std::to_string(m_recno)));
    if (block == 0) return kOk;
    if (!m_dbt) return fail(makeStatus(kErrCorruptMemo, m_dbfPath, "The table has no memo file"));
    Status s = m_dbt->read(block, text);
    return s.ok() ? kOk : fail(s);
}

int DbfTable::needWritable(const std::string& what) const {
    return m_readOnly ? fail(kErrReadOnly, what + " refused: the table's files may only be read") : int(kOk);
}

int DbfTable::writeMemo(std::string_view text, uint32_t* block) {
    if (!m_dbt) return fail(makeStatus(kErrCorruptMemo, m_dbfPath, "The table has no memo file"));
    if (const int rc = needWritable("Memo write"); rc != kOk) return rc;
    Status s = m_dbt->append(text, block);
    if (!s.ok()) return fail(s);
    m_modified = m_unsynced = true;
    return kOk;
}

// An interrupted change may have left a record on the disk whose new memo did not get there whole: its
// reference points past the end of the memo file, where the next memo written would go (the record
// would then show that memo as its own), or at blocks the disk never received (zeros). Such a
// reference is blanked: its text was lost with the power. Runs only after an interrupted change, so
// reading every record and memo is the exception, like the rebuild of the tags that goes with it.
int DbfTable::dropDanglingMemoRefs() {
    if (!m_dbt) return kOk;
    uint64_t size = 0;
    uint32_t n = 0;
    Status s = m_dbt->file().size(&size);
    if (s.ok()) s = m_dbf->count(&n);
    if (!s.ok()) return fail(s);
    const uint64_t blocks = (size + DbtFile::kBlockSize - 1) / DbtFile::kBlockSize;
    std::vector<uint8_t> rec(size_t(m_dbf->recordLength()));
    std::string text;
    for (uint32_t r = 1; r <= n; ++r) {
        if (!(s = m_dbf->readRecord(r, rec.data())).ok()) return fail(s);
        bool changed = false;
        for (const FieldLayout& f : m_dbf->fields()) {
            if (f.type != 'M') continue;
            uint32_t block = 0;
            const std::string_view ref(reinterpret_cast<const char*>(rec.data()) + f.offset, size_t(f.len));
            if (!parseMemoRef(ref, &block) || block == 0) continue;
            if (block < blocks && m_dbt->read(block, &text).ok() && text.find('\0') == std::string::npos) continue;
            std::fill(rec.begin() + f.offset, rec.begin() + f.offset + f.len, uint8_t(' '));
            changed = true;
        }
        if (!changed) continue;
        if (m_readOnly)
            return fail(makeStatus(kErrCorruptMemo, m_dbfPath,
                                   "Record " + std::to_string(r) + " refers to a memo its memo file does not hold"));
        const bool shared = !exclusive();
        if (shared && !(s = m_dbf->lockRecord(r)).ok()) return fail(s);
        s = m_dbf->writeRecord(r, rec.data());
        if (shared) m_dbf->unlockRecord(r);
        if (!s.ok()) return fail(s);
        m_modified = true;
    }
    return kOk;
}

int DbfTable::beginUpdate() {
    m_unsynced = true;
    if (!marked()) return kOk;  // no order can fall behind, no memo reference dangle
    Status s = m_dbf->beginUpdate();
    return s.ok() ? int(kOk) : fail(s);
}

// Clears the mark once everything written has reached the disk (see finishSync). A mark that could
// not be cleared is tried again at the next durable flush.
int DbfTable::endUpdate() {
    if (!m_dbf) return kOk;
    Status s = m_dbf->endUpdate(!m_updateBroken);
    return s.ok() ? int(kOk) : fail(s);
}

// Every operation that moves or writes passes through here first, so a table whose files could
// not be reopened after a pack or memo compaction refuses the operation instead of failing later.
int DbfTable::commitRecord() {
    if (!m_dbf) return fail(kErrOpen, "The table's files could not be reopened");
    if (!m_dirty || m_eof || m_recno == 0) return kOk;
    if (const int rc = needWritable("Record write"); rc != kOk) return rc;
    const bool shared = !exclusive();
    // Memos reach the file before the record that refers to them (exclusive opens buffer them).
    if (m_dbt) {
        Status s = m_dbt->flushBuffers();
        if (!s.ok()) return fail(s);
    }
    if (const int rc = beginUpdate(); rc != kOk) return rc;
    if (shared) {
        Status s = m_dbf->lockRecord(m_recno);
        if (!s.ok()) return fail(makeStatus(kErrLock, m_dbfPath, "Record " + std::to_string(m_recno) + " is locked by another user", s.osError));
    }
    // The change is based on the record as read; another user's change since then would be lost
    // under it, and the tags' old keys would no longer be the record's.
    if (shared) {
        bool same = false;
        Status read = readBack(&same);
        if (read.ok() && !same)
            read = makeStatus(kErrChanged, m_dbfPath,
                              "Record " + std::to_string(m_recno) + " was changed by another user; read it again");
        if (!read.ok()) {
            m_dbf->unlockRecord(m_recno);
            return fail(read);
        }
    }
    Status s = m_dbf->writeRecord(m_recno, m_rec.data());
    if (shared) m_dbf->unlockRecord(m_recno);
    if (!s.ok()) {
        // Part of the record may be written: the mark stays until the record is written whole again,
        // unless it still reads as before.
        std::vector<uint8_t> now(m_rec.size());
        if (!m_dbf->readRecord(m_recno, now.data()).ok() || now != m_orig) {
            m_updateBroken = true;
            m_brokenRecno = m_recno;
        }
        return fail(s);
    }
    m_modified = true;

    std::string oldKey, newKey;
    for (size_t i = 0; i < m_tags.size(); ++i) {
        TagSlot& t = m_tags[i];
        t.expr->evaluate(m_rec.data(), &newKey);
        int rc = kOk;
        if (m_new) {
            rc = t.index->insert(newKey, m_recno);
        } else {
            t.expr->evaluate(m_orig.data(), &oldKey);
            if (oldKey == newKey) continue;
            rc = t.index->replace(oldKey, newKey, m_recno);
        }
        if (rc < 0) {
            const int failed = failIndex(*t.index, rc, "Index update failed");
            // The repair below puts the tags straight; if it cannot, the mark stays for the next open.
            if (!undoCommit(i)) {
                m_updateBroken = true;
                m_brokenRecno = 0;
            }
            return failed;
        }
    }
    m_orig = m_rec;
    m_dirty = m_new = false;
    m_cursorValid = false;
    if (m_updateBroken && m_brokenRecno == m_recno) m_updateBroken = false;  // written whole again
    return kOk;
}

// A record whose keys could not all be written goes back as it was, in the file and in every tag, so
// that the table and its tags never disagree: the tags before failedTag get their old keys again, the
// failed one is set straight whatever part of its change reached the disk, and the record is written
// back. The change stays in the record buffer for the caller to retry or revert.
bool DbfTable::undoCommit(size_t failedTag) {
    const Status kept = m_ctx.last;
    bool ok = true;
    std::string oldKey, newKey;
    for (size_t i = 0; i <= failedTag && i < m_tags.size(); ++i) {
        TagSlot& t = m_tags[i];
        t.expr->evaluate(m_rec.data(), &newKey);
        t.expr->evaluate(m_orig.data(), &oldKey);
        if (!m_new && oldKey == newKey) continue;
        if (i < failedTag) {
            if (m_new) ok = t.index->remove(newKey, m_recno) >= 0 && ok;
            else ok = t.index->replace(newKey, oldKey, m_recno) >= 0 && ok;
            continue;
        }
        // Either key may or may not be in the tag now: leave exactly the old one, where it stood.
        if (t.index->locate(newKey, m_recno) == kOk) ok = t.index->remove(newKey, m_recno) >= 0 && ok;
        if (!m_new && t.index->locate(oldKey, m_recno) != kOk) ok = t.index->insert(oldKey, m_recno) >= 0 && ok;
    }
    const bool shared = !exclusive();
    if (!shared || m_dbf->lockRecord(m_recno).ok()) {
        // Only what this write put there goes back: another user may have written the record since.
        bool untouched = false;
        const bool read = !shared || readBack(&untouched).ok();
        if (!shared || (read && m_scratch == m_rec)) ok = m_dbf->writeRecord(m_recno, m_orig.data()).ok() && ok;
        else ok = read && untouched && ok;  // another user's record stays; the mark then says so
        if (shared) m_dbf->unlockRecord(m_recno);
    } else {
        ok = false;
    }
    m_cursorValid = false;
    // What the caller is told is the first failure, not what the repair met.
    m_ctx.last = kept;
    m_ctx.error = kept.code;
    return ok;
}

// REQUIRES: the record's lock.
Status DbfTable::readBack(bool* asBefore) {
    m_scratch.resize(m_orig.size());
    Status s = m_dbf->readRecord(m_recno, m_scratch.data());
    *asBefore = s.ok() && m_scratch == m_orig;
    return s;
}

bool DbfTable::isDeleted() const { return !m_eof && record()[0] == kDeletedFlag; }

int DbfTable::markDeleted() {
    uint8_t* rec = editRecord();
    if (!rec) return kErrRecord;
    rec[0] = kDeletedFlag;
    return kOk;
}

int DbfTable::recall() {
    uint8_t* rec = editRecord();
    if (!rec) return kErrRecord;
    rec[0] = kLiveFlag;
    return kOk;
}

int DbfTable::appendBlank() {
    int rc = commit();
    if (rc == kOk) rc = needWritable("Append");
    if (rc != kOk) return rc;
    // The new record has no keys until its first write: the mark covers it from here.
    if ((rc = beginUpdate()) != kOk) return rc;
    if (m_dbt) {
        Status s = m_dbt->flushBuffers();  // the append may write buffered records that refer to them
        if (!s.ok()) return fail(s);
    }
    std::vector<uint8_t> blank;
    m_dbf->blankRecord(&blank);
    uint32_t recno = 0;
    Status s = m_dbf->append(blank.data(), &recno);
    if (!s.ok()) return fail(s);
    m_modified = true;
    m_rec = blank;
    m_orig = blank;
    m_unread = false;
    m_recno = recno;
    m_eof = m_bof = false;
    m_dirty = true;  // the first write puts the new record's keys into the tags
    m_new = true;
    m_cursorValid = false;
    return kOk;
}

int DbfTable::revert() {
    if (m_eof || m_recno == 0 || m_unread) return kOk;
    m_rec = m_orig;
    // A new record's keys are not in the tags yet: it stays due for its first write.
    m_dirty = m_new;
    return kOk;
}

int DbfTable::flush(bool sync) {
    std::vector<File*> files;
    int first = prepareSync(sync ? &files : nullptr);
    if (first == kOk && !files.empty()) {
        Status s = m_ctx.fs->syncFiles(files);
        if (!s.ok()) first = fail(s);
    }
    return first == kOk ? finishSync(!files.empty()) : first;
}

int DbfTable::prepareSync(std::vector<File*>* files) {
    int first = commit();
    for (TagSlot& t : m_tags) {
        const int rc = t.index->flush(false);
        if (first == kOk && rc < 0) first = rc;
    }
    // Memos before the records that refer to them.
    Status s = m_dbt ? m_dbt->flushBuffers() : Status::Ok();
    if (s.ok() && m_dbf) s = m_dbf->flushBuffers();
    if (s.ok() && files && m_unsynced && m_dbf) {
        // The mark went to the disk before the first page of the change (beginUpdate) and stays there
        // until the records and tags are on the disk too: a power cut before then is found at open.
        if (m_dbt) files->push_back(&m_dbt->file());
        files->push_back(&m_dbf->file());
        for (TagSlot& t : m_tags) files->push_back(&t.index->file());
    }
    if (first == kOk && !s.ok()) first = fail(s);
    return first;
}

// A disk writes unsynced pages back in any order, so the mark is cleared only after a sync: cleared
// sooner, it could reach the disk before the index pages it covers.
int DbfTable::finishSync(bool synced) {
    if (!synced) return kOk;
    m_unsynced = false;
    return endUpdate();
}

void DbfTable::setWalking(bool on) {
    if (m_dbf) m_dbf->setWalking(on);
    for (TagSlot& t : m_tags) t.index->setWalking(on);
}

// ---- positioning ----

long DbfTable::recCount() const {
    uint32_t n = 0;
    return countRecords(&n) == kOk ? long(n) : 0;
}

long DbfTable::recNo() const { return m_eof ? recCount() + 1 : long(m_recno); }

int DbfTable::fromIndex(int rc, const uint32_t* recno) {
    if (rc == kOk || rc == kSeekNext) {
        standOn(*recno);
        m_cursorValid = true;
        return rc;
    }
    if (rc == kEof) {
        toPhantom(false);
        return kEof;
    }
    return failIndex(*currentSlot()->index, rc, "Index read failed");
}

int DbfTable::top() { return toEnd(false); }

int DbfTable::bottom() { return toEnd(true); }

// The first or last record of the current order.
int DbfTable::toEnd(bool last) {
    int rc = commit();
    if (rc != kOk) return rc;
    if (TagSlot* t = currentSlot()) {
        uint32_t r = 0;
        rc = fromIndex(last ? t->index->last(&r) : t->index->first(&r), &r);
        if (rc == kEof) m_bof = true;
        return rc;
    }
    uint32_t n = 0;
    if ((rc = countRecords(&n)) != kOk) return rc;
    if (n == 0) {
        toPhantom(true);
        return kEof;
    }
    return load(last ? n : 1);
}

int DbfTable::go(long recno) {
    int rc = commit();
    if (rc != kOk) return rc;
    uint32_t n = 0;
    if ((rc = countRecords(&n)) != kOk) return rc;
    m_cursorValid = false;
    if (recno < 1 || recno > long(n)) {
        toPhantom(true);
        return kEof;
    }
    return load(uint32_t(recno));
}

int DbfTable::skip(long count) {
    const int rc = commit();
    if (rc != kOk) return rc;
    if (count == 0) return m_eof ? kEof : load(m_recno);
    // Past every record either way (a table holds fewer than 2^32): no arithmetic near the limits.
    constexpr long kBeyondAll = 1L << 40;
    count = std::clamp(count, -kBeyondAll, kBeyondAll);
    return currentSlot() ? skipTagOrder(count) : skipRecordOrder(count);
}

int DbfTable::skipRecordOrder(long count) {
    uint32_t n = 0;
    int rc = countRecords(&n);
    if (rc != kOk) return rc;
    const long from = m_eof ? long(n) + 1 : long(m_recno);
    const long to = from + count;
    if (count > 0 && to > long(n)) {
        toPhantom(n == 0);
        return kEof;
    }
    if (to < 1) {
        if (n == 0) {
            toPhantom(true);
            return kBof;
        }
        rc = load(1);
        m_bof = true;
        return rc == kOk ? kBof : rc;
    }
    return load(uint32_t(to));
}

int DbfTable::locateCursor() {
    TagSlot* t = currentSlot();
    if (const int rc = materialize(); rc != kOk) return rc;
    std::string key;
    t->expr->evaluate(m_orig.data(), &key);
    const int rc = t->index->locate(key, m_recno);
    if (rc != kOk) return failIndex(*t->index, rc < 0 ? rc : kErrCorruptIndex,
                                    "Record " + std::to_string(m_recno) + " is missing from the index");
    m_cursorValid = true;
    return kOk;
}

int DbfTable::skipTagOrder(long count) {
    TagSlot* t = currentSlot();
    uint32_t r = 0;
    long steps = count < 0 ? -count : count;
    if (m_eof) {
        if (count > 0) return kEof;
        const int rc = t->index->last(&r);
        if (rc == kEof) {
            toPhantom(true);
            return kBof;
        }
        if (rc != kOk) return fromIndex(rc, &r);
        --steps;
    } else {
        const int rc = placeCursor();
        if (rc != kOk) return rc;
        r = m_recno;
    }
    const int rc = steps > 0 ? t->index->skip(count > 0 ? steps : -steps, &r) : kOk;
    if (rc == kEof && count > 0) {
        toPhantom(false);
        return kEof;
    }
    if (rc == kBof || (rc == kEof && count < 0)) {
        const int fr = fromIndex(t->index->first(&r), &r);
        if (fr != kOk) return fr;
        m_bof = true;
        return kBof;
    }
    return fromIndex(rc, &r);
}

// Seek keys of N tags are encoded as the index stores them (Str, leading zeros, negatives mapped
// so that they sort first); C and D keys are compared as given.
std::string DbfTable::encodeSeekKey(const TagSlot& slot, std::string_view key) const {
    if (slot.expr->type() != 'N') return std::string(key);
    std::string text;
    if (formatNumber(parseNumber(key), slot.expr->keyLength(), slot.expr->decimals(), &text) != kOk)
        return std::string(key);
    const bool negative = text.find('-') != std::string::npos;
    for (char& c : text) {
        if (c == ' ' || c == '-') c = '0';
        else if (negative && c >= '0' && c <= '9') c = char(0x2C - (c - '0'));
    }
    return text;
}

int DbfTable::seek(std::string_view key) {
    TagSlot* t = currentSlot();
    if (!t) return fail(kErrTagNotFound, "Seek needs a selected tag");
    const int rc = commit();
    if (rc != kOk) return rc;
    uint32_t r = 0;
    return fromIndex(t->index->seek(encodeSeekKey(*t, key), &r), &r);
}

int DbfTable::position(double* fraction) {
    *fraction = 0;
    int rc = commit();
    if (rc != kOk) return rc;
    if (m_eof) {
        *fraction = recCount() == 0 ? 0.0 : 1.0;
        return kOk;
    }
    if (TagSlot* t = currentSlot()) {
        if ((rc = placeCursor()) != kOk) return rc;
        *fraction = t->index->position();
        return kOk;
    }
    const long n = recCount();
    *fraction = n == 0 ? 0.0 : (double(m_recno) - 0.5) / double(n);
    return kOk;
}

int DbfTable::goPosition(double fraction) {
    int rc = commit();
    if (rc != kOk) return rc;
    fraction = std::clamp(std::isnan(fraction) ? 0.0 : fraction, 0.0, 1.0);
    if (TagSlot* t = currentSlot()) {
        uint32_t r = 0;
        return fromIndex(t->index->goPosition(fraction, &r), &r);
    }
    uint32_t n = 0;
    if ((rc = countRecords(&n)) != kOk) return rc;
    if (n == 0) {
        toPhantom(true);
        return kEof;
    }
    return load(std::min<uint32_t>(n, uint32_t(std::floor(fraction * n)) + 1));
}

Field* DbfTable::field(std::string_view name) const {
    // Every field read of the program finds its field here: the stored names are upper-case ASCII, so
    // the name asked for is folded inline rather than through the C library for each character.
    auto matches = [&](const std::string& upper) {
        if (upper.size() != name.size()) return false;
        for (size_t i = 0; i < name.size(); ++i) {
            const char c = name[i] >= 'a' && name[i] <= 'z' ? char(name[i] - 'a' + 'A') : name[i];
            if (c != upper[i]) return false;
        }
        return true;
    };
    for (const auto& f : m_fieldObjects)
        if (matches(f->name())) return f.get();
    fail(makeStatus(kErrFieldNotFound, m_dbfPath, "No field " + std::string(name)));
    return nullptr;
}

}  // namespace xbase
