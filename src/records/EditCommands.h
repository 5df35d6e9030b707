#pragma once
// The main window's four editing commands for customers, groups, products and purchases. Each opens
// its tables, starts the selection on the first record in the displayed order, then shows the pick
// list and the record window in turn until the pick list is cancelled; at the end it closes every
// table and packs the table it deleted records from.
#include "store/Catalogue.h"

namespace records {

// One editing loop: its pick-list launcher, the record window for a chosen record, and the table
// packed when records were deleted.
struct EditLoop {
    bool (*pick)(bool allowNew, bool* created);
    bool (*showWindow)();
    store::TableKey packed;
};
// Pick list, record window, again until the pick list is cancelled; then closes every table and packs.
// REQUIRES: the loop's tables open and its selection variable on the record to start at.
void RunEditLoop(const EditLoop& loop);

void CustomerCommand();  // "Add & Edit Customers": CUST5, GROUPS
void GroupCommand();     // "Add & Edit Customer Groups": GROUPS, CUST5
void ProductCommand();   // "Add & Edit Products / Services": Prod5
void PurchaseCommand();  // "Add & Edit Inventory Purchases": Pur5, Prod5

}  // namespace records
