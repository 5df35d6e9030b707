// FORMAT notes (choices the format leaves open):
// - We write version 0x03, or 0x83 when a memo field exists; we read only those two.
// - Year byte: we write year-1900 and never interpret it on reading (both conventions are fine).
// - Header terminator: 0x0D 0x00, header length 32 + 32n + 2. On reading, descriptors end at the
//   first 0x0D on a 32-byte boundary; records always start at the header length.
// - The record count is taken from the file size ((size - hdrLen) / recLen); the header count is
//   kept exact when we write and a mismatch on opening is remembered, not fatal.
// - The record length in the header must equal 1 + the sum of the field lengths; a file where they
//   differ is refused rather than read with shifted fields.
// - C fields may use the decimals byte as the high byte of the length (Clipper); we never write that.
// - Language byte: 0x03 (Windows-1252), the code page the program stores.
// - 0x1A follows the last record when we append exclusively and when the table is closed.
// - Header byte 30 (reserved, zero in every other engine's files) is our update-in-progress mark: 1
//   while a change may be on the disk in part, so the tags may lag the records. Readers ignore it.
#include "xbase/DbfFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <set>

#include "xbase/AsciiCase.h"
#include "xbase/Bytes.h"
#include "xbase/FileLocks.h"

namespace xbase {

namespace {

// File header.
constexpr size_t kHeaderSize = 32;
constexpr size_t kOffVersion = 0;
constexpr size_t kOffYear = 1;  // year - 1900, then month, day
constexpr size_t kOffCount = 4;
constexpr size_t kOffHeaderLen = 8;
constexpr size_t kOffRecordLen = 10;
constexpr size_t kOffLanguage = 29;
// Byte 30 is reserved in the dBase III and IV headers and left zero by every reader and writer we
// know of: ours holds the update-in-progress mark (1 while a change may be partly written).
constexpr size_t kOffUpdating = 30;
// Beyond the data and below the record locks: held shared by every writer during its change.
constexpr uint64_t kUpdateLockOffset = kLockBase - 1;
constexpr uint8_t kVersionPlain = 0x03;
constexpr uint8_t kVersionMemo = 0x83;
constexpr uint8_t kLanguageCp1252 = 0x03;

// Field descriptors.
constexpr size_t kDescSize = 32;
constexpr size_t kDescNameLen = 11;
constexpr size_t kDescOffType = 11;
constexpr size_t kDescOffLen = 16;
constexpr size_t kDescOffDec = 17;
constexpr uint8_t kTerminator = 0x0D;
constexpr size_t kTerminatorLen = 2;  // 0x0D 0x00

constexpr uint8_t kEofMarker = 0x1A;
constexpr size_t kMaxFieldName = 10;
constexpr int kMaxCharLen = 254;
constexpr int kMaxNumLen = 20;
constexpr int kMaxRecordLen = 65535;

// Exclusive buffering: read blocks cached (bounded), appends written in batches of about this size.
constexpr uint64_t kBlockSize = 64 * 1024;
constexpr size_t kMaxBlocks = 256;
constexpr size_t kTailLimit = 64 * 1024;

Status corrupt(const std::string& path, const std::string& what) {
    return makeStatus(kErrCorruptTable, path, "Damaged table header (" + what + ")");
}

bool validName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFieldName) return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::isalnum(u) || c == '_') || u >= 0x80) return false;
    }
    return true;
}

void putDate(uint8_t* p) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    p[0] = uint8_t(tm.tm_year);  // years since 1900
    p[1] = uint8_t(tm.tm_mon + 1);
    p[2] = uint8_t(tm.tm_mday);
}

}  // namespace

bool DbfFile::hasMemoField() const {
    for (const FieldLayout& f : m_fields)
        if (f.type == 'M') return true;
    return false;
}

