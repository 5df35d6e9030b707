#pragma once
// The storage engine's public interface: a context, its tables, their tags and fields.
// Every operation returns 0 on success, a positioning result (2, 3, 4) or a negative Error; the
// failure's detail is kept in the context (Context::lastStatus) until the next errorCode().
// Nothing here throws, shows anything or ends the process: the caller decides.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/FileSystem.h"
#include "xbase/Status.h"

namespace xbase {

class Table;
class Tag;
class Field;
class Driver;

struct FieldDef {
    std::string name;  // at most 10 characters
    char type = 'C';   // C, N, D, L or M
    int len = 0;       // D is 8, L is 1, M is 10
    int dec = 0;
};

struct TagDef {
    std::string name;        // tag name (at most 10 characters), stored in the NTX header
    std::string expression;  // key expression, e.g. "Upper(Last + First)"
    std::string file;        // index file name, e.g. "cName.ntx" (relative to the table's directory)
    bool unique = false;
    bool descending = false;
};

// Cost counters, so tests assert what an operation read instead of timing it.
struct IoCounters {
    uint64_t recordsRead = 0;     // DBF records fetched (from the file or a buffer)
    uint64_t indexPagesRead = 0;  // NTX pages fetched (from the file or the page cache); pages the
                                  // cursor already holds on its path are not fetched again
    uint64_t pagesWritten = 0;    // DBF record, DBT block and NTX page writes
    void reset() { *this = IoCounters{}; }
};

class Context {
public:
    // fs: the file system to use (not owned); the POSIX one by default. dir: the directory that bare
    // table and index names resolve against ("" = the process's current directory).
    explicit Context(FileSystem* fs = nullptr, std::string dir = "");
    // A context whose tables live where the driver keeps them (a database server); directory()
    // then gives the driver's location.
    explicit Context(std::unique_ptr<Driver> driver);
    ~Context();  // closes every table
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Options (the engine interface's settings).
    void setReadBuffering(int on);   // 1: records and pages are cached
    void setWriteBuffering(int on);  // -1: buffered writes only for tables opened exclusively
    void setAutoOpen(int on);        // 1: opening a table opens its group file and every tag in it
    void setAccessMode(int mode);    // 0: open shared; 1: open exclusively (nobody else may write)
    void setSafety(int on);          // 1: createIndex refuses to replace existing files
    // 1: tables open for reading only. An open then repairs nothing (an interrupted change or pack,
    // a header count behind the records, files left by an interruption are reported or left as they
    // are), and every write is refused with kErrReadOnly. For commands that only read.
    void setReadOnly(int on);
    int readOnly() const;
    int readBuffering() const;
    int writeBuffering() const;
    int autoOpen() const;
    int accessMode() const;
    int safety() const;

    // Returns the context's error code (negative after a failed operation) and resets it to 0.
    int errorCode();
    // The detail of the last failure (kept until the next failure; not reset by errorCode()).
    const Status& lastStatus() const;
    // Called by exitOnError() when the context holds an error. The program wires its fatal path here.
    void setExitHook(std::function<void(const Status&)> hook);
    void exitOnError();

    // Opens "<name>.dbf" (found without regard to case) with its memo file and, when auto-open is on,
    // its group file "<name>.cgp" and every tag listed there. nullptr on failure (errorCode() < 0).
    // The context owns the table until close() or closeAll().
    Table* openTable(const std::string& name);
    // Creates an empty table (and its .dbt when a field is a memo) and opens it. For tools and tests:
    // the program itself never creates tables.
    Table* createTable(const std::string& name, const std::vector<FieldDef>& fields);
    // Closes every open table of the context, writing pending changes. Returns the first error.
    int closeAll();
    // Writes every open table's pending changes and makes the files they touched durable, all in one
    // flush of the disk where the platform can: the end of a save.
    int sync();
    const std::vector<Table*>& tables() const;

    // A unit of work (an invoice save): on a driver that has transactions everything written between
    // begin and commit stands or falls together; rollback drops it and rereads the current records.
    // On DBF files these do nothing (the save journal gives the same guarantee there).
    int begin();
    int commit();
    int rollback();
    // The driver behind the context; nullptr for DBF files.
    Driver* driver() const;

    IoCounters& counters();
    FileSystem& fileSystem();
    const std::string& directory() const;

    struct Impl;
    Impl& impl();

private:
    std::unique_ptr<Impl> m_impl;
};

class Tag {
public:
    virtual ~Tag() = default;
    virtual const std::string& name() const = 0;        // from the NTX header, else the file's base name
    virtual const std::string& expression() const = 0;
    virtual const std::string& fileName() const = 0;    // path as opened
    virtual int keyLength() const = 0;
    virtual bool unique() const = 0;
    virtual bool descending() const = 0;
};

class Table {
public:
    virtual ~Table() = default;

    virtual const std::string& name() const = 0;  // as passed to openTable
    virtual bool exclusive() const = 0;
    // Its files may only be read (their mode, or a read-only mount): it was opened for reading, and
    // every write is refused with kErrReadOnly.
    virtual bool readOnly() const = 0;

