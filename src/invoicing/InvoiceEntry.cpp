#include "invoicing/InvoiceEntry.h"

#include "base/Format.h"
#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceStore.h"
#include "invoicing/OrderImport.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "store/RecordAccess.h"

namespace invoicing {

void OpenInvoice() {
    store::CurrentInvoice.clearRows();
    if (store::CurInvoiceRec <= 0)
        NewInvoice();
    else
        store::LoadInvoice();
}

void PrepareCustomerPick() {
    xbase::Table* cust = store::CustTable;
    if (store::InvRec.CuNo != 0 || !cust) return;
    store::SelectTag(cust, store::CustomerOrderTag());
    store::CurCustRec = cust->top() == xbase::kOk ? cust->recNo() : 0;
}

void TakePickedCustomer() {
    TakeStoredCustomer(store::CurCustRec);
    store::BuildAddressBlock();
}

bool FindInvoiceCustomer() {
    xbase::Table* cust = store::CustTable;
    store::SelectTag(cust, store::TagId::CustNumber);
    if (cust->seek(store::ToTableText(base::PadNumber(store::InvRec.CuNo, 6))) != xbase::kOk) return false;
    store::CurCustRec = cust->recNo();
    return true;
}

void ReloadCustomer() {
    store::CustTable->go(store::CurCustRec);
    store::LoadCust();
    store::BuildAddressBlock();
}

void PrepareProductPick() {
    xbase::Table* prod = store::ProdTable;
    store::CurProductRec = prod && prod->top() == xbase::kOk ? prod->recNo() : 0;
}

void LoadPickedProduct() {
    store::ProdTable->go(store::CurProductRec);
    store::LoadProd();
}

bool NewPaymentIncludesTax(const base::Decimal& ship, const base::Decimal& tax) {
    return store::GstLineOf().chargedOn(ship, tax);
}

}  // namespace invoicing
