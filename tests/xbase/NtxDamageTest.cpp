// Damaged index files: a negative code at open or kErrCorruptIndex while reading, naming the file;
// never a crash, a hang or a wrong answer presented as success.
#include <gtest/gtest.h>

#include <cstring>

#include "NtxTestSupport.h"
#include "xbase/Bytes.h"
#include "xbase/NtxFormat.h"

using namespace xbase;
using namespace ntxtest;

namespace {

std::vector<uint8_t> fixture(const char* set, const char* file) {
    return readBytes(std::string(CORVANE_FIXTURES_DIR) + "/xbase/" + set + "/" + file);
}

int openBytes(FileSystem& fs, const std::vector<uint8_t>& bytes, std::unique_ptr<NtxIndex>* out, Status* st) {
    putFile(fs, "d.ntx", bytes);
    return NtxIndex::open(fs, "d.ntx", Share::Shared, false, 0, nullptr, out, st);
}

struct HeaderDamage {
    const char* what;
    void (*apply)(std::vector<uint8_t>&);
};

const HeaderDamage kHeaderDamages[] = {
    {"empty file", [](std::vector<uint8_t>& b) { b.clear(); }},
    {"cut inside the header", [](std::vector<uint8_t>& b) { b.resize(700); }},
    {"cut after the header", [](std::vector<uint8_t>& b) { b.resize(1024); }},
    {"unknown signature bits", [](std::vector<uint8_t>& b) { putU16(b.data(), 0x0026); }},
    {"signature zero", [](std::vector<uint8_t>& b) { putU16(b.data(), 0); }},
    {"key size zero", [](std::vector<uint8_t>& b) { putU16(b.data() + 14, 0); }},
    {"key size too large", [](std::vector<uint8_t>& b) { putU16(b.data() + 14, 300); }},
    {"item size mismatch", [](std::vector<uint8_t>& b) { putU16(b.data() + 12, 99); }},
    {"keys per page zero", [](std::vector<uint8_t>& b) { putU16(b.data() + 18, 0); }},
    {"keys per page overflow the page", [](std::vector<uint8_t>& b) { putU16(b.data() + 18, 60); }},
    {"root zero", [](std::vector<uint8_t>& b) { putU32(b.data() + 4, 0); }},
    {"root unaligned", [](std::vector<uint8_t>& b) { putU32(b.data() + 4, 1500); }},
    {"root past the end", [](std::vector<uint8_t>& b) { putU32(b.data() + 4, 1024 * 1000); }},
    {"free list unaligned", [](std::vector<uint8_t>& b) { putU32(b.data() + 8, 77); }},
    {"expression not text", [](std::vector<uint8_t>& b) { b[22] = 0x01; }},
};

TEST(NtxDamage, BadHeadersAreRefusedAtOpen) {
    for (const auto& d : kHeaderDamages) {
        auto bytes = fixture("small", "cname.ntx");
        d.apply(bytes);
        auto fs = newMemoryFileSystem();
        std::unique_ptr<NtxIndex> index;
        Status st;
        EXPECT_LT(openBytes(*fs, bytes, &index, &st), 0) << d.what;
        EXPECT_FALSE(index) << d.what;
        EXPECT_NE(st.message.find("d.ntx"), std::string::npos) << d.what << ": " << st.message;
    }
}

TEST(NtxDamage, KeyLengthDifferentFromTheExpressionIsRefused) {
    auto fs = newMemoryFileSystem();
    putFile(*fs, "d.ntx", fixture("small", "cname.ntx"));
    std::unique_ptr<NtxIndex> index;
    Status st;
    EXPECT_EQ(NtxIndex::open(*fs, "d.ntx", Share::Shared, false, 34, nullptr, &index, &st), kErrKeyLength);
}

// Offsets of the pages of a fixture's tree with their level (root = 0).
std::vector<std::pair<uint32_t, int>> treePages(const std::vector<uint8_t>& b) {
    ntx::Header h;
    std::string why;
    std::vector<std::pair<uint32_t, int>> out;
    if (!ntx::decodeHeader(b.data(), b.size(), &h, &why)) return out;
    const ntx::Geometry g{h.keySize, h.itemSize, h.maxKeys, h.descending};
    std::vector<std::pair<uint32_t, int>> todo{{h.root, 0}};
    while (!todo.empty()) {
        auto [off, level] = todo.back();
        todo.pop_back();
        out.emplace_back(off, level);
        ntx::Page p;
        if (!ntx::decodePage(b.data() + off, off, g, b.size(), &p, &why)) continue;
        if (!p.leaf())
            for (int i = 0; i <= p.count(); ++i) todo.emplace_back(p.child(i), level + 1);
    }
    return out;
}

// The in-page offset of slot i's item.
size_t itemAt(const std::vector<uint8_t>& b, uint32_t page, int slot) {
    return page + getU16(b.data() + page + 2 + 2 * slot);
}

struct PageDamage {
    const char* what;
    void (*apply)(std::vector<uint8_t>& b, uint32_t root, uint32_t branch, uint32_t leaf);
};

const PageDamage kPageDamages[] = {
    {"more keys than a page holds", [](auto& b, auto, auto, uint32_t leaf) { putU16(b.data() + leaf, 21); }},
    {"item offset outside the page",
     [](auto& b, auto, auto, uint32_t leaf) { putU16(b.data() + leaf + 2 + 2 * 3, 1020); }},
    {"child unaligned",
     [](auto& b, auto, uint32_t branch, auto) { putU32(b.data() + itemAt(b, branch, 1), 3000); }},
    {"child past the end",
     [](auto& b, auto, uint32_t branch, auto) { putU32(b.data() + itemAt(b, branch, 1), 1024 * 5000); }},
    {"child leading back to the root (a cycle)",
     [](auto& b, uint32_t root, uint32_t branch, auto) { putU32(b.data() + itemAt(b, branch, 0), root); }},
    {"leaf given a child",
     [](auto& b, auto, auto, uint32_t leaf) { putU32(b.data() + itemAt(b, leaf, 0), 1024); }},
    {"keys swapped inside a page",
     [](auto& b, auto, auto, uint32_t leaf) {
         const uint16_t s0 = getU16(b.data() + leaf + 2), s5 = getU16(b.data() + leaf + 12);
         putU16(b.data() + leaf + 2, s5);
         putU16(b.data() + leaf + 12, s0);
     }},
    {"keys out of order across pages",
     [](auto& b, auto, auto, uint32_t leaf) { std::memset(b.data() + itemAt(b, leaf, 0) + 8, 'z', 35); }},
    {"file cut in the middle of the tree", [](auto& b, auto, auto, auto) { b.resize(100 * 1024); }},
};

TEST(NtxDamage, DamagedPagesGiveCorruptIndexWhenRead) {
    const auto original = fixture("large", "cname.ntx");  // three levels, permuted pages
    const uint32_t root = getU32(original.data() + 4);
    uint32_t branch = 0, leaf = 0;
    for (auto [off, level] : treePages(original)) {
        if (level == 1 && !branch) branch = off;
        if (level == 2 && !leaf && getU16(original.data() + off) >= 10) leaf = off;
    }
    ASSERT_TRUE(branch && leaf);
    for (const auto& d : kPageDamages) {
        auto bytes = original;
        d.apply(bytes, root, branch, leaf);
        auto fs = newMemoryFileSystem();
        std::unique_ptr<NtxIndex> index;
        Status st;
        const int rc = openBytes(*fs, bytes, &index, &st);
        if (rc < 0) {
            EXPECT_EQ(rc, kErrCorruptIndex) << d.what;
            continue;
        }
        int walkRc = 0;
        walkAll(*index, &walkRc);
        EXPECT_EQ(walkRc, kErrCorruptIndex) << d.what;
        EXPECT_NE(index->lastStatus().message.find("d.ntx"), std::string::npos) << d.what;
        int scanRc = 0;
        scan(*index, &scanRc);
        EXPECT_TRUE(scanRc == kErrCorruptIndex || scanRc == kEof) << d.what << " gave " << scanRc;
    }
}

// Every byte of a small index flipped in turn: each operation either works or reports damage.
TEST(NtxDamage, FlippedBytesNeverCrash) {
    const auto original = fixture("small", "itmp.ntx");
    auto fs = newMemoryFileSystem();
    for (size_t at = 0; at < original.size(); ++at) {
        if (at >= 560 && at < 1024) continue;  // unused header bytes
        for (uint8_t mask : {uint8_t(0xFF), uint8_t(0x04)}) {
            auto bytes = original;
            bytes[at] ^= mask;
            std::unique_ptr<NtxIndex> index;
            Status st;
            if (openBytes(*fs, bytes, &index, &st) < 0) continue;
            int rc = 0;
            walkAll(*index, &rc);
            ASSERT_TRUE(rc == 0 || rc == kErrCorruptIndex) << "byte " << at << ": " << rc;
            scan(*index, &rc);
            ASSERT_TRUE(rc == kEof || rc == kErrCorruptIndex) << "byte " << at << ": " << rc;
            uint32_t recno = 0;
            rc = index->seek("ABC", &recno);
            ASSERT_TRUE(rc >= 0 || rc == kErrCorruptIndex) << "byte " << at;
            rc = index->insert("ABC         1234", 99);
            ASSERT_TRUE(rc == 0 || rc == kErrCorruptIndex) << "byte " << at;
            rc = index->remove("ABC         1234", 99);
            ASSERT_TRUE(rc == 0 || rc == kErrCorruptIndex) << "byte " << at;
        }
    }
}

}  // namespace
