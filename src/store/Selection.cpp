// The current records, the last positioning result and the pack flag.
#include "store/Selection.h"

namespace store {

long CurCustRec = -1, CurGroupRec = -1, CurInvoiceRec = -1, CurLabelRec = -1, CurProductRec = -1,
     CurPurchaseRec = -1;
int LastResult = 0;
bool PackPending = false;

}  // namespace store
