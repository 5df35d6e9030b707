// Key expressions: a small recursive-descent parser producing a tree of nodes evaluated on a raw
// record. Numbers stay decimal text from the field to the key, so Str() rounds the digits as stored,
// not their binary approximation.
#include "xbase/KeyExpr.h"

#include <cctype>
#include <cstring>

#include "xbase/Status.h"

namespace xbase {

namespace {

constexpr int kMaxKey = 256;  // the longest NTX key

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Writes Str(v, width, dec) of a stored number's text into out[0..width): right-justified, rounded
// half away from zero, '*' across the width when the value does not fit. Blank or unreadable text is
// 0, as xBase reads it. Works on the digits as text, so the value is rounded as stored.
void writeStr(std::string_view text, int width, int dec, char* out) {
    size_t i = 0;
    const size_t n = text.size();
    bool negative = false;
    while (i < n && text[i] == ' ') ++i;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    size_t wholeFrom = i;
    while (i < n && isDigit(text[i])) ++i;
    size_t wholeTo = i;
    // The usual case, a whole number as stored (blanks, an optional minus, digits without a leading
    // zero) shown without decimals, is the stored text right-justified.
    if (i == n && dec == 0 && wholeTo > wholeFrom && text[wholeFrom] != '0' &&
        (wholeFrom == 0 || text[wholeFrom - 1] != '+')) {
        const size_t from = negative ? wholeFrom - 1 : wholeFrom;
        const size_t len = n - from;
        if (len <= size_t(width)) {
            std::memset(out, ' ', size_t(width) - len);
            std::memcpy(out + (size_t(width) - len), text.data() + from, len);
            return;
        }
    }
    size_t fracFrom = i;
    size_t fracTo = i;
    if (i < n && text[i] == '.') {
        fracFrom = ++i;
        while (i < n && isDigit(text[i])) ++i;
        fracTo = i;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) {  // asterisks or garbage
        negative = false;
        wholeFrom = wholeTo = fracFrom = fracTo = 0;
    }
    // digits = a leading 0 (room for a carry), the whole part, dec fraction digits.
    const size_t wholeLen = wholeTo - wholeFrom;
    const size_t len = 1 + wholeLen + size_t(dec);
    char local[128];
    std::string heap;
    char* d = local;
    if (len > sizeof local) {
        heap.resize(len);
        d = heap.data();
    }
    d[0] = '0';
    std::memcpy(d + 1, text.data() + wholeFrom, wholeLen);
    const size_t fracLen = fracTo - fracFrom;
    for (size_t k = 0; k < size_t(dec); ++k) d[1 + wholeLen + k] = k < fracLen ? text[fracFrom + k] : '0';
    const char roundDigit = size_t(dec) < fracLen ? text[fracFrom + size_t(dec)] : '0';
    if (roundDigit >= '5') {
        for (size_t k = len; k-- > 0;) {
            if (d[k] != '9') {
                ++d[k];
                break;
            }
            d[k] = '0';
        }
    }
    const size_t wholeEnd = len - size_t(dec);
    size_t lead = 0;
    while (lead + 1 < wholeEnd && d[lead] == '0') ++lead;
    bool zero = wholeEnd - lead == 1 && d[lead] == '0';
    for (size_t k = wholeEnd; zero && k < len; ++k) zero = d[k] == '0';
    const bool minus = negative && !zero;
    const size_t outLen = (minus ? 1 : 0) + (wholeEnd - lead) + (dec > 0 ? 1 + size_t(dec) : 0);
    if (outLen > size_t(width)) {
        std::memset(out, '*', size_t(width));
        return;
    }
    std::memset(out, ' ', size_t(width) - outLen);
    char* w = out + (size_t(width) - outLen);
    if (minus) *w++ = '-';
    std::memcpy(w, d + lead, wholeEnd - lead);
    w += wholeEnd - lead;
    if (dec > 0) {
        *w++ = '.';
        std::memcpy(w, d + wholeEnd, size_t(dec));
    }
}

// A numeric key: Str() with leading blanks as '0'; negatives map each digit d to 0x2C - d so that
// they sort below positives and larger magnitudes sort lower.
void writeNumericKey(std::string_view text, int width, int dec, char* out) {
    writeStr(text, width, dec, out);
    const size_t n = size_t(width);
    const bool negative = std::memchr(out, '-', n) != nullptr;
    for (size_t k = 0; k < n; ++k) {
        char& c = out[k];
        if (c == ' ' || c == '-') c = '0';
        if (negative && isDigit(c)) c = char(0x2C - (c - '0'));
    }
}

// Every node gives text of one length whatever the record (fields have fixed widths, Str() its
// width), so a key is written straight into its place without building strings.
class Node {
public:
    virtual ~Node() = default;
    virtual char type() const = 0;  // C, N, D or L
    virtual size_t length() const = 0;
    // Writes length() bytes: the text for C/D/L; for N the field's stored text.
    virtual void write(const uint8_t* record, char* out) const = 0;
    virtual KeyTree tree() const = 0;
};

KeyTree treeOf(KeyTree::Kind kind, const Node& arg) {
    KeyTree t;
    t.kind = kind;
    t.args.push_back(arg.tree());
    return t;
}

using NodePtr = std::unique_ptr<Node>;

class FieldNode : public Node {
public:
    explicit FieldNode(FieldLayout f) : m_f(std::move(f)) {}
    char type() const override { return m_f.type == 'M' ? 'C' : m_f.type; }
    size_t length() const override { return size_t(std::max(m_f.len, 0)); }
    void write(const uint8_t* record, char* out) const override {
        std::memcpy(out, record + m_f.offset, length());
    }
    std::string_view view(const uint8_t* record) const {
        return {reinterpret_cast<const char*>(record + m_f.offset), length()};
    }
    const FieldLayout& field() const { return m_f; }
    KeyTree tree() const override { return {KeyTree::Field, m_f, 0, 0, {}}; }

private:
    FieldLayout m_f;
};

class UpperNode : public Node {
public:
    explicit UpperNode(NodePtr arg) : m_arg(std::move(arg)), m_length(m_arg->length()) {}
    char type() const override { return 'C'; }
    size_t length() const override { return m_length; }
    void write(const uint8_t* record, char* out) const override {
        m_arg->write(record, out);
        // Byte order: only ASCII letters change. Branch-free, so that the loop runs in vector steps.
        char* const end = out + m_length;
        for (char* c = out; c != end; ++c) *c = char(*c - (uint8_t(*c - 'a') < 26 ? 32 : 0));
    }
    KeyTree tree() const override { return treeOf(KeyTree::Upper, *m_arg); }

private:
    NodePtr m_arg;
    size_t m_length;
};

// The argument is a numeric field (the only numeric expression there is).
class StrNode : public Node {
public:
    StrNode(NodePtr arg, int width, int dec) : m_arg(std::move(arg)), m_width(width), m_dec(dec) {}
    char type() const override { return 'C'; }
    size_t length() const override { return size_t(m_width); }
    void write(const uint8_t* record, char* out) const override {
        writeStr(static_cast<const FieldNode&>(*m_arg).view(record), m_width, m_dec, out);
    }
    KeyTree tree() const override {
        KeyTree t = treeOf(KeyTree::Str, *m_arg);
        t.width = m_width;
        t.dec = m_dec;
        return t;
    }

private:
    NodePtr m_arg;
    int m_width;
    int m_dec;
};

class DtosNode : public Node {
public:
    explicit DtosNode(NodePtr arg) : m_arg(std::move(arg)) {}
    char type() const override { return 'C'; }
    size_t length() const override { return m_arg->length(); }
    void write(const uint8_t* record, char* out) const override { m_arg->write(record, out); }
    KeyTree tree() const override { return treeOf(KeyTree::Dtos, *m_arg); }

private:
    NodePtr m_arg;
};

class ConcatNode : public Node {
public:
    explicit ConcatNode(std::vector<NodePtr> parts) : m_parts(std::move(parts)) {
        for (const auto& p : m_parts) {
            m_lengths.push_back(p->length());
            m_length += p->length();
        }
    }
    char type() const override { return 'C'; }
    size_t length() const override { return m_length; }
    void write(const uint8_t* record, char* out) const override {
        for (size_t i = 0; i < m_parts.size(); ++i) {
            m_parts[i]->write(record, out);
            out += m_lengths[i];
        }
    }
    KeyTree tree() const override {
        KeyTree t;
        t.kind = KeyTree::Concat;
        for (const auto& p : m_parts) t.args.push_back(p->tree());
        return t;
    }

private:
    std::vector<NodePtr> m_parts;
    std::vector<size_t> m_lengths;
    size_t m_length = 0;
};

class Parser {
public:
    Parser(std::string_view text, const std::vector<FieldLayout>& fields) : m_s(text), m_fields(fields) {}

