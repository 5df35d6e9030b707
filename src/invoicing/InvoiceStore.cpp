#include "invoicing/InvoiceStore.h"

#include <algorithm>
#include <vector>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "invoicing/InvoiceNumbers.h"
#include "invoicing/InvoiceRows.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/SaveJournal.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace invoicing {
namespace {

const QString kInvoiceFailed = QStringLiteral("Unable to add invoice at this time. Please try again later");
const QString kItemsFailed = QStringLiteral("Unable to add invoice Items at this time. Please try again later");
const QString kPaymentsFailed = QStringLiteral("Unable to add Payments at this time. Please try again later");
const QString kNoteFailed = QStringLiteral("Unable to save the customer's note at this time. Please try again later");
const QString kNothingSaved = QStringLiteral("Nothing of this invoice was saved.");
const QString kPartlySaved =
    QStringLiteral("The invoice could not be put back as it was: check it in the invoice list before going on.");

QString invoiceKey(long ivNo) { return base::PadNumber(ivNo, 6); }

long storedIvNo(xbase::Table* table) { return store::ReadField(table, &store::InvBuffer::IvNo); }

// How a record looked before the save overwrote it, and how to put it back.
using Restore = std::function<bool(xbase::Table*)>;

// A write that failed may have reached the disk in part or not at all: a record that reads as it did
// before needs no write (and no lock) to be put back.
template <class B>
Restore keepRecord(xbase::Table* table) {
    B old;
    store::ReadRecord(table, &old);
    return [old](xbase::Table* t) {
        B now;
        store::ReadRecord(t, &now);
        return now == old || store::StoreRecord(t, old).ok();
    };
}

// What one save changed, so that a failed write can put every record back.
// Each step also goes to the durable journal, before the table, for a save a kill or power cut ends.
class Journal {
public:
    void appended(store::TableKey key, long recNo) {
        m_durable.appended(key, recNo);
        m_steps.push_back({Kind::Appended, key, recNo, {}});
    }
    // REQUIRES: the table stands on the record, as stored.
    void overwritten(store::TableKey key, long recNo, Restore restore) {
        m_durable.overwriting(key, store::TableHandle(key));
        m_steps.push_back({Kind::Overwritten, key, recNo, std::move(restore)});
    }
    void marked(store::TableKey key, long recNo) {
        m_durable.marked(key, recNo);
        m_steps.push_back({Kind::Marked, key, recNo, {}});
    }
    void recalled(store::TableKey key, long recNo) {
        m_durable.recalled(key, recNo);
        m_steps.push_back({Kind::Recalled, key, recNo, {}});
    }
    // The save stands once this returns written: every table it touched is on the disk.
    [[nodiscard]] store::WriteResult commit(store::TableKey key) { return m_durable.commit(key); }

