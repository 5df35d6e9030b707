#pragma once
// Load (current record into the buffer) and store (buffer into the current record, then commit), the
// commit and the sync to disk, and the steps the record windows' saves and deletes share.
// A store is all or nothing: a value the field refuses or a write that fails (another user's lock, a
// full disk) leaves the record as it was, and the result says why. Code that holds a table of its own
// uses ReadRecord and StoreRecord (store/Binding.h) with a buffer of its own.
#include "store/Catalogue.h"
#include "store/TableHandles.h"
#include "store/WriteResult.h"
#include "xbase/Engine.h"

namespace store {

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

}  // namespace store
