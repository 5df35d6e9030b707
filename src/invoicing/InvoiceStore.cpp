#include "invoicing/InvoiceStore.h"

#include <algorithm>
#include <vector>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "invoicing/InvoiceCalc.h"
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

const QString kFirstInvoiceCaption = QStringLiteral("FIRST INVOICE");
const QString kFirstInvoicePrompt = QStringLiteral("What invoice number would you like to start with?");
const QString kFirstInvoiceDefault = QStringLiteral("1");
const QString kNumberOutOfRange = QStringLiteral("The invoice number must be a whole number from 1 to 999999.");
const QString kNumbersUsedUp =
    QStringLiteral("The invoice was not saved: invoice numbers end at 999999 and the last one has been used.");
const QString kInvoiceFailed = QStringLiteral("Unable to add invoice at this time. Please try again later");
const QString kItemsFailed = QStringLiteral("Unable to add invoice Items at this time. Please try again later");
const QString kPaymentsFailed = QStringLiteral("Unable to add Payments at this time. Please try again later");
const QString kNoteFailed = QStringLiteral("Unable to save the customer's note at this time. Please try again later");
const QString kNothingSaved = QStringLiteral("Nothing of this invoice was saved.");
const QString kPartlySaved =
    QStringLiteral("The invoice could not be put back as it was: check it in the invoice list before going on.");

QString invoiceKey(long ivNo) { return base::PadNumber(ivNo, 6); }

long storedIvNo(xbase::Table* table) { return store::ReadField(table, &store::InvBuffer::IvNo); }

// A sign and digits, however many: a whole number, whether or not it fits a long.
bool writtenAsWholeNumber(const QString& text) {
    qsizetype i = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')) return false;
    return true;
}

// The highest invoice number of 0 or above in INV5 (ordered by number), 0 when there is none. The
// keys are the numbers right-justified, so for these the key order is the numeric order; a negative
// number, which this program never gives but another tool may have stored, can sort after them and
// is passed over.
long highestStoredNumber() {
    xbase::Table* inv = store::InvTable;
    if (!inv || inv->bottom() != xbase::kOk) return 0;
    do {
        const long number = storedIvNo(inv);
        if (number >= 0) return number;
    } while (inv->skip(-1) == xbase::kOk);
    return 0;
}

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

// How the records of one kind (lines or payments) are written from the working set.
struct RecordKind {
    store::TableKey key;
    store::TagId tag;
    int rows;                                  // rows in the working set
    std::function<void(int row)> fill;         // working-set row into the buffer
    store::WriteResult (*store)();             // buffer into the current record
    Restore (*keep)(xbase::Table*);            // the current record, to put back
};

store::WriteResult failure(int rc, store::TableKey key) { return store::WriteResult::EngineFailure(rc, key); }

