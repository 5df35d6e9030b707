#include "records/PickU.h"

#include <QDialog>

#include "base/Dialogs.h"
#include "records/CustomerU.h"
#include "records/GroupDefU.h"
#include "records/PickCustU.h"
#include "records/PickGroupU.h"
#include "records/PickInvU.h"
#include "records/PickLabelU.h"
#include "records/PickProdU.h"
#include "records/PickPurU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "ui/Forms.h"

namespace records {

namespace {

const char* const kCustomersEmpty = "Customer Database is Empty";
const char* const kGroupsEmpty = "Group Database is Empty";
const char* const kProductsEmpty = "Product Database is Empty";
const char* const kInvoicesEmpty = "Invoice Database is Empty";
const char* const kPurchasesEmpty = "Purchase Database is Empty";
const char* const kLabelsEmpty = "Label Database is Empty";

struct Launch {
    xbase::Table* table;
    long* current;
    const char* emptyMessage;
    QDialog* recordWindow;  // shown for a new record; null: "New" makes nothing
};

template <class Pick>
bool launch(const Launch& l, bool allowNew, bool* created) {
    if (created) *created = false;
    if (!l.table || l.table->recCount() == 0) {
        if (!allowNew) {
            base::ShowMessage(QString::fromLatin1(l.emptyMessage));
            *l.current = -1;
            return false;
        }
        *l.current = 0;
    }
    Pick* pick = ui::Form<Pick>();
    if (!pick) {
        *l.current = -1;
        return false;
    }
    pick->BtnNew->setEnabled(allowNew);
    base::dialogs().showModal(pick);
    if (*l.current == 0) {
        if (l.recordWindow) base::dialogs().showModal(l.recordWindow);
        // A new record cancelled in its window leaves 0 or -1: only a stored one counts as created.
        if (created) *created = *l.current > 0;
    }
    return *l.current > 0;
}

}  // namespace

bool PickCustomer(bool allowNew, bool* created) {
    store::SelectTag(store::CustTable, store::TagId::CustName);
    return launch<TPickCust>({store::CustTable, &store::CurCustRec, kCustomersEmpty, ui::Form<TCustomer>()},
                             allowNew, created);
}

bool PickGroup(bool allowNew, bool* created) {
    return launch<TPickGroup>({store::GroupsTable, &store::CurGroupRec, kGroupsEmpty, ui::Form<TGroupDef>()},
                              allowNew, created);
}

bool PickProduct(bool allowNew, bool* created) {
    return launch<TPickProd>({store::ProdTable, &store::CurProductRec, kProductsEmpty, ui::Form<TProdDef>()},
                             allowNew, created);
}

bool PickInvoice(QDialog* newRecordWindow, bool* created) {
    return launch<TPickInv>({store::InvTable, &store::CurInvoiceRec, kInvoicesEmpty, newRecordWindow},
                            newRecordWindow != nullptr, created);
}

bool PickPurchase(bool allowNew, bool* created) {
    return launch<TPickPur>({store::PurTable, &store::CurPurchaseRec, kPurchasesEmpty, ui::Form<TPurDef>()},
                            allowNew, created);
}

bool PickLabel(QDialog* newRecordWindow, bool* created) {
    return launch<TPickLab>({store::LabelsTable, &store::CurLabelRec, kLabelsEmpty, newRecordWindow},
                            newRecordWindow != nullptr, created);
}

}  // namespace records
