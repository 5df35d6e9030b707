// The record buffers with their load and store routines, and the lookups over customers and groups.
#include "base/Format.h"
#include "store/dbFiles.h"

namespace store {

CustBuffer CustRec;
GroupBuffer GroupRec;
InvBuffer InvRec;
ItmBuffer ItmRec;
LabelBuffer LabelRec;
PmtBuffer PmtRec;
ProdBuffer ProdRec;
PurBuffer PurRec;

void ReadCust(xbase::Table* table, CustBuffer* b) {
    const RecordAccess r(table);
    b->cuno = r.asLong("CUNO");
    b->title = r.text("TITLE");
    b->first = r.text("FIRST");
    b->last = r.text("LAST");
    b->addr1 = r.text("ADDR1");
    b->addr2 = r.text("ADDR2");
    b->addr3 = r.text("ADDR3");
    b->addr4 = r.text("ADDR4");
    b->zip = r.text("ZIP");
    b->comments = r.memo("COMMENTS");
    b->ngroup = r.asInt("NGROUP");
    b->note = r.text("NOTE");
    b->phone = r.text("PHONE");
    b->fax = r.text("FAX");
    b->email = r.text("EMAIL");
}

void LoadCust() { ReadCust(CustTable, &CustRec); }

void WriteCust(xbase::Table* table, const CustBuffer& b) {
    const RecordAccess r(table);
    r.setLong("CUNO", b.cuno);
    r.setText("TITLE", b.title);
    r.setText("FIRST", b.first);
    r.setText("LAST", b.last);
    r.setText("ADDR1", b.addr1);
    r.setText("ADDR2", b.addr2);
    r.setText("ADDR3", b.addr3);
    r.setText("ADDR4", b.addr4);
    r.setText("ZIP", b.zip);
    r.setMemo("COMMENTS", b.comments);
    r.setInt("NGROUP", b.ngroup);
    r.setText("NOTE", b.note);
    r.setText("PHONE", b.phone);
    r.setText("FAX", b.fax);
    r.setText("EMAIL", b.email);
}

void StoreCust() {
    WriteCust(CustTable, CustRec);
    CommitRecord(CustTable, TableKey::Cust);
}

void ReadGroup(xbase::Table* table, GroupBuffer* b) {
    const RecordAccess r(table);
    b->nGroup = r.asInt("NGROUP");
    b->cGroup = r.text("CGROUP");
}

void LoadGroup() { ReadGroup(GroupsTable, &GroupRec); }

void WriteGroup(xbase::Table* table, const GroupBuffer& b) {
    const RecordAccess r(table);
    r.setInt("NGROUP", b.nGroup);
    r.setText("CGROUP", b.cGroup);
}

void StoreGroup() {
    WriteGroup(GroupsTable, GroupRec);
    CommitRecord(GroupsTable, TableKey::Groups);
}

void ReadInv(xbase::Table* table, InvBuffer* b) {
    const RecordAccess r(table);
    b->IvNo = r.asLong("IVNO");
    b->CuNo = r.asLong("CUNO");
    b->Dept = r.text("DEPT");
    b->IDate = r.date("IDATE");
    b->IMemo = r.text("IMEMO");
    b->Ship = r.decimal("SHIP");
    b->Tax = r.decimal("TAX");
    b->Due = r.decimal("DUE");
    b->REM = r.memo("REM");
}

void LoadInv() { ReadInv(InvTable, &InvRec); }

void WriteInv(xbase::Table* table, const InvBuffer& b) {
    const RecordAccess r(table);
    r.setLong("IVNO", b.IvNo);
    r.setLong("CUNO", b.CuNo);
    r.setText("DEPT", b.Dept);
    r.setDate("IDATE", b.IDate);
    r.setText("IMEMO", b.IMemo);
    r.setDecimal("SHIP", b.Ship);
    r.setDecimal("TAX", b.Tax);
    r.setDecimal("DUE", b.Due);
    r.setMemo("REM", b.REM);
}

void StoreInv() {
    WriteInv(InvTable, InvRec);
    CommitRecord(InvTable, TableKey::Inv);
}

void ReadItm(xbase::Table* table, ItmBuffer* b) {
    const RecordAccess r(table);
    b->IvNo = r.asLong("IVNO");
    b->PrID = r.text("PRID");
    b->Qty = r.decimal("QTY");
    b->UPR = r.decimal("UPR");
    b->LTax1 = r.flag("LTAX1");
    b->LTax2 = r.flag("LTAX2");
    b->PDesc = r.text("PDESC");
    b->IComm = r.text("ICOMM");
}

void LoadItm() { ReadItm(ItmTable, &ItmRec); }

void WriteItm(xbase::Table* table, const ItmBuffer& b) {
    const RecordAccess r(table);
    r.setLong("IVNO", b.IvNo);
    r.setText("PRID", b.PrID);
    r.setDecimal("QTY", b.Qty);
    r.setDecimal("UPR", b.UPR);
    r.setFlag("LTAX1", b.LTax1);
    r.setFlag("LTAX2", b.LTax2);
    r.setText("PDESC", b.PDesc);
    r.setText("ICOMM", b.IComm);
    r.setFlag("LBUILD", false);
    r.setDouble("BACKORDER", 0);
}

void StoreItm() {
    WriteItm(ItmTable, ItmRec);
    CommitRecord(ItmTable, TableKey::Itm);
}

void ReadLabel(xbase::Table* table, LabelBuffer* b) {
    const RecordAccess r(table);
    b->Name = r.text("NAME");
    b->TopM = r.asDouble("TOPM");
    b->LeftM = r.asDouble("LEFTM");
    b->BottomM = r.asDouble("BOTTOMM");
    b->RightM = r.asDouble("RIGHTM");
    b->Width = r.asDouble("WIDTH");
    b->Height = r.asDouble("HEIGHT");
    b->HGap = r.asDouble("HGAP");
    b->VGap = r.asDouble("VGAP");
    b->NAcross = r.asInt("NACROSS");
    b->Continuous = r.flag("CONTINUOUS");
}

void LoadLabel() { ReadLabel(LabelsTable, &LabelRec); }

void WriteLabel(xbase::Table* table, const LabelBuffer& b) {
    const RecordAccess r(table);
    r.setText("NAME", b.Name);
    r.setDouble("TOPM", b.TopM);
    r.setDouble("LEFTM", b.LeftM);
    r.setDouble("BOTTOMM", b.BottomM);
    r.setDouble("RIGHTM", b.RightM);
    r.setDouble("WIDTH", b.Width);
    r.setDouble("HEIGHT", b.Height);
    r.setDouble("HGAP", b.HGap);
    r.setDouble("VGAP", b.VGap);
    r.setInt("NACROSS", b.NAcross);
    r.setFlag("CONTINUOUS", b.Continuous);
}

void StoreLabel() {
    WriteLabel(LabelsTable, LabelRec);
    CommitRecord(LabelsTable, TableKey::Labels);
}

void ReadPmt(xbase::Table* table, PmtBuffer* b) {
    const RecordAccess r(table);
    b->IvNo = r.asLong("IVNO");
    b->PDate = r.date("PDATE");
    b->PAmt = r.decimal("PAMT");
    b->GST = r.decimal("GST");
    b->lGST = r.flag("LGST");
}

void LoadPmt() { ReadPmt(PmtTable, &PmtRec); }

void WritePmt(xbase::Table* table, const PmtBuffer& b) {
    const RecordAccess r(table);
    r.setLong("IVNO", b.IvNo);
    r.setDate("PDATE", b.PDate);
    r.setDecimal("PAMT", b.PAmt);
    r.setDecimal("GST", b.GST);
    r.setFlag("LGST", b.lGST);
}

void StorePmt() {
    WritePmt(PmtTable, PmtRec);
    CommitRecord(PmtTable, TableKey::Pmt);
}

void ReadProd(xbase::Table* table, ProdBuffer* b) {
    const RecordAccess r(table);
    b->PrID = r.text("PRID");
    b->RCode = r.text("RCODE");
    b->PDesc = r.text("PDESC");
    b->UPrice = r.decimal("UPRICE");
    b->LTax1 = r.flag("LTAX1");
    b->LTax2 = r.flag("LTAX2");
    b->lInven = r.flag("LINVEN");
    b->IComm = r.text("ICOMM");
    b->PMemo = r.memo("PMEMO");
    b->REORDER = r.decimal("REORDER");
    b->ONHAND = r.decimal("ONHAND");
}

void LoadProd() { ReadProd(ProdTable, &ProdRec); }

void WriteProd(xbase::Table* table, const ProdBuffer& b) {
    const RecordAccess r(table);
    r.setText("PRID", b.PrID);
    r.setText("RCODE", b.RCode);
    r.setText("PDESC", b.PDesc);
    r.setDecimal("UPRICE", b.UPrice);
    r.setFlag("LTAX1", b.LTax1);
    r.setFlag("LTAX2", b.LTax2);
    r.setFlag("LINVEN", b.lInven);
    r.setText("ICOMM", b.IComm);
    r.setMemo("PMEMO", b.PMemo);
    r.setDecimal("REORDER", b.REORDER);
    r.setDecimal("ONHAND", b.ONHAND);
    r.setFlag("LBUILD", false);
}

void StoreProd() {
    WriteProd(ProdTable, ProdRec);
    CommitRecord(ProdTable, TableKey::Prod);
}

void ReadPur(xbase::Table* table, PurBuffer* b) {
    const RecordAccess r(table);
    b->PURProd = r.text("PURPROD");
    b->PURDate = r.date("PURDATE");
    b->PURQty = r.decimal("PURQTY");
    b->PURCost = r.decimal("PURCOST");
    b->PURNo = r.asLong("PURNO");
}

void LoadPur() { ReadPur(PurTable, &PurRec); }

void WritePur(xbase::Table* table, const PurBuffer& b) {
    const RecordAccess r(table);
    r.setText("PURPROD", b.PURProd);
    r.setDate("PURDATE", b.PURDate);
    r.setDecimal("PURQTY", b.PURQty);
    r.setDecimal("PURCOST", b.PURCost);
    r.setLong("PURNO", b.PURNo);
}

void StorePur() {
    WritePur(PurTable, PurRec);
    CommitRecord(PurTable, TableKey::Pur);
}

// ---- Lookups ------------------------------------------------------------------------------------------

long NextCustomerNumber() {
    if (!CustTable || CustTable->recCount() == 0) return 1;
    xbase::Tag* remembered = CustTable->selectedTag();
    CustTable->selectTag(CustTable->findTag("CCNo"));
    const RecordAccess r(CustTable);
    long last = 0;
    for (int rc = CustTable->top(); rc == xbase::kOk; rc = CustTable->skip(1)) {
        const long number = r.asLong("CUNO");
        if (number > last + 1) break;
        last = number;  // a repeated number is passed over
    }
    CustTable->selectTag(remembered);
    LastResult = CustTable->top();
    return last + 1;
}

void FindCustomerGroup() {
    if (GroupsTable) {
        GroupsTable->selectTag(GroupsTable->findTag("nGroup"));
        LastResult = GroupsTable->seek(ToTableText(base::PadNumber(CustRec.ngroup, 2)));
        if (LastResult == xbase::kOk) {
            LoadGroup();
            return;
        }
    }
    GroupRec.nGroup = 0;
    GroupRec.cGroup.clear();
}

}  // namespace store
