#pragma once
// The reports that connect customers with what they bought: the customer profile (each chosen
// customer's address block beside everything they ever bought) and the buyers of one product in a
// span. They read their choice from the selection values; each opens its tables, fills the report
// buffer (or shows why there is nothing) and closes every table.
#include <QString>

namespace reports {

// Customer Profile: a block for each customer of SelectedCustomers, in that order, then for each
// customer of the groups in SelectedGroups, in name order. No dates.
void BuildCustomerProfile(double start, double end);
// Buyers of SelectedProduct on the invoices dated start to end, one line per sale.
void BuildProductBuyers(double start, double end);

// The first customer number, group number or product code among the selection values that nothing
// on file has, named ("customer 17", "group 9", "product ABC"); empty when all are known. Opens the tables it reads and closes every table.
QString UnknownSelection();

}  // namespace reports
