#include "records/PickCustU.h"

#include "records/PickRows.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace records {
namespace {

const char* const kCaption = "Select Customer";
const char* const kSeek = "Seek:";
const char* const kGroup = "Group:";

}  // namespace

TPickCust::TPickCust(QWidget* parent)
    : PickGridWindow({kCaption, QLatin1Char('B'), 16, kSeek, kGroup}, newTextSearchBox(),
                     [this](xbase::Table* t) { return m_byName ? CustomerCellsByName(t) : CustomerCellsByCompany(t); },
                     true, parent) {
    Edit1 = searchBox();  // made above, named Edit1
}

long& TPickCust::currentRec() { return store::CurCustRec; }

xbase::Table* TPickCust::table() const { return store::CustTable; }

std::vector<PickColumn> TPickCust::columns() const {
    if (m_byName) return {{"Last", 20}, {"First", 13}, {"Note", 34}};
    return {{"Company", 34}, {"Last", 13}, {"First", 20}};
}

void TPickCust::selectOrder() {
    m_byName = store::SettingsRec.ByCust;
    store::SelectTag(table(), store::CustomerOrderTag());
}

std::optional<QString> TPickCust::sideText(long recNo) const { return CustomerGroupText(recNo); }

}  // namespace records