    NodePtr parse(std::string* error) {
        NodePtr n = expression();
        if (n && peek() != '\0') fail("unexpected \"" + std::string(m_s.substr(m_pos)) + "\"");
        if (!m_error.empty()) {
            *error = m_error;
            return nullptr;
        }
        return n;
    }

private:
    void skipBlanks() {
        while (m_pos < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_pos]))) ++m_pos;
    }
    char peek() {
        skipBlanks();
        return m_pos < m_s.size() ? m_s[m_pos] : '\0';
    }
    bool accept(char c) {
        if (peek() != c) return false;
        ++m_pos;
        return true;
    }
    void fail(const std::string& why) {
        if (m_error.empty()) m_error = why;
    }
    bool expect(char c) {
        if (accept(c)) return true;
        fail(std::string("expected \"") + c + "\" at position " + std::to_string(m_pos + 1));
        return false;
    }
    std::string identifier() {
        skipBlanks();
        const size_t start = m_pos;
        while (m_pos < m_s.size() &&
               (std::isalnum(static_cast<unsigned char>(m_s[m_pos])) || m_s[m_pos] == '_'))
            ++m_pos;
        return std::string(m_s.substr(start, m_pos - start));
    }
    bool integer(int* out) {
        skipBlanks();
        const size_t start = m_pos;
        long v = 0;
        while (m_pos < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_pos])) && v <= 100000)
            v = v * 10 + (m_s[m_pos++] - '0');
        if (m_pos == start) {
            fail("expected a whole number at position " + std::to_string(m_pos + 1));
            return false;
        }
        *out = int(v);
        return true;
    }

    // Each level of parentheses or function calls takes a level of this parser's recursion: a text of
    // thousands of "(" would run the stack out. No key an index header can hold nests this deep.
    static constexpr int kMaxNesting = 64;

    NodePtr expression() {
        if (m_depth >= kMaxNesting) {
            fail("nested more than " + std::to_string(kMaxNesting) + " levels deep");
            return nullptr;
        }
        ++m_depth;
        NodePtr n = sum();
        --m_depth;
        return n;
    }

    NodePtr sum() {
        std::vector<NodePtr> parts;
        parts.push_back(term());
        while (m_error.empty() && accept('+')) parts.push_back(term());
        if (!m_error.empty()) return nullptr;
        if (parts.size() == 1) return std::move(parts[0]);
        for (const auto& p : parts)
            if (p->type() != 'C') {
                fail("only text can be joined with \"+\"");
                return nullptr;
            }
        return std::make_unique<ConcatNode>(std::move(parts));
    }

    NodePtr term() {
        if (accept('(')) {
            NodePtr inner = expression();
            if (!expect(')')) return nullptr;
            return inner;
        }
        const std::string name = identifier();
        if (name.empty()) {
            fail(peek() == '\0' ? "expression ends too early"
                                : "unexpected \"" + std::string(1, peek()) + "\" at position " +
                                      std::to_string(m_pos + 1));
            return nullptr;
        }
        if (accept('(')) return function(name);
        for (const auto& f : m_fields)
            if (sameName(f.name, name)) return std::make_unique<FieldNode>(f);
        fail("unknown field \"" + name + "\"");
        return nullptr;
    }

    NodePtr function(const std::string& name) {
        NodePtr arg = expression();
        if (!m_error.empty()) return nullptr;
        if (sameName(name, "UPPER")) {
            if (!expect(')')) return nullptr;
            if (arg->type() != 'C') fail("Upper() needs text");
            return m_error.empty() ? std::make_unique<UpperNode>(std::move(arg)) : nullptr;
        }
        if (sameName(name, "DTOS")) {
            if (!expect(')')) return nullptr;
            if (arg->type() != 'D') fail("DTOS() needs a date");
            return m_error.empty() ? std::make_unique<DtosNode>(std::move(arg)) : nullptr;
        }
        if (sameName(name, "STR")) {
            int width = 10;
            int dec = 0;
            if (accept(',')) {
                if (!integer(&width)) return nullptr;
                if (accept(',') && !integer(&dec)) return nullptr;
            }
            if (!expect(')')) return nullptr;
            if (arg->type() != 'N' || !dynamic_cast<const FieldNode*>(arg.get())) fail("Str() needs a number");
            else if (width < 1 || width > kMaxKey) fail("Str() width must be 1 to 256");
            else if (dec > 0 && dec + 2 > width) fail("Str() decimals do not fit its width");
            return m_error.empty() ? std::make_unique<StrNode>(std::move(arg), width, dec) : nullptr;
        }
        fail("unknown function \"" + name + "\"");
        return nullptr;
    }

    std::string_view m_s;
    const std::vector<FieldLayout>& m_fields;
    size_t m_pos = 0;
    int m_depth = 0;
    std::string m_error;
};

