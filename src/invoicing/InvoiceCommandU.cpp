#include "invoicing/InvoiceCommandU.h"

#include "app/Forms.h"
#include "base/Dialogs.h"
#include "invoicing/DefTaxU.h"
#include "invoicing/InvoiceU.h"
#include "records/PickU.h"
#include "store/DbUtil.h"
#include "store/dbFiles.h"

namespace invoicing {

void InvoiceCommand() {
    if (!store::OpenInvoiceTables()) {
        store::CloseAll();
        return;
    }
    xbase::Table* inv = store::InvTable;
    store::SelectTag(inv, store::TagId::Inv);
    store::CurInvoiceRec = inv->bottom() == xbase::kOk ? inv->recNo() : 0;
    for (;;) {
        bool created = false;
        const bool chosen = records::PickInvoice(true, &created);
        // -1: the list was cancelled. 0: a new invoice was cancelled in its window; the list comes back.
        if (store::CurInvoiceRec < 0) break;
        if (chosen && !created) {
            if (TInvoice* window = app::Form<TInvoice>()) base::dialogs().showModal(window);
        }
    }
    store::CloseAll();
    if (store::PackPending) store::PackAll();
}

void TaxDefinitionCommand() {
    if (TTaxDef* window = app::Form<TTaxDef>()) base::dialogs().showModal(window);
}

}  // namespace invoicing