Status DbfFile::checkDefinitions(const std::vector<FieldDef>& defs, const std::string& path) {
    auto bad = [&](const std::string& what) { return makeStatus(kErrArgument, path, "Bad field definition: " + what); };
    if (defs.empty()) return bad("no fields");
    std::set<std::string> names;
    long recLen = 1;
    for (const FieldDef& d : defs) {
        if (!validName(d.name)) return bad("name \"" + d.name + "\"");
        if (!names.insert(upperAscii(d.name)).second) return bad("duplicate name " + d.name);
        switch (d.type) {
        case 'C':
            if (d.len < 1 || d.len > kMaxCharLen || d.dec != 0) return bad(d.name + " length");
            break;
        case 'N':
            if (d.len < 1 || d.len > kMaxNumLen || d.dec < 0 || (d.dec > 0 && d.dec > d.len - 2))
                return bad(d.name + " length or decimals");
            break;
        case 'D':
            if (d.len != 8 || d.dec != 0) return bad(d.name + " must be 8 wide");
            break;
        case 'L':
            if (d.len != 1 || d.dec != 0) return bad(d.name + " must be 1 wide");
            break;
        case 'M':
            if (d.len != 10 || d.dec != 0) return bad(d.name + " must be 10 wide");
            break;
        default:
            return bad(d.name + " type");
        }
        recLen += d.len;
    }
    if (recLen > kMaxRecordLen || kHeaderSize + defs.size() * kDescSize + kTerminatorLen > 65535)
        return bad("record too long");
    return Status::Ok();
}

Status DbfFile::create(FileSystem& fs, const std::string& path, const std::vector<FieldDef>& defs, Share share,
                       std::unique_ptr<DbfFile>* out, std::string* tempPath) {
    Status s = checkDefinitions(defs, path);
    if (!s.ok()) return s;
    std::unique_ptr<DbfFile> dbf(new DbfFile);
    dbf->m_path = path;
    dbf->m_share = share;
    const size_t hdrLen = kHeaderSize + defs.size() * kDescSize + kTerminatorLen;
    std::vector<uint8_t> hdr(hdrLen + 1, 0);
    bool memo = false;
    int offset = 1;
    for (size_t i = 0; i < defs.size(); ++i) {
        const FieldDef& d = defs[i];
        uint8_t* p = hdr.data() + kHeaderSize + i * kDescSize;
        const std::string name = upperAscii(d.name);
        for (size_t k = 0; k < name.size(); ++k) p[k] = uint8_t(name[k]);
        p[kDescOffType] = uint8_t(d.type);
        p[kDescOffLen] = uint8_t(d.len);
        p[kDescOffDec] = uint8_t(d.dec);
        dbf->m_fields.push_back({name, d.type, d.len, d.dec, offset});
        offset += d.len;
        memo = memo || d.type == 'M';
    }
    hdr[kOffVersion] = memo ? kVersionMemo : kVersionPlain;
    putDate(hdr.data() + kOffYear);
    putU32(hdr.data() + kOffCount, 0);
    putU16(hdr.data() + kOffHeaderLen, uint16_t(hdrLen));
    putU16(hdr.data() + kOffRecordLen, uint16_t(offset));
    hdr[kOffLanguage] = kLanguageCp1252;
    hdr[hdrLen - kTerminatorLen] = kTerminator;
    hdr[hdrLen] = kEofMarker;
    dbf->m_hdrLen = int(hdrLen);
    dbf->m_recLen = offset;

    s = tempPath ? fs.createTemp(path, share, &dbf->m_file, tempPath) : fs.create(path, share, &dbf->m_file);
    if (!s.ok()) return s;
    if (tempPath) dbf->m_path = *tempPath;
    s = dbf->m_file->write(0, hdr.data(), hdr.size());
    if (!s.ok()) return s;
    *out = std::move(dbf);
    return Status::Ok();
}

Status DbfFile::open(FileSystem& fs, const std::string& path, Share share, std::unique_ptr<DbfFile>* out,
                     bool readOnly) {
    std::unique_ptr<DbfFile> dbf(new DbfFile);
    dbf->m_path = path;
    dbf->m_share = share;
    Status s = fs.open(path, share, readOnly, &dbf->m_file);
    if (!s.ok()) return s;
    s = dbf->parseHeader();
    if (!s.ok()) return s;
    *out = std::move(dbf);
    return Status::Ok();
}

