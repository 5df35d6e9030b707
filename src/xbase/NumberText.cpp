#include "xbase/NumberText.h"

#include <charconv>
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

int formatNumber(double v, int len, int dec, std::string* out) {
    if (!std::isfinite(v)) return kErrBadValue;
    char buf[512];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
    if (res.ec != std::errc()) return kErrValueTooWide;
    const std::string shortest(buf, res.ptr);
    const size_t point = shortest.find('.');
    std::string intPart = shortest.substr(0, point);
    std::string frac = point == std::string::npos ? std::string() : shortest.substr(point + 1);

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
    std::string text = (v < 0 && !zero ? "-" : "") + intPart;
    if (dec > 0) text += "." + frac;
    return fit(text, len, out);
}

int formatWhole(long v, int len, int dec, std::string* out) {
    std::string text = std::to_string(v);
    if (dec > 0) text += "." + std::string(size_t(dec), '0');
    return fit(text, len, out);
}

double parseNumber(std::string_view text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return 0;
    const std::string s(text.substr(b));
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return end == s.c_str() ? 0 : v;
}

}  // namespace xbase
