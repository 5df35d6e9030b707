#pragma once
// Helpers for the index tests: key sources, loading files into a memory file system, reading an
// index's order, and the fixtures' expected.txt (written by another Clipper-compatible engine).
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "xbase/FileSystem.h"
#include "xbase/KeyExpr.h"
#include "xbase/Ntx.h"
#include "xbase/NtxBuild.h"
#include "xbase/NtxFormat.h"

namespace ntxtest {

using Pair = std::pair<std::string, uint32_t>;

class VectorSource : public xbase::KeySource {
public:
    explicit VectorSource(std::vector<Pair> pairs) : m_pairs(std::move(pairs)) {}
    bool next(std::string* key, uint32_t* recno, int*) override {
        if (m_pos >= m_pairs.size()) return false;
        *key = m_pairs[m_pos].first;
        *recno = m_pairs[m_pos].second;
        ++m_pos;
        return true;
    }

private:
    std::vector<Pair> m_pairs;
    size_t m_pos = 0;
};

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void putFile(xbase::FileSystem& fs, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<xbase::File> f;
    fs.create(name, xbase::Share::Exclusive, &f);
    if (f && !bytes.empty()) f->write(0, bytes.data(), bytes.size());
}

inline std::vector<uint8_t> fileBytes(xbase::File& f) {
    uint64_t size = 0;
    f.size(&size);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    size_t got = 0;
    f.read(0, bytes.data(), bytes.size(), &got);
    return bytes;
}

inline std::vector<uint8_t> getFile(xbase::FileSystem& fs, const std::string& name) {
    std::unique_ptr<xbase::File> f;
    if (!fs.open(name, xbase::Share::Shared, true, &f).ok()) return {};
    return fileBytes(*f);
}

// Every entry by first()/next(); stops at the first non-zero result, kept in *rc.
inline std::vector<Pair> scan(xbase::NtxIndex& index, int* rc = nullptr) {
    std::vector<Pair> out;
    uint32_t recno = 0;
    int r = index.first(&recno);
    while (r == 0) {
        out.emplace_back(index.currentKey(), recno);
        r = index.next(&recno);
    }
    if (rc) *rc = r;
    return out;
}

inline std::vector<Pair> walkAll(xbase::NtxIndex& index, int* rc = nullptr) {
    std::vector<Pair> out;
    xbase::Status st;
    const int r = index.walk([&](std::string_view k, uint32_t n) { out.emplace_back(std::string(k), n); }, &st);
    if (rc) *rc = r;
    return out;
}

// Pages by level: keys per page, to check fill and leaf depth from the file itself.
struct TreeShape {
    std::vector<std::vector<int>> counts;  // [level] -> key counts
    bool mixedLevels = false;               // leaves and branch pages on one level
};

inline TreeShape shapeOf(const std::vector<uint8_t>& bytes) {
    namespace ntx = xbase::ntx;
    ntx::Header h;
    std::string why;
    TreeShape shape;
    if (!ntx::decodeHeader(bytes.data(), bytes.size(), &h, &why)) return shape;
    const ntx::Geometry g{h.keySize, h.itemSize, h.maxKeys, h.descending};
    std::vector<uint32_t> level{h.root};
    while (!level.empty()) {
        std::vector<uint32_t> below;
        shape.counts.emplace_back();
        int leaves = 0;
        for (uint32_t off : level) {
            ntx::Page p;
            if (!ntx::decodePage(bytes.data() + off, off, g, bytes.size(), &p, &why)) return TreeShape{};
            shape.counts.back().push_back(p.count());
            leaves += p.leaf() ? 1 : 0;
            if (!p.leaf())
                for (int i = 0; i <= p.count(); ++i) below.push_back(p.child(i));
        }
        if (leaves != 0 && leaves != int(level.size())) shape.mixedLevels = true;
        level.swap(below);
    }
    return shape;
}

inline TreeShape shapeOf(xbase::FileSystem& fs, const std::string& name) { return shapeOf(getFile(fs, name)); }

// A hostile index of def's geometry: every branch page sends every child pointer to the same page,
// four levels deep, over one leaf, and every key is equal, so no order check notices. A walk in key
// order would enter the leaf (maxKeys+1)^4 times. Six pages after the header.
inline std::string sharedChildrenIndex(const xbase::NtxDefinition& def) {
    namespace ntx = xbase::ntx;
    ntx::Header h = ntx::headerFor(def);
    const ntx::Geometry g{h.keySize, h.itemSize, h.maxKeys, h.descending};
    constexpr int kLevels = 5;
    std::string bytes(size_t(kLevels + 1) * ntx::kPageSize, '\0');
    h.root = ntx::kPageSize;
    ntx::encodeHeader(h, reinterpret_cast<uint8_t*>(bytes.data()));
    for (int level = 0; level < kLevels; ++level) {
        ntx::Page p(h.keySize);
        const uint32_t below = level + 1 < kLevels ? uint32_t(level + 2) * ntx::kPageSize : 0;
        for (int i = 0; i < h.maxKeys; ++i) p.insert(i, below, 1, std::string(size_t(h.keySize), 'A'));
        p.right = below;
        ntx::encodePage(p, g, reinterpret_cast<uint8_t*>(bytes.data()) + size_t(level + 1) * ntx::kPageSize);
    }
    return bytes;
}

// ---- expected.txt ----

struct FixtureSeek {
    std::string key;
    uint32_t found = 0;  // 0: not found
    uint32_t soft = 0;   // 0: soft seek ends at end of file
};

struct FixtureIndex {
    std::string file;
    std::string expression;
    int keyLength = 0;
    std::vector<uint32_t> order;
    int depth = 0;
    std::vector<FixtureSeek> seeks;
};

struct Fixture {
    std::string dir;
    std::vector<xbase::FieldLayout> fields;
    int recordLength = 0;
    std::map<uint32_t, std::string> records;  // raw record bytes (only the listed fields in large/)
    std::vector<FixtureIndex> indexes;
};

// Reads a double-quoted string with \xHH escapes starting at s[*pos] == '"'.
inline std::string quoted(const std::string& s, size_t* pos) {
    std::string out;
    size_t i = *pos + 1;
    while (i < s.size() && s[i] != '"') {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += char(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 4;
        } else {
            out += s[i++];
        }
    }
    *pos = i + 1;
    return out;
}

inline Fixture loadFixture(const std::string& dir) {
    Fixture fx;
    fx.dir = dir;
    std::ifstream in(dir + "/expected.txt", std::ios::binary);
    std::string line;
    std::string section;
    std::vector<std::string> largeFields;  // field names of the large set's record lines
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("== ", 0) == 0) {
            section = line;
            if (line.rfind("== Index ", 0) == 0 && line.find(" key ") != std::string::npos &&
                line.find("(key length") != std::string::npos) {
                FixtureIndex ix;
                std::istringstream ls(line.substr(9));
                ls >> ix.file;
                const size_t k = line.find(" key ") + 5;
                const size_t e = line.find("  (key length");
                ix.expression = line.substr(k, e - k);
                ix.keyLength = std::stoi(line.substr(e + 14));
                fx.indexes.push_back(ix);
            }
            if (line.find("recno | deleted |") != std::string::npos) {
                std::istringstream ls(line.substr(line.find("deleted |") + 9));
                std::string tok;
                while (std::getline(ls, tok, '|')) {
                    std::istringstream t(tok);
                    std::string name;
                    t >> name;
                    if (name == "IDATE") {
                        largeFields.push_back(name);
                        break;
                    }
                    largeFields.push_back(name);
                }
            }
            continue;
        }
        if (section.rfind("== Fields", 0) == 0) {
            std::istringstream ls(line);
            xbase::FieldLayout f;
            std::string type;
            if (line.find("header length") != std::string::npos) {
                fx.recordLength = std::stoi(line.substr(line.find("record length") + 14));
            } else if (ls >> f.name >> type >> f.len >> f.dec >> f.offset) {
                f.type = type[0];
                f.offset -= 1;  // listed counting the deletion flag as 1
                fx.fields.push_back(f);
            }
        } else if (section.rfind("== Records", 0) == 0 && line.find('|') != std::string::npos) {
            const uint32_t recno = uint32_t(std::stoul(line));
            size_t pos = line.find('"');
            if (largeFields.empty()) {
                fx.records[recno] = quoted(line, &pos);
            } else {
                std::string rec(size_t(fx.recordLength), ' ');
                const size_t bar = line.find('|');
                rec[0] = line[bar + 2] == '*' ? '*' : ' ';
                for (const auto& name : largeFields) {
                    const std::string value = quoted(line, &pos);
                    pos = line.find('"', pos);
                    for (const auto& f : fx.fields)
                        if (f.name == name) rec.replace(size_t(f.offset), size_t(f.len), value);
                }
                fx.records[recno] = rec;
            }
        } else if (section.rfind("== Index ", 0) == 0 && !fx.indexes.empty()) {
            FixtureIndex& ix = fx.indexes.back();
            if (line.rfind("ORDER ", 0) == 0) {
                std::istringstream ls(line.substr(6));
                uint32_t r;
                while (ls >> r) ix.order.push_back(r);
            } else if (line.rfind("KEYS ", 0) == 0) {
                ix.depth = std::stoi(line.substr(line.find("DEPTH ") + 6));
            } else if (line.rfind("  \"", 0) == 0 && line.find("->") != std::string::npos) {
                FixtureSeek s;
                size_t pos = 2;
                s.key = quoted(line, &pos);
                const std::string rest = line.substr(line.find("->") + 2);
                if (rest.find(" found ") == 0) s.found = uint32_t(std::stoul(rest.substr(7)));
                const std::string soft = rest.substr(rest.find("softseek ") + 9);
                if (soft.find("eof") == std::string::npos) s.soft = uint32_t(std::stoul(soft));
                ix.seeks.push_back(s);
            }
        }
    }
    return fx;
}

// The keys of every record in record order, computed from the fixture's records.
inline std::vector<Pair> fixtureKeys(const Fixture& fx, const std::string& expression) {
    std::unique_ptr<xbase::KeyExpr> expr;
    std::string error;
    std::vector<Pair> out;
    if (xbase::KeyExpr::compile(expression, fx.fields, &expr, &error) != 0) return out;
    for (const auto& [recno, raw] : fx.records) {
        std::string key;
        expr->evaluate(reinterpret_cast<const uint8_t*>(raw.data()), &key);
        out.emplace_back(key, recno);
    }
    return out;
}

}  // namespace ntxtest
