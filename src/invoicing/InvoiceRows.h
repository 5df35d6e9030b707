#pragma once
// Changes to the rows of the invoice working set (store::ItemRows, store::PaymentRows) as the entry
// windows make them, keeping LastItemRow and LastPmtRow in step.
#include <QStringList>

namespace invoicing {

// Cells 0 to 6 of a line item as the item window gives them: product code, quantity text, price text,
// "t"/"f", "t"/"f", description, comment.
inline constexpr int kEditableItemCells = 7;

// Adds a line: the window's seven cells, then the product's second code and text (trimmed).
void AppendItemRow(const QStringList& cells, const QString& rCode, const QString& pMemo);
// Replaces cells 0 to 6 of line index; the product's code and text travel on.
void ReplaceItemRow(int index, const QStringList& cells);
// Removes line index; later lines move up in order.
void RemoveItemRow(int index);

// Payments: date text, amount text, tax part text, "T"/"F".
void AppendPaymentRow(const QStringList& cells);
void ReplacePaymentRow(int index, const QStringList& cells);
void RemovePaymentRow(int index);

// A payment's date cell (the short date format) as a day number inside the century window; 0 when
// the text is no date.
double PaymentDay(const QString& text);

// The flag cells: lower case for lines, upper case for payments.
QString ItemFlag(bool on);
QString PaymentFlag(bool on);

}  // namespace invoicing
