#pragma once
// The NTX file layout: named offsets of the header page and of B-tree pages, and the decoding of both
// into plain values. Nothing here does I/O.
//
// Header page (page 0, 1024 bytes):
//   0 u16 signature (6; 7 with a FOR condition)     2 u16 update counter (wraps)
//   4 u32 root page offset                           8 u32 free-list head (0 = none)
//  12 u16 item size (key size + 8)                  14 u16 key size
//  16 u16 key decimals                              18 u16 MaxKeys per page
//  20 u16 half page (MaxKeys / 2)                   22 key expression, NUL-terminated (256 bytes)
// 278 unique flag     280 descending flag           282 FOR expression (256 bytes)
// 538 tag name (12 bytes, at most 10 characters)    everything else zero
//
// B-tree page (1024 bytes):
//   0 u16 n (keys used)
//   2 u16 x (MaxKeys + 1) offset table: in-page offset of the item in logical slot i
//   items of (key size + 8) bytes: [u32 child offset][u32 record number][key]
// Slots 0..n-1 hold the keys in order; child i holds keys that sort before key i; slot n holds only
// the rightmost child. Leaves have all children 0. Page references are byte offsets.
// A freed page has n = 0 and chains to the next free page through the child of its slot-0 item.
#include <cstddef>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace xbase::ntx {

constexpr uint32_t kPageSize = 1024;
constexpr uint64_t kLockOffset = 1000000000ULL;  // index lock byte, beyond any data
constexpr uint64_t kMaxFileSize = 1000000000ULL;

constexpr size_t kHdrSignature = 0;
constexpr size_t kHdrVersion = 2;
constexpr size_t kHdrRoot = 4;
constexpr size_t kHdrFree = 8;
constexpr size_t kHdrItemSize = 12;
constexpr size_t kHdrKeySize = 14;
constexpr size_t kHdrKeyDec = 16;
constexpr size_t kHdrMaxKeys = 18;
constexpr size_t kHdrHalfPage = 20;
constexpr size_t kHdrExpression = 22;
constexpr size_t kHdrExpressionSize = 256;
constexpr size_t kHdrUnique = 278;
constexpr size_t kHdrDescending = 280;
constexpr size_t kHdrForExpression = 282;
constexpr size_t kHdrTagName = 538;
constexpr size_t kHdrTagNameSize = 12;
constexpr size_t kHdrCounterBlock = 12;  // bytes 0..11: what changes with every update
// Our mark (a byte other engines leave zero): a change of several pages is being written. Still set
// at open, it means a write failed part-way and the tree must be rebuilt from the table.
constexpr size_t kHdrIncomplete = 1023;

constexpr uint16_t kSignaturePlain = 0x0006;
constexpr int kMaxKeyLength = 256;
constexpr int kMaxTagName = 10;

constexpr size_t kPageCount = 0;
constexpr size_t kPageOffsets = 2;
constexpr size_t kItemChild = 0;
constexpr size_t kItemRecno = 4;
constexpr size_t kItemKey = 8;

// Keys per page for a key length: floor(1022 / (keyLen + 10)) - 1, less one more when odd and above 2.
int maxKeysFor(int keyLength);

struct Header {
    uint16_t signature = kSignaturePlain;
    uint16_t version = 1;
    uint32_t root = 0;
    uint32_t freeHead = 0;
    uint16_t itemSize = 0;
    uint16_t keySize = 0;
    uint16_t keyDecimals = 0;
    uint16_t maxKeys = 0;
    uint16_t halfPage = 0;
    std::string expression;
    bool unique = false;
    bool descending = false;
    std::string tagName;

    // The fields of bytes 0..11; equal when nobody changed the file in between.
    bool sameCounters(const Header& o) const {
        return signature == o.signature && version == o.version && root == o.root && freeHead == o.freeHead;
    }
};

// Checks and decodes a whole header page. Returns false with *why when it is not a usable NTX header.
bool decodeHeader(const uint8_t* page, uint64_t fileSize, Header* out, std::string* why);
void decodeCounters(const uint8_t* bytes, Header* h);
void encodeHeader(const Header& h, uint8_t* page);  // the whole page (create, rebuild)
void encodeCounters(const Header& h, uint8_t* bytes);  // bytes 0..11

// An item taken out of a page: the key going up after a split, or a separator on its way between
// pages.
struct Entry {
    uint32_t child = 0;
    uint32_t recno = 0;
    std::string key;
};

// A tree page in memory. Its items sit in slot order, laid out as in the file ([u32 child][u32 record
// number][key]), in one block: a cached page costs about its size on disk, reading one copies items
// rather than building an object per key, and a search touches few cache lines.
class Page {
public:
    Page() = default;
    explicit Page(int keyLength) { setKeyLength(keyLength); }

