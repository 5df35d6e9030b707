#include "base/Money.h"

namespace base {
namespace {

constexpr int kCents = 2;
const Decimal kHundred(100);
// 0.0099: the addend of upward rounding.
constexpr Decimal kUpAddend = Decimal::fromUnits(990000);

}  // namespace

Decimal RoundMoney(const Decimal& x) { return x.rounded(kCents); }

Decimal RoundTax(const Decimal& x, int mode) {
    switch (mode) {
    case kRoundNormal: return RoundMoney(x);
    case kRoundUp: return (x + kUpAddend).rounded(kCents, Decimal::Rounding::TowardZero);
    default: return x.rounded(kCents, Decimal::Rounding::TowardZero);
    }
}

Decimal LineTotal(const Decimal& quantity, const Decimal& price) { return RoundMoney(price * quantity); }

Decimal PercentOf(const Decimal& rate, const Decimal& amount) {
    return (rate * amount).dividedBy(kHundred, Decimal::kPlaces);
}

Decimal IncludedTax(const Decimal& rate, const Decimal& amount) {
    return (rate * amount).dividedBy(kHundred + rate, kCents);
}

}  // namespace base