    // Undoes every step, newest first; appended records are marked deleted and packed away.
    // True when every step was undone.
    bool undo() {
        // On a database server the transaction is dropped whole: there are no steps to put back.
        if (m_durable.rollBack()) {
            m_steps.clear();
            store::ErrorCode();
            return true;
        }
        bool ok = true;
        std::vector<store::TableKey> toPack;
        for (auto it = m_steps.rbegin(); it != m_steps.rend(); ++it) {
            xbase::Table* table = store::TableHandle(it->key);
            // The change that failed is not written by the move that follows.
            if (table) table->revert();
            if (!table || table->go(it->recNo) != xbase::kOk) {
                ok = false;
                continue;
            }
            // Each step is undone only where the disk shows it was done.
            int rc = xbase::kOk;
            switch (it->kind) {
            case Kind::Appended:
                rc = table->markDeleted();
                if (std::find(toPack.begin(), toPack.end(), it->key) == toPack.end()) toPack.push_back(it->key);
                break;
            case Kind::Overwritten: rc = it->restore(table) ? int(xbase::kOk) : int(xbase::kErrWrite); break;
            case Kind::Marked: rc = table->isDeleted() ? table->recall() : int(xbase::kOk); break;
            case Kind::Recalled: rc = table->isDeleted() ? int(xbase::kOk) : table->markDeleted(); break;
            }
            if (rc == xbase::kOk) rc = table->flush(false);
            if (rc != xbase::kOk) table->revert();
            ok = ok && rc == xbase::kOk;
        }
        m_steps.clear();
        // Put back in this run: the next start has nothing to undo (a step that failed it tries again).
        if (ok) m_durable.discard();
        for (store::TableKey key : toPack) {
            store::PackPending = true;
            ok = PackOpenTable(key) && ok;
        }
        // What failed has been told through the save's result, not left for a later command.
        store::ErrorCode();
        return ok;
    }

private:
    enum class Kind { Appended, Overwritten, Marked, Recalled };
    struct Step {
        Kind kind;
        store::TableKey key;
        long recNo;
        Restore restore;
    };
    std::vector<Step> m_steps;
    store::SaveJournal m_durable;
};

// Writes a buffer into the table's current record and commits it, leaving LastResult as the store
// routines do.
template <class B>
store::WriteResult storeBuffer(xbase::Table* table, const B& buffer) {
    store::WriteResult result = store::StoreRecord(table, buffer);
    store::LastResult = table->eof() ? xbase::kEof : xbase::kOk;
    return result;
}

// How the records of one kind (lines or payments) are written from the working set.
struct RecordKind {
    store::TableKey key;
    store::TagId tag;
    int rows;                                              // rows in the working set
    std::function<store::WriteResult(xbase::Table*, int row)> store;  // row into the current record
    Restore (*keep)(xbase::Table*);                        // the current record, to put back
};

store::WriteResult failure(int rc, store::TableKey key) { return store::WriteResult::EngineFailure(rc, key); }

// Overwrites the invoice's stored records in order, appends when they run out and marks the surplus
// deleted. *deleted tells whether any record was marked. Returns the first failure.
store::WriteResult replaceRecords(const RecordKind& kind, long ivNo, Journal* journal, bool* deleted) {
    xbase::Table* table = store::TableHandle(kind.key);
    store::SelectTag(table, kind.tag);
    bool appending = table->seek(store::ToTableText(invoiceKey(ivNo))) != xbase::kOk;
    for (int row = 0; row < kind.rows; ++row) {
        if (appending) {
            if (const int rc = table->appendBlank(); rc != xbase::kOk) return failure(rc, kind.key);
            journal->appended(kind.key, table->recNo());
        } else {
            journal->overwritten(kind.key, table->recNo(), kind.keep(table));
            // A line left marked by an unfinished pack becomes a live line again, in the same write.
            if (table->isDeleted() && table->recall() == xbase::kOk) journal->recalled(kind.key, table->recNo());
        }
        if (store::WriteResult stored = kind.store(table, row); !stored) return stored;
        if (!appending && (table->skip(1) != xbase::kOk || storedIvNo(table) != ivNo)) appending = true;
    }
    if (!appending) {
        while (!table->eof() && storedIvNo(table) == ivNo) {
            if (!table->isDeleted()) {
                if (const int rc = table->markDeleted(); rc != xbase::kOk) return failure(rc, kind.key);
                journal->marked(kind.key, table->recNo());
                if (store::WriteResult marked = store::CommitRecord(table, kind.key); !marked) return marked;
                *deleted = true;
            }
            if (table->skip(1) != xbase::kOk) break;
        }
    }
    return {};
}

RecordKind lineRecords(const store::InvoiceWorkingSet& invoice) {
    return {store::TableKey::Itm, store::TagId::Itm, invoice.lastItemRow() + 1,
            [&invoice](xbase::Table* table, int r) {
                const store::ItemRow& row = invoice.items[r];
                return storeBuffer(table, store::ItmBuffer{.IvNo = invoice.invoice.IvNo, .PrID = row.code,
                                                           .Qty = base::ReadAmount(row.quantity),
                                                           .UPR = base::ReadAmount(row.price), .LTax1 = row.tax1,
                                                           .LTax2 = row.tax2, .PDesc = row.description,
                                                           .IComm = row.comment});
            },
            keepRecord<store::ItmBuffer>};
}

RecordKind paymentRecords(const store::InvoiceWorkingSet& invoice) {
    return {store::TableKey::Pmt, store::TagId::Pmt, invoice.lastPmtRow() + 1,
            [&invoice](xbase::Table* table, int r) {
                const store::PaymentRow& row = invoice.payments[r];
                return storeBuffer(table, store::PmtBuffer{invoice.invoice.IvNo, PaymentDay(row.date),
                                                           base::ReadAmount(row.amount), base::ReadAmount(row.taxPart),
                                                           row.includesTax});
            },
            keepRecord<store::PmtBuffer>};
}

// The header: appended for a new invoice, overwritten in place for an edited one.
store::WriteResult storeHeader(const store::InvBuffer& header, bool isNew, Journal* journal, long* recNo) {
    xbase::Table* inv = store::InvTable;
    if (isNew) {
        if (const int rc = inv->appendBlank(); rc != xbase::kOk) return failure(rc, store::TableKey::Inv);
        journal->appended(store::TableKey::Inv, inv->recNo());
        *recNo = inv->recNo();
        return storeBuffer(inv, header);
    }
    if (inv->go(store::CurInvoiceRec) != xbase::kOk) return failure(xbase::kErrRecord, store::TableKey::Inv);
    *recNo = inv->recNo();
    journal->overwritten(store::TableKey::Inv, inv->recNo(), keepRecord<store::InvBuffer>(inv));
    return storeBuffer(inv, header);
}

// The note of the invoice's customer, written into its record; CUST5 is left in name order.
store::WriteResult storeCustomerNote(long cuNo, Journal* journal) {
    xbase::Table* cust = store::CustTable;
    if (!cust) return {};
    store::WriteResult result;
    store::SelectTag(cust, store::TagId::CustNumber);
    if (cust->seek(store::ToTableText(base::PadNumber(cuNo, 6))) == xbase::kOk) {
        journal->overwritten(store::TableKey::Cust, cust->recNo(), keepRecord<store::CustBuffer>(cust));
        const int rc = store::WriteField(cust, &store::CustBuffer::note, store::CustRec.note);
        result = rc < 0 ? failure(rc, store::TableKey::Cust) : store::CommitRecord(cust, store::TableKey::Cust);
        if (!result) cust->revert();
    }
    store::SelectTag(cust, store::TagId::CustName);
    return result;
}

// The last record in the table's current order, 0 when it is empty.
long lastRecord(xbase::Table* table) {
    if (!table || table->bottom() != xbase::kOk) return 0;
    return table->recNo();
}

// Marks every record of the invoice deleted in a table ordered by invoice number, each written as it
// is marked. *deleted tells whether any record was marked.
store::WriteResult markRecordsOf(store::TableKey key, store::TagId tag, long ivNo, Journal* journal, bool* deleted) {
    xbase::Table* table = store::TableHandle(key);
    if (!table) return failure(xbase::kErrRecord, key);
    store::SelectTag(table, tag);
    int rc = table->seek(store::ToTableText(invoiceKey(ivNo)));
    for (; rc == xbase::kOk && storedIvNo(table) == ivNo; rc = table->skip(1)) {
        if (table->isDeleted()) continue;
        if (const int marked = table->markDeleted(); marked != xbase::kOk) return failure(marked, key);
        journal->marked(key, table->recNo());
        if (store::WriteResult w = store::CommitRecord(table, key); !w) return w;
        *deleted = true;
    }
    return rc < 0 ? failure(rc, key) : store::WriteResult();
}

}  // namespace

