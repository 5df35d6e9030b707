#include "invoicing/InvoiceCalc.h"

#include <cmath>

#include "base/Format.h"
#include "store/Settings.h"
#include "store/dbFiles.h"
#include "xbase/Engine.h"

namespace invoicing {

double SubTotal = 0;
double InvoiceTotal = 0;
double PaymentsTotal = 0;

TaxRules TaxRules::fromSettings() {
    const store::SettingsBuffer& s = store::SettingsRec;
    return TaxRules{s.TaxRate1, s.TaxRate2, s.ShipTax, s.TaxRound};
}

double RoundTax(double x, int mode) {
    // The addends are extended constants, as in the cent rounding of RoundMoney.
    const long double v = x;
    long double scaled;
    switch (mode) {
    case 1: scaled = (v + 0.005L) * 100.0L; break;
    case 2: scaled = (v + 0.0099L) * 100.0L; break;  // a fraction below 0.0001 is dropped, not raised
    default: scaled = v * 100.0L; break;
    }
    return double(std::trunc(scaled) / 100.0L);
}

double LineTotal(const QStringList& row) {
    const double quantity = base::ReadAmount(row.value(1));
    const double price = base::ReadAmount(row.value(2));
    return base::RoundMoney(price * quantity);
}

QString LineTotalText(const QStringList& row) {
    return base::FormatNumber(kAmountFormat, LineTotal(row)) + QLatin1Char(' ') + row.value(3) + row.value(4);
}

bool ComputeTaxes(bool recomputeFirst, const TaxRules& rules) {
    if ((rules.rate1 == 0 && rules.rate2 == 0) || store::LastItemRow < 0) return false;
    double base1 = 0;
    double base2 = 0;
    for (int r = 0; r <= store::LastItemRow && r < store::ItemRows.size(); ++r) {
        const QStringList& row = store::ItemRows[r];
        const double total = LineTotal(row);
        if (row.value(3) == QLatin1String("t")) base1 += total;
        if (row.value(4) == QLatin1String("t")) base2 += total;
    }
    store::InvBuffer& inv = store::InvRec;
    if (recomputeFirst && rules.rate1 != 0) inv.Ship = RoundTax(rules.rate1 / 100 * base1, rules.taxRound);
    if (rules.shipTax == 2 || (rules.shipTax == 3 && base2 != 0)) base2 += inv.Ship;
    if (rules.rate2 != 0) inv.Tax = RoundTax(rules.rate2 / 100 * base2, rules.taxRound);
    return true;
}

bool ComputeTaxes(bool recomputeFirst) { return ComputeTaxes(recomputeFirst, TaxRules::fromSettings()); }

void SumLines() {
    SubTotal = 0;
    for (int r = 0; r <= store::LastItemRow && r < store::ItemRows.size(); ++r) SubTotal += LineTotal(store::ItemRows[r]);
    InvoiceTotal = SubTotal + store::InvRec.Ship + store::InvRec.Tax;
}

double Displayed(double amount) { return base::ReadAmount(base::FormatNumber(kAmountFormat, amount)); }

void ShowPayments() {
    PaymentsTotal = 0;
    for (int r = 0; r <= store::LastPmtRow && r < store::PaymentRows.size(); ++r)
        PaymentsTotal += base::ReadAmount(store::PaymentRows[r].value(1));
    store::InvRec.Due = Displayed(InvoiceTotal) - Displayed(PaymentsTotal);
}

void UpdateTotals() {
    InvoiceTotal = SubTotal + store::InvRec.Ship + store::InvRec.Tax;
    store::InvRec.Due = InvoiceTotal - PaymentsTotal;
}

bool ComputeIncludedTax(double rate, double amount, bool included, double* taxPart) {
    if (rate <= 0) return false;
    const double r = rate / 100;
    *taxPart = included ? r * amount / (1 + r) : 0;
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
    inv.Ship = 0;
    inv.Tax = 0;
    inv.Due = 0;
    store::ItemRows.clear();
    store::LastItemRow = -1;
    store::PaymentRows.clear();
    store::LastPmtRow = -1;
}

}  // namespace invoicing
