#pragma once
// A table as the program sees it: the DBF, its memo file and its tags, a current ("hot") record and
// the current order. Assignments change the record buffer only; the record is written when the
// table moves, flushes or closes (memo first, then the record, then each tag whose key changed).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xbase/ContextImpl.h"
#include "xbase/DbfFile.h"
#include "xbase/DbtFile.h"
#include "xbase/Engine.h"
#include "xbase/KeyExpr.h"
#include "xbase/Ntx.h"

namespace xbase {

class TableField;

class DbfTable : public Table {
public:
    DbfTable(Context::Impl& ctx, std::string name);
    ~DbfTable() override;

    // Opens the files of an existing table (and with withTags its group and tags) and goes to the top.
    int open(const std::string& dbfPath, bool withTags);
    int create(const std::string& dbfPath, const std::vector<FieldDef>& defs);

    const std::string& name() const override { return m_name; }
    bool exclusive() const override;
    bool readOnly() const override { return m_readOnly; }
    int close() override;

    const std::vector<Tag*>& tags() const override { return m_tagList; }
    Tag* findTag(std::string_view name) const override;
    int selectTag(Tag* tag) override;
    Tag* selectedTag() const override;

    int top() override;
    int bottom() override;
    int skip(long count = 1) override;
    int seek(std::string_view key) override;
    int go(long recno) override;
    long recNo() const override;
    long recCount() const override;
    bool eof() const override { return m_eof; }
    bool bof() const override { return m_bof; }
    int position(double* fraction) override;
    int goPosition(double fraction) override;

    int appendBlank() override;
    int markDeleted() override;
    int recall() override;
    bool isDeleted() const override;
    int flush(bool sync = false) override;
    // A durable flush in two halves, so that several tables' files are synced together: writes what
    // is pending and, with files, adds the files written since the last sync (memo, table, tags);
    // then, once they are synced, finishes the change.
    int prepareSync(std::vector<File*>* files);
    int finishSync(bool synced);
    int revert() override;
    void setWalking(bool on) override;

    int pack() override;
    int compressMemo() override;
    int zap(long first, long count) override;
    int createIndex(const std::string& group, const std::vector<TagDef>& tags) override;

    const std::vector<Field*>& fields() const override { return m_fieldList; }
    Field* field(std::string_view name) const override;

    // For the fields: the record buffer, which may change only while a record is current.
    const uint8_t* record() const;
    uint8_t* editRecord();  // nullptr (and the context's error set) when there is no current record
    int readMemo(std::string_view ref, std::string* text) const;
    int writeMemo(std::string_view text, uint32_t* block);
    int fail(const Status& s) const { return m_ctx.fail(s); }
    int fail(int code, const std::string& what) const;
    int failIndex(const NtxIndex& index, int rc, const std::string& what) const;

private:
    struct TagSlot {
        std::unique_ptr<NtxIndex> index;
        std::unique_ptr<KeyExpr> expr;
    };

    int openTags();
    int addTag(std::unique_ptr<NtxIndex> index);
    void closeTags();
    void makeFields();
    TagSlot* currentSlot() const;

    // Writes the hot record and its index entries. Inline: every move calls it, nearly always with
    // nothing to write.
    int commit() { return m_dbf && (!m_dirty || m_eof || m_recno == 0) ? int(kOk) : commitRecord(); }
    int commitRecord();
    // True when the table and every tag are as before the commit.
    bool undoCommit(size_t failedTag);
    // Reads the current record from the disk into m_scratch; *asBefore: it reads as m_orig.
    Status readBack(bool* asBefore);
    int countRecords(uint32_t* n) const;
    // The table's update mark around a change (see DbfFile::beginUpdate): tables with tags or memos.
    bool marked() const { return !m_tags.empty() || m_dbt != nullptr; }
    int beginUpdate();
    int dropDanglingMemoRefs();
    int endUpdate();
    int load(uint32_t recno);
    // Makes recno current without reading it: moves through a tag read the record only when a field,
    // the deletion flag or the cursor needs it, so walking an order touches the index alone.
    void standOn(uint32_t recno);
    int materialize();
    void toPhantom(bool bof);
    // Moves to the record the index cursor reached (recno is read after the call that set it).
    int fromIndex(int rc, const uint32_t* recno);
    // Puts the selected tag's cursor on the current record's entry (usually already there).
    int placeCursor() { return m_cursorValid ? int(kOk) : locateCursor(); }
    int locateCursor();
    int toEnd(bool last);
    int skipRecordOrder(long count);
    int skipTagOrder(long count);
    int needExclusive(const char* what);
    // kErrReadOnly naming what was refused when the table's files may only be read, else kOk.
    int needWritable(const std::string& what) const;
    // Copies the records that keep() accepts into a new DBF (and, with compactMemo, their memos into
    // a new DBT), then puts the new files in place of the old ones and reopens them. With withTags
    // the open tags are built from the copied records before the swap and installed after it.
    int rewrite(const std::function<bool(uint32_t recno, const uint8_t* rec)>& keep, bool compactMemo,
                bool withTags);
    // Rebuilds the tags in tags (indexes into m_tags; all when empty) from the table, in one pass.
    int rebuildTags(const std::vector<size_t>& tags = {});
    // After every tag was built from the records: syncs them and clears the update mark.
    int tagsCurrent();
    // The intent record of a swap of the table's files, and its completion at open (see rewrite).
    std::string intentPath() const;
    int finishSwap();
    int refuseUnfinishedSwap();  // for opens that only read: they leave it to one that may write
    void removeLeftovers();
    int reopenFiles();
    std::string encodeSeekKey(const TagSlot& slot, std::string_view key) const;

    Context::Impl& m_ctx;
    std::string m_name;
    std::string m_dbfPath;
    std::string m_memoPath;
    std::unique_ptr<DbfFile> m_dbf;
    std::unique_ptr<DbtFile> m_dbt;
    std::vector<TagSlot> m_tags;
    std::vector<Tag*> m_tagList;
    int m_order = -1;  // index into m_tags; -1 is record order
    std::vector<std::unique_ptr<TableField>> m_fieldObjects;
    std::vector<Field*> m_fieldList;

    std::vector<uint8_t> m_rec;   // the current record as it is being edited
    std::vector<uint8_t> m_orig;  // the record as last read or written (its keys are in the tags)
    std::vector<uint8_t> m_scratch;  // load() reads here first
    uint32_t m_recno = 0;         // 0 at the phantom end-of-file record
    bool m_eof = true;
    bool m_bof = true;
    bool m_dirty = false;
    bool m_new = false;           // appended; its keys are not in the tags yet
    bool m_cursorValid = false;   // the selected tag's cursor stands on the current record
    bool m_modified = false;      // something was written: finish the header at close
    bool m_readOnly = false;      // the table's files may only be read
    bool m_unread = false;        // m_recno is current but m_rec and m_orig do not hold it yet
    bool m_updateBroken = false;  // a change failed part-way: the update mark stays for the next open
    uint32_t m_brokenRecno = 0;   // the record whose write failed (0: a tag's), cleared by its next write
    bool m_unsynced = false;      // written since the last durable flush
};

}  // namespace xbase
