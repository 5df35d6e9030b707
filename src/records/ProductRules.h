#pragma once
// The rules behind the product and inventory purchase windows: preparing the buffers for a showing,
// the duplicate-ID rule, saving and deleting through the record layer, and marking a purchased
// product as an inventory item. The windows only read and write their controls and call these.
#include <QString>

#include "base/Decimal.h"
#include "store/WriteResult.h"

namespace records {

// ---- Products (REQUIRES: Prod5 open) ---------------------------------------------------------------------

// Fills ProdRec for a showing: the product at CurProductRec when it names a record, else a cleared
// buffer with CurProductRec -1. True when an existing product was loaded.
bool BeginProduct();

// A product ID as stored: trimmed and upper-cased.
QString ProductKey(const QString& typed);
// True when another product already holds the ID newId (as ProductKey gives it). currentId is the ID
// of the product being edited; keeping it is never a duplicate. A product whose ID merely begins with
// newId is no duplicate.
bool IsDuplicateProduct(const QString& newId, const QString& currentId);

// What the product window holds, as typed.
struct ProductEntry {
    QString id, description, secondLine, code, text;
    base::Decimal price, reorder;
    bool tax1 = false, tax2 = false, inventory = false;
};

enum class ProductSave { Saved, BlankId, Duplicate, AppendFailed, WriteFailed };
// Saves the product shown (ProdRec holds it as loaded). A new product gets a new record; a product
// marked deleted stays marked. Afterwards CurProductRec names the stored record. A refused write
// leaves the table as it was (with the reason in the outcome).
store::Outcome<ProductSave> SaveProduct(const ProductEntry& entry);
// Marks the product at CurProductRec deleted and sets PackPending.
[[nodiscard]] store::WriteResult DeleteProduct();

// Loads the product at record productRec and returns its ID as stored.
QString ChooseProduct(long productRec);
// The first product in tag order (0 when the table is empty): where the product pick starts.
long FirstProductRecord();

// ---- Purchases (REQUIRES: Pur5 and Prod5 open) ------------------------------------------------------------

// Fills PurRec for a showing: the purchase at CurPurchaseRec when it names a record, else a cleared
// buffer dated today. True when an existing purchase was loaded.
bool BeginPurchase();

struct PurchaseEntry {
    QString productId;
    double date = 0;  // day number
    base::Decimal quantity, cost;
};

// ProductNotMarked: the purchase was stored but its product could not be marked as stock.
enum class PurchaseSave { Saved, NoProduct, AppendFailed, WriteFailed, ProductNotMarked };
// Saves the purchase shown. A new purchase gets a new record. When chosenProduct names the product
// record chosen in this showing, that product becomes an inventory item. Afterwards CurPurchaseRec
// names the stored record. A refused write leaves the table as it was.
store::Outcome<PurchaseSave> SavePurchase(const PurchaseEntry& entry, long chosenProduct);
// Marks the purchase at CurPurchaseRec deleted and sets PackPending.
[[nodiscard]] store::WriteResult DeletePurchase();

}  // namespace records
