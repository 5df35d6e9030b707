#pragma once
// One NTX index file (one order): a B-tree of 1024-byte pages with (key, record number) entries.
// The table tells the index of every record write; the index knows nothing of the DBF.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/Engine.h"
#include "xbase/FileSystem.h"
#include "xbase/Status.h"

namespace xbase {

// Feeds (key, record number) pairs to a build, in record-number order.
class KeySource {
public:
    virtual ~KeySource() = default;
    // Fills the next pair; false when there are no more. A negative *error stops the build.
    virtual bool next(std::string* key, uint32_t* recno, int* error) = 0;
};

struct NtxDefinition {
    std::string tagName;
    std::string expression;
    int keyLength = 0;
    int keyDecimals = 0;
    bool unique = false;
    bool descending = false;
};

class NtxIndex : public Tag {
public:
    ~NtxIndex() override = default;

    // Opens an existing index file with the given share mode and checks its header (signature,
    // sizes, root). keyLength > 0: the header's key size must equal it (kErrKeyLength otherwise).
    static int open(FileSystem& fs, const std::string& path, Share share, bool readOnly, int keyLength,
                    IoCounters* counters, std::unique_ptr<NtxIndex>* out, Status* status);
    // Creates (replacing) an index file from the pairs of source: sorts them (stable, in memory up
    // to a bound, then merging runs) and builds the tree bottom-up. The file is written under a
    // temporary name and renamed. Leaves it open in *out.
    static int create(FileSystem& fs, const std::string& path, const NtxDefinition& def, Share share,
                      KeySource& source, IoCounters* counters, std::unique_ptr<NtxIndex>* out,
                      Status* status);

    virtual const NtxDefinition& definition() const = 0;

    // Walks on shared opens (Table::setWalking): on, a read keeps the shared index lock after it ends,
    // so that the steps within the leaf at hand need no look at the header; the next operation lets it
    // go first, and so does off.
    virtual void setWalking(bool on) = 0;

    // Cursor. Each call returns 0 and sets *recno, or kEof when there is no such entry (the cursor is
    // then off the end), or a negative Error (kErrCorruptIndex for a damaged structure).
    virtual int first(uint32_t* recno) = 0;
    virtual int last(uint32_t* recno) = 0;
    virtual int next(uint32_t* recno) = 0;
    virtual int prev(uint32_t* recno) = 0;  // kBof before the first entry
    // count entries on (back when negative) from the cursor's entry, as one operation: kEof / kBof
    // when the order ends first, as the same number of next() / prev() calls would end.
    virtual int skip(long count, uint32_t* recno) = 0;
    // Seek semantics of the engine interface: 0 exact (prefix) match on the first such key; 2 on the
    // next greater key; 3 none greater. *recno set for 0 and 2.
    virtual int seek(std::string_view key, uint32_t* recno) = 0;
    // Puts the cursor on the entry (key, recno). 0, or kErrCorruptIndex when it is missing.
    virtual int locate(std::string_view key, uint32_t recno) = 0;
    // Position of the cursor's entry as a fraction of the order (0..1), from the path without counting
    // keys (1 at the end, 0 before the start). A descending index stores its own order, so no
    // inversion is needed for it.
    virtual double position() const = 0;
    virtual int goPosition(double fraction, uint32_t* recno) = 0;
    // The key the cursor stands on.
    virtual const std::string& currentKey() const = 0;

    // Maintenance. A new key goes after all equal keys; a unique index silently keeps the first of
    // equal keys. remove() gives kErrCorruptIndex when the entry is missing. Each takes the index
    // write lock, checks the header's update counter (dropping cached pages when another user changed
    // the file), writes the pages and the header with counter + 1, and releases the lock.
    // The cursor keeps standing on its entry (found again by key and record number at its next move,
    // also after another user's changes); when that entry is gone, next() goes to the first key not
    // below it and prev() to the last key below it.
    virtual int insert(std::string_view key, uint32_t recno) = 0;
    virtual int remove(std::string_view key, uint32_t recno) = 0;
    // Moves the record's entry from oldKey to newKey as one change (one lock, one header write).
    virtual int replace(std::string_view oldKey, std::string_view newKey, uint32_t recno) = 0;
    // Empties the index (zap) or rebuilds it from source (pack, reindex) in place.
    virtual int clear() = 0;
    virtual int rebuild(KeySource& source) = 0;
    // Writes pending pages; sync makes them durable.
    virtual int flush(bool sync) = 0;
    // The open file, for syncing it together with the table's other files.
    virtual File& file() = 0;

    // Walks every entry in order, checking page structure; calls visit for each entry. For the
    // support tool's check. Returns 0 or kErrCorruptIndex with *status naming the fault.
    virtual int walk(const std::function<void(std::string_view key, uint32_t recno)>& visit,
                     Status* status) = 0;
    // Depth of the tree (the root is level 1).
    virtual int depth() = 0;

    // The detail (file and reason) of the last failure of this index.
    virtual const Status& lastStatus() const = 0;
};

}  // namespace xbase
