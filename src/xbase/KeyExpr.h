#pragma once
// Key expressions of the forms the tables use: field names, Upper(...), Str(n, w[, d]), DTOS(...)
// and "+". Names of functions and fields are matched without regard to case.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

// A field as the expression compiler sees it: where it lies in the raw record buffer.
struct FieldLayout {
    std::string name;
    char type = 'C';
    int len = 0;
    int dec = 0;
    int offset = 0;  // offset in the record buffer; byte 0 is the deletion flag
};

// The parsed form of an expression, for drivers that compute keys elsewhere (a database server).
struct KeyTree {
    enum Kind { Field, Upper, Str, Dtos, Concat } kind = Field;
    FieldLayout field;       // Field: the field
    int width = 0, dec = 0;  // Str: its width and decimals
    std::vector<KeyTree> args;
};

class KeyExpr {
public:
    virtual ~KeyExpr() = default;
    // Parses expr against the fields. Returns 0, or kErrExpression with *error saying why.
    static int compile(std::string_view expr, const std::vector<FieldLayout>& fields,
                       std::unique_ptr<KeyExpr>* out, std::string* error);

    // 'C' for text results (the tables' keys), 'N' or 'D' when the whole expression is a bare
    // numeric or date field (encoded as the NTX format prescribes).
    virtual char type() const = 0;
    virtual int keyLength() const = 0;  // length of the result on a blank record
    virtual int decimals() const = 0;
    // The key of a raw record (keyLength() bytes).
    virtual void evaluate(const uint8_t* record, std::string* key) const = 0;
    // The same written into key[0..keyLength()), for builds that place keys straight into a buffer.
    virtual void evaluate(const uint8_t* record, char* key) const = 0;
    virtual const std::string& text() const = 0;  // the expression as given
    virtual KeyTree tree() const = 0;
};

}  // namespace xbase
