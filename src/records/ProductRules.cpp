#include "records/ProductRules.h"

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/dbFiles.h"

namespace records {
namespace {

using store::ProdTable;
using store::PurTable;

void markDeleted(xbase::Table* table, store::TableKey key, long recno) {
    store::LastResult = table->go(recno);
    if (store::LastResult != xbase::kOk) return;
    table->markDeleted();
    store::CommitRecord(table, key);
    store::PackPending = true;
}

// Goes to the record the window edits, or appends one for a new record. False when the append failed.
bool placeRecord(xbase::Table* table, long* current) {
    if (*current > 0) {
        store::LastResult = table->go(*current);
        return true;
    }
    if (table->appendBlank() != 0) return false;
    *current = table->recNo();
    return true;
}

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
    ProdTable->selectTag(ProdTable->findTag("Prod"));
    bool duplicate = false;
    // The seek matches keys that merely begin with the ID; only the same ID counts. The key is
    // upper-cased, so an ID stored in lower case by other software is the same product too.
    if (ProdTable->seek(store::ToTableText(newId)) == xbase::kOk) {
        store::ProdBuffer found;
        store::ReadProd(ProdTable, &found);
        duplicate = ProductKey(found.PrID) == newId;
    }
    ProdTable->selectTag(previous);
    return duplicate;
}

ProductSave SaveProduct(const ProductEntry& entry) {
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
    if (!placeRecord(ProdTable, &store::CurProductRec)) return ProductSave::AppendFailed;
    store::StoreProd();
    store::CurProductRec = ProdTable->recNo();
    return ProductSave::Saved;
}

void DeleteProduct() { markDeleted(ProdTable, store::TableKey::Prod, store::CurProductRec); }

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

PurchaseSave SavePurchase(const PurchaseEntry& entry, long chosenProduct) {
    if (entry.productId.trimmed().isEmpty()) return PurchaseSave::NoProduct;
    store::PurRec.PURProd = ProductKey(entry.productId);
    store::PurRec.PURDate = entry.date;
    store::PurRec.PURQty = entry.quantity;
    store::PurRec.PURCost = entry.cost;
    if (!placeRecord(PurTable, &store::CurPurchaseRec)) return PurchaseSave::AppendFailed;
    store::StorePur();
    if (chosenProduct > 0) {
        store::LastResult = ProdTable->go(chosenProduct);
        store::LoadProd();
        store::ProdRec.lInven = true;
        store::StoreProd();
    }
    return PurchaseSave::Saved;
}

void DeletePurchase() { markDeleted(PurTable, store::TableKey::Pur, store::CurPurchaseRec); }

}  // namespace records
