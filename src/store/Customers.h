#pragma once
// Lookups over the customer and group tables: the next free customer number and a customer's group.

namespace store {

// Smallest customer number from 1 upward that the walk in customer-number order finds unused.
// REQUIRES: CUST5 open. Leaves the previously selected tag selected, at the top.
long NextCustomerNumber();
// Loads the group of CustRec.ngroup into GroupRec, or clears GroupRec. REQUIRES: GROUPS open.
void FindCustomerGroup();

}  // namespace store
