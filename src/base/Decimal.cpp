#include "base/Decimal.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>

namespace base {
namespace {

using Units = Decimal::Units;

constexpr Units kMax = std::numeric_limits<Units>::max();
constexpr Units kMin = -kMax;  // so every value has a magnitude
// Whole digits a value may carry: far beyond any field, well inside the 128-bit range.
constexpr int kMaxWholeDigits = 28;

constexpr Units pow10(int n) {
    Units p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

constexpr Units kScale = pow10(Decimal::kPlaces);

// q = n / d rounded by mode; d > 0.
Units divideRounded(Units n, Units d, Decimal::Rounding mode) {
    const Units q = n / d;  // toward zero
    if (mode == Decimal::Rounding::TowardZero) return q;
    const Units r = n % d;
    const Units twice = (r < 0 ? -r : r) * 2;
    if (twice >= d) return n < 0 ? q - 1 : q + 1;
    return q;
}

Units saturate(bool negative) { return negative ? kMin : kMax; }

}  // namespace

Decimal Decimal::fromDouble(double value) {
    if (!std::isfinite(value)) return {};
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec != std::errc()) return {};
    Decimal d;
    parse(QString::fromLatin1(buffer, int(result.ptr - buffer)), QLatin1Char('.'), &d);
    return d;
}

bool Decimal::parse(QStringView text, QChar separator, Decimal* out) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) negative = text[i++] == QLatin1Char('-');
    auto isDigit = [&](qsizetype at) { return at < n && text[at] >= QLatin1Char('0') && text[at] <= QLatin1Char('9'); };

    // The digits as a whole number with a count of decimals. One digit past the eighth decimal is
    // kept to round on; later ones cannot turn a half into more or less than half away from zero.
    Units mantissa = 0;
    int decimals = 0;
    int wholeDigits = 0;
    int digits = 0;
    while (isDigit(i)) {
        if (mantissa != 0 || text[i] != QLatin1Char('0')) ++wholeDigits;
        if (wholeDigits > kMaxWholeDigits) return false;
        mantissa = mantissa * 10 + (text[i++].unicode() - '0');
        ++digits;
    }
    if (i < n && text[i] == separator) {
        ++i;
        while (isDigit(i)) {
            const int digit = text[i++].unicode() - '0';
            ++digits;
            if (decimals <= kPlaces) {
                mantissa = mantissa * 10 + digit;
                ++decimals;
            }
        }
    }
    if (digits == 0) return false;
    int exponent = 0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
            expNegative = text[i++] == QLatin1Char('-');
        if (!isDigit(i)) return false;
        while (isDigit(i)) {
            exponent = exponent * 10 + (text[i++].unicode() - '0');
            if (exponent > 1000) exponent = 1000;  // beyond any range: decided below
        }
        if (expNegative) exponent = -exponent;
    }
    if (i != n) return false;

    // value = mantissa x 10^(exponent - decimals); units = value x 10^kPlaces.
    const int shift = kPlaces + exponent - decimals;
    Units units = 0;
    if (mantissa != 0) {
        if (shift >= 0) {
            if (wholeDigits + exponent > kMaxWholeDigits) return false;
            units = mantissa * pow10(shift);
        } else if (-shift > 38) {
            units = 0;
        } else {
            const Units divisor = pow10(-shift);
            units = mantissa / divisor;
            const Units rest = mantissa % divisor;
            if (rest * 2 >= divisor) ++units;  // half away from zero
        }
    }
    *out = fromUnits(negative ? -units : units);
    return true;
}

double Decimal::toDouble() const {
    // Through the text, so the double is the nearest one to the exact value.
    return toFixed(kPlaces).toDouble();
}

Decimal Decimal::rounded(int places, Rounding mode) const {
    if (places >= kPlaces) return *this;
    if (places < 0) places = 0;
    const Units step = pow10(kPlaces - places);
    return fromUnits(divideRounded(m_units, step, mode) * step);
}

Decimal Decimal::dividedBy(const Decimal& divisor, int places, Rounding mode) const {
    if (divisor.m_units == 0) return {};
    if (places > kPlaces) places = kPlaces;
    if (places < 0) places = 0;
    // (a / b) x 10^places, rounded, then back to units.
    Units n = m_units;
    Units d = divisor.m_units;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    Units scaled;
    if (__builtin_mul_overflow(n, pow10(places), &scaled)) return fromUnits(saturate(n < 0));
    return fromUnits(divideRounded(scaled, d, mode) * pow10(kPlaces - places));
}

Decimal Decimal::times(const Decimal& o) const {
    // a x b / 10^8, with a split into whole and fractional units so no step overflows needlessly.
    const Units a = m_units;
    const Units b = o.m_units;
    const Units aWhole = a / kScale;
    const Units aFraction = a % kScale;
    Units whole;
    if (__builtin_mul_overflow(aWhole, b, &whole)) return fromUnits(saturate((a < 0) != (b < 0)));
    Units fraction;
    if (__builtin_mul_overflow(aFraction, b, &fraction)) {
        // aFraction < 10^8, so this only happens for b beyond 10^30: the result is out of range too.
        return fromUnits(saturate((a < 0) != (b < 0)));
    }
    Units sum;
    if (__builtin_add_overflow(whole, divideRounded(fraction, kScale, Rounding::HalfAwayFromZero), &sum))
        return fromUnits(saturate((a < 0) != (b < 0)));
    return fromUnits(sum);
}

QString Decimal::toFixed(int places, QChar separator) const {
    if (places > kPlaces) places = kPlaces;
    if (places < 0) places = 0;
    const Units step = pow10(kPlaces - places);
    Units value = divideRounded(m_units, step, Rounding::HalfAwayFromZero);
    const bool negative = value < 0;
    Units magnitude = negative ? -value : value;
    // The digits from the last one back, at least one before the separator; reports format many
    // amounts, so no text is made until the number's own.
    char16_t buffer[64];
    qsizetype count = 0;
    do {
        buffer[63 - count++] = char16_t('0' + int(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    while (count <= places) buffer[63 - count++] = u'0';
    const QStringView digits(buffer + 64 - count, count);
    QString text;
    text.reserve(count + 2);
    if (negative) text += QLatin1Char('-');
    text += digits.first(count - places);
    if (places > 0) {
        text += separator;
        text += digits.last(places);
    }
    return text;
}

std::ostream& operator<<(std::ostream& out, const Decimal& value) {
    return out << value.toFixed(Decimal::kPlaces).toStdString();
}

namespace literals {
Decimal operator""_dec(const char* text) {
    Decimal value;
    Decimal::parse(QString::fromLatin1(text), QLatin1Char('.'), &value);
    return value;
}
}  // namespace literals

}  // namespace base
