#pragma once
// Exact decimal numbers for amounts, quantities, prices and rates. A value is a whole count of
// 10^-8 units, so every number a table field or an entry field holds is exact, and sums, differences
// and the products the invoice arithmetic forms (quantity x price, rate x amount) stay exact.
// Rounding happens only where a rule asks for it, never as a side effect of the representation.
#include <QChar>
#include <QString>
#include <QStringView>

#include <compare>
#include <iosfwd>

namespace base {

class Decimal {
public:
    static constexpr int kPlaces = 8;
    using Units = __int128;

    enum class Rounding {
        HalfAwayFromZero,  // 2.345 -> 2.35, -2.345 -> -2.35
        TowardZero,        // drops the digits past the places: 10.019 -> 10.01, -10.019 -> -10.01
    };

    constexpr Decimal() = default;
    // Whole numbers convert exactly; a double never converts by itself (see fromDouble).
    constexpr Decimal(int whole) : m_units(Units(whole) * kScale) {}
    constexpr Decimal(long whole) : m_units(Units(whole) * kScale) {}
    constexpr Decimal(long long whole) : m_units(Units(whole) * kScale) {}
    Decimal(double) = delete;
    static constexpr Decimal fromUnits(Units units) {
        Decimal d;
        d.m_units = units;
        return d;
    }
    // The shortest decimal text that reads back as the double (2.675 -> 2.675, not 2.67499...);
    // 0 for NaN and infinities.
    static Decimal fromDouble(double value);
    // Reads an optional sign, digits, the separator and digits, and an optional exponent
    // ("-12.5", "+3", ".25", "1.5e3"); the whole text must be the number. Digits past the eighth
    // decimal are rounded half away from zero. False (and *out untouched) for anything else or a
    // number too large to hold.
    static bool parse(QStringView text, QChar separator, Decimal* out);

    Units units() const { return m_units; }
    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }
    double toDouble() const;

    Decimal rounded(int places, Rounding mode = Rounding::HalfAwayFromZero) const;
    // this / divisor rounded to places; 0 when the divisor is 0.
    Decimal dividedBy(const Decimal& divisor, int places, Rounding mode = Rounding::HalfAwayFromZero) const;

    // Fixed-point text with the given decimals, rounded half away from zero, no padding; a value
    // that rounds to zero has no sign (never "-0.00").
    QString toFixed(int places, QChar separator = QLatin1Char('.')) const;

    Decimal operator-() const { return fromUnits(-m_units); }
    friend Decimal operator+(const Decimal& a, const Decimal& b) { return fromUnits(a.m_units + b.m_units); }
    friend Decimal operator-(const Decimal& a, const Decimal& b) { return fromUnits(a.m_units - b.m_units); }
    // Exact while the two factors have no more than eight decimals between them; past that the
    // product is rounded half away from zero at the eighth. Saturates instead of overflowing.
    friend Decimal operator*(const Decimal& a, const Decimal& b) { return a.times(b); }
    Decimal& operator+=(const Decimal& o) { return *this = *this + o; }
    Decimal& operator-=(const Decimal& o) { return *this = *this - o; }

    friend bool operator==(const Decimal&, const Decimal&) = default;
    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
        return a.m_units < b.m_units   ? std::strong_ordering::less
               : a.m_units > b.m_units ? std::strong_ordering::greater
                                       : std::strong_ordering::equal;
    }

private:
    Decimal times(const Decimal& o) const;
    static constexpr Units kScale = 100000000;  // 10^kPlaces
    Units m_units = 0;
};

// For messages and test output: the exact value with eight decimals.
std::ostream& operator<<(std::ostream& out, const Decimal& value);

namespace literals {
// 12.345_dec is the exact decimal written, not the double nearest to it.
Decimal operator""_dec(const char* text);
}  // namespace literals

}  // namespace base
