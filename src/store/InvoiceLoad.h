#pragma once
// Loading an invoice into the working set from the six tables it is made of, and its address block.

namespace store {

// Loads the invoice at CurInvoiceRec with its lines, payments, customer and address block.
// REQUIRES: CUST5, INV5, ITM5, GSTPMT and Prod5 open.
void LoadInvoice();
// Rebuilds AddressBlock from CustRec (name or company first, by the settings' ByCust).
void BuildAddressBlock();

}  // namespace store
