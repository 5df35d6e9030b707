#include "DbfHeader.h"

#include <memory>
#include <vector>

#include "xbase/Bytes.h"

namespace dbtool {

namespace {

// DBF header layout.
constexpr size_t kDbfHeaderSize = 32;
constexpr size_t kOffVersion = 0;
constexpr size_t kOffYear = 1;
constexpr size_t kOffMonth = 2;
constexpr size_t kOffDay = 3;
constexpr size_t kOffCount = 4;
constexpr size_t kOffHeaderLength = 8;
constexpr size_t kOffRecordLength = 10;
constexpr size_t kOffLanguage = 29;
constexpr size_t kOffUpdating = 30;  // the engine's update-in-progress mark

// DBT header: the next free block at offset 0.
constexpr size_t kDbtHeaderSize = 4;
constexpr uint8_t kMemoEnd = 0x1A;

xbase::Status readStart(xbase::FileSystem& fs, const std::string& path, size_t n, std::vector<uint8_t>* bytes,
                        uint64_t* size, int shortCode) {
    std::unique_ptr<xbase::File> file;
    xbase::Status st = fs.open(path, xbase::Share::Shared, true, &file);
    if (!st.ok()) return st;
    st = file->size(size);
    if (!st.ok()) return st;
    bytes->assign(n, 0);
    size_t got = 0;
    st = file->read(0, bytes->data(), n, &got);
    if (!st.ok()) return st;
    if (got < n) return xbase::makeStatus(shortCode, path, "file shorter than its header");
    return xbase::Status::Ok();
}

xbase::Status readLastByte(xbase::FileSystem& fs, const std::string& path, uint64_t size, int* out) {
    *out = -1;
    if (size == 0) return xbase::Status::Ok();
    std::unique_ptr<xbase::File> file;
    xbase::Status st = fs.open(path, xbase::Share::Shared, true, &file);
    if (!st.ok()) return st;
    uint8_t b = 0;
    size_t got = 0;
    st = file->read(size - 1, &b, 1, &got);
    if (st.ok() && got == 1) *out = b;
    return st;
}

}  // namespace

xbase::Status readDbfHeader(xbase::FileSystem& fs, const std::string& path, DbfHeader* out) {
    std::vector<uint8_t> h;
    xbase::Status st = readStart(fs, path, kDbfHeaderSize, &h, &out->fileSize, xbase::kErrCorruptTable);
    if (!st.ok()) return st;
    out->version = h[kOffVersion];
    const int y = h[kOffYear];
    out->year = y < 80 ? 2000 + y : 1900 + y;
    out->month = h[kOffMonth];
    out->day = h[kOffDay];
    out->recordCount = xbase::getU32(&h[kOffCount]);
    out->headerLength = xbase::getU16(&h[kOffHeaderLength]);
    out->recordLength = xbase::getU16(&h[kOffRecordLength]);
    out->languageId = h[kOffLanguage];
    out->updateMark = h[kOffUpdating];
    return readLastByte(fs, path, out->fileSize, &out->lastByte);
}

xbase::Status readDbtHeader(xbase::FileSystem& fs, const std::string& path, DbtHeader* out) {
    std::vector<uint8_t> h;
    xbase::Status st = readStart(fs, path, kDbtHeaderSize, &h, &out->fileSize, xbase::kErrCorruptMemo);
    if (!st.ok()) return st;
    out->nextFree = xbase::getU32(h.data());
    return xbase::Status::Ok();
}

bool memoHasEndMark(xbase::File& file, uint32_t block) {
    std::vector<uint8_t> buf(kMemoBlockSize * 8);
    for (uint64_t off = uint64_t(block) * kMemoBlockSize;; off += buf.size()) {
        size_t got = 0;
        if (!file.read(off, buf.data(), buf.size(), &got).ok() || got == 0) return false;
        for (size_t i = 0; i < got; ++i) {
            if (buf[i] == kMemoEnd) return true;
        }
    }
}

}  // namespace dbtool
