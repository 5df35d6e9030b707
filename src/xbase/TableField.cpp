#include "xbase/TableField.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "xbase/DbfTable.h"
#include "xbase/NumberText.h"

namespace xbase {

namespace {

bool isBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::string_view TableField::view() const {
    return {reinterpret_cast<const char*>(m_table.record()) + m_layout.offset, size_t(m_layout.len)};
}

std::string TableField::text() const { return std::string(view()); }

std::string TableField::memoText() const {
    if (m_layout.type != 'M') return {};
    std::string text;
    m_table.readMemo(this->text(), &text);
    return text;
}

double TableField::asDouble() const {
    if (m_layout.type != 'N' && m_layout.type != 'C') return 0;
    return parseNumber(view());
}

long TableField::asLong() const {
    const double v = std::trunc(asDouble());
    if (v >= double(LONG_MAX)) return LONG_MAX;
    if (v <= double(LONG_MIN)) return LONG_MIN;
    return long(v);
}

int TableField::asInt() const {
    const long v = asLong();
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

bool TableField::isTrue() const {
    if (m_layout.type != 'L') return false;
    const char c = char(m_table.record()[m_layout.offset]);
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

int TableField::typeError(const char* what) const {
    return m_table.fail(kErrFieldType, std::string(what) + " does not fit field " + m_layout.name);
}

int TableField::store(const std::string& bytes) {
    uint8_t* rec = m_table.editRecord();
    if (!rec) return kErrRecord;
    std::memcpy(rec + m_layout.offset, bytes.data(), size_t(m_layout.len));
    return kOk;
}

int TableField::assignText(std::string_view value) {
    const size_t len = size_t(m_layout.len);
    switch (m_layout.type) {
    case 'C': {
        std::string bytes(value.substr(0, len));
        bytes.resize(len, ' ');
        return store(bytes);
    }
    case 'N': {
        if (isBlank(value)) return store(std::string(len, ' '));
        const std::string trimmed(value.substr(value.find_first_not_of(' ')));
        std::string bytes;
        const int rc = formatNumberText(trimmed.substr(0, trimmed.find_last_not_of(' ') + 1), m_layout.len,
                                        m_layout.dec, &bytes);
        if (rc == kOk) return store(bytes);
        if (rc == kErrValueTooWide) return m_table.fail(kErrValueTooWide, "Value does not fit field " + m_layout.name);
        // Other forms (an exponent) as the C library reads them.
        char* end = nullptr;
        const double v = std::strtod(trimmed.c_str(), &end);
        if (end == trimmed.c_str() || !isBlank(std::string_view(end)))
            return m_table.fail(kErrBadValue, "Not a number for field " + m_layout.name);
        return assignDouble(v);
    }
    case 'D':
        if (isBlank(value)) return store(std::string(len, ' '));
        if (value.size() != 8 || !allDigits(value))
            return m_table.fail(kErrBadValue, "Not a yyyymmdd date for field " + m_layout.name);
        return store(std::string(value));
    case 'L': {
        const char c = value.empty() ? ' ' : value[0];
        const bool yes = c == 'T' || c == 't' || c == 'Y' || c == 'y';
        return store(std::string(1, yes ? 'T' : (c == ' ' ? ' ' : 'F')));
    }
    case 'M':
        return assignMemo(value);
    }
    return typeError("Text");
}

int TableField::assignLong(long value) {
    if (m_layout.type != 'N') return typeError("A number");
    std::string bytes;
    if (formatWhole(value, m_layout.len, m_layout.dec, &bytes) != kOk)
        return m_table.fail(kErrValueTooWide, std::to_string(value) + " does not fit field " + m_layout.name);
    return store(bytes);
}

int TableField::assignInt(int value) { return assignLong(value); }

int TableField::assignDouble(double value) {
    if (m_layout.type != 'N') return typeError("A number");
    std::string bytes;
    const int rc = formatNumber(value, m_layout.len, m_layout.dec, &bytes);
    if (rc == kErrBadValue) return m_table.fail(kErrBadValue, "Not a finite number for field " + m_layout.name);
    if (rc != kOk) return m_table.fail(kErrValueTooWide, "Value does not fit field " + m_layout.name);
    return store(bytes);
}

int TableField::assignMemo(std::string_view value) {
    if (m_layout.type != 'M') return typeError("Memo text");
    if (!m_table.editRecord()) return kErrRecord;
    const size_t width = size_t(m_layout.len);
    if (value.empty()) return store(std::string(width, ' '));
    uint32_t block = 0;
    const int rc = m_table.writeMemo(value, &block);
    if (rc != kOk) return rc;
    const std::string ref = std::to_string(block);
    if (ref.size() > width) return m_table.fail(kErrValueTooWide, "Memo reference does not fit field " + m_layout.name);
    return store(std::string(width - ref.size(), ' ') + ref);
}

int TableField::assignMemoN(const char* value, size_t length) {
    return assignMemo(std::string_view(value, value ? length : 0));
}

}  // namespace xbase