Status DbfFile::parseHeader() {
    uint64_t size = 0;
    Status s = m_file->size(&size);
    if (!s.ok()) return s;
    uint8_t hdr[kHeaderSize];
    size_t got = 0;
    s = m_file->read(0, hdr, kHeaderSize, &got);
    if (!s.ok()) return s;
    if (got < kHeaderSize) return corrupt(m_path, "file shorter than a header");
    if (hdr[kOffVersion] != kVersionPlain && hdr[kOffVersion] != kVersionMemo)
        return corrupt(m_path, "unsupported version byte");
    const size_t hdrLen = getU16(hdr + kOffHeaderLen);
    const size_t recLen = getU16(hdr + kOffRecordLen);
    if (hdrLen < kHeaderSize + kDescSize + 1) return corrupt(m_path, "header length");
    if (hdrLen > size) return corrupt(m_path, "file shorter than its header");
    if (recLen < 2) return corrupt(m_path, "record length");

    std::vector<uint8_t> desc(hdrLen - kHeaderSize);
    s = m_file->read(kHeaderSize, desc.data(), desc.size(), &got);
    if (!s.ok()) return s;
    if (got < desc.size()) return corrupt(m_path, "file shorter than its header");

    size_t pos = 0;
    int offset = 1;
    std::set<std::string> names;
    for (;; pos += kDescSize) {
        if (pos < desc.size() && desc[pos] == kTerminator) break;
        if (pos + kDescSize > desc.size()) return corrupt(m_path, "no end of the field list");
        const uint8_t* p = desc.data() + pos;
        std::string name;
        for (size_t k = 0; k < kDescNameLen && p[k] != 0; ++k) name.push_back(char(p[k]));
        if (name.size() > kMaxFieldName) name.resize(kMaxFieldName);
        char type = char(std::toupper(p[kDescOffType]));
        int len = p[kDescOffLen];
        int dec = p[kDescOffDec];
        if (!validName(name)) return corrupt(m_path, "field name");
        if (!names.insert(upperAscii(name)).second) return corrupt(m_path, "duplicate field " + name);
        switch (type) {
        case 'C':
            len += dec * 256;  // Clipper's long character fields
            dec = 0;
            break;
        case 'F':
            type = 'N';
            [[fallthrough]];
        case 'N':
            if (dec >= len && dec != 0) return corrupt(m_path, "decimals of " + name);
            break;
        case 'D':
        case 'L':
        case 'M':
            break;
        default:
            return corrupt(m_path, "type of field " + name);
        }
        if (len < 1) return corrupt(m_path, "length of field " + name);
        m_fields.push_back({upperAscii(name), type, len, dec, offset});
        offset += len;
        if (offset > kMaxRecordLen) return corrupt(m_path, "record length");
    }
    if (m_fields.empty()) return corrupt(m_path, "no fields");
    if (size_t(offset) != recLen) return corrupt(m_path, "record length differs from the fields");
    m_hdrLen = int(hdrLen);
    m_recLen = int(recLen);
    const uint64_t bySize = (size - hdrLen) / recLen;
    // Appends grow the file before they count the record, and a cut writes the smaller count first:
    // a file shorter than its count has lost records. Reading on would show them as never written.
    // Under the update mark the order of the two writes is not yet on the disk (a power cut may keep
    // the new count and the old length): that is an interrupted change, repaired as one below.
    if (const uint32_t counted = getU32(hdr + kOffCount); bySize < counted && hdr[kOffUpdating] == 0)
        return makeStatus(kErrCorruptTable, m_path,
                          "Damaged table (the file holds " + std::to_string(bySize) + " records, its header counts " +
                              std::to_string(counted) + "; restore it from a backup)");
    // A record written in part (a write cut short by a kill) counts as a mismatch too: finish() cuts it.
    m_countMismatch = bySize != getU32(hdr + kOffCount) || (size - hdrLen) % recLen > 1;
    m_markFound = hdr[kOffUpdating] != 0;
    m_count = uint32_t(bySize);
    m_tailFirst = m_count + 1;
    return findPadding(size);
}

