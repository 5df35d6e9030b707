#pragma once
// Moving the invoice working set to and from the tables: numbering a new invoice, writing the header,
// its line and payment records and the customer's note, deleting an invoice with its lines and
// payments, and packing what was deleted. No widgets: the invoice window reads its controls into the
// working set, calls these and shows what they return.
//
// A save is all or nothing: every record it appends, overwrites or marks deleted, and the customer's
// note, is noted, and when any write fails part-way (a refused append, another user's lock, a full
// disk) everything written so far is put back as it was before the save.
#include <QString>

#include "store/Catalogue.h"
#include "store/WriteResult.h"

namespace invoicing {

// Invoice numbers are stored in six places.
inline constexpr long kMaxInvoiceNumber = 999999;

enum class SaveStatus {
    Saved,          // header, lines, payments and note written; the working set is emptied
    NoCustomer,     // CuNo is 0: nothing written
    NoNumber,       // the next number would not fit the invoice-number field: nothing written
    InvoiceFailed,  // the header record could not be written: nothing written
    ItemsFailed,    // a line record could not be written: everything put back
    PaymentsFailed, // a payment record could not be written: everything put back
    NoteFailed,     // the customer's note could not be written: everything put back
};

struct SaveResult {
    SaveStatus status = SaveStatus::Saved;
    long recNo = 0;          // INV5 record of the saved invoice
    bool restored = true;    // after a failure: every earlier write was put back
    store::WriteResult write;  // after a failure: the write that failed and why
};

// The message a failed save shows (empty for Saved), with the account of what is in the tables.
QString SaveMessage(const SaveResult& result);

// The number a new invoice gets when it is saved: the next number, after asking for the starting
// number when the table holds no invoice yet. 0 when no number up to kMaxInvoiceNumber is left (the
// user has been told). REQUIRES: INV5 open.
long NumberForNewInvoice();
// The first-invoice prompt: a whole number from 1 to kMaxInvoiceNumber; an answer that is not a whole
// number, and Cancel, give 1; a whole number out of range is refused and asked again.
long AskFirstInvoiceNumber();

// Writes the invoice in the working set (InvRec, ItemRows, PaymentRows; CustRec.note) to the tables.
// A new invoice (CurInvoiceRec 0) is numbered and appended; an edited one overwrites the record INV5
// stands on. Lines and payments overwrite the invoice's stored records in order, the surplus is
// deleted and packed, further ones appended. On success the working set is emptied.
// REQUIRES: CUST5, INV5, ITM5 and GSTPMT open.
SaveResult SaveInvoice();

// Deletes the invoice in the working set: its lines and payments, and its INV5 record when it was
// loaded (CurInvoiceRec >= 1); packs what was deleted and INV5; empties the working set; leaves
// CurCustRec and CurInvoiceRec on the last customer and the last invoice (0 for an empty table).
// All or nothing: when a mark cannot be written the marks made are taken back, the working set is
// kept and the failure returned. REQUIRES: CUST5, INV5, ITM5 and GSTPMT open.
[[nodiscard]] store::WriteResult DeleteInvoice();

// Empties ItemRows and PaymentRows and leaves one empty address line.
void ClearWorkingSet();

// Packs an open table: closes the record layer's handle, packs the file and reopens it with the same
// order, at the top. True when the pack ran.
bool PackOpenTable(store::TableKey key);

}  // namespace invoicing
