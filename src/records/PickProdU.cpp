#include "records/PickProdU.h"

#include "records/PickRows.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

const char* const kCaption = "PickProd";
const char* const kSeek = "Seek:";

}  // namespace

TPickProd::TPickProd(QWidget* parent)
    : PickGridWindow({kCaption, QLatin1Char('M'), 10, kSeek, nullptr}, newTextSearchBox(), ProductCells, false, parent) {
    Edit1 = searchBox();
}

long& TPickProd::currentRec() { return store::CurProductRec; }

xbase::Table* TPickProd::table() const { return store::ProdTable; }

std::vector<PickColumn> TPickProd::columns() const {
    return {{"Product ID", 10, true}, {"Description", 27}, {"Price", 8, true}};
}

}  // namespace records