class CompiledKey : public KeyExpr {
public:
    CompiledKey(std::string text, NodePtr root, char type, int length, int dec, const FieldLayout* bare)
        : m_text(std::move(text)), m_root(std::move(root)), m_type(type), m_length(length), m_dec(dec),
          m_bare(bare ? *bare : FieldLayout{}), m_logical(m_root->type() == 'L') {}

    char type() const override { return m_type; }
    int keyLength() const override { return m_length; }
    int decimals() const override { return m_dec; }
    const std::string& text() const override { return m_text; }
    KeyTree tree() const override { return m_root->tree(); }

    void evaluate(const uint8_t* record, std::string* key) const override {
        key->resize(size_t(m_length));
        evaluate(record, key->data());
    }
    void evaluate(const uint8_t* record, char* key) const override {
        if (m_type == 'N') {
            writeNumericKey(static_cast<const FieldNode&>(*m_root).view(record), m_bare.len, m_bare.dec, key);
        } else if (m_logical) {
            const char c = m_root->length() == 0 ? ' ' : char(record[m_bare.offset]);
            key[0] = (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 'T' : 'F';
        } else {
            m_root->write(record, key);
        }
    }

private:
    std::string m_text;
    NodePtr m_root;
    char m_type;
    int m_length;
    int m_dec;
    FieldLayout m_bare;
    bool m_logical;
};

}  // namespace