QString SaveMessage(const SaveResult& result) {
    QString text;
    switch (result.status) {
    case SaveStatus::Saved:
    case SaveStatus::NoCustomer:
    case SaveStatus::NoNumber: return {};
    case SaveStatus::InvoiceFailed: text = kInvoiceFailed; break;
    case SaveStatus::ItemsFailed: text = kItemsFailed; break;
    case SaveStatus::PaymentsFailed: text = kPaymentsFailed; break;
    case SaveStatus::NoteFailed: text = kNoteFailed; break;
    }
    // Why, in the engine's terms made plain: a lock, a full disk, a value too wide.
    if (!result.write.ok()) {
        QString why = result.write.reason();
        why[0] = why[0].toUpper();
        text += QLatin1Char('\n') + why + QLatin1Char('.');
    }
    return text + QLatin1Char('\n') + (result.restored ? kNothingSaved : kPartlySaved);
}

SaveResult SaveInvoice(store::InvoiceWorkingSet& invoice) {
    store::InvBuffer& header = invoice.invoice;
    SaveResult result;
    if (header.CuNo == 0) {
        result.status = SaveStatus::NoCustomer;
        return result;
    }
    const bool isNew = store::CurInvoiceRec <= 0;
    const long shownNumber = header.IvNo;
    if (isNew) {
        header.IvNo = NumberForNewInvoice();
        if (header.IvNo == 0) {
            header.IvNo = shownNumber;
            result.status = SaveStatus::NoNumber;
            return result;
        }
    }

    Journal journal;
    auto failed = [&](SaveStatus status, store::WriteResult write) {
        result.status = status;
        result.write = std::move(write);
        result.restored = journal.undo();
        if (isNew) header.IvNo = shownNumber;
        return result;
    };
    if (store::WriteResult w = storeHeader(header, isNew, &journal, &result.recNo); !w)
        return failed(SaveStatus::InvoiceFailed, w);
    bool linesDeleted = false;
    bool paymentsDeleted = false;
    if (store::WriteResult w = replaceRecords(lineRecords(invoice), header.IvNo, &journal, &linesDeleted); !w)
        return failed(SaveStatus::ItemsFailed, w);
    if (store::WriteResult w = replaceRecords(paymentRecords(invoice), header.IvNo, &journal, &paymentsDeleted); !w)
        return failed(SaveStatus::PaymentsFailed, w);
    if (store::WriteResult w = storeCustomerNote(header.CuNo, &journal); !w) return failed(SaveStatus::NoteFailed, w);
    if (store::WriteResult w = journal.commit(store::TableKey::Inv); !w) return failed(SaveStatus::InvoiceFailed, w);

    // The save stands. A pack that fails leaves the records marked, and PackPending has the pack at
    // exit try again.
    if (linesDeleted || paymentsDeleted) store::PackPending = true;
    if (linesDeleted) PackOpenTable(store::TableKey::Itm);
    if (paymentsDeleted) PackOpenTable(store::TableKey::Pmt);
    // The header's table stands on the saved invoice for the caller (a pack whose table could not be
    // opened again has ended the program: no table is left).
    if (store::InvTable) store::InvTable->go(result.recNo);
    invoice.clearRows();
    return result;
}

