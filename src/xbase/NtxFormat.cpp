#include "xbase/NtxFormat.h"

#include <algorithm>
#include <cstring>

#include "xbase/Bytes.h"

namespace xbase::ntx {

namespace {

std::string readText(const uint8_t* p, size_t size) {
    size_t n = 0;
    while (n < size && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

void writeText(uint8_t* p, size_t size, const std::string& text) {
    const size_t n = std::min(text.size(), size - 1);  // keep the terminating NUL
    std::memcpy(p, text.data(), n);
}

size_t pageBytesNeeded(int maxKeys, int itemSize) {
    return 2 + size_t(maxKeys + 1) * 2 + size_t(maxKeys + 1) * size_t(itemSize);
}

}  // namespace

int maxKeysFor(int keyLength) {
    int m = 1022 / (keyLength + 10) - 1;
    if (m > 2 && (m % 2) == 1) --m;
    return m;
}

bool validPageOffset(uint64_t off, uint64_t fileSize) {
    return off >= kPageSize && off % kPageSize == 0 && off + kPageSize <= fileSize;
}

bool decodeHeader(const uint8_t* p, uint64_t fileSize, Header* h, std::string* why) {
    decodeCounters(p, h);
    h->itemSize = getU16(p + kHdrItemSize);
    h->keySize = getU16(p + kHdrKeySize);
    h->keyDecimals = getU16(p + kHdrKeyDec);
    h->maxKeys = getU16(p + kHdrMaxKeys);
    h->halfPage = getU16(p + kHdrHalfPage);
    h->expression = readText(p + kHdrExpression, kHdrExpressionSize);
    h->unique = p[kHdrUnique] != 0;
    h->descending = p[kHdrDescending] != 0;
    h->tagName = readText(p + kHdrTagName, kHdrTagNameSize);
    if (h->tagName.size() > size_t(kMaxTagName)) h->tagName.resize(size_t(kMaxTagName));

    const uint16_t sig = h->signature;
    if (!(((sig & 6) == 6 || sig == 3) && (sig & ~0x1F) == 0)) {
        *why = "unknown signature";
        return false;
    }
    if (h->keySize < 1 || h->keySize > kMaxKeyLength || h->itemSize != h->keySize + 8) {
        *why = "bad key or item size";
        return false;
    }
    if (h->maxKeys < 2 || pageBytesNeeded(h->maxKeys, h->itemSize) > kPageSize ||
        h->halfPage > h->maxKeys) {
        *why = "bad keys per page";
        return false;
    }
    if (h->expression.empty() || uint8_t(h->expression[0]) < 0x20) {
        *why = "bad key expression";
        return false;
    }
    if (!validPageOffset(h->root, fileSize)) {
        *why = "root page outside the file";
        return false;
    }
    if (h->freeHead != 0 && !validPageOffset(h->freeHead, fileSize)) {
        *why = "free list outside the file";
        return false;
    }
    return true;
}

void decodeCounters(const uint8_t* p, Header* h) {
    h->signature = getU16(p + kHdrSignature);
    h->version = getU16(p + kHdrVersion);
    h->root = getU32(p + kHdrRoot);
    h->freeHead = getU32(p + kHdrFree);
}

void encodeCounters(const Header& h, uint8_t* p) {
    putU16(p + kHdrSignature, h.signature);
    putU16(p + kHdrVersion, h.version);
    putU32(p + kHdrRoot, h.root);
    putU32(p + kHdrFree, h.freeHead);
}

void encodeHeader(const Header& h, uint8_t* p) {
    std::memset(p, 0, kPageSize);
    encodeCounters(h, p);
    putU16(p + kHdrItemSize, h.itemSize);
    putU16(p + kHdrKeySize, h.keySize);
    putU16(p + kHdrKeyDec, h.keyDecimals);
    putU16(p + kHdrMaxKeys, h.maxKeys);
    putU16(p + kHdrHalfPage, h.halfPage);
    writeText(p + kHdrExpression, kHdrExpressionSize, h.expression);
    p[kHdrUnique] = h.unique ? 1 : 0;
    p[kHdrDescending] = h.descending ? 1 : 0;
    writeText(p + kHdrTagName, size_t(kMaxTagName) + 1, h.tagName);
}

void Key::assign(const char* p, size_t n) {
    if (n <= kInline && m_heap == nullptr) {
        std::memmove(m_inline, p, n);
    } else {
        if (m_heap == nullptr || n > m_capacity) {
            char* fresh = new char[n];
            std::memcpy(fresh, p, n);  // p may point into the old buffer
            delete[] m_heap;
            m_heap = fresh;
            m_capacity = uint32_t(n);
            m_size = uint32_t(n);
            return;
        }
        std::memmove(m_heap, p, n);
    }
    m_size = uint32_t(n);
}

void Key::take(Key& o) noexcept {
    m_size = o.m_size;
    m_capacity = o.m_capacity;
    m_heap = o.m_heap;
    if (m_heap == nullptr) std::memcpy(m_inline, o.m_inline, m_size);
    o.m_heap = nullptr;
    o.m_size = o.m_capacity = 0;
}

bool decodePage(const uint8_t* raw, uint32_t offset, const Geometry& g, uint64_t fileSize, Page* out,
                std::string* why) {
    const int n = getU16(raw + kPageCount);
    if (n > g.maxKeys) {
        *why = "more keys than a page holds";
        return false;
    }
    out->offset = offset;
    out->entries.clear();
    out->entries.reserve(size_t(g.maxKeys) + 1);  // an insert into a full page must not move every key
    out->entries.resize(size_t(n));
    int children = 0;
    for (int i = 0; i <= n; ++i) {
        const size_t itemOff = getU16(raw + kPageOffsets + 2 * size_t(i));
        if (itemOff < kPageOffsets || itemOff + size_t(g.itemSize) > kPageSize) {
            *why = "item offset outside the page";
            return false;
        }
        const uint8_t* item = raw + itemOff;
        const uint32_t child = getU32(item + kItemChild);
        if (child != 0) {
            if (!validPageOffset(child, fileSize) || child == offset) {
                *why = "child page offset unaligned or past the end of the file";
                return false;
            }
            ++children;
        }
        if (i == n) {
            out->right = child;
            break;
        }
        Entry& e = out->entries[size_t(i)];
        e.child = child;
        e.recno = getU32(item + kItemRecno);
        e.key.assign(reinterpret_cast<const char*>(item + kItemKey), size_t(g.keyLength));
        if (i > 0 && compareKeys(out->entries[size_t(i) - 1].key, e.key, g.descending) > 0) {
            *why = "keys out of order";
            return false;
        }
    }
    if (children != 0 && children != n + 1) {
        *why = "page mixes leaf and branch items";
        return false;
    }
    out->stored = n;
    return true;
}

void encodePage(const Page& p, const Geometry& g, uint8_t* raw) {
    std::memset(raw, 0, kPageSize);
    putU16(raw + kPageCount, uint16_t(p.count()));
    const size_t base = kPageOffsets + 2 * size_t(g.maxKeys + 1);
    for (int i = 0; i <= g.maxKeys; ++i) {
        const size_t itemOff = base + size_t(i) * size_t(g.itemSize);
        putU16(raw + kPageOffsets + 2 * size_t(i), uint16_t(itemOff));
        uint8_t* item = raw + itemOff;
        if (i < p.count()) {
            const Entry& e = p.entries[size_t(i)];
            putU32(item + kItemChild, e.child);
            putU32(item + kItemRecno, e.recno);
            std::memcpy(item + kItemKey, e.key.data(), std::min(e.key.size(), size_t(g.keyLength)));
        } else if (i == p.count()) {
            putU32(item + kItemChild, p.right);
        }
    }
}

void encodeFreePage(uint32_t next, const Geometry& g, uint8_t* raw) {
    Page p;
    p.right = next;  // slot 0 of an empty page is its rightmost child
    encodePage(p, g, raw);
}

bool freePageLink(const uint8_t* raw, const Geometry& g, uint32_t* next) {
    const size_t itemOff = getU16(raw + kPageOffsets);
    if (itemOff < kPageOffsets || itemOff + size_t(g.itemSize) > kPageSize) return false;
    *next = getU32(raw + itemOff + kItemChild);
    return true;
}

}  // namespace xbase::ntx