int KeyExpr::compile(std::string_view expr, const std::vector<FieldLayout>& fields, std::unique_ptr<KeyExpr>* out,
                     std::string* error) {
    // An index header refuses an expression starting below 0x20 (other engines do too), and a NUL
    // would cut it short there: one the header could not hold is refused here, where it is made.
    for (const char c : expr) {
        if (static_cast<unsigned char>(c) >= 0x20) continue;
        if (error) *error = "Key expression \"" + std::string(expr) + "\": holds a control character";
        return kErrExpression;
    }
    std::string why;
    Parser parser(expr, fields);
    NodePtr root = parser.parse(&why);
    if (!root) {
        if (error) *error = "Key expression \"" + std::string(expr) + "\": " + why;
        return kErrExpression;
    }
    const auto* field = dynamic_cast<const FieldNode*>(root.get());
    char type = 'C';
    int dec = 0;
    if (field && root->type() == 'N') {
        type = 'N';
        dec = field->field().dec;
    } else if (field && root->type() == 'D') {
        type = 'D';
    }
    size_t length = root->length();
    if (root->type() == 'L') length = 1;
    if (length < 1 || length > size_t(kMaxKey)) {
        if (error) *error = "Key expression \"" + std::string(expr) + "\": key length must be 1 to 256";
        return kErrExpression;
    }
    const FieldLayout* bare = field ? &field->field() : nullptr;
    *out = std::make_unique<CompiledKey>(std::string(expr), std::move(root), type, int(length), dec, bare);
    return 0;
}

}  // namespace xbase
