// Lookups over the customer and group tables.
#include "store/Customers.h"

#include "base/Format.h"
#include "store/LoadStore.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace store {

long NextCustomerNumber() {
    if (!CustTable || CustTable->recCount() == 0) return 1;
    xbase::Tag* remembered = CustTable->selectedTag();
    SelectTag(CustTable, TagId::CustNumber);
    long last = 0;
    for (int rc = CustTable->top(); rc == xbase::kOk; rc = CustTable->skip(1)) {
        const long number = ReadField(CustTable, &CustBuffer::cuno);
        if (number > last + 1) break;
        last = number;  // a repeated number is passed over
    }
    CustTable->selectTag(remembered);
    LastResult = CustTable->top();
    return last + 1;
}

void FindCustomerGroup() {
    if (GroupsTable) {
        SelectTag(GroupsTable, TagId::GroupNumber);
        LastResult = GroupsTable->seek(ToTableText(base::PadNumber(CustRec.ngroup, 2)));
        if (LastResult == xbase::kOk) {
            LoadGroup();
            return;
        }
    }
    GroupRec.nGroup = 0;
    GroupRec.cGroup.clear();
}

}  // namespace store
