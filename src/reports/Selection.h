#pragma once
// The selection values that the report dialogs set and the generators read.
#include <QList>

namespace reports {

extern double StartDate;  // day numbers
extern double EndDate;
extern bool DateSpanCancelled;
extern QList<int> SelectedGroups;  // group numbers

// StartDate := the first day of the current month, EndDate := its last day.
void SetCurrentMonth();

}  // namespace reports
