#include "records/PickPurU.h"

#include "records/PickRows.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

const char* const kCaption = "PickPur";
const char* const kSeek = "Seek:";

}  // namespace

TPickPur::TPickPur(QWidget* parent)
    : PickGridWindow({kCaption, QLatin1Char('B'), 10, kSeek, nullptr}, newTextSearchBox(), PurchaseCells, false, parent) {
    Edit1 = searchBox();
}

long& TPickPur::currentRec() { return store::CurPurchaseRec; }

xbase::Table* TPickPur::table() const { return store::PurTable; }

std::vector<PickColumn> TPickPur::columns() const {
    return {{"Product ID", 10, true}, {"Date", 8, true}, {"Quantity", 10, true}, {"Total Cost", 12, true}};
}

}  // namespace records
