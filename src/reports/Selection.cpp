#include "reports/Selection.h"

#include "base/Format.h"

namespace reports {

double StartDate = 0;
double EndDate = 0;
bool DateSpanCancelled = false;
QList<int> SelectedGroups;
QList<long> SelectedCustomers;
QString SelectedProduct;

void SetCurrentMonth() {
    const QDate today = base::DateFromDay(base::Today());
    const QDate first(today.year(), today.month(), 1);
    StartDate = base::DayFromDate(first);
    EndDate = base::DayFromDate(first.addDays(first.daysInMonth() - 1));
}

}  // namespace reports
