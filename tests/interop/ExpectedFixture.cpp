#include "interop/ExpectedFixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace interop {

namespace {

// Reads one line left to right.
class LineReader {
public:
    explicit LineReader(const std::string& line) : m_s(line) {}

    void skipSpaces() {
        while (m_pos < m_s.size() && m_s[m_pos] == ' ') ++m_pos;
    }
    bool accept(const std::string& text) {
        skipSpaces();
        if (m_s.compare(m_pos, text.size(), text) != 0) return false;
        m_pos += text.size();
        return true;
    }
    bool readLong(long* out) {
        skipSpaces();
        const char* start = m_s.c_str() + m_pos;
        char* end = nullptr;
        *out = std::strtol(start, &end, 10);
        if (end == start) return false;
        m_pos += size_t(end - start);
        return true;
    }
    bool readWord(std::string* out) {
        skipSpaces();
        const size_t start = m_pos;
        while (m_pos < m_s.size() && m_s[m_pos] != ' ' && m_s[m_pos] != '|') ++m_pos;
        *out = m_s.substr(start, m_pos - start);
        return !out->empty();
    }
    // "..." with bytes outside 0x20..0x7E written \xHH; the texts hold no quote character.
    bool readQuoted(std::string* out) {
        if (!accept("\"")) return false;
        const size_t close = m_s.find('"', m_pos);
        if (close == std::string::npos) return false;
        out->clear();
        for (size_t i = m_pos; i < close; ++i) {
            if (m_s[i] == '\\' && i + 3 < close && m_s[i + 1] == 'x') {
                out->push_back(char(std::strtol(m_s.substr(i + 2, 2).c_str(), nullptr, 16)));
                i += 3;
            } else {
                out->push_back(m_s[i]);
            }
        }
        m_pos = close + 1;
        return true;
    }
    bool seek(const std::string& text) {
        const size_t at = m_s.find(text, m_pos);
        if (at == std::string::npos) return false;
        m_pos = at + text.size();
        return true;
    }

private:
    const std::string& m_s;
    size_t m_pos = 0;
};

enum class Section { Other, Records, IndexOrder, IndexSeeks };

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    const size_t e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// "recno | deleted | CUNO | ... | IDATE (raw field bytes) | REM length | ..." -> CUNO ... IDATE
std::vector<std::string> recordColumns(const std::string& header) {
    std::vector<std::string> columns;
    std::stringstream parts(header.substr(header.find("deleted |") + 9));
    std::string part;
    while (std::getline(parts, part, '|')) {
        part = trim(part);
        if (part.find("length") != std::string::npos) break;
        const size_t note = part.find(" (");
        columns.push_back(note == std::string::npos ? part : part.substr(0, note));
    }
    return columns;
}

bool parseMemoTail(LineReader& in, ExpectedRecord* r) {
    long length = 0;
    std::string md5;
    if (!in.accept("|") || !in.readLong(&length) || !in.accept("|") || !in.readWord(&md5)) return false;
    r->memoLength = size_t(length);
    r->memoMd5 = md5 == "-" ? std::string() : md5;
    return true;
}

bool parseRecord(const std::string& line, const std::vector<std::string>& columns, ExpectedRecord* r) {
    LineReader in(line);
    if (!in.readLong(&r->recno) || !in.accept("|")) return false;
    if (columns.empty()) {
        if (!in.readQuoted(&r->raw) || r->raw.empty()) return false;
        r->deleted = r->raw[0] == '*';
        return parseMemoTail(in, r);
    }
    r->deleted = in.accept("*");
    for (const std::string& column : columns) {
        if (!in.accept("|") || !in.readQuoted(&r->fields[column])) return false;
    }
    return parseMemoTail(in, r);
}

bool parseIndexHeader(const std::string& line, ExpectedIndex* index) {
    LineReader in(line);
    long keyLength = 0;
    if (!in.accept("== Index") || !in.readWord(&index->file) || !in.accept("key")) return false;
    const size_t start = line.find(" key ") + 5;
    const size_t end = line.find("  (key length");
    if (end == std::string::npos) return false;
    index->expression = line.substr(start, end - start);
    if (!in.seek("(key length") || !in.readLong(&keyLength)) return false;
    index->keyLength = int(keyLength);
    return true;
}

bool parseSeek(const std::string& line, ExpectedSeek* seek) {
    LineReader in(line);
    long len = 0;
    if (!in.readQuoted(&seek->key) || !in.accept("(len") || !in.readLong(&len) || long(seek->key.size()) != len) {
        return false;
    }
    if (!in.seek("->")) return false;
    if (in.accept("found")) {
        if (!in.readLong(&seek->found)) return false;
    } else if (!in.accept("not found")) {
        return false;
    }
    if (!in.seek("softseek") || !in.readLong(&seek->soft)) return false;
    seek->softEof = in.accept(", eof");
    return true;
}

bool parseNumbers(const std::string& text, std::vector<long>* out) {
    LineReader in(text);
    long v = 0;
    while (in.readLong(&v)) out->push_back(v);
    return !out->empty();
}

}  // namespace

bool parseExpectedFixture(const std::string& path, ExpectedFixture* out, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot read " + path;
        return false;
    }
    Section section = Section::Other;
    std::vector<std::string> columns;
    std::string line;
    int lineNo = 0;
    while (std::getline(file, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool ok = true;
        if (startsWith(line, "Records: ")) {
            out->recordCount = std::atol(line.c_str() + 9);
        } else if (startsWith(line, "== Records:")) {
            section = Section::Records;
            if (line.find("| deleted |") != std::string::npos) columns = recordColumns(line);
        } else if (startsWith(line, "== Index ") && !startsWith(line, "== Index files")) {
            section = Section::IndexOrder;
            out->indexes.emplace_back();
            ok = parseIndexHeader(line, &out->indexes.back());
        } else if (startsWith(line, "==")) {
            section = Section::Other;
        } else if (trim(line).empty() || section == Section::Other) {
            continue;
        } else if (section == Section::Records) {
            out->records.emplace_back();
            ok = parseRecord(line, columns, &out->records.back());
        } else if (startsWith(line, "ORDER ")) {
            ok = parseNumbers(line.substr(6), &out->indexes.back().order);
        } else if (startsWith(line, "KEYS ")) {
            const size_t at = line.find("DEPTH ");
            ok = at != std::string::npos;
            if (ok) out->indexes.back().depth = std::atoi(line.c_str() + at + 6);
        } else if (startsWith(line, "SEEKS")) {
            section = Section::IndexSeeks;
        } else if (section == Section::IndexSeeks) {
            out->indexes.back().seeks.emplace_back();
            ok = parseSeek(line, &out->indexes.back().seeks.back());
        } else {
            // A listed key: "   recno  "key"".
            LineReader in(line);
            long recno = 0;
            std::string key;
            ok = in.readLong(&recno) && in.readQuoted(&key);
            if (ok) out->indexes.back().keys.push_back(key);
        }
        if (!ok) {
            *error = path + ":" + std::to_string(lineNo) + ": cannot read \"" + line.substr(0, 80) + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace interop