store::WriteResult DeleteInvoice(store::InvoiceWorkingSet& invoice) {
    const long ivNo = invoice.invoice.IvNo;
    Journal journal;
    auto undone = [&](store::WriteResult w) {
        journal.undo();
        return w;
    };
    bool linesDeleted = false;
    bool paymentsDeleted = false;
    if (store::WriteResult w = markRecordsOf(store::TableKey::Itm, store::TagId::Itm, ivNo, &journal, &linesDeleted); !w)
        return undone(w);
    if (store::WriteResult w = markRecordsOf(store::TableKey::Pmt, store::TagId::Pmt, ivNo, &journal, &paymentsDeleted);
        !w)
        return undone(w);
    xbase::Table* inv = store::InvTable;
    // Only the invoice's own record: a new invoice that was never saved has none.
    if (store::CurInvoiceRec >= 1 && inv->go(store::CurInvoiceRec) == xbase::kOk && storedIvNo(inv) == ivNo &&
        !inv->isDeleted()) {
        if (const int rc = inv->markDeleted(); rc != xbase::kOk) return undone(failure(rc, store::TableKey::Inv));
        journal.marked(store::TableKey::Inv, inv->recNo());
        if (store::WriteResult w = store::CommitRecord(inv, store::TableKey::Inv); !w) return undone(w);
    }
    if (store::WriteResult w = journal.commit(store::TableKey::Inv); !w) return undone(w);
    store::PackPending = true;
    // The invoice is gone once marked; a pack that fails leaves it marked for the pack at exit.
    if (linesDeleted) PackOpenTable(store::TableKey::Itm);
    if (paymentsDeleted) PackOpenTable(store::TableKey::Pmt);
    PackOpenTable(store::TableKey::Inv);
    invoice.clearRows();
    store::CurCustRec = lastRecord(store::CustTable);
    store::CurInvoiceRec = lastRecord(store::InvTable);
    return {};
}

bool PackOpenTable(store::TableKey key) {
    xbase::Table*& handle = store::TableHandle(key);
    if (!handle) return false;
    const xbase::Tag* selected = handle->selectedTag();
    const std::string tagName = selected ? selected->name() : std::string();
    store::CloseTable(handle);
    const bool packed = store::PackTable(key, false).ok();
    if (!store::OpenByKey(key)) return false;
    xbase::Table* reopened = store::TableHandle(key);
    if (!tagName.empty()) reopened->selectTag(reopened->findTag(tagName));
    store::LastResult = reopened->top();
    return packed;
}

}  // namespace invoicing
