#pragma once
// The invoice arithmetic: line totals, the two computed lines under the subtotal, the totals and the
// amount due. Works on the program-wide invoice working set (store::InvRec, ItemRows, PaymentRows)
// and the settings buffer; the invoice window only shows what it computes.
#include <QString>

#include "base/Decimal.h"
#include "store/WorkingSet.h"

namespace invoicing {

// Derived values of the invoice being edited; never stored.
extern base::Decimal SubTotal;
extern base::Decimal InvoiceTotal;
extern base::Decimal PaymentsTotal;

// How the computed lines are charged (from the settings buffer by default).
struct TaxRules {
    base::Decimal rate1;  // percent of computed line 1; 0 = typed by hand
    base::Decimal rate2;  // percent of computed line 2; 0 = typed by hand
    int shipTax = 1;   // line 2 charged on line 1: 1 no, 2 yes, 3 when items are subject to line 2
    int taxRound = 1;  // 1 normal, 2 up, 3 down
    static TaxRules fromSettings();
};

// Whether computed line 2 is charged on computed line 1 as well, given the total of the lines subject
// to line 2 (the ShipTax rule: yes; or when some line is subject to line 2).
bool SecondChargedOnFirst(const TaxRules& rules, const base::Decimal& base2);

// The format of every amount on the invoice window.
inline constexpr const char* kAmountFormat = "%10.2f";

// The item grid's total column: the line total as "%10.2f", a blank and the two tax letters.
QString LineTotalText(const store::ItemRow& row);

// Recomputes the computed lines from the item rows into InvRec.Ship / InvRec.Tax. Returns false when
// nothing happened (both rates 0, or no lines): the amounts then keep their values.
bool ComputeTaxes(bool recomputeFirst, const TaxRules& rules);
bool ComputeTaxes(bool recomputeFirst);

// SubTotal from the item rows and InvoiceTotal = SubTotal + Ship + Tax (the invoice being shown).
void SumLines();
// PaymentsTotal from the payment rows; Due = the displayed total less the displayed payments, so the
// amount due always agrees with what the window shows.
void ShowPayments();
// After a computed amount was typed: InvoiceTotal and Due from the unrounded values.
void UpdateTotals();

// The tax part of a payment that includes tax at rate percent, in cents (0 when it does not
// include it). Returns false when the rate is 0 or less: the tax part is then left as typed.
bool ComputeIncludedTax(const base::Decimal& rate, const base::Decimal& amount, bool included,
                        base::Decimal* taxPart);

// Starts a blank invoice in the working set with the next number and today's date.
void NewInvoice();

}  // namespace invoicing