    // Writes pending changes (record and index entries), closes the files and destroys the table.
    virtual int close() = 0;

    // Tags of the open group, in group-file order.
    virtual const std::vector<Tag*>& tags() const = 0;
    // Finds a tag by name without regard to case; nullptr when none.
    virtual Tag* findTag(std::string_view name) const = 0;
    // Selects the order (nullptr: record order). The current record stays current.
    virtual int selectTag(Tag* tag) = 0;
    virtual Tag* selectedTag() const = 0;

    // Positioning in the current order. Results: 0 positioned; 3 empty table / end (top, bottom,
    // skip); 4 skip moved before the first record (stands on the first record, bof()).
    virtual int top() = 0;
    virtual int bottom() = 0;
    virtual int skip(long count = 1) = 0;
    // Seek in the selected tag. A text shorter than the key matches keys that begin with it.
    // 0 exact match (first such key); 2 on the next greater key; 3 none greater (at end of file).
    // Negative when no tag is selected.
    virtual int seek(std::string_view key) = 0;
    // Goes to a record number. 0 on a record; 3 (at end of file) when out of range.
    virtual int go(long recno) = 0;
    virtual long recNo() const = 0;   // recCount() + 1 at end of file
    virtual long recCount() const = 0;  // deleted records included
    virtual bool eof() const = 0;
    virtual bool bof() const = 0;
    // Position of the current record in the current order as a fraction from 0 to 1, computed from
    // the index path without counting keys (record order: by record number).
    virtual int position(double* fraction) = 0;
    // Goes to the record nearest a fraction of the current order (the inverse of position()).
    virtual int goPosition(double fraction) = 0;

    // Appends a blank record and makes it current. 0 on success.
    virtual int appendBlank() = 0;
    virtual int markDeleted() = 0;
    virtual int recall() = 0;
    virtual bool isDeleted() const = 0;
    // Writes the current record and its index entries (and makes them durable when sync is true).
    virtual int flush(bool sync = false) = 0;
    // Drops the changes made to the current record since it was last read or written, so that a
    // change that could not be written in full is not written later by a move or a close. An
    // appended record stays appended, blank, and still gets its keys at the next write.
    virtual int revert() = 0;

    // Need the table opened exclusively (access mode 1):
    // removes deleted records, keeping the open tags current.
    virtual int pack() = 0;
    // Rewrites the memo file with only the memos that records still refer to.
    virtual int compressMemo() = 0;
    // Removes records first..first+count-1 (the program passes 1 and the record count).
    virtual int zap(long first, long count) = 0;
    // Creates one index file per tag (sorted, bottom-up) and the group file "<group>.cgp", then
    // opens them as the table's tags with none selected. Safety on: refuses (kErrExists) when any
    // of the files exists.
    virtual int createIndex(const std::string& group, const std::vector<TagDef>& tags) = 0;

    virtual const std::vector<Field*>& fields() const = 0;
    // Finds a field by name without regard to case; nullptr when none.
    virtual Field* field(std::string_view name) const = 0;
    // For a walk over many records (a report's): on, a shared table reads its records a block at a
    // time under a shared lock on the block's record locks, so nobody changes them while they are in
    // hand (another user's write to one of them waits until the walk leaves its block or ends). Off
    // ends the walk and releases the lock; writing through the table releases it too. Keep walks short
    // and never wait for the user during one. Exclusive opens read in blocks anyway.
    virtual void setWalking(bool on) { (void)on; }
};

class Field {
public:
    virtual ~Field() = default;
    virtual const std::string& name() const = 0;
    virtual char type() const = 0;
    virtual int length() const = 0;
    virtual int decimals() const = 0;

    // The field's bytes as stored (text fields blank-padded to their width; memo: the block number).
    virtual std::string text() const = 0;
    // The memo text, stopping at the first 0x1A ("" when the field holds no memo).
    virtual std::string memoText() const = 0;
    virtual long asLong() const = 0;
    virtual int asInt() const = 0;
    virtual double asDouble() const = 0;
    virtual bool isTrue() const = 0;  // T, t, Y, y

    // Assignments change the current record; it is written when the table moves, flushes or closes.
    // Text is cut or blank-padded to the width; numbers are written right-justified with the field's
    // decimals and refused (kErrValueTooWide) when they do not fit.
    virtual int assignText(std::string_view value) = 0;
    virtual int assignLong(long value) = 0;
    virtual int assignInt(int value) = 0;
    virtual int assignDouble(double value) = 0;
    // Memo text is appended to the memo file and the record pointed at it; "" clears the reference.
    virtual int assignMemo(std::string_view value) = 0;
    virtual int assignMemoN(const char* value, size_t length) = 0;
    // The field's bytes as stored, without a copy: valid until the table moves or the record changes.
    // For walks that read a field of many records.
    virtual std::string_view view() const = 0;
};

}  // namespace xbase
