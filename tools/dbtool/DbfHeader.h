#pragma once
// The DBF and DBT header fields the tool shows and checks, read from the files themselves so that the
// check does not depend on what the engine makes of them.
#include <cstdint>
#include <string>

#include "xbase/FileSystem.h"

namespace dbtool {

struct DbfHeader {
    uint64_t fileSize = 0;
    int version = 0;
    int year = 0;  // full year, read as the engine's readers do (below 80: 2000 onwards)
    int month = 0;
    int day = 0;
    uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    int languageId = 0;
    int updateMark = 0;  // non-zero: a change may have been cut short, the tags may be behind
    int lastByte = -1;  // the file's last byte, -1 when empty
};

// Reads the 32-byte header of a table. A short file gives kErrCorruptTable.
xbase::Status readDbfHeader(xbase::FileSystem& fs, const std::string& path, DbfHeader* out);

struct DbtHeader {
    uint64_t fileSize = 0;
    uint32_t nextFree = 0;  // first block not yet used
};

xbase::Status readDbtHeader(xbase::FileSystem& fs, const std::string& path, DbtHeader* out);

// Scans the memo that starts at block for its 0x1A end mark. False when the file ends first.
bool memoHasEndMark(xbase::File& memoFile, uint32_t block);

// Memo files use 512-byte blocks.
constexpr uint64_t kMemoBlockSize = 512;

}  // namespace dbtool