// Overwrites the invoice's stored records in order, appends when they run out and marks the surplus
// deleted. *deleted tells whether any record was marked. Returns the first failure.
store::WriteResult replaceRecords(const RecordKind& kind, long ivNo, Journal* journal, bool* deleted) {
    xbase::Table* table = store::TableHandle(kind.key);
    store::SelectTag(table, kind.tag);
    bool appending = table->seek(store::ToTableText(invoiceKey(ivNo))) != xbase::kOk;
    for (int row = 0; row < kind.rows; ++row) {
        kind.fill(row);
        if (appending) {
            if (const int rc = table->appendBlank(); rc != xbase::kOk) return failure(rc, kind.key);
            journal->appended(kind.key, table->recNo());
        } else {
            journal->overwritten(kind.key, table->recNo(), kind.keep(table));
            // A line left marked by an unfinished pack becomes a live line again, in the same write.
            if (table->isDeleted() && table->recall() == xbase::kOk) journal->recalled(kind.key, table->recNo());
        }
        if (store::WriteResult stored = kind.store(); !stored) return stored;
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

RecordKind lineRecords() {
    return {store::TableKey::Itm, store::TagId::Itm, store::LastItemRow + 1,
            [](int r) {
                const QStringList& row = store::ItemRows[r];
                store::ItmBuffer& b = store::ItmRec;
                b.IvNo = store::InvRec.IvNo;
                b.PrID = row.value(0);
                b.Qty = base::ReadAmount(row.value(1));
                b.UPR = base::ReadAmount(row.value(2));
                b.LTax1 = row.value(3) == QLatin1String("t");
                b.LTax2 = row.value(4) == QLatin1String("t");
                b.PDesc = row.value(5);
                b.IComm = row.value(6);
            },
            store::StoreItm, keepRecord<store::ItmBuffer>};
}

RecordKind paymentRecords() {
    return {store::TableKey::Pmt, store::TagId::Pmt, store::LastPmtRow + 1,
            [](int r) {
                const QStringList& row = store::PaymentRows[r];
                store::PmtBuffer& b = store::PmtRec;
                b.IvNo = store::InvRec.IvNo;
                b.PDate = PaymentDay(row.value(0));
                b.PAmt = base::ReadAmount(row.value(1));
                b.GST = base::ReadAmount(row.value(2));
                b.lGST = row.value(3) == QLatin1String("T");
            },
            store::StorePmt, keepRecord<store::PmtBuffer>};
}

// The header: appended for a new invoice, overwritten in place for an edited one.
store::WriteResult storeHeader(bool isNew, Journal* journal, long* recNo) {
    xbase::Table* inv = store::InvTable;
    if (isNew) {
        if (const int rc = inv->appendBlank(); rc != xbase::kOk) return failure(rc, store::TableKey::Inv);
        journal->appended(store::TableKey::Inv, inv->recNo());
        *recNo = inv->recNo();
        return store::StoreInv();
    }
    if (inv->go(store::CurInvoiceRec) != xbase::kOk) return failure(xbase::kErrRecord, store::TableKey::Inv);
    *recNo = inv->recNo();
    journal->overwritten(store::TableKey::Inv, inv->recNo(), keepRecord<store::InvBuffer>(inv));
    return store::StoreInv();
}

// The note of the invoice's customer, written into its record; CUST5 is left in name order.
store::WriteResult storeCustomerNote(Journal* journal) {
    xbase::Table* cust = store::CustTable;
    if (!cust) return {};
    store::WriteResult result;
    store::SelectTag(cust, store::TagId::CustNumber);
    if (cust->seek(store::ToTableText(base::PadNumber(store::InvRec.CuNo, 6))) == xbase::kOk) {
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

long AskFirstInvoiceNumber() {
    for (;;) {
        QString answer = kFirstInvoiceDefault;
        if (!base::dialogs().input(kFirstInvoiceCaption, kFirstInvoicePrompt, &answer)) return 1;
        const QString text = answer.trimmed();
        if (!writtenAsWholeNumber(text)) return 1;
        // Too many digits for a long is out of range like any other number above the last.
        bool fits = false;
        const long number = text.toLong(&fits);
        if (fits && number >= 1 && number <= kMaxInvoiceNumber) return number;
        base::ShowMessage(kNumberOutOfRange);
    }
}

long NumberForNewInvoice() {
    xbase::Table* inv = store::InvTable;
    store::SelectTag(inv, store::TagId::Inv);
    long next = NextInvoiceNumber();
    // A negative last number says nothing of the numbers used: go by the highest one that is not.
    if (next < 1) next = highestStoredNumber() + 1;
    if (next == 1) return AskFirstInvoiceNumber();
    if (next > kMaxInvoiceNumber) {
        base::ShowMessage(kNumbersUsedUp);
        return 0;
    }
    return next;
}

SaveResult SaveInvoice() {
    SaveResult result;
    if (store::InvRec.CuNo == 0) {
        result.status = SaveStatus::NoCustomer;
        return result;
    }
    const bool isNew = store::CurInvoiceRec <= 0;
    const long shownNumber = store::InvRec.IvNo;
    if (isNew) {
        store::InvRec.IvNo = NumberForNewInvoice();
        if (store::InvRec.IvNo == 0) {
            store::InvRec.IvNo = shownNumber;
            result.status = SaveStatus::NoNumber;
            return result;
        }
    }

    Journal journal;
    auto failed = [&](SaveStatus status, store::WriteResult write) {
        result.status = status;
        result.write = std::move(write);
        result.restored = journal.undo();
        if (isNew) store::InvRec.IvNo = shownNumber;
        return result;
    };
    if (store::WriteResult w = storeHeader(isNew, &journal, &result.recNo); !w)
        return failed(SaveStatus::InvoiceFailed, w);
    bool linesDeleted = false;
    bool paymentsDeleted = false;
    if (store::WriteResult w = replaceRecords(lineRecords(), store::InvRec.IvNo, &journal, &linesDeleted); !w)
        return failed(SaveStatus::ItemsFailed, w);
    if (store::WriteResult w = replaceRecords(paymentRecords(), store::InvRec.IvNo, &journal, &paymentsDeleted); !w)
        return failed(SaveStatus::PaymentsFailed, w);
    if (store::WriteResult w = storeCustomerNote(&journal); !w) return failed(SaveStatus::NoteFailed, w);
    if (store::WriteResult w = journal.commit(store::TableKey::Inv); !w) return failed(SaveStatus::InvoiceFailed, w);

    // The save stands. A pack that fails leaves the records marked, and PackPending has the pack at
    // exit try again.
    if (linesDeleted || paymentsDeleted) store::PackPending = true;
    if (linesDeleted) PackOpenTable(store::TableKey::Itm);
    if (paymentsDeleted) PackOpenTable(store::TableKey::Pmt);
    // The header's table stands on the saved invoice for the caller (a pack whose table could not be
    // opened again has ended the program: no table is left).
    if (store::InvTable) store::InvTable->go(result.recNo);
    ClearWorkingSet();
    return result;
}

store::WriteResult DeleteInvoice() {
    const long ivNo = store::InvRec.IvNo;
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
    ClearWorkingSet();
    store::CurCustRec = lastRecord(store::CustTable);
    store::CurInvoiceRec = lastRecord(store::InvTable);
    return {};
}

void ClearWorkingSet() {
    store::ItemRows.clear();
    store::LastItemRow = -1;
    store::PaymentRows.clear();
    store::LastPmtRow = -1;
    store::AddressBlock = QStringList{QString()};
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
