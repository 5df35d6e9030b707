// FORMAT notes (choices the format leaves open):
// - Block size 512 always; next-free block (uint32) at offset 0, version byte 3 at offset 16, bytes
//   20-21 kept zero; the rest of block 0 is zero.
// - Memos are always appended, never overwritten: memo first, then the record pointing at it, so the
//   old text stays valid until the record is written. Dead blocks are reclaimed by compressMemo.
// - The new memo goes to the end of the file rounded up to a block: a next-free value inside the
//   file would overwrite another memo, one past its end would grow the file by whatever it says.
// - A memo ends with two 0x1A; reading stops at the first one. Text containing 0x1A is refused.
// - Block 0 is the header, so a reference to block 0 means "no memo".
// - A memo longer than 16 MB without an end marker is treated as damage.
#include "xbase/DbtFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "xbase/Bytes.h"
#include "xbase/FileLocks.h"

namespace xbase {

namespace {

constexpr size_t kOffNextFree = 0;
constexpr size_t kOffVersion = 16;
constexpr uint8_t kVersion = 0x03;
constexpr uint8_t kEnd = 0x1A;
constexpr size_t kReadChunk = 4096;
constexpr size_t kReadWindow = 32 * 1024;  // exclusive reads
constexpr size_t kWriteBatch = 64 * 1024;  // exclusive appends are written in batches of about this
// Far beyond any memo the program writes (32,000 characters); a damaged file without end markers
// must not make a read swallow the whole memo file.
constexpr size_t kMaxMemoLength = 16u << 20;

}  // namespace

bool parseMemoRef(std::string_view text, uint32_t* block) {
    *block = 0;
    if (!text.empty() && text[0] == '\0') return true;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    uint64_t v = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        v = v * 10 + uint64_t(text[i] - '0');
        if (v > 0xFFFFFFFFULL) return false;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\0')) ++i;
    if (i != text.size()) return false;
    *block = uint32_t(v);
    return true;
}

Status DbtFile::create(FileSystem& fs, const std::string& path, Share share, std::unique_ptr<DbtFile>* out,
                       std::string* tempPath) {
    std::unique_ptr<DbtFile> dbt(new DbtFile);
    dbt->m_path = path;
    dbt->m_exclusive = share == Share::Exclusive;
    Status s = tempPath ? fs.createTemp(path, share, &dbt->m_file, tempPath) : fs.create(path, share, &dbt->m_file);
    if (!s.ok()) return s;
    if (tempPath) dbt->m_path = *tempPath;
    std::vector<uint8_t> hdr(kBlockSize, 0);
    putU32(hdr.data() + kOffNextFree, 1);
    hdr[kOffVersion] = kVersion;
    s = dbt->m_file->write(0, hdr.data(), hdr.size());
    if (!s.ok()) return s;
    *out = std::move(dbt);
    return Status::Ok();
}

Status DbtFile::open(FileSystem& fs, const std::string& path, Share share, std::unique_ptr<DbtFile>* out,
                     bool readOnly) {
    std::unique_ptr<DbtFile> dbt(new DbtFile);
    dbt->m_path = path;
    dbt->m_exclusive = share == Share::Exclusive;
    Status s = fs.open(path, share, readOnly, &dbt->m_file);
    if (!s.ok()) return s;
    uint64_t size = 0;
    s = dbt->m_file->size(&size);
    if (!s.ok()) return s;
    if (size < 4) return makeStatus(kErrCorruptMemo, path, "Damaged memo file (no header)");
    if (!readOnly) dbt->trimNextFree();
    *out = std::move(dbt);
    return Status::Ok();
}

// An append interrupted between its next-free pointer and its blocks leaves the pointer past the end
// of the file. This engine appends at the end anyway; the pointer is set back so that other engines,
// which trust it, do not leave a gap. Best effort: a held lock or a failed write leaves it for later.
void DbtFile::trimNextFree() {
    if (!m_exclusive && !acquireLock(*m_file, kMemoLockOffset, 0).ok()) return;
    uint8_t hdr[4];
    size_t got = 0;
    uint64_t size = 0;
    if (m_file->read(kOffNextFree, hdr, sizeof hdr, &got).ok() && got == sizeof hdr && m_file->size(&size).ok()) {
        const uint64_t held = std::max<uint64_t>((size + kBlockSize - 1) / kBlockSize, 1);
        if (getU32(hdr) > held) {
            putU32(hdr, uint32_t(held));
            m_file->write(kOffNextFree, hdr, sizeof hdr);
        }
    }
    if (!m_exclusive) m_file->unlock(kMemoLockOffset, 1);
}

DbtFile::~DbtFile() {
    if (m_file) flushBuffers();  // best effort; the table's close and flush report errors
}

// The next-free block is written before the memos it covers: other engines trust it, so a memo on the
// disk must never lie beyond it (an interruption in between leaves unused blocks, nothing worse).
Status DbtFile::flushBuffers() {
    if (!m_buf.empty() || m_headerStale) m_window.clear();
    if (m_headerStale) {
        uint8_t hdr[4];
        putU32(hdr, uint32_t(m_next));
        Status s = m_file->write(kOffNextFree, hdr, sizeof hdr);
        if (!s.ok()) return s;
        m_headerStale = false;
    }
    if (!m_buf.empty()) {
        Status s = m_file->write(m_bufFirst * kBlockSize, m_buf.data(), m_buf.size());
        if (!s.ok()) return s;  // still buffered: a later flush tries again
        m_buf.clear();
        m_bufPad = 0;
    }
    return Status::Ok();
}

Status DbtFile::read(uint32_t block, std::string* text) {
    text->clear();
    if (!m_buf.empty() && block >= m_bufFirst) {
        Status s = flushBuffers();
        if (!s.ok()) return s;
    }
    if (m_exclusive) return readWindowed(block, text);
    uint64_t size = 0;
    Status s = m_file->size(&size);
    if (!s.ok()) return s;
    uint64_t off = uint64_t(block) * kBlockSize;
    if (block == 0 || off >= size)
        return makeStatus(kErrCorruptMemo, m_path, "Memo reference " + std::to_string(block) + " out of range");
    std::vector<char> buf(kReadChunk);
    while (off < size) {
        size_t got = 0;
        s = m_file->read(off, buf.data(), buf.size(), &got);
        if (!s.ok()) return s;
        if (got == 0) break;
        const auto end = std::find(buf.begin(), buf.begin() + long(got), char(kEnd));
        text->append(buf.begin(), end);
        if (end != buf.begin() + long(got)) break;
        if (text->size() > kMaxMemoLength)
            return makeStatus(kErrCorruptMemo, m_path, "Memo at block " + std::to_string(block) + " has no end");
        off += got;
    }
    return Status::Ok();
}

Status DbtFile::readWindowed(uint32_t block, std::string* text) {
    uint64_t off = uint64_t(block) * kBlockSize;
    for (bool first = true;; first = false) {
        if (block == 0 || off < m_windowOff || off >= m_windowOff + m_window.size()) {
            m_window.resize(kReadWindow);
            size_t got = 0;
            Status s = block == 0 ? Status::Ok() : m_file->read(off, m_window.data(), m_window.size(), &got);
            m_window.resize(s.ok() ? got : 0);
            m_windowOff = off;
            if (!s.ok()) return s;
            if (got == 0 && first)
                return makeStatus(kErrCorruptMemo, m_path, "Memo reference " + std::to_string(block) + " out of range");
            if (got == 0) return Status::Ok();  // no end marker before the end of the file
        }
        const char* from = m_window.data() + (off - m_windowOff);
        const size_t avail = m_window.size() - size_t(off - m_windowOff);
        const char* end = static_cast<const char*>(std::memchr(from, char(kEnd), avail));
        text->append(from, end ? size_t(end - from) : avail);
        if (end) return Status::Ok();
        if (text->size() > kMaxMemoLength)
            return makeStatus(kErrCorruptMemo, m_path, "Memo at block " + std::to_string(block) + " has no end");
        off += avail;
    }
}

Status DbtFile::append(std::string_view text, uint32_t* block) {
    if (text.find(char(kEnd)) != std::string_view::npos)
        return makeStatus(kErrBadValue, m_path, "Memo text holds the end-of-memo character 0x1A");
    if (m_exclusive) return appendLocked(text, block);
    Status s = acquireLock(*m_file, kMemoLockOffset, m_lockTimeoutMs);
    if (!s.ok()) return s;
    s = appendLocked(text, block);
    m_file->unlock(kMemoLockOffset, 1);
    return s;
}

Status DbtFile::appendLocked(std::string_view text, uint32_t* block) {
    uint8_t hdr[4];
    Status s;
    uint64_t at = m_next;
    if (at == 0) {
        size_t got = 0;
        s = m_file->read(kOffNextFree, hdr, sizeof hdr, &got);
        if (!s.ok()) return s;
        if (got < sizeof hdr) return makeStatus(kErrCorruptMemo, m_path, "Damaged memo file (no header)");
        uint64_t size = 0;
        s = m_file->size(&size);
        if (!s.ok()) return s;
        // The next-free pointer is not trusted either way (see the notes above): the end of the
        // file is where the last memo ends.
        at = std::max<uint64_t>((size + kBlockSize - 1) / kBlockSize, 1);
    }
    const uint64_t blocks = (text.size() + 2 + kBlockSize - 1) / kBlockSize;
    if ((at + blocks) * kBlockSize >= kMaxDataFileSize)
        return makeStatus(kErrTooLarge, m_path, "Memo file would pass the size limit");

    if (m_exclusive && m_writeBuffer) {
        // Nobody else reads the file: the memo waits in the buffer, the header for flushBuffers.
        if (m_buf.empty()) m_bufFirst = at;
        m_buf.append(m_bufPad, '\0');
        m_buf.append(text);
        m_buf.append(2, char(kEnd));
        m_bufPad = size_t(blocks * kBlockSize) - (text.size() + 2);
        m_next = at + blocks;
        m_headerStale = true;
        if (m_counters) m_counters->pagesWritten += blocks + 1;
        *block = uint32_t(at);
        return m_buf.size() >= kWriteBatch ? flushBuffers() : Status::Ok();
    }
    std::string data(text);
    data.append(2, char(kEnd));
    m_next = 0;  // after a failure, read the file again
    m_window.clear();
    putU32(hdr, uint32_t(at + blocks));  // the blocks are taken before they are written (see flushBuffers)
    s = m_file->write(kOffNextFree, hdr, sizeof hdr);
    if (!s.ok()) return s;
    s = m_file->write(at * kBlockSize, data.data(), data.size());
    if (!s.ok()) return s;
    if (m_exclusive) m_next = at + blocks;
    if (m_counters) m_counters->pagesWritten += blocks + 1;
    *block = uint32_t(at);
    return Status::Ok();
}

Status DbtFile::sync() {
    Status s = flushBuffers();
    if (!s.ok()) return s;
    return m_file->sync();
}

}  // namespace xbase
