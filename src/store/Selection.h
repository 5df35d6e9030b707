#pragma once
// The current record of each record window, the result of the last positioning call and the flag that
// asks for a pack.

namespace store {

// > 0 a record number, 0 a new record, -1 nothing chosen.
extern long CurCustRec, CurGroupRec, CurInvoiceRec, CurLabelRec, CurProductRec, CurPurchaseRec;
// Result of the last positioning call: 0 success, 3 end of table.
extern int LastResult;
// Set by every delete; cleared by the commands that pack.
extern bool PackPending;

}  // namespace store
