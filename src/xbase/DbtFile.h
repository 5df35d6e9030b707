#pragma once
// One dBase III memo file: 512-byte blocks, memos appended and ended with 0x1A 0x1A.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/Engine.h"
#include "xbase/FileSystem.h"

namespace xbase {

class DbtFile {
public:
    static constexpr uint32_t kBlockSize = 512;

    static Status open(FileSystem& fs, const std::string& path, Share share, std::unique_ptr<DbtFile>* out,
                       bool readOnly = false);
    // With tempPath: a temporary file beside path, as DbfFile::create makes one.
    static Status create(FileSystem& fs, const std::string& path, Share share, std::unique_ptr<DbtFile>* out,
                         std::string* tempPath = nullptr);

    // Reads the memo starting at block, up to the first 0x1A (or the end of the file).
    Status read(uint32_t block, std::string* text);
    // Appends text at the next free block under the memo lock and returns its block. Text holding
    // 0x1A is refused (kErrBadValue): readers would stop there.
    Status append(std::string_view text, uint32_t* block);
    Status sync();
    // Exclusive opens: writes the buffered memos and the next-free block in the header.
    Status flushBuffers();
    // Exclusive opens only: batch appended memos (on unless turned off).
    void setWriteBuffering(bool on) { m_writeBuffer = on; }
    ~DbtFile();

    const std::string& path() const { return m_path; }
    File& file() { return *m_file; }
    void setLockTimeout(int ms) { m_lockTimeoutMs = ms; }
    void setCounters(IoCounters* c) { m_counters = c; }

private:
    DbtFile() = default;
    Status appendLocked(std::string_view text, uint32_t* block);
    void trimNextFree();

    std::unique_ptr<File> m_file;
    std::string m_path;
    int m_lockTimeoutMs = 2000;
    IoCounters* m_counters = nullptr;
    bool m_exclusive = false;  // nobody else appends: no lock, and m_next stays right
    uint64_t m_next = 0;       // exclusive: the next free block once known (0: read the header)
    // Exclusive: memos appended from block m_bufFirst on, not yet written. The last one is not padded
    // to a whole block; m_bufPad bytes go before the next one.
    bool m_writeBuffer = true;
    std::string m_buf;
    uint64_t m_bufFirst = 0;
    size_t m_bufPad = 0;
    bool m_headerStale = false;
    // Exclusive: bytes of the file from m_windowOff on, kept from the last read so that memos read
    // in file order (a pack's copy) take one read call per window rather than one or two per memo.
    // Any write drops it.
    std::string m_window;
    uint64_t m_windowOff = 0;
    Status readWindowed(uint32_t block, std::string* text);
};

// A memo field's block reference: blank (or starting with NUL) means no memo; otherwise decimal
// digits with leading blanks. Returns false for anything else (a damaged reference).
bool parseMemoRef(std::string_view text, uint32_t* block);

}  // namespace xbase
