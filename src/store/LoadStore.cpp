// The load and store routines over the program's buffers, the commit and sync, and the record windows'
// shared steps of a save and a delete.
#include "store/LoadStore.h"

#include "store/EngineContext.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"

namespace store {

void LoadCust() { ReadRecord(CustTable, &CustRec); }
void LoadGroup() { ReadRecord(GroupsTable, &GroupRec); }
void LoadInv() { ReadRecord(InvTable, &InvRec); }
void LoadItm() { ReadRecord(ItmTable, &ItmRec); }
void LoadLabel() { ReadRecord(LabelsTable, &LabelRec); }
void LoadPmt() { ReadRecord(PmtTable, &PmtRec); }
void LoadProd() { ReadRecord(ProdTable, &ProdRec); }
void LoadPur() { ReadRecord(PurTable, &PurRec); }

namespace {

// Stores and leaves LastResult as CommitRecord does.
template <class B>
WriteResult storeAndPlace(xbase::Table* table, const B& buffer) {
    WriteResult result = StoreRecord(table, buffer);
    if (table) LastResult = table->eof() ? xbase::kEof : xbase::kOk;
    return result;
}

}  // namespace

WriteResult StoreCust() { return storeAndPlace(CustTable, CustRec); }
WriteResult StoreGroup() { return storeAndPlace(GroupsTable, GroupRec); }
WriteResult StoreInv() { return storeAndPlace(InvTable, InvRec); }
WriteResult StoreItm() { return storeAndPlace(ItmTable, ItmRec); }
WriteResult StoreLabel() { return storeAndPlace(LabelsTable, LabelRec); }
WriteResult StorePmt() { return storeAndPlace(PmtTable, PmtRec); }
WriteResult StoreProd() { return storeAndPlace(ProdTable, ProdRec); }
WriteResult StorePur() { return storeAndPlace(PurTable, PurRec); }

WriteResult PlaceRecord(TableKey key, long* current) {
    xbase::Table* table = TableHandle(key);
    if (!table) return WriteResult::EngineFailure(xbase::kErrRecord, key);
    const int rc = *current > 0 ? table->go(*current) : table->appendBlank();
    if (rc != xbase::kOk) return WriteResult::EngineFailure(rc < 0 ? rc : xbase::kErrRecord, key);
    LastResult = rc;
    *current = table->recNo();
    return {};
}

void DropAppended(TableKey key) {
    xbase::Table* table = TableHandle(key);
    if (!table || table->eof()) return;
    table->revert();
    // Best effort: the record is blank, and a failure here leaves a blank record no order shows.
    if (table->markDeleted() == xbase::kOk && table->flush(false) >= 0) PackPending = true;
    else table->revert();
    Engine().errorCode();
}

WriteResult DeleteRecord(TableKey key, long recno) {
    xbase::Table* table = TableHandle(key);
    if (!table) return WriteResult::EngineFailure(xbase::kErrRecord, key);
    LastResult = table->go(recno);
    if (LastResult != xbase::kOk) return WriteResult::EngineFailure(xbase::kErrRecord, key);
    const int rc = table->markDeleted();
    if (rc < 0) return WriteResult::EngineFailure(rc, key);
    WriteResult result = CommitRecord(table, key);
    if (result.ok()) PackPending = true;
    return result;
}

WriteResult CommitRecord(xbase::Table* table, TableKey key) {
    if (!table) table = TableHandle(key);
    if (!table) return WriteResult::EngineFailure(xbase::kErrRecord, key);
    // Flushing writes the record and its index entries exactly as closing would, and leaves the table
    // on the same record and tag without renewing the handle under callers that hold it.
    const int rc = table->flush(false);
    if (rc < 0) table->revert();
    LastResult = table->eof() ? xbase::kEof : xbase::kOk;
    return rc < 0 ? WriteResult::EngineFailure(rc, key) : WriteResult();
}

WriteResult SyncData(TableKey key) {
    const int rc = Engine().sync();
    return rc < 0 ? WriteResult::EngineFailure(rc, key) : WriteResult();
}

}  // namespace store
