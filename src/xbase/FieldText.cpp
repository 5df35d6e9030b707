#include "xbase/FieldText.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "xbase/NumberText.h"
#include "xbase/Status.h"

namespace xbase {

namespace {

bool isBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int refuse(int code, const std::string& why, std::string* out) {
    *out = why;
    return code;
}

}  // namespace

int encodeText(const FieldLayout& f, std::string_view value, std::string* bytes, std::string* why) {
    const size_t len = size_t(f.len);
    switch (f.type) {
    case 'C':
        *bytes = std::string(value.substr(0, len));
        bytes->resize(len, ' ');
        return kOk;
    case 'N': {
        if (isBlank(value)) {
            *bytes = std::string(len, ' ');
            return kOk;
        }
        const std::string trimmed(value.substr(value.find_first_not_of(' ')));
        const int rc = formatNumberText(trimmed.substr(0, trimmed.find_last_not_of(' ') + 1), f.len, f.dec, bytes);
        if (rc == kOk) return kOk;
        if (rc == kErrValueTooWide) return refuse(kErrValueTooWide, "Value does not fit field " + f.name, why);
        // Other forms (an exponent) as the C library reads them.
        char* end = nullptr;
        const double v = std::strtod(trimmed.c_str(), &end);
        if (end == trimmed.c_str() || !isBlank(std::string_view(end)))
            return refuse(kErrBadValue, "Not a number for field " + f.name, why);
        return encodeDouble(f, v, bytes, why);
    }
    case 'D':
        if (isBlank(value)) {
            *bytes = std::string(len, ' ');
            return kOk;
        }
        if (value.size() != 8 || !allDigits(value))
            return refuse(kErrBadValue, "Not a yyyymmdd date for field " + f.name, why);
        *bytes = std::string(value);
        return kOk;
    case 'L': {
        const char c = value.empty() ? ' ' : value[0];
        const bool yes = c == 'T' || c == 't' || c == 'Y' || c == 'y';
        *bytes = std::string(1, yes ? 'T' : (c == ' ' ? ' ' : 'F'));
        return kOk;
    }
    }
    return refuse(kErrFieldType, "Text does not fit field " + f.name, why);
}

int encodeLong(const FieldLayout& f, long value, std::string* bytes, std::string* why) {
    if (f.type != 'N') return refuse(kErrFieldType, "A number does not fit field " + f.name, why);
    if (formatWhole(value, f.len, f.dec, bytes) != kOk)
        return refuse(kErrValueTooWide, std::to_string(value) + " does not fit field " + f.name, why);
    return kOk;
}

int encodeDouble(const FieldLayout& f, double value, std::string* bytes, std::string* why) {
    if (f.type != 'N') return refuse(kErrFieldType, "A number does not fit field " + f.name, why);
    const int rc = formatNumber(value, f.len, f.dec, bytes);
    if (rc == kErrBadValue) return refuse(kErrBadValue, "Not a finite number for field " + f.name, why);
    if (rc != kOk) return refuse(kErrValueTooWide, "Value does not fit field " + f.name, why);
    return kOk;
}

double fieldDouble(char type, std::string_view stored) {
    return type == 'N' || type == 'C' ? parseNumber(stored) : 0;
}

long fieldLong(char type, std::string_view stored) {
    const double v = std::trunc(fieldDouble(type, stored));
    if (v >= double(LONG_MAX)) return LONG_MAX;
    if (v <= double(LONG_MIN)) return LONG_MIN;
    return long(v);
}

bool fieldTrue(char type, std::string_view stored) {
    if (type != 'L' || stored.empty()) return false;
    const char c = stored[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

}  // namespace xbase