// Zero bytes after the last record (copies and preallocating tools pad files so) are no records: a
// record's flag is a blank or '*', never 0. The run of all-zero records at the end is left out of the
// count; an open that may write cuts it off.
Status DbfFile::findPadding(uint64_t size) {
    const size_t len = size_t(m_recLen);
    std::vector<uint8_t> buf;
    uint32_t first = m_count + 1;  // the first record of the padding
    for (uint32_t chunk = 1; first > 1; chunk = 256) {  // the last record alone first: usually not zero
        const uint32_t from = first > chunk ? first - chunk : 1;
        buf.resize(size_t(first - from) * len);
        size_t got = 0;
        Status s = m_file->read(uint64_t(m_hdrLen) + uint64_t(from - 1) * len, buf.data(), buf.size(), &got);
        if (!s.ok()) return s;
        if (got != buf.size()) break;
        size_t r = first - from;
        while (r > 0 && std::all_of(buf.begin() + long((r - 1) * len), buf.begin() + long(r * len),
                                    [](uint8_t b) { return b == 0; }))
            --r;
        first = from + uint32_t(r);
        if (r > 0) break;
    }
    if (first > m_count) return Status::Ok();
    m_padFrom = first;
    m_padSize = size;
    m_count = first - 1;
    m_tailFirst = m_count + 1;
    m_countMismatch = true;  // the table's open then writes the count and cuts the padding
    return Status::Ok();
}

void DbfFile::blankRecord(std::vector<uint8_t>* buf) const { buf->assign(size_t(m_recLen), ' '); }

DbfFile::~DbfFile() {
    if (m_file && exclusive()) flushBuffers();  // best effort; close() reports errors through finish()
    if (m_file && m_updating) m_file->unlock(kUpdateLockOffset, 1);
}

Status DbfFile::writeUpdateMark(uint8_t value) {
    Status s = m_file->write(kOffUpdating, &value, 1);
    // The header's block may be cached: keep it equal to the file.
    auto it = m_blocks.find(0);
    if (it != m_blocks.end()) {
        if (s.ok() && it->second.bytes.size() > kOffUpdating) it->second.bytes[kOffUpdating] = value;
        else m_blocks.erase(it);
    }
    return s;
}

Status DbfFile::beginUpdate() {
    if (m_updating) return Status::Ok();
    if (!exclusive()) {
        // Another writer holds the write lock only while it clears the mark.
        Status s = m_file->lock(kUpdateLockOffset, 1, LockKind::Read, true);
        if (!s.ok()) return makeStatus(kErrLock, m_path, "Update lock failed", s.osError);
    }
    // The mark reaches the disk before any page of the change: a disk writes unsynced pages back in
    // any order, and a record or index page on the disk without the mark is a stale order nobody finds.
    Status s = writeUpdateMark(1);
    if (s.ok()) s = m_file->sync();
    if (!s.ok()) {
        if (!exclusive()) m_file->unlock(kUpdateLockOffset, 1);
        return s;
    }
    m_updating = true;
    return s;
}

Status DbfFile::endUpdate(bool clear) {
    if (!m_updating) return Status::Ok();
    Status s;
    if (exclusive()) {
        if (clear) s = writeUpdateMark(0);
        if (!s.ok()) return s;  // still updating: the next end tries again
        m_updating = false;
        m_markFound = m_markFound && !clear;
        return s;
    }
    // Another writer still inside its change keeps its read lock: the mark stays for it to clear.
    if (clear && m_file->lock(kUpdateLockOffset, 1, LockKind::Write, false).ok()) {
        s = writeUpdateMark(0);
        if (!s.ok()) {
            m_file->lock(kUpdateLockOffset, 1, LockKind::Read, false);  // still updating: try again later
            return s;
        }
    }
    m_file->unlock(kUpdateLockOffset, 1);
    m_updating = false;
    return s;
}

Status DbfFile::clearUpdateMark() {
    m_markFound = false;
    if (m_updating) return endUpdate(true);
    return writeUpdateMark(0);
}

bool DbfFile::updateInterrupted() {
    if (!m_markFound) return false;
    if (exclusive()) return true;
    uint8_t mark = 0;
    size_t got = 0;
    if (!m_file->read(kOffUpdating, &mark, 1, &got).ok() || got != 1 || mark == 0) return false;
    // A writer that is alive holds its read lock: the mark is its own, not an interrupted change.
    return !m_file->lockedByOthers(kUpdateLockOffset, 1, LockKind::Write);
}

