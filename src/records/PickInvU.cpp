#include "records/PickInvU.h"

#include "records/PickRows.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

const char* const kCaption = "Select Invoice";
const char* const kSeek = "Seek Invoice No:";
const char* const kCustomer = "Customer:";

QLineEdit* makeSearchBox() {
    auto* edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("MaskEdit1"));
    edit->setInputMask(QStringLiteral("000000;_"));  // six optional digits
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    return edit;
}

}  // namespace

TPickInv::TPickInv(QWidget* parent)
    : PickGridWindow({kCaption, QLatin1Char('M'), 10, kSeek, kCustomer}, makeSearchBox(), InvoiceCells, true, parent) {
    MaskEdit1 = searchBox();
}

long& TPickInv::currentRec() { return store::CurInvoiceRec; }

xbase::Table* TPickInv::table() const { return store::InvTable; }

std::vector<PickColumn> TPickInv::columns() const { return {{"Invoice", 7, true}, {"Date", 10, true}, {"Note", 30}}; }

QString TPickInv::seekKey(const QString& typed) const { return InvoiceSearchKey(typed); }

std::optional<QString> TPickInv::sideText(long recNo) const { return InvoiceCustomerText(recNo); }

}  // namespace records
