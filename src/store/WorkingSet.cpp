// The invoice working set's rows and the numbers read from them.
#include "store/WorkingSet.h"

#include "base/Format.h"
#include "base/Money.h"

namespace store {

QList<QStringList> ItemRows;
int LastItemRow = -1;
QList<QStringList> PaymentRows;
int LastPmtRow = -1;
QStringList AddressBlock{QString()};

base::Decimal ItemRowProduct(const QStringList& row) {
    return base::ReadAmount(row.value(2)) * base::ReadAmount(row.value(1));
}

base::Decimal ItemRowTotal(const QStringList& row) { return base::RoundMoney(ItemRowProduct(row)); }

base::Decimal PaymentRowsTotal() {
    base::Decimal total;
    for (int r = 0; r <= LastPmtRow && r < PaymentRows.size(); ++r) total += base::ReadAmount(PaymentRows[r].value(1));
    return total;
}

}  // namespace store
