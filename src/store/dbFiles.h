#pragma once
// The record layer: the engine context of the run, one record buffer per table with members named after
// the table's fields, the open routines, the load and store routines, the selection variables and the
// invoice working set (store/WorkingSet.h). Every window and report reaches the tables through these.
//
// Texts are held as read (blank-padded to the field's width) and cut to 59 characters when stored;
// memos are held whole; dates are day numbers (0 = none); logicals are bool.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "store/Binding.h"
#include "store/Catalogue.h"
#include "store/RecordAccess.h"
#include "store/WriteResult.h"
#include "xbase/Engine.h"

namespace store {

// ---- Engine context -------------------------------------------------------------------------------

// Creates the context of the run with the run's settings (read buffering on, write buffering for
// exclusive opens, auto-open on, shared access, safety on) and wires the engine's own exit path to
// EngineExit. fs: the file system (nullptr: POSIX); dir: where bare names resolve ("": the current
// directory). Replaces a context made earlier.
xbase::Context& EngineInit(xbase::FileSystem* fs = nullptr, const std::string& dir = "");
// Closes every table and ends the context.
void EngineEnd();
// The context of the run. REQUIRES: EngineInit was called.
xbase::Context& Engine();
bool EngineActive();
// Closes every open table of the context and clears the record layer's handles. Close through this
// (or CloseTable), not through the context, so that no handle outlives its table.
void CloseAll();
// Closes one table and clears the record layer's handle to it.
void CloseTable(xbase::Table*& table);
// Closes every table and ends the program through the installed exit hook.
void EngineExit();
// What ending the program means: the program installs one (the default calls std::exit(1)); tests
// install one that records the call and returns. When it returns, the routine that failed returns too.
void SetProgramExitHook(std::function<void()> hook);

// Shows "Unable to open file <fileName>" / "Program will now terminate." and calls EngineExit.
void FatalOpenError(const QString& fileName);

// ---- Table handles (valid from the open routine until the table is closed) -------------------------

extern xbase::Table* SettingsTable;
extern xbase::Table* CustTable;
extern xbase::Table* GroupsTable;
extern xbase::Table* InvTable;
extern xbase::Table* ItmTable;
extern xbase::Table* LabelsTable;
extern xbase::Table* PmtTable;
extern xbase::Table* ProdTable;
extern xbase::Table* PurTable;

// The handle of a table (nullptr when it is not open).
xbase::Table*& TableHandle(TableKey key);

// ---- Record buffers ---------------------------------------------------------------------------------

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
// The invoice buffer of the invoice window's working set (store/WorkingSet.h).
extern InvBuffer& InvRec;
extern ItmBuffer ItmRec;
extern LabelBuffer LabelRec;
extern PmtBuffer PmtRec;
extern ProdBuffer ProdRec;
extern PurBuffer PurRec;

// ---- Selection variables and program-wide flags -------------------------------------------------------

// > 0 a record number, 0 a new record, -1 nothing chosen.
extern long CurCustRec, CurGroupRec, CurInvoiceRec, CurLabelRec, CurProductRec, CurPurchaseRec;
// Result of the last positioning call: 0 success, 3 end of table.
extern int LastResult;
// Set by every delete; cleared by the commands that pack.
extern bool PackPending;

// The import directories (read trimmed, stored cut to 126 characters).
extern QString InfoDir, OrderDir;

// ---- Open routines: open as catalogued, select the default tag, go to the top (LastResult), fetch the
// field handles. A table that cannot be opened ends the program (false only when the exit hook returns).

bool OpenSettings();
bool OpenCust();
bool OpenGroups();
bool OpenInv();
bool OpenItm();
bool OpenLabels();
bool OpenPmt();
bool OpenProd();
bool OpenPur();
bool OpenByKey(TableKey key);
// The six tables an invoice is made of and shown with: customers, groups, invoices, lines, payments
// and products.
bool OpenInvoiceTables();

// ---- Load (current record into the buffer) and store (buffer into the current record, then commit) --
// A store is all or nothing: a value the field refuses or a write that fails (another user's lock, a
// full disk) leaves the record as it was, and the result says why. Code that holds a table of its own
// uses ReadRecord and StoreRecord (store/Binding.h) with a buffer of its own.

void LoadCust();
void LoadGroup();
void LoadInv();
void LoadItm();
void LoadLabel();
void LoadPmt();
void LoadProd();
void LoadPur();

[[nodiscard]] WriteResult StoreCust();
[[nodiscard]] WriteResult StoreGroup();
[[nodiscard]] WriteResult StoreInv();
[[nodiscard]] WriteResult StoreItm();
[[nodiscard]] WriteResult StoreLabel();
[[nodiscard]] WriteResult StorePmt();
[[nodiscard]] WriteResult StoreProd();
[[nodiscard]] WriteResult StorePur();

// Writes the current record and its index entries to disk; afterwards the table stands on the same
// record in the same order, and LastResult is 0 when it stands on a record. A failed write drops the
// record's unwritten change (so that no later move writes it) and returns why.
[[nodiscard]] WriteResult CommitRecord(xbase::Table* table, TableKey key);
// Makes what every open table holds durable, in one flush of the disk: the end of each save, so that
// a power cut after the program said it saved loses nothing. key: the save's table, for the message.
[[nodiscard]] WriteResult SyncData(TableKey key);

// The steps the record windows' saves and deletes share. PlaceRecord goes to record *current, or for a
// new record (*current not above 0) appends a blank one and sets *current. DropAppended marks a record
// just appended by a save that then failed deleted, so that no blank record is left live.
// DeleteRecord marks a record deleted, writes it and sets PackPending.
[[nodiscard]] WriteResult PlaceRecord(TableKey key, long* current);
void DropAppended(TableKey key);
[[nodiscard]] WriteResult DeleteRecord(TableKey key, long recno);

// Stores a buffer into the record a window edits: PlaceRecord, then the buffer's store routine; with
// recall a record marked deleted is live again, in the same write. A failure leaves the table as it
// was: an appended record is dropped again and *current set back.
template <class Verdict>
Outcome<Verdict> SaveRecord(TableKey key, long* current, WriteResult (*storeBuffer)(), Verdict saved,
                            Verdict appendFailed, Verdict writeFailed, bool recall = false) {
    const long before = *current;
    if (WriteResult placed = PlaceRecord(key, current); !placed) return {appendFailed, placed};
    if (recall && TableHandle(key)->isDeleted()) TableHandle(key)->recall();
    WriteResult stored = storeBuffer();
    if (stored) stored = SyncData(key);
    if (stored) return saved;
    if (before <= 0) {
        DropAppended(key);
        *current = before;
    }
    return {writeFailed, stored};
}

// The context's error code, reset as it is read: negative after a failed open or tag selection. The
// open routines read it before they open, so a failure left by an earlier command is never taken for
// theirs.
int ErrorCode();

// ---- Routines over several tables ---------------------------------------------------------------------

// Smallest customer number from 1 upward that the walk in customer-number order finds unused.
// REQUIRES: CUST5 open. Leaves the previously selected tag selected, at the top.
long NextCustomerNumber();
// Loads the group of CustRec.ngroup into GroupRec, or clears GroupRec. REQUIRES: GROUPS open.
void FindCustomerGroup();

void LoadImportDirs();
[[nodiscard]] WriteResult SaveImportDirs();

// True when the nine data tables exist in the current directory (names compared without regard to case).
bool DataFilesPresent();
// The same for another directory.
bool DataFilesPresent(const QString& dir);
// The first of the nine data tables missing from the current directory (or dir); empty when none is missing.
QString MissingDataFile(const QString& dir = QString());

}  // namespace store