    uint32_t offset = 0;
    uint32_t right = 0;  // child after the last key (slot n)
    int stored = -1;     // keys the page holds in the file (-1: not known), so a write need not read it

    // Empties the page and sets the length of its keys.
    void setKeyLength(int keyLength);
    int keyLength() const { return int(m_stride) - 8; }

    bool leaf() const { return right == 0; }
    int count() const { return m_count; }
    std::string_view key(int i) const { return {reinterpret_cast<const char*>(item(i) + 8), m_stride - 8}; }
    uint32_t recno(int i) const { return load(item(i) + 4); }
    uint32_t child(int i) const { return i < count() ? load(item(i)) : right; }
    void setChild(int i, uint32_t off) {
        if (i < count()) store(item(i), off);
        else right = off;
    }
    // Slot i's key and record number; its child stays.
    void setKey(int i, std::string_view key, uint32_t recno);
    Entry entry(int i) const { return Entry{load(item(i)), recno(i), std::string(key(i))}; }

    void insert(int i, uint32_t child, uint32_t recno, std::string_view key);
    void insert(int i, const Entry& e) { insert(i, e.child, e.recno, e.key); }
    void erase(int first, int last);  // slots [first, last)
    // Copies slots [first, last) of another page with keys of the same length to the end of this one.
    void append(const Page& from, int first, int last);
    // Makes the page n items long, to be filled in place in the file's item layout, with room for
    // `capacity` items before the block moves.
    uint8_t* fill(int n, int capacity);
    const uint8_t* items() const { return m_items.data(); }

    // The first slot whose key is not `before` (keys in slot order make `before` true, then false).
    template <class Before>
    int partitionPoint(Before before) const {
        int lo = 0;
        int hi = m_count;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (before(key(mid))) lo = mid + 1;
            else hi = mid;
        }
        return lo;
    }

private:
    const uint8_t* item(int i) const { return m_items.data() + size_t(i) * m_stride; }
    uint8_t* item(int i) { return m_items.data() + size_t(i) * m_stride; }
    static uint32_t load(const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    static void store(uint8_t* p, uint32_t v) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    }
    void put(uint8_t* at, uint32_t child, uint32_t recno, std::string_view key);

    size_t m_stride = 8;
    int m_count = 0;
    std::vector<uint8_t> m_items;
};

struct Geometry {
    int keyLength = 0;
    int itemSize = 0;
    int maxKeys = 0;
    bool descending = false;
};

// The sign of memcmp over n bytes, eight at a time: keys are short, and every step of a tree search
// and every key of a page read makes a comparison, where a call to memcmp costs more than the bytes.
inline int compareBytes(const char* a, const char* b, size_t n) {
#if defined(__GNUC__)
    if constexpr (std::endian::native == std::endian::little) {
        for (; n >= 8; n -= 8, a += 8, b += 8) {
            uint64_t x;
            uint64_t y;
            std::memcpy(&x, a, 8);
            std::memcpy(&y, b, 8);
            if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
        }
    }
#endif
    for (; n > 0; --n, ++a, ++b)
        if (*a != *b) return uint8_t(*a) < uint8_t(*b) ? -1 : 1;
    return 0;
}

// Order of two keys of keyLength bytes in the index: unsigned bytes, negated when descending.
inline int compareKeys(std::string_view a, std::string_view b, bool descending) {
    int c = compareBytes(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c == 0 && a.size() != b.size()) c = a.size() < b.size() ? -1 : 1;
    return descending ? -c : c;
}

// Seek comparison: over min(len(seek), keyLength) bytes; a shorter seek key that matches is equal.
inline int compareSeek(std::string_view key, std::string_view seek, bool descending) {
    const int c = compareBytes(key.data(), seek.data(), std::min(key.size(), seek.size()));
    return descending ? -c : c;
}

// Decodes a tree page through its offset table and checks it: n <= MaxKeys, items inside the page,
// children all zero or all aligned inside the file and not the page itself, keys in order.
bool decodePage(const uint8_t* raw, uint32_t offset, const Geometry& g, uint64_t fileSize, Page* out,
                std::string* why);
// Lays a page out with items in slot order (offset table 0, 1, 2, ...).
void encodePage(const Page& p, const Geometry& g, uint8_t* raw);
// A freed page: n = 0, slot 0's child links to next.
void encodeFreePage(uint32_t next, const Geometry& g, uint8_t* raw);
// The free-list link of a freed page read from disk (through its offset table).
bool freePageLink(const uint8_t* raw, const Geometry& g, uint32_t* next);

bool validPageOffset(uint64_t off, uint64_t fileSize);

}  // namespace xbase::ntx
