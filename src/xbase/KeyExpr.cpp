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

// A stored number as sign and digit strings.
struct Decimal {
    bool negative = false;
    std::string whole;     // digits before the point, at least "0"
    std::string fraction;  // digits after it
};

// Reads an N field's text; blank or unreadable text is 0, as xBase reads it.
Decimal parseDecimal(std::string_view text) {
    Decimal d;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) d.negative = text[i++] == '-';
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) d.whole += text[i++];
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) d.fraction += text[i++];
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size()) return Decimal{false, "0", ""};  // asterisks or garbage
    if (d.whole.empty()) d.whole = "0";
    return d;
}

// Adds one unit in the last place of a digit string; returns false when it carried out of the front.
bool incrementDigits(std::string* digits) {
    for (size_t i = digits->size(); i-- > 0;) {
        if ((*digits)[i] != '9') {
            ++(*digits)[i];
            return true;
        }
        (*digits)[i] = '0';
    }
    return false;
}

// Str(v, width, dec): right-justified, rounded half away from zero, '*' across the width when the
// value does not fit.
std::string formatStr(const Decimal& v, int width, int dec) {
    std::string digits = v.whole;
    std::string frac = v.fraction;
    frac.resize(std::max(frac.size(), size_t(dec) + 1), '0');
    digits += frac.substr(0, size_t(dec));
    if (frac[size_t(dec)] >= '5' && !incrementDigits(&digits)) digits.insert(digits.begin(), '1');
    std::string whole = digits.substr(0, digits.size() - size_t(dec));
    const std::string fracOut = digits.substr(digits.size() - size_t(dec));
    const size_t lead = whole.find_first_not_of('0');
    whole = lead == std::string::npos ? "0" : whole.substr(lead);
    const bool zero = whole == "0" && fracOut.find_first_not_of('0') == std::string::npos;
    std::string out = (v.negative && !zero ? "-" : "") + whole + (dec > 0 ? "." + fracOut : "");
    if (out.size() > size_t(width)) return std::string(size_t(width), '*');
    return std::string(size_t(width) - out.size(), ' ') + out;
}

// A numeric key: Str() with leading blanks as '0'; negatives map each digit d to 0x2C - d so that
// they sort below positives and larger magnitudes sort lower.
std::string encodeNumericKey(const Decimal& v, int width, int dec) {
    std::string s = formatStr(v, width, dec);
    const bool negative = s.find('-') != std::string::npos;
    for (char& c : s) {
        if (c == ' ' || c == '-') c = '0';
        if (negative && std::isdigit(static_cast<unsigned char>(c))) c = char(0x2C - (c - '0'));
    }
    return s;
}

class Node {
public:
    virtual ~Node() = default;
    virtual char type() const = 0;  // C, N, D or L
    // Text for C/D/L; for N the field's stored text.
    virtual void eval(const uint8_t* record, std::string* out) const = 0;
};

using NodePtr = std::unique_ptr<Node>;

class FieldNode : public Node {
public:
    explicit FieldNode(FieldLayout f) : m_f(std::move(f)) {}
    char type() const override { return m_f.type == 'M' ? 'C' : m_f.type; }
    void eval(const uint8_t* record, std::string* out) const override {
        out->assign(reinterpret_cast<const char*>(record + m_f.offset), size_t(m_f.len));
    }
    const FieldLayout& field() const { return m_f; }

private:
    FieldLayout m_f;
};

class UpperNode : public Node {
public:
    explicit UpperNode(NodePtr arg) : m_arg(std::move(arg)) {}
    char type() const override { return 'C'; }
    void eval(const uint8_t* record, std::string* out) const override {
        m_arg->eval(record, out);
        for (char& c : *out)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');  // byte order: only ASCII letters change
    }

private:
    NodePtr m_arg;
};

class StrNode : public Node {
public:
    StrNode(NodePtr arg, int width, int dec) : m_arg(std::move(arg)), m_width(width), m_dec(dec) {}
    char type() const override { return 'C'; }
    void eval(const uint8_t* record, std::string* out) const override {
        std::string text;
        m_arg->eval(record, &text);
        *out = formatStr(parseDecimal(text), m_width, m_dec);
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
    void eval(const uint8_t* record, std::string* out) const override { m_arg->eval(record, out); }

private:
    NodePtr m_arg;
};

class ConcatNode : public Node {
public:
    explicit ConcatNode(std::vector<NodePtr> parts) : m_parts(std::move(parts)) {}
    char type() const override { return 'C'; }
    void eval(const uint8_t* record, std::string* out) const override {
        out->clear();
        std::string part;
        for (const auto& p : m_parts) {
            p->eval(record, &part);
            *out += part;
        }
    }

private:
    std::vector<NodePtr> m_parts;
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

    NodePtr expression() {
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
            if (arg->type() != 'N') fail("Str() needs a number");
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
    std::string m_error;
};

class CompiledKey : public KeyExpr {
public:
    CompiledKey(std::string text, NodePtr root, char type, int length, int dec, const FieldLayout* bare)
        : m_text(std::move(text)), m_root(std::move(root)), m_type(type), m_length(length), m_dec(dec),
          m_bare(bare ? *bare : FieldLayout{}) {}

    char type() const override { return m_type; }
    int keyLength() const override { return m_length; }
    int decimals() const override { return m_dec; }
    const std::string& text() const override { return m_text; }

    void evaluate(const uint8_t* record, std::string* key) const override {
        m_root->eval(record, key);
        if (m_type == 'N') {
            *key = encodeNumericKey(parseDecimal(*key), m_bare.len, m_bare.dec);
        } else if (m_root->type() == 'L') {
            const char c = key->empty() ? ' ' : (*key)[0];
            *key = (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? "T" : "F";
        }
        key->resize(size_t(m_length), ' ');
    }

private:
    std::string m_text;
    NodePtr m_root;
    char m_type;
    int m_length;
    int m_dec;
    FieldLayout m_bare;
};

}  // namespace

int KeyExpr::compile(std::string_view expr, const std::vector<FieldLayout>& fields, std::unique_ptr<KeyExpr>* out,
                     std::string* error) {
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
    // The key length is that of the result on a blank record.
    size_t recordSize = 1;
    for (const auto& f : fields) recordSize = std::max(recordSize, size_t(f.offset) + size_t(std::max(f.len, 0)));
    const std::vector<uint8_t> blank(recordSize, ' ');
    std::string sample;
    root->eval(blank.data(), &sample);
    int length = int(sample.size());
    if (type == 'N') length = field->field().len;
    if (root->type() == 'L') length = 1;
    if (length < 1 || length > kMaxKey) {
        if (error) *error = "Key expression \"" + std::string(expr) + "\": key length must be 1 to 256";
        return kErrExpression;
    }
    const FieldLayout* bare = field ? &field->field() : nullptr;
    *out = std::make_unique<CompiledKey>(std::string(expr), std::move(root), type, length, dec, bare);
    return 0;
}

}  // namespace xbase
