#include "invoicing/InvoiceCalc.h"

#include "base/Format.h"
#include "base/Money.h"
#include "invoicing/InvoiceNumbers.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace invoicing {

using base::Decimal;

Decimal SubTotal;
Decimal InvoiceTotal;
Decimal PaymentsTotal;

TaxRules TaxRules::fromSettings() {
    const store::SettingsBuffer& s = store::SettingsRec;
    return TaxRules{s.TaxRate1, s.TaxRate2, s.ShipTax, s.TaxRound};
}

QString LineTotalText(const store::ItemRow& row) {
    return base::FormatNumber(kAmountFormat, row.total()) + QLatin1Char(' ') + store::ItemFlag(row.tax1) +
           store::ItemFlag(row.tax2);
}

bool SecondChargedOnFirst(const TaxRules& rules, const Decimal& base2) {
    return rules.shipTax == 2 || (rules.shipTax == 3 && !base2.isZero());
}

bool ComputeTaxes(bool recomputeFirst, const TaxRules& rules) {
    if ((rules.rate1.isZero() && rules.rate2.isZero()) || store::ItemRows.isEmpty()) return false;
    Decimal base1;
    Decimal base2;
    for (const store::ItemRow& row : store::ItemRows) {
        const Decimal total = row.total();
        if (row.tax1) base1 += total;
        if (row.tax2) base2 += total;
    }
    store::InvBuffer& inv = store::InvRec;
    if (recomputeFirst && !rules.rate1.isZero())
        inv.Ship = base::RoundTax(base::PercentOf(rules.rate1, base1), rules.taxRound);
    if (SecondChargedOnFirst(rules, base2)) base2 += inv.Ship;
    if (!rules.rate2.isZero()) inv.Tax = base::RoundTax(base::PercentOf(rules.rate2, base2), rules.taxRound);
    return true;
}

bool ComputeTaxes(bool recomputeFirst) { return ComputeTaxes(recomputeFirst, TaxRules::fromSettings()); }

void SumLines() {
    SubTotal = Decimal();
    for (const store::ItemRow& row : store::ItemRows) SubTotal += row.total();
    InvoiceTotal = SubTotal + store::InvRec.Ship + store::InvRec.Tax;
}

void ShowPayments() {
    PaymentsTotal = store::CurrentInvoice.paymentsTotal();
    // The window shows both in whole cents ("%10.2f" rounds as RoundMoney does).
    store::InvRec.Due = base::RoundMoney(InvoiceTotal) - base::RoundMoney(PaymentsTotal);
}

void UpdateTotals() {
    InvoiceTotal = SubTotal + store::InvRec.Ship + store::InvRec.Tax;
    store::InvRec.Due = InvoiceTotal - PaymentsTotal;
}

bool ComputeIncludedTax(const Decimal& rate, const Decimal& amount, bool included, Decimal* taxPart) {
    if (rate <= Decimal()) return false;
    *taxPart = included ? base::IncludedTax(rate, amount) : Decimal();
    return true;
}

void NewInvoice() {
    store::InvBuffer& inv = store::InvRec;
    inv.IvNo = NextInvoiceNumber();
    inv.CuNo = 0;
    inv.IDate = base::Today();
    inv.Dept.clear();
    inv.IMemo.clear();
    inv.REM.clear();
    inv.Ship = Decimal();
    inv.Tax = Decimal();
    inv.Due = Decimal();
    store::ItemRows.clear();
    store::PaymentRows.clear();
}

}  // namespace invoicing
