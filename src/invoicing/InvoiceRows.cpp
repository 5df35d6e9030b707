#include "invoicing/InvoiceRows.h"

#include <QLocale>

#include "base/Format.h"
#include "store/WorkingSet.h"

namespace invoicing {
namespace {

bool inRange(int index, int last) { return index >= 0 && index <= last; }

}  // namespace

void AppendItemRow(const QStringList& cells, const QString& rCode, const QString& pMemo) {
    QStringList row = cells.mid(0, kEditableItemCells);
    while (row.size() < kEditableItemCells) row << QString();
    row << rCode.trimmed() << pMemo.trimmed();
    store::ItemRows.resize(store::LastItemRow + 1);
    store::ItemRows.append(row);
    store::LastItemRow = int(store::ItemRows.size()) - 1;
}

void ReplaceItemRow(int index, const QStringList& cells) {
    if (!inRange(index, store::LastItemRow)) return;
    QStringList& row = store::ItemRows[index];
    while (row.size() < store::kItemCells) row << QString();
    for (int c = 0; c < kEditableItemCells; ++c) row[c] = cells.value(c);
}

void RemoveItemRow(int index) {
    if (!inRange(index, store::LastItemRow)) return;
    store::ItemRows.removeAt(index);
    --store::LastItemRow;
}

void AppendPaymentRow(const QStringList& cells) {
    store::PaymentRows.resize(store::LastPmtRow + 1);
    store::PaymentRows.append(cells.mid(0, store::kPmtCells));
    store::LastPmtRow = int(store::PaymentRows.size()) - 1;
}

void ReplacePaymentRow(int index, const QStringList& cells) {
    if (!inRange(index, store::LastPmtRow)) return;
    store::PaymentRows[index] = cells.mid(0, store::kPmtCells);
}

void RemovePaymentRow(int index) {
    if (!inRange(index, store::LastPmtRow)) return;
    store::PaymentRows.removeAt(index);
    --store::LastPmtRow;
}

double PaymentDay(const QString& text) {
    const QLocale locale;
    const QDate date = locale.toDate(text.trimmed(), locale.dateFormat(QLocale::ShortFormat));
    return base::DateWindow(base::DayFromDate(date));
}

QString ItemFlag(bool on) { return on ? QStringLiteral("t") : QStringLiteral("f"); }
QString PaymentFlag(bool on) { return on ? QStringLiteral("T") : QStringLiteral("F"); }

}  // namespace invoicing
