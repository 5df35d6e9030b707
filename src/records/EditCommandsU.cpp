#include "records/EditCommandsU.h"

#include <QString>

#include "records/CustomerU.h"
#include "records/GroupDefU.h"
#include "records/PickU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "store/DbUtil.h"
#include "store/Settings.h"
#include "store/dbFiles.h"
#include "ui/Forms.h"

namespace records {
namespace {

using Launcher = bool (*)(bool allowNew, bool* created);

struct Loop {
    Launcher pick;
    bool (*showWindow)();  // the record window for the chosen record
    const char* packName;  // the table packed when records were deleted
};

// Selects the tag a table is shown in (its open order when tag is null) and starts on the first record.
void startAtFirst(xbase::Table* table, const char* tag, long* current) {
    if (tag) table->selectTag(table->findTag(tag));
    store::LastResult = table->top();
    *current = store::LastResult == xbase::kOk ? table->recNo() : 0;
}

// Pick list, record window, again until the pick list is cancelled. A record made through "New" was
// shown by the launcher already; a cancelled new record ends the loop as the launcher reports it.
// Only this command's deletions are packed here; deletions made earlier elsewhere stay pending, so that
// the pack at exit still removes them.
void run(const Loop& loop) {
    const bool pendingElsewhere = store::PackPending;
    store::PackPending = false;
    for (;;) {
        bool created = false;
        if (!loop.pick(true, &created)) break;
        if (!created) loop.showWindow();
    }
    store::CloseAll();
    if (store::PackPending) store::PackTable(QString::fromLatin1(loop.packName), false);
    store::PackPending = pendingElsewhere;
}

}  // namespace

void CustomerCommand() {
    if (!store::OpenCust() || !store::OpenGroups()) return store::CloseAll();
    startAtFirst(store::CustTable, store::SettingsRec.ByCust ? "CName" : "cComp", &store::CurCustRec);
    run({PickCustomer, ui::ShowForm<TCustomer>, "CUST5"});
}

void GroupCommand() {
    if (!store::OpenGroups() || !store::OpenCust()) return store::CloseAll();
    startAtFirst(store::GroupsTable, "CGroup", &store::CurGroupRec);
    run({PickGroup, ui::ShowForm<TGroupDef>, "GROUPS"});
}

void ProductCommand() {
    if (!store::OpenProd()) return store::CloseAll();
    startAtFirst(store::ProdTable, "Prod", &store::CurProductRec);
    run({PickProduct, ui::ShowForm<TProdDef>, "Prod5"});
}

void PurchaseCommand() {
    if (!store::OpenPur() || !store::OpenProd()) return store::CloseAll();
    startAtFirst(store::PurTable, "Pur", &store::CurPurchaseRec);
    run({PickPurchase, ui::ShowForm<TPurDef>, "Pur5"});
}

}  // namespace records
