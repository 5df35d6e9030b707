#include "xbase/NumberText.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdlib>

#include "xbase/Status.h"

namespace xbase {

namespace {

// Adds one to a string of decimal digits.
void incrementDigits(std::string* digits) {
    for (size_t i = digits->size(); i-- > 0;) {
        if ((*digits)[i] != '9') {
            ++(*digits)[i];
            return;
        }
        (*digits)[i] = '0';
    }
    digits->insert(digits->begin(), '1');
}

int fit(const std::string& text, int len, std::string* out) {
    if (text.size() > size_t(len)) return kErrValueTooWide;
    *out = std::string(size_t(len) - text.size(), ' ') + text;
    return kOk;
}

}  // namespace

namespace {

// Rounds the digits intPart.frac half away from zero to dec decimals and fits them in len.
int formatDigits(bool negative, std::string intPart, std::string frac, int len, int dec, std::string* out) {
    if (frac.size() > size_t(dec)) {
        const bool up = frac[size_t(dec)] >= '5';
        std::string digits = intPart + frac.substr(0, size_t(dec));
        if (up) incrementDigits(&digits);
        intPart = digits.substr(0, digits.size() - size_t(dec));
        frac = digits.substr(digits.size() - size_t(dec));
    } else {
        frac.append(size_t(dec) - frac.size(), '0');
    }
    const size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    const bool zero = intPart == "0" && frac.find_first_not_of('0') == std::string::npos;
    std::string text = (negative && !zero ? "-" : "") + intPart;
    if (dec > 0) text += "." + frac;
    return fit(text, len, out);
}

}  // namespace

int formatNumber(double v, int len, int dec, std::string* out) {
    if (!std::isfinite(v)) return kErrBadValue;
    char buf[512];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
    if (res.ec != std::errc()) return kErrValueTooWide;
    const std::string shortest(buf, res.ptr);
    const size_t point = shortest.find('.');
    return formatDigits(v < 0, shortest.substr(0, point),
                        point == std::string::npos ? std::string() : shortest.substr(point + 1), len, dec, out);
}

int formatNumberText(std::string_view text, int len, int dec, std::string* out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::string intPart, frac;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            (point ? frac : intPart) += c;
        else if (c == '.' && !point)
            point = true;
        else
            return kErrBadValue;
    }
    if (intPart.empty() && frac.empty()) return kErrBadValue;
    return formatDigits(negative, intPart.empty() ? "0" : intPart, frac, len, dec, out);
}

int formatWhole(long v, int len, int dec, std::string* out) {
    std::string text = std::to_string(v);
    if (dec > 0) text += "." + std::string(size_t(dec), '0');
    return fit(text, len, out);
}

namespace {

// The stored form, "-123.45" and the like with at most 15 digits, read without strtod: both parts
// are exact doubles, so one division gives the correctly rounded value strtod gives. False for any
// other text.
bool parsePlain(std::string_view s, double* v) {
    constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t i = s.empty() || s[0] != '-' ? 0 : 1;
    int64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (++count > 15) return false;
            digits = digits * 10 + (c - '0');
            decimals += point ? 1 : 0;
        } else {
            return false;
        }
    }
    if (count == 0) return false;
    const double magnitude = double(digits) / kPowers[decimals];
    *v = s[0] == '-' ? -magnitude : magnitude;
    return true;
}

}  // namespace

double parseNumber(std::string_view text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return 0;
    double plain = 0;
    if (parsePlain(text.substr(b), &plain)) return plain;
    const std::string s(text.substr(b));
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return end == s.c_str() ? 0 : v;
}

}  // namespace xbase
