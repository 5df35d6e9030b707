#include "records/ProductRules.h"

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/LoadStore.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

using store::ProdTable;
using store::PurTable;

}  // namespace

// ---- Products -----------------------------------------------------------------------------------------

bool BeginProduct() {
    if (store::CurProductRec > 0 && ProdTable) {
        store::LastResult = ProdTable->go(store::CurProductRec);
        store::LoadProd();
        return true;
    }
    store::ProdRec = store::ProdBuffer{};
    store::CurProductRec = -1;
    return false;
}

QString ProductKey(const QString& typed) { return typed.trimmed().toUpper(); }

bool IsDuplicateProduct(const QString& newId, const QString& currentId) {
    if (newId == currentId.trimmed()) return false;
    xbase::Tag* previous = ProdTable->selectedTag();
    store::SelectTag(ProdTable, store::TagId::Prod);
    bool duplicate = false;
    // The seek matches keys that merely begin with the ID; only the same ID counts. The key is
    // upper-cased, so an ID stored in lower case by other software is the same product too.
    if (ProdTable->seek(store::ToTableText(newId)) == xbase::kOk) {
        duplicate = ProductKey(store::ReadField(ProdTable, &store::ProdBuffer::PrID)) == newId;
    }
    ProdTable->selectTag(previous);
    return duplicate;
}

store::Outcome<ProductSave> SaveProduct(const ProductEntry& entry) {
    const QString id = ProductKey(entry.id);
    if (id.isEmpty()) return ProductSave::BlankId;
    if (IsDuplicateProduct(id, store::ProdRec.PrID)) return ProductSave::Duplicate;
    store::ProdBuffer& p = store::ProdRec;
    p.PrID = id;
    p.RCode = entry.code.trimmed();
    p.PDesc = entry.description.trimmed();
    p.IComm = entry.secondLine.trimmed();
    p.PMemo = entry.text.trimmed().left(store::kMemoLimit);
    p.UPrice = entry.price;
    p.REORDER = entry.reorder;
    p.LTax1 = entry.tax1;
    p.LTax2 = entry.tax2;
    p.lInven = entry.inventory;
    return store::SaveRecord(store::TableKey::Prod, &store::CurProductRec, store::StoreProd, ProductSave::Saved,
                         ProductSave::AppendFailed, ProductSave::WriteFailed);
}

store::WriteResult DeleteProduct() { return store::DeleteRecord(store::TableKey::Prod, store::CurProductRec); }

QString ChooseProduct(long productRec) {
    store::LastResult = ProdTable->go(productRec);
    store::LoadProd();
    return store::ProdRec.PrID;
}

long FirstProductRecord() {
    store::LastResult = ProdTable->top();
    return store::LastResult == xbase::kOk ? ProdTable->recNo() : 0;
}

// ---- Purchases ----------------------------------------------------------------------------------------

bool BeginPurchase() {
    if (store::CurPurchaseRec > 0 && PurTable) {
        store::LastResult = PurTable->go(store::CurPurchaseRec);
        store::LoadPur();
        return true;
    }
    store::PurRec = store::PurBuffer{};
    store::PurRec.PURDate = base::Today();
    return false;
}

store::Outcome<PurchaseSave> SavePurchase(const PurchaseEntry& entry, long chosenProduct) {
    if (entry.productId.trimmed().isEmpty()) return PurchaseSave::NoProduct;
    store::PurRec.PURProd = ProductKey(entry.productId);
    store::PurRec.PURDate = entry.date;
    store::PurRec.PURQty = entry.quantity;
    store::PurRec.PURCost = entry.cost;
    store::Outcome<PurchaseSave> saved = store::SaveRecord(store::TableKey::Pur, &store::CurPurchaseRec, store::StorePur,
                                                       PurchaseSave::Saved, PurchaseSave::AppendFailed,
                                                       PurchaseSave::WriteFailed);
    if (!(saved == PurchaseSave::Saved) || chosenProduct <= 0) return saved;
    // The purchase stands; marking its product as stock is a second change, told on its own.
    store::LastResult = ProdTable->go(chosenProduct);
    store::LoadProd();
    if (!store::ProdRec.lInven) {
        store::ProdRec.lInven = true;
        if (store::WriteResult marked = store::StoreProd(); !marked) return {PurchaseSave::ProductNotMarked, marked};
    }
    return saved;
}

store::WriteResult DeletePurchase() { return store::DeleteRecord(store::TableKey::Pur, store::CurPurchaseRec); }

}  // namespace records
