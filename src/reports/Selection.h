#pragma once
// The selection values that the report dialogs set and the generators read.
#include <QList>
#include <QString>

namespace reports {

extern double StartDate;  // day numbers
extern double EndDate;
extern bool DateSpanCancelled;
extern QList<int> SelectedGroups;  // group numbers
extern QList<long> SelectedCustomers;  // customer numbers, in the order picked
extern QString SelectedProduct;        // a product code

// StartDate := the first day of the current month, EndDate := its last day.
void SetCurrentMonth();

}  // namespace reports