Status DbfFile::count(uint32_t* n) {
    if (exclusive()) {  // nobody else can change the size
        *n = m_count;
        return Status::Ok();
    }
    uint64_t size = 0;
    Status s = m_file->size(&size);
    if (!s.ok()) return s;
    *n = size <= uint64_t(m_hdrLen) ? 0 : uint32_t((size - uint64_t(m_hdrLen)) / uint64_t(m_recLen));
    if (m_padFrom != 0 && size == m_padSize) *n = m_padFrom - 1;  // the padding found at open is still there
    return Status::Ok();
}

const DbfFile::Block* DbfFile::cachedBlock(uint64_t block, Status* s) {
    auto it = m_blocks.find(block);
    if (it == m_blocks.end()) {
        if (m_blocks.size() >= kMaxBlocks) m_blocks.erase(m_blocks.begin());
        Block b;
        b.bytes.resize(kBlockSize);
        size_t got = 0;
        *s = m_file->read(block * kBlockSize, b.bytes.data(), b.bytes.size(), &got);
        if (!s->ok()) return nullptr;
        b.bytes.resize(got);
        it = m_blocks.emplace(block, std::move(b)).first;
    }
    return &it->second;
}

void DbfFile::setWalking(bool on) {
    if (!on) releaseHeld();
    m_walking = on && !exclusive();
    m_refusedBlock = UINT64_MAX;
    m_lastBlock = UINT64_MAX;
}

void DbfFile::releaseHeld() {
    if (m_heldCount > 0) m_file->unlock(kLockBase + m_heldFirst, m_heldCount);
    m_heldCount = 0;
}

// False: the record is to be read on its own (the first of its block in a row, its block's lock
// was refused, or it lies past the records the file held when its block was read).
bool DbfFile::readHeld(uint32_t recno, uint8_t* buf) {
    const size_t recLen = size_t(m_recLen);
    if (recno < m_heldFirst || recno - m_heldFirst >= m_heldCount) {
        const uint32_t perBlock = uint32_t(std::max<uint64_t>(1, kBlockSize / recLen));
        const uint64_t block = (recno - 1) / perBlock;
        // An order that jumps about the file would read a block for every record: a block is read
        // for the second record of it in a row.
        const bool again = block == m_lastBlock;
        m_lastBlock = block;
        if (!again || block == m_refusedBlock) return false;
        releaseHeld();
        const uint32_t first = uint32_t(block * perBlock) + 1;
        // Locked before it is read: what is read under the lock cannot change until it is released.
        if (!m_file->lock(kLockBase + first, perBlock, LockKind::Read, false).ok()) {
            m_refusedBlock = block;
            return false;
        }
        m_held.resize(size_t(perBlock) * recLen);
        size_t got = 0;
        const Status s = m_file->read(uint64_t(m_hdrLen) + uint64_t(first - 1) * recLen, m_held.data(), m_held.size(), &got);
        const uint32_t whole = s.ok() ? uint32_t(got / recLen) : 0;
        // Records not there yet stay free for those who append them.
        if (whole < perBlock) m_file->unlock(kLockBase + first + whole, perBlock - whole);
        m_heldFirst = first;
        m_heldCount = whole;
        if (recno - first >= whole) return false;
    }
    std::memcpy(buf, m_held.data() + size_t(recno - m_heldFirst) * recLen, recLen);
    return true;
}

Status DbfFile::readRecord(uint32_t recno, uint8_t* buf) {
    auto missing = [&] { return makeStatus(kErrRead, m_path, "Record " + std::to_string(recno) + " is missing"); };
    if (m_walking && recno >= 1 && readHeld(recno, buf)) {
        if (m_counters) ++m_counters->recordsRead;
        return Status::Ok();
    }
    if (exclusive()) {
        if (recno < 1 || recno > m_count) return missing();
        if (recno >= m_tailFirst) {
            std::memcpy(buf, m_tail.data() + size_t(recno - m_tailFirst) * size_t(m_recLen), size_t(m_recLen));
            if (m_counters) ++m_counters->recordsRead;
            return Status::Ok();
        }
        if (m_readCache) {
            uint64_t off = uint64_t(m_hdrLen) + uint64_t(recno - 1) * uint64_t(m_recLen);
            size_t left = size_t(m_recLen);
            uint8_t* dst = buf;
            while (left > 0) {
                Status s;
                const Block* b = cachedBlock(off / kBlockSize, &s);
                if (!b) return s;
                const size_t in = size_t(off % kBlockSize);
                if (in >= b->bytes.size()) return missing();
                const size_t take = std::min(left, b->bytes.size() - in);
                std::memcpy(dst, b->bytes.data() + in, take);
                dst += take;
                off += take;
                left -= take;
            }
            if (m_counters) ++m_counters->recordsRead;
            return Status::Ok();
        }
    }
    size_t got = 0;
    Status s = m_file->read(uint64_t(m_hdrLen) + uint64_t(recno - 1) * uint64_t(m_recLen), buf, size_t(m_recLen), &got);
    if (!s.ok()) return s;
    if (got < size_t(m_recLen)) return missing();
    if (m_counters) ++m_counters->recordsRead;
    return Status::Ok();
}

