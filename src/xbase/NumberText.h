#pragma once
// Text of N fields: right-justified ASCII digits with '.' and a leading '-', as xBase stores them.
#include <string>
#include <string_view>

namespace xbase {

// Formats v with dec decimals, right-justified in len characters. Rounds half away from zero on the
// shortest decimal form of v (so 2.675 gives 2.68, as typed). Returns 0, kErrValueTooWide when the
// text does not fit (never asterisks), or kErrBadValue for NaN and infinities.
int formatNumber(double v, int len, int dec, std::string* out);
// The same for a plain decimal text ([+-]digits[.digits]), digit by digit: a stored amount never
// passes through binary floating point. kErrBadValue for any other form.
int formatNumberText(std::string_view text, int len, int dec, std::string* out);
int formatWhole(long v, int len, int dec, std::string* out);
// Reads a stored number; blank or unreadable text reads as 0.
double parseNumber(std::string_view text);

}  // namespace xbase
