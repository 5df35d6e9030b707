// Loading an invoice into the working set: its line and payment rows, its customer and address block.
#include "store/InvoiceLoad.h"
#include "store/RecordAccess.h"

#include "base/Format.h"
#include "store/LoadStore.h"
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

QString flagCell(bool value, bool upper) {
    if (upper) return value ? QStringLiteral("T") : QStringLiteral("F");
    return value ? QStringLiteral("t") : QStringLiteral("f");
}

QStringList itemRow() {
    QStringList row(kItemCells);
    row[0] = ItmRec.PrID;
    row[1] = base::FormatNumber("%9.2f", ItmRec.Qty);
    row[2] = base::FormatNumber("%8.2f", ItmRec.UPR);
    row[3] = flagCell(ItmRec.LTax1, false);
    row[4] = flagCell(ItmRec.LTax2, false);
    row[5] = ItmRec.PDesc;
    row[6] = ItmRec.IComm.trimmed();
    // The product's second code and text travel with the row when the product still exists.
    if (ProdTable && ProdTable->seek(ToTableText(ItmRec.PrID)) == xbase::kOk) {
        row[7] = ReadField(ProdTable, &ProdBuffer::RCode).trimmed();
        row[8] = ReadField(ProdTable, &ProdBuffer::PMemo).trimmed();
    }
    return row;
}

QStringList paymentRow() {
    QStringList row(kPmtCells);
    row[0] = base::DateText(PmtRec.PDate);
    row[1] = base::FormatNumber("%10.2f", PmtRec.PAmt);
    row[2] = base::FormatNumber("%10.2f", PmtRec.GST);
    row[3] = flagCell(PmtRec.lGST, true);
    return row;
}

// Reads the records of one invoice from a table ordered by invoice number: seek the number's key, then
// load and add rows while the records carry that number. Returns the index of the last row added.
template <typename Load, typename Row>
int collectRows(xbase::Table* table, const long& bufferIvNo, Load load, Row makeRow, QList<QStringList>* rows) {
    rows->clear();
    if (!table) return -1;
    LastResult = table->seek(ToTableText(base::PadNumber(InvRec.IvNo, 6)));
    if (LastResult != xbase::kOk) return -1;
    load();
    while (bufferIvNo == InvRec.IvNo) {
        rows->append(makeRow());
        LastResult = table->skip(1);
        if (LastResult != xbase::kOk) break;
        load();
    }
    return static_cast<int>(rows->size()) - 1;
}

}  // namespace

void LoadInvoice() {
    AddressBlock = QStringList{QString()};
    if (!InvTable) return;
    LastResult = InvTable->go(CurInvoiceRec);
    LoadInv();

    LastItemRow = collectRows(ItmTable, ItmRec.IvNo, LoadItm, itemRow, &ItemRows);
    LastPmtRow = collectRows(PmtTable, PmtRec.IvNo, LoadPmt, paymentRow, &PaymentRows);

    if (!CustTable) return;
    SelectTag(CustTable, TagId::CustNumber);
    CustTable->top();
    LastResult = CustTable->seek(ToTableText(base::PadNumber(InvRec.CuNo, 6)));
    if (LastResult == xbase::kOk) {
        LoadCust();
        CurCustRec = CustTable->recNo();
        BuildAddressBlock();
    }
}

void BuildAddressBlock() {
    const QString nameLine =
        (CustRec.title + QLatin1Char(' ') + CustRec.first.trimmed() + QLatin1Char(' ') + CustRec.last).trimmed();
    QStringList lines(kAddressLines);
    if (SettingsRec.ByCust) {
        lines[0] = nameLine;
        lines[1] = CustRec.addr1.trimmed();
    } else {
        lines[0] = CustRec.addr1.trimmed();
        lines[1] = nameLine;
    }
    lines[2] = CustRec.addr2.trimmed();
    lines[3] = CustRec.addr3.trimmed();
    lines[4] = CustRec.addr4.trimmed();

    int n = kAddressLines - 1;
    while (n > 0 && lines[n].isEmpty()) --n;
    const QString zip = CustRec.zip.trimmed();
    // On the last of the five lines there is no next line: the code goes beside it however long it is,
    // rather than being lost.
    if (lines[n].size() > kZipBesideLimit && n + 1 < kAddressLines)
        lines[n + 1] = base::Blanks(kZipIndent) + zip;
    else
        lines[n] += QStringLiteral("  ") + zip;
    AddressBlock = lines;
}

}  // namespace store
