#pragma once
// What the invoice window's commands do to the working set and the tables, without widgets: which
// invoice a showing starts with, where the customer and product pick lists start, what a pick or the
// customer window leaves behind, and the starting state of a new payment. The window reads its
// controls, calls one of these and shows the result.
// REQUIRES: CUST5, GROUPS, INV5, ITM5, GSTPMT and Prod5 open (the invoice command opens them).
#include "base/Decimal.h"

namespace invoicing {

// The invoice a showing of the window starts with: the working set emptied, then a new invoice
// (CurInvoiceRec 0 or less) or the saved one at CurInvoiceRec with its lines, payments and customer.
// Computed amounts are not recomputed.
void OpenInvoice();

// Before the customer pick list: with no customer chosen yet, CUST5 in the order customers are picked
// in and CurCustRec on its first record (0 for an empty table). A chosen customer stays at CurCustRec.
void PrepareCustomerPick();
// The customer at CurCustRec becomes the invoice's: loaded, CuNo set, the address block built.
void TakePickedCustomer();
// The invoice's customer found by number for the customer window: CurCustRec set. False when CUST5
// holds no customer of that number.
bool FindInvoiceCustomer();
// After the customer window: the customer at CurCustRec loaded again with its address block.
void ReloadCustomer();

// Before the product pick list: CurProductRec on the first product (0 for an empty table).
void PrepareProductPick();
// The product at CurProductRec into ProdRec.
void LoadPickedProduct();

// Whether a new payment of an invoice with these computed amounts starts as including the GST/VAT.
bool NewPaymentIncludesTax(const base::Decimal& ship, const base::Decimal& tax);

}  // namespace invoicing
