#include "invoicing/InvoiceRows.h"

#include <QLocale>

#include "base/Format.h"
#include "store/WorkingSet.h"

namespace invoicing {
namespace {

bool inRange(int index, int last) { return index >= 0 && index <= last; }

}  // namespace

void AppendItemRow(const store::ItemRow& edited, const QString& rCode, const QString& pMemo) {
    store::ItemRow row = edited;
    row.rCode = rCode.trimmed();
    row.pMemo = pMemo.trimmed();
    store::ItemRows.append(row);
}

void ReplaceItemRow(int index, const store::ItemRow& edited) {
    if (!inRange(index, store::LastItemRow())) return;
    store::ItemRow& row = store::ItemRows[index];
    const QString rCode = row.rCode;
    const QString pMemo = row.pMemo;
    row = edited;
    row.rCode = rCode;
    row.pMemo = pMemo;
}

void RemoveItemRow(int index) {
    if (inRange(index, store::LastItemRow())) store::ItemRows.removeAt(index);
}

void AppendPaymentRow(const store::PaymentRow& payment) { store::PaymentRows.append(payment); }

void ReplacePaymentRow(int index, const store::PaymentRow& payment) {
    if (inRange(index, store::LastPmtRow())) store::PaymentRows[index] = payment;
}

void RemovePaymentRow(int index) {
    if (inRange(index, store::LastPmtRow())) store::PaymentRows.removeAt(index);
}

double PaymentDay(const QString& text) {
    const QLocale locale;
    const QDate date = locale.toDate(text.trimmed(), locale.dateFormat(QLocale::ShortFormat));
    return base::DateWindow(base::DayFromDate(date));
}

}  // namespace invoicing
