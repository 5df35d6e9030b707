#pragma once
// One DBF table file: header, field descriptors and fixed-length records. Knows nothing of memos or
// indexes; the table layer combines them.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "xbase/Engine.h"
#include "xbase/FileSystem.h"
#include "xbase/KeyExpr.h"

namespace xbase {

// Byte 0 of every record.
constexpr char kDeletedFlag = '*';
constexpr char kLiveFlag = ' ';

class DbfFile {
public:
    // Opens and validates an existing table. A damaged header gives kErrCorruptTable naming the file.
    static Status open(FileSystem& fs, const std::string& path, Share share, std::unique_ptr<DbfFile>* out,
                       bool readOnly = false);
    // Creates an empty table with the given fields (checked first: kErrArgument on a bad definition).
    // With tempPath, the file is a temporary one beside path that is to replace it (its name goes to
    // *tempPath; see FileSystem::createTemp).
    static Status create(FileSystem& fs, const std::string& path, const std::vector<FieldDef>& defs, Share share,
                         std::unique_ptr<DbfFile>* out, std::string* tempPath = nullptr);
    // Checks field definitions as create() does, without touching any file.
    static Status checkDefinitions(const std::vector<FieldDef>& defs, const std::string& path);

    const std::string& path() const { return m_path; }
    File& file() { return *m_file; }
    const std::vector<FieldLayout>& fields() const { return m_fields; }
    int recordLength() const { return m_recLen; }
    int headerLength() const { return m_hdrLen; }
    bool hasMemoField() const;
    bool exclusive() const { return m_share == Share::Exclusive; }
    // The record count in the header differed from the one the file size gives, or the file ends in
    // part of a record (warned, not fatal).
    bool headerCountMismatch() const { return m_countMismatch; }

    // Record count from the file size: (size - header length) / record length. A trailing 0x1A or a
    // partly written record is not counted.
    Status count(uint32_t* n);
    Status readRecord(uint32_t recno, uint8_t* buf);
    // REQUIRES: shared opens hold the record's lock (lockRecord).
    Status writeRecord(uint32_t recno, const uint8_t* buf);
    // Appends buf as a new record: under the header lock, counts from the file size, writes the record
    // (with 0x1A after it when exclusive) and the header count.
    Status append(const uint8_t* buf, uint32_t* recno);
    Status lockRecord(uint32_t recno);
    Status unlockRecord(uint32_t recno);
    // Rewrites the header's date and count, truncates after the last record and writes 0x1A there.
    // Takes the header lock when shared.
    Status finish();
    // Exclusive only: drops every record from recno first on.
    Status truncateRecords(uint32_t count);
    Status sync();

    // The "update in progress" mark. Set (and synced) before a change reaches the records and cleared
    // once every tag holds the change, so an open after a kill or power cut knows the tags may be
    // behind and the memo references may point past the memo file's end.
    // Every writer holds a read lock on the update byte while its change runs; the mark is cleared
    // only by a writer that then gets the write lock, i.e. the last one out, and a killed writer's
    // lock goes with it.
    Status beginUpdate();
    // clear: the change is complete (false after a failure: the mark stays for the next open).
    Status endUpdate(bool clear);
    // Maintenance that rebuilt the tags from the records (exclusive): the mark goes, whoever set it.
    Status clearUpdateMark();
    // The mark was found set at open with no writer alive to finish: the tags may be behind.
    bool updateInterrupted();
    // Exclusive opens: writes the buffered appended records, the header count and date and the 0x1A
    // after the last record. Shared opens keep nothing back.
    Status flushBuffers();
    // Exclusive opens only (nobody else can change the file): cache read blocks and buffer appends.
    void setBuffering(bool reads, bool writes) {
        m_readCache = reads;
        m_writeBuffer = writes;
        if (!reads) m_blocks.clear();
    }
    ~DbfFile();

    // Walks on shared opens: on, records are read a block at a time under a shared lock on the lock
    // bytes of the block's records, so that nobody changes them while the block is in hand; another
    // user's record lock in the block waits until the walk leaves it. Off releases the lock, as does
    // every write through this file.
    void setWalking(bool on);

    void blankRecord(std::vector<uint8_t>* buf) const;
    void setLockTimeout(int ms) { m_lockTimeoutMs = ms; }
    void setCounters(IoCounters* c) { m_counters = c; }

private:
    DbfFile() = default;
    Status parseHeader();
    Status writeCountAndDate(uint32_t count);
    Status writeUpdateMark(uint8_t value);
    Status findPadding(uint64_t size);

    std::unique_ptr<File> m_file;
    std::string m_path;
    Share m_share = Share::Shared;
    std::vector<FieldLayout> m_fields;
    int m_hdrLen = 0;
    int m_recLen = 0;
    bool m_countMismatch = false;
    uint32_t m_padFrom = 0;  // the first of the all-zero records that end the file (0: none)
    uint64_t m_padSize = 0;  // the file's size when they were found
    bool m_markFound = false;  // the update mark was set at open
    bool m_updating = false;   // this open holds the update lock and has set the mark
    int m_lockTimeoutMs = 2000;
    IoCounters* m_counters = nullptr;

    // Exclusive buffering. m_count is the record count including buffered appends; records from
    // m_tailFirst on live only in m_tail until flushTail writes them (with a 0x1A after them).
    struct Block {
        std::vector<uint8_t> bytes;  // as read: short at the end of the file
    };
    Status flushTail();
    void dropBlocksFrom(uint64_t off);
    const Block* cachedBlock(uint64_t block, Status* s);
    bool m_readCache = true;
    bool m_writeBuffer = true;
    uint32_t m_count = 0;
    uint32_t m_tailFirst = 1;
    std::vector<uint8_t> m_tail;
    bool m_headerStale = false;  // the header count/date and 0x1A are behind m_count
    std::unordered_map<uint64_t, Block> m_blocks;

    // The block a shared walk holds: records m_heldFirst.. (m_heldCount of them) in m_held, their lock
    // bytes read-locked. A block whose lock was refused is read record by record until the walk moves on.
    bool readHeld(uint32_t recno, uint8_t* buf);
    void releaseHeld();
    bool m_walking = false;
    uint32_t m_heldFirst = 0;
    uint32_t m_heldCount = 0;
    std::vector<uint8_t> m_held;
    uint64_t m_refusedBlock = UINT64_MAX;
    uint64_t m_lastBlock = UINT64_MAX;  // the block of the record read last
};

}  // namespace xbase
