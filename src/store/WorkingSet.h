#pragma once
// The invoice working set: the open invoice's line and payment rows as the invoice window shows them,
// and its address block.
#include <QList>
#include <QStringList>

#include "base/Decimal.h"

namespace store {

// One row per line item, 9 cells: 0 product code as stored, 1 quantity "%9.2f", 2 unit price "%8.2f",
// 3 and 4 "t"/"f" for tax 1 and 2, 5 description, 6 comment trimmed, 7 the product's RCode and
// 8 its PMemo (trimmed; empty when the product is not in the product table).
extern QList<QStringList> ItemRows;
extern int LastItemRow;  // -1 when there are no lines
// One row per payment, 4 cells: 0 date in the short date format, 1 amount "%10.2f", 2 tax part
// "%10.2f", 3 "T"/"F".
extern QList<QStringList> PaymentRows;
extern int LastPmtRow;  // -1 when there are no payments
inline constexpr int kItemCells = 9;
inline constexpr int kPmtCells = 4;
// Five address lines (indices 0 to 4) once built; a single empty line before a customer is found.
extern QStringList AddressBlock;

// The numbers of the rows, read from their texts with the locale's separator: the line total of an
// item row, RoundMoney(price x quantity); the unrounded product of a row; and the sum of the amounts
// of the payment rows up to LastPmtRow.
base::Decimal ItemRowTotal(const QStringList& row);
base::Decimal ItemRowProduct(const QStringList& row);
base::Decimal PaymentRowsTotal();

}  // namespace store
