#pragma once
// The money rules every part of the program shares: cent rounding, the rounding of computed taxes,
// the line total, a percentage of an amount and the tax included in an amount. All on exact
// decimals, so what an invoice, a printed document and a report show is the trader's arithmetic.
#include "base/Decimal.h"

namespace base {

// Rounding of computed amounts, as the settings number them.
enum TaxRounding { kRoundNormal = 1, kRoundUp = 2, kRoundDown = 3 };

// Whole cents, halves away from zero: 2.345 -> 2.35, -2.345 -> -2.35, 1.005 -> 1.01.
Decimal RoundMoney(const Decimal& x);
// A computed amount to cents by mode: normal = RoundMoney; up adds 0.0099 and drops the rest (so a
// fraction of a cent below 0.0001 is dropped rather than raised: 10.001 -> 10.01, 10.00001 ->
// 10.00); down, and any other mode, drops the digits past the cents (10.019 -> 10.01).
Decimal RoundTax(const Decimal& x, int mode);
// RoundMoney(price x quantity).
Decimal LineTotal(const Decimal& quantity, const Decimal& price);
// rate percent of amount, unrounded (exact: rates and amounts carry two decimals each).
Decimal PercentOf(const Decimal& rate, const Decimal& amount);
// The tax part of an amount that includes tax at rate percent: rate x amount / (100 + rate), in
// whole cents; 0 when 100 + rate is 0.
Decimal IncludedTax(const Decimal& rate, const Decimal& amount);

}  // namespace base
