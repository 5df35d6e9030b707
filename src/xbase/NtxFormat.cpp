#include "xbase/NtxFormat.h"

#include <algorithm>
#include <cstring>
#include <functional>

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

void Page::setKeyLength(int keyLength) {
    m_stride = 8 + size_t(std::max(keyLength, 0));
    m_count = 0;
    m_items.clear();
}

void Page::put(uint8_t* at, uint32_t child, uint32_t recno, std::string_view key) {
    store(at, child);
    store(at + 4, recno);
    const size_t n = std::min(key.size(), m_stride - 8);
    std::memmove(at + 8, key.data(), n);
    std::memset(at + 8 + n, ' ', m_stride - 8 - n);
}

void Page::setKey(int i, std::string_view key, uint32_t recno) { put(item(i), child(i), recno, key); }

void Page::insert(int i, uint32_t child, uint32_t recno, std::string_view key) {
    std::string own;  // a key inside this page would move with the items
    const std::less<const void*> before;
    if (!before(key.data(), m_items.data()) && before(key.data(), m_items.data() + m_items.size())) {
        own.assign(key);
        key = own;
    }
    m_items.insert(m_items.begin() + std::ptrdiff_t(size_t(i) * m_stride), m_stride, uint8_t(0));
    ++m_count;
    put(item(i), child, recno, key);
}

void Page::erase(int first, int last) {
    m_items.erase(m_items.begin() + std::ptrdiff_t(size_t(first) * m_stride),
                  m_items.begin() + std::ptrdiff_t(size_t(last) * m_stride));
    m_count -= last - first;
}

void Page::append(const Page& from, int first, int last) {
    m_items.insert(m_items.end(), from.item(first), from.item(last));
    m_count += last - first;
}

uint8_t* Page::fill(int n, int capacity) {
    m_items.clear();
    m_items.reserve(size_t(std::max(n, capacity)) * m_stride);
    m_items.resize(size_t(n) * m_stride);
    m_count = n;
    return m_items.data();
}

bool decodePage(const uint8_t* raw, uint32_t offset, const Geometry& g, uint64_t fileSize, Page* out,
                std::string* why) {
    const int n = getU16(raw + kPageCount);
    if (n > g.maxKeys) {
        *why = "more keys than a page holds";
        return false;
    }
    out->offset = offset;
    out->setKeyLength(g.keyLength);
    // Room for one more key than a page holds: an insert into a full page must not move every key.
    uint8_t* items = out->fill(n, g.maxKeys + 2);
    const size_t stride = size_t(g.itemSize);
    // Pages written in slot order (ours, and nearly every other engine's) are copied in one go. The
    // header check keeps base + (MaxKeys + 1) items inside the page.
    const size_t base = kPageOffsets + 2 * size_t(g.maxKeys + 1);
    bool inOrder = true;
    for (int i = 0; i < n && inOrder; ++i)
        inOrder = getU16(raw + kPageOffsets + 2 * size_t(i)) == base + size_t(i) * stride;
    if (inOrder && n > 0) std::memcpy(items, raw + base, size_t(n) * stride);
    int children = 0;
    for (int i = 0; i <= n; ++i) {
        const size_t itemOff = getU16(raw + kPageOffsets + 2 * size_t(i));
        if (itemOff < kPageOffsets || itemOff + stride > kPageSize) {
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
        if (!inOrder) std::memcpy(items + size_t(i) * stride, item, stride);
        if (i > 0 && compareKeys(out->key(i - 1), out->key(i), g.descending) > 0) {
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
    const int n = std::min(p.count(), g.maxKeys);
    putU16(raw + kPageCount, uint16_t(n));
    const size_t stride = size_t(g.itemSize);
    const size_t base = kPageOffsets + 2 * size_t(g.maxKeys + 1);
    for (int i = 0; i <= g.maxKeys; ++i) putU16(raw + kPageOffsets + 2 * size_t(i), uint16_t(base + size_t(i) * stride));
    if (n > 0 && p.keyLength() == g.keyLength) std::memcpy(raw + base, p.items(), size_t(n) * stride);
    putU32(raw + base + size_t(n) * stride + kItemChild, p.right);
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
