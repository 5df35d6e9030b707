// The invoice working set: its typed rows and the numbers read from them.
#include "store/WorkingSet.h"

#include "base/Format.h"
#include "base/Money.h"

namespace store {

InvoiceWorkingSet CurrentInvoice;
QList<ItemRow>& ItemRows = CurrentInvoice.items;
QList<PaymentRow>& PaymentRows = CurrentInvoice.payments;
QStringList& AddressBlock = CurrentInvoice.address;

base::Decimal ItemRow::product() const { return base::ReadAmount(price) * base::ReadAmount(quantity); }

base::Decimal ItemRow::total() const { return base::RoundMoney(product()); }

QStringList ItemRow::cells() const {
    return {code, quantity, price, ItemFlag(tax1), ItemFlag(tax2), description, comment, rCode, pMemo};
}

QStringList PaymentRow::cells() const { return {date, amount, taxPart, PaymentFlag(includesTax)}; }

QString ItemFlag(bool on) { return on ? QStringLiteral("t") : QStringLiteral("f"); }
QString PaymentFlag(bool on) { return on ? QStringLiteral("T") : QStringLiteral("F"); }

base::Decimal InvoiceWorkingSet::paymentsTotal() const {
    base::Decimal total;
    for (const PaymentRow& payment : payments) total += base::ReadAmount(payment.amount);
    return total;
}

void InvoiceWorkingSet::clearRows() {
    items.clear();
    payments.clear();
    address = QStringList{QString()};
}

}  // namespace store
