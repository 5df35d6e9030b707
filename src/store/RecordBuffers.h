#pragma once
// The record buffers: one per table with members named after the table's fields, bound to their
// tables, and the program's one buffer of each. Texts are held as read (blank-padded to the field's
// width) and cut to 59 characters when stored; memos are held whole; dates are day numbers (0 = none);
// logicals are bool.
#include <QString>

#include <string>
#include <vector>

#include "base/Decimal.h"
#include "store/Binding.h"
#include "store/Catalogue.h"

namespace store {

struct CustBuffer {
    long cuno = 0;
    QString title, first, last, addr1, addr2, addr3, addr4, zip;
    QString comments;  // memo
    int ngroup = 0;
    QString note, phone, fax, email;

    bool operator==(const CustBuffer&) const = default;
};

struct GroupBuffer {
    int nGroup = 0;
    QString cGroup;

    bool operator==(const GroupBuffer&) const = default;
};

struct InvBuffer {
    long IvNo = 0;
    long CuNo = 0;
    QString Dept;
    double IDate = 0;
    QString IMemo;
    base::Decimal Ship, Tax, Due;
    QString REM;  // memo

    bool operator==(const InvBuffer&) const = default;
};

struct ItmBuffer {
    long IvNo = 0;
    QString PrID;
    base::Decimal Qty, UPR;
    bool LTax1 = false, LTax2 = false;
    QString PDesc, IComm;
    bool lBuild = false;     // always stored false
    double BackOrder = 0;    // always stored 0

    bool operator==(const ItmBuffer&) const = default;
};

// Measures in printer points (1/72 inch), held exactly as stored (three decimals).
struct LabelBuffer {
    QString Name;
    base::Decimal TopM, LeftM, BottomM, RightM, Width, Height, HGap, VGap;
    int NAcross = 1;
    bool Continuous = false;

    bool operator==(const LabelBuffer&) const = default;
};

struct PmtBuffer {
    long IvNo = 0;
    double PDate = 0;
    base::Decimal PAmt;
    base::Decimal GST;
    bool lGST = false;

    bool operator==(const PmtBuffer&) const = default;
};

struct ProdBuffer {
    QString PrID, RCode, PDesc;
    base::Decimal UPrice;
    bool LTax1 = false, LTax2 = false, lInven = false;
    QString IComm;
    QString PMemo;  // memo
    base::Decimal REORDER, ONHAND;
    bool lBuild = false;  // always stored false

    bool operator==(const ProdBuffer&) const = default;
};

struct PurBuffer {
    QString PURProd;
    double PURDate = 0;
    base::Decimal PURQty, PURCost;
    long PURNo = 0;

    bool operator==(const PurBuffer&) const = default;
};

// The import directories' one record.
struct ImpDirsBuffer {
    QString InfoDir, OrderDir;

    bool operator==(const ImpDirsBuffer&) const = default;
};

// Each buffer's table and bindings (defined beside the load and store routines).
template <> struct BindingOf<CustBuffer> : BoundTo<CustBuffer, TableKey::Cust> {};
template <> struct BindingOf<GroupBuffer> : BoundTo<GroupBuffer, TableKey::Groups> {};
template <> struct BindingOf<InvBuffer> : BoundTo<InvBuffer, TableKey::Inv> {};
template <> struct BindingOf<ItmBuffer> : BoundTo<ItmBuffer, TableKey::Itm> {};
template <> struct BindingOf<LabelBuffer> : BoundTo<LabelBuffer, TableKey::Labels> {};
template <> struct BindingOf<PmtBuffer> : BoundTo<PmtBuffer, TableKey::Pmt> {};
template <> struct BindingOf<ProdBuffer> : BoundTo<ProdBuffer, TableKey::Prod> {};
template <> struct BindingOf<PurBuffer> : BoundTo<PurBuffer, TableKey::Pur> {};
template <> struct BindingOf<ImpDirsBuffer> : BoundTo<ImpDirsBuffer, TableKey::ImpDirs> {};

// Every binding of every buffer and every tag the program names, held against the catalogue: empty
// when all fit. Start-up refuses to run on a fault, so a misspelt name never reads blank in use.
std::vector<std::string> RecordLayerFaults();

extern CustBuffer CustRec;
extern GroupBuffer GroupRec;
extern InvBuffer InvRec;
extern ItmBuffer ItmRec;
extern LabelBuffer LabelRec;
extern PmtBuffer PmtRec;
extern ProdBuffer ProdRec;
extern PurBuffer PurRec;

}  // namespace store