Status DbfFile::writeRecord(uint32_t recno, const uint8_t* buf) {
    releaseHeld();
    if (exclusive() && recno >= m_tailFirst && recno <= m_count) {
        std::memcpy(m_tail.data() + size_t(recno - m_tailFirst) * size_t(m_recLen), buf, size_t(m_recLen));
        if (m_counters) ++m_counters->pagesWritten;
        return Status::Ok();
    }
    const uint64_t off = uint64_t(m_hdrLen) + uint64_t(recno - 1) * uint64_t(m_recLen);
    Status s = m_file->write(off, buf, size_t(m_recLen));
    if (exclusive()) {
        // Keep cached blocks equal to the file (a failed write may have changed part of it).
        for (uint64_t b = off / kBlockSize; b <= (off + uint64_t(m_recLen) - 1) / kBlockSize; ++b) {
            auto it = m_blocks.find(b);
            if (it == m_blocks.end()) continue;
            const uint64_t start = b * kBlockSize;
            const uint64_t from = std::max(off, start);
            const uint64_t to = std::min(off + uint64_t(m_recLen), start + kBlockSize);
            if (!s.ok() || to - start > it->second.bytes.size()) {
                m_blocks.erase(it);
                continue;
            }
            std::memcpy(it->second.bytes.data() + (from - start), buf + (from - off), size_t(to - from));
        }
    }
    if (s.ok() && m_counters) ++m_counters->pagesWritten;
    return s;
}

// A held block is let go first: this description's lock on the record would otherwise be turned into
// the write lock and then removed with it, leaving the rest of the block held without its record.
Status DbfFile::lockRecord(uint32_t recno) {
    releaseHeld();
    return acquireLock(*m_file, kLockBase + recno, m_lockTimeoutMs);
}
Status DbfFile::unlockRecord(uint32_t recno) { return m_file->unlock(kLockBase + recno, 1); }

Status DbfFile::writeCountAndDate(uint32_t count) {
    uint8_t p[7];
    putDate(p);
    putU32(p + (kOffCount - kOffYear), count);
    return m_file->write(kOffYear, p, sizeof p);
}

// Drops cached blocks that hold any byte from off on (the file changed there).
void DbfFile::dropBlocksFrom(uint64_t off) {
    for (auto it = m_blocks.begin(); it != m_blocks.end();) {
        if ((it->first + 1) * kBlockSize > off) it = m_blocks.erase(it);
        else ++it;
    }
}

Status DbfFile::flushTail() {
    if (m_tail.empty()) return Status::Ok();
    const uint64_t off = uint64_t(m_hdrLen) + uint64_t(m_tailFirst - 1) * uint64_t(m_recLen);
    m_tail.push_back(kEofMarker);
    Status s = m_file->write(off, m_tail.data(), m_tail.size());
    m_tail.pop_back();
    dropBlocksFrom(off);
    if (!s.ok()) return s;  // the tail stays buffered: a later flush or close tries again
    m_tail.clear();
    m_tailFirst = m_count + 1;
    return Status::Ok();
}

Status DbfFile::flushBuffers() {
    if (!exclusive()) return Status::Ok();
    Status s = flushTail();
    if (!s.ok()) return s;
    if (!m_headerStale) return Status::Ok();
    s = writeCountAndDate(m_count);
    if (s.ok()) m_headerStale = false;
    return s;
}

