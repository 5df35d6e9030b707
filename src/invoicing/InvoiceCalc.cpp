#include "invoicing/InvoiceCalc.h"

#include "base/Format.h"
#include "base/Money.h"
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

QString LineTotalText(const QStringList& row) {
    return base::FormatNumber(kAmountFormat, store::ItemRowTotal(row)) + QLatin1Char(' ') + row.value(3) + row.value(4);
}

bool SecondChargedOnFirst(const TaxRules& rules, const Decimal& base2) {
    return rules.shipTax == 2 || (rules.shipTax == 3 && !base2.isZero());
}

bool ComputeTaxes(bool recomputeFirst, const TaxRules& rules) {
    if ((rules.rate1.isZero() && rules.rate2.isZero()) || store::LastItemRow < 0) return false;
    Decimal base1;
    Decimal base2;
    for (int r = 0; r <= store::LastItemRow && r < store::ItemRows.size(); ++r) {
        const QStringList& row = store::ItemRows[r];
        const Decimal total = store::ItemRowTotal(row);
        if (row.value(3) == QLatin1String("t")) base1 += total;
        if (row.value(4) == QLatin1String("t")) base2 += total;
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
    for (int r = 0; r <= store::LastItemRow && r < store::ItemRows.size(); ++r) SubTotal += store::ItemRowTotal(store::ItemRows[r]);
    InvoiceTotal = SubTotal + store::InvRec.Ship + store::InvRec.Tax;
}

void ShowPayments() {
    PaymentsTotal = store::PaymentRowsTotal();
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

long NextInvoiceNumber() {
    xbase::Table* inv = store::InvTable;
    if (!inv || inv->bottom() != xbase::kOk) return 1;
    const xbase::Field* ivNo = inv->field("IvNo");
    return ivNo ? ivNo->asLong() + 1 : 1;
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
    store::LastItemRow = -1;
    store::PaymentRows.clear();
    store::LastPmtRow = -1;
}

}  // namespace invoicing
