#pragma once
// Loading an invoice into a working set from the six tables it is made of, and a customer's address block.
#include <QStringList>

#include "store/RecordBuffers.h"
#include "store/WorkingSet.h"

namespace store {

// Loads the invoice at record rec of INV5 into *set with its lines and payments, and looks up its
// customer by number: when found, CustRec is loaded, CurCustRec set and the address block built.
// Leaves INV5 on the invoice's record. REQUIRES: CUST5, INV5, ITM5, GSTPMT and Prod5 open.
void LoadInvoice(long rec, InvoiceWorkingSet* set);
// The same for the invoice at CurInvoiceRec into CurrentInvoice.
void LoadInvoice();
// A customer's five address lines: name or company first (by the settings' ByCust), then the address,
// the postal code beside the last line or, when that is long, under it.
QStringList AddressBlockOf(const CustBuffer& customer);
// Rebuilds AddressBlock from CustRec.
void BuildAddressBlock();

}  // namespace store