Status DbfFile::append(const uint8_t* buf, uint32_t* recno) {
    releaseHeld();
    const bool shared = m_share == Share::Shared;
    if (shared) {
        Status s = acquireLock(*m_file, kLockBase, m_lockTimeoutMs);
        if (!s.ok()) return makeStatus(kErrLock, m_path, "Append lock failed", s.osError);
    }
    auto body = [&]() -> Status {
        uint32_t n = 0;
        Status s = count(&n);
        if (!s.ok()) return s;
        const uint64_t off = uint64_t(m_hdrLen) + uint64_t(n) * uint64_t(m_recLen);
        if (off + uint64_t(m_recLen) + 1 >= kMaxDataFileSize)
            return makeStatus(kErrTooLarge, m_path, "Table would pass the size limit");
        if (!shared && m_writeBuffer) {
            // Nobody else reads the file: the record waits in the tail, the header and 0x1A wait for
            // flushBuffers (flush, close).
            if (m_tail.empty()) m_tailFirst = n + 1;
            m_tail.insert(m_tail.end(), buf, buf + m_recLen);
            m_count = n + 1;
            m_headerStale = true;
            if (m_counters) ++m_counters->pagesWritten;
            *recno = n + 1;
            return m_tail.size() >= kTailLimit ? flushTail() : Status::Ok();
        }
        if (!shared) {
            s = flushTail();
            if (!s.ok()) return s;
        }
        std::vector<uint8_t> rec(buf, buf + m_recLen);
        if (!shared) rec.push_back(kEofMarker);
        s = m_file->write(off, rec.data(), rec.size());
        if (!shared) dropBlocksFrom(off);
        if (s.ok()) {
            if (m_counters) ++m_counters->pagesWritten;
            s = writeCountAndDate(n + 1);
        }
        if (!s.ok()) {
            // Others count a shared table's records by its length: a record written in part, or one
            // the header does not count, would be read as a record. The file goes back as it was.
            m_file->truncate(off);
            if (!shared) m_file->write(off, &kEofMarker, 1);
            return s;
        }
        if (!shared) {
            m_count = n + 1;
            m_tailFirst = m_count + 1;
        }
        *recno = n + 1;
        return Status::Ok();
    };
    Status s = body();
    if (shared) m_file->unlock(kLockBase, 1);
    return s;
}

Status DbfFile::finish() {
    releaseHeld();
    const bool shared = m_share == Share::Shared;
    if (shared) {
        Status s = acquireLock(*m_file, kLockBase, m_lockTimeoutMs);
        if (!s.ok()) return s;
    }
    auto body = [&]() -> Status {
        Status s = shared ? Status::Ok() : flushTail();
        if (!s.ok()) return s;
        uint32_t n = 0;
        s = count(&n);
        if (!s.ok()) return s;
        s = writeCountAndDate(n);
        if (!s.ok()) return s;
        m_headerStale = false;
        const uint64_t end = uint64_t(m_hdrLen) + uint64_t(n) * uint64_t(m_recLen);
        const uint8_t eof = kEofMarker;
        if (!shared) dropBlocksFrom(end);
        s = m_file->write(end, &eof, 1);
        if (!s.ok()) return s;
        s = m_file->truncate(end + 1);
        if (s.ok()) m_padFrom = 0;  // cut off with whatever followed the records
        return s;
    };
    Status s = body();
    if (shared) m_file->unlock(kLockBase, 1);
    return s;
}

Status DbfFile::truncateRecords(uint32_t count) {
    Status s = flushTail();
    if (!s.ok()) return s;
    const uint64_t end = uint64_t(m_hdrLen) + uint64_t(count) * uint64_t(m_recLen);
    dropBlocksFrom(end);
    // The count first: cut short between the two, the file still holds every record it counts.
    s = writeCountAndDate(count);
    if (s.ok()) s = m_file->truncate(end);
    if (!s.ok()) return s;
    if (exclusive()) {
        m_count = std::min(m_count, count);
        m_tailFirst = m_count + 1;
    }
    return finish();
}

Status DbfFile::sync() {
    Status s = flushBuffers();
    if (!s.ok()) return s;
    return m_file->sync();
}

}  // namespace xbase
