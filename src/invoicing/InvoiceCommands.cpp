#include "invoicing/InvoiceCommands.h"

#include "invoicing/DefTaxU.h"
#include "invoicing/InvoiceU.h"
#include "records/PickU.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "ui/Forms.h"

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
        const bool chosen = records::PickInvoice(ui::Form<TInvoice>(), &created);
        // -1: the list was cancelled. 0: a new invoice was cancelled in its window; the list comes back.
        if (store::CurInvoiceRec < 0) break;
        if (chosen && !created) ui::ShowForm<TInvoice>();
    }
    store::CloseAll();
    if (store::PackPending) store::PackAll();
}

void TaxDefinitionCommand() { ui::ShowForm<TTaxDef>(); }

}  // namespace invoicing
