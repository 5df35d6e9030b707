// Loading an invoice into a working set from the six tables it is made of, and its address block.
#include "store/InvoiceLoad.h"

#include "base/Format.h"
#include "base/Money.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace store {

namespace {

// An address line too long for the postal code beside it gets the code on the next line, indented.
constexpr int kZipBesideLimit = 22;
constexpr int kZipIndent = 20;
constexpr int kAddressLines = 5;

ItemRow itemRow(const ItmBuffer& line) {
    ItemRow row;
    row.code = line.PrID;
    row.quantity = base::FormatNumber("%9.2f", line.Qty);
    row.price = base::FormatNumber("%8.2f", line.UPR);
    row.tax1 = line.LTax1;
    row.tax2 = line.LTax2;
    row.description = line.PDesc;
    row.comment = line.IComm.trimmed();
    // The product's second code and text travel with the row when the product still exists.
    if (ProdTable && ProdTable->seek(ToTableText(line.PrID)) == xbase::kOk) {
        row.rCode = ReadField(ProdTable, &ProdBuffer::RCode).trimmed();
        row.pMemo = ReadField(ProdTable, &ProdBuffer::PMemo).trimmed();
    }
    return row;
}

PaymentRow paymentRow(const PmtBuffer& payment) {
    return {base::DateText(payment.PDate), base::FormatNumber("%10.2f", payment.PAmt),
            base::FormatNumber("%10.2f", payment.GST), payment.lGST};
}

// Reads the records of one invoice from a table ordered by invoice number: seek the number's key, then
// read and add rows while the records carry that number.
template <typename Buffer, typename Row>
void collectRows(xbase::Table* table, long ivNo, Row (*makeRow)(const Buffer&), QList<Row>* rows) {
    rows->clear();
    if (!table) return;
    LastResult = table->seek(ToTableText(base::PadNumber(ivNo, 6)));
    if (LastResult != xbase::kOk) return;
    Buffer record;
    ReadRecord(table, &record);
    while (record.IvNo == ivNo) {
        rows->append(makeRow(record));
        LastResult = table->skip(1);
        if (LastResult != xbase::kOk) break;
        ReadRecord(table, &record);
    }
}

}  // namespace

void LoadInvoice(long rec, InvoiceWorkingSet* set) {
    set->address = QStringList{QString()};
    if (!InvTable) return;
    LastResult = InvTable->go(rec);
    ReadRecord(InvTable, &set->invoice);

    collectRows(ItmTable, set->invoice.IvNo, itemRow, &set->items);
    collectRows(PmtTable, set->invoice.IvNo, paymentRow, &set->payments);

    if (!CustTable) return;
    SelectTag(CustTable, TagId::CustNumber);
    CustTable->top();
    LastResult = CustTable->seek(ToTableText(base::PadNumber(set->invoice.CuNo, 6)));
    if (LastResult == xbase::kOk) {
        LoadCust();
        CurCustRec = CustTable->recNo();
        set->address = AddressBlockOf(CustRec);
    }
}

void LoadInvoice() { LoadInvoice(CurInvoiceRec, &CurrentInvoice); }

QStringList AddressBlockOf(const CustBuffer& customer) {
    const QString nameLine =
        (customer.title + QLatin1Char(' ') + customer.first.trimmed() + QLatin1Char(' ') + customer.last).trimmed();
    QStringList lines(kAddressLines);
    if (SettingsRec.ByCust) {
        lines[0] = nameLine;
        lines[1] = customer.addr1.trimmed();
    } else {
        lines[0] = customer.addr1.trimmed();
        lines[1] = nameLine;
    }
    lines[2] = customer.addr2.trimmed();
    lines[3] = customer.addr3.trimmed();
    lines[4] = customer.addr4.trimmed();

    int n = kAddressLines - 1;
    while (n > 0 && lines[n].isEmpty()) --n;
    const QString zip = customer.zip.trimmed();
    // On the last of the five lines there is no next line: the code goes beside it however long it is,
    // rather than being lost.
    if (lines[n].size() > kZipBesideLimit && n + 1 < kAddressLines)
        lines[n + 1] = base::Blanks(kZipIndent) + zip;
    else
        lines[n] += QStringLiteral("  ") + zip;
    return lines;
}

void BuildAddressBlock() { AddressBlock = AddressBlockOf(CustRec); }

}  // namespace store
