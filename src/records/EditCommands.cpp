#include "records/EditCommands.h"

#include <QString>

#include "records/CustomerU.h"
#include "records/GroupDefU.h"
#include "records/PickU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "ui/Forms.h"

namespace records {
namespace {

// Selects the tag a table is shown in and starts on the first record.
void startAtFirst(xbase::Table* table, store::TagId tag, long* current) {
    store::SelectTag(table, tag);
    store::LastResult = table->top();
    *current = store::LastResult == xbase::kOk ? table->recNo() : 0;
}

}  // namespace

// A record made through "New" was shown by the launcher already; a cancelled new record ends the loop
// as the launcher reports it. Only this command's deletions are packed here; deletions made earlier
// elsewhere stay pending, so that the pack at exit still removes them.
void RunEditLoop(const EditLoop& loop) {
    bool pendingElsewhere = store::PackPending;
    store::PackPending = false;
    for (;;) {
        bool created = false;
        if (!loop.pick(true, &created)) break;
        if (!created) loop.showWindow();
    }
    store::CloseAll();
    if (store::PackPending) {
        // Deletions the pack could not remove stay marked and pending for the next pack.
        if (const store::WriteResult packed = store::PackTable(loop.packed, false); !packed) {
            base::ShowMessage(packed.message(QStringLiteral("The removal of deleted records")));
            pendingElsewhere = true;
        }
    }
    store::PackPending = pendingElsewhere;
}

void CustomerCommand() {
    if (!store::OpenCust() || !store::OpenGroups()) return store::CloseAll();
    startAtFirst(store::CustTable, store::CustomerOrderTag(), &store::CurCustRec);
    RunEditLoop({PickCustomer, ui::ShowForm<TCustomer>, store::TableKey::Cust});
}

void GroupCommand() {
    if (!store::OpenGroups() || !store::OpenCust()) return store::CloseAll();
    startAtFirst(store::GroupsTable, store::TagId::GroupName, &store::CurGroupRec);
    RunEditLoop({PickGroup, ui::ShowForm<TGroupDef>, store::TableKey::Groups});
}

void ProductCommand() {
    if (!store::OpenProd()) return store::CloseAll();
    startAtFirst(store::ProdTable, store::TagId::Prod, &store::CurProductRec);
    RunEditLoop({PickProduct, ui::ShowForm<TProdDef>, store::TableKey::Prod});
}

void PurchaseCommand() {
    if (!store::OpenPur() || !store::OpenProd()) return store::CloseAll();
    startAtFirst(store::PurTable, store::TagId::Pur, &store::CurPurchaseRec);
    RunEditLoop({PickPurchase, ui::ShowForm<TPurDef>, store::TableKey::Pur});
}

}  // namespace records
