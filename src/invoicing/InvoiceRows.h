#pragma once
// Changes to the rows of the invoice working set (store::ItemRows, store::PaymentRows) as the entry
// windows make them.
#include <QString>

#include "store/WorkingSet.h"

namespace invoicing {

// Adds a line: the item window's fields (code to comment), then the product's second code and text
// (trimmed).
void AppendItemRow(const store::ItemRow& edited, const QString& rCode, const QString& pMemo);
// Replaces the item window's fields of line index; the product's code and text travel on.
void ReplaceItemRow(int index, const store::ItemRow& edited);
// Removes line index; later lines move up in order.
void RemoveItemRow(int index);

void AppendPaymentRow(const store::PaymentRow& payment);
void ReplacePaymentRow(int index, const store::PaymentRow& payment);
void RemovePaymentRow(int index);

// A payment's date (the short date format) as a day number inside the century window; 0 when the
// text is no date.
double PaymentDay(const QString& text);

}  // namespace invoicing
