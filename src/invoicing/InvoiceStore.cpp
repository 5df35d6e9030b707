#include "invoicing/InvoiceStore.h"

#include <algorithm>
#include <vector>

#include "base/Dialogs.h"
#include "base/Format.h"
#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceRows.h"
#include "store/DbUtil.h"
#include "store/dbFiles.h"

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
const QString kNothingSaved = QStringLiteral("Nothing of this invoice was saved.");
const QString kPartlySaved =
    QStringLiteral("The invoice could not be put back as it was: check it in the invoice list before going on.");

AppendFn g_append = [](xbase::Table* table, store::TableKey) { return table->appendBlank(); };

QString invoiceKey(long ivNo) { return base::PadNumber(ivNo, 6); }

long storedIvNo(xbase::Table* table) { return store::RecordAccess(table).asLong("IVNO"); }

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

// What one save changed, so that a refused append can put every record back.
class Journal {
public:
    void appended(store::TableKey key, long recNo) { m_steps.push_back({Kind::Appended, key, recNo, {}}); }
    void overwritten(store::TableKey key, long recNo, std::function<void(xbase::Table*)> restore) {
        m_steps.push_back({Kind::Overwritten, key, recNo, std::move(restore)});
    }
    void marked(store::TableKey key, long recNo) { m_steps.push_back({Kind::Marked, key, recNo, {}}); }
    void recalled(store::TableKey key, long recNo) { m_steps.push_back({Kind::Recalled, key, recNo, {}}); }

    // Undoes every step, newest first; appended records are marked deleted and packed away.
    // True when every step was undone.
    bool undo() {
        bool ok = true;
        std::vector<store::TableKey> toPack;
        for (auto it = m_steps.rbegin(); it != m_steps.rend(); ++it) {
            xbase::Table* table = store::TableHandle(it->key);
            if (!table || table->go(it->recNo) != xbase::kOk) {
                ok = false;
                continue;
            }
            int rc = xbase::kOk;
            switch (it->kind) {
            case Kind::Appended:
                rc = table->markDeleted();
                if (std::find(toPack.begin(), toPack.end(), it->key) == toPack.end()) toPack.push_back(it->key);
                break;
            case Kind::Overwritten: it->restore(table); break;
            case Kind::Marked: rc = table->recall(); break;
            case Kind::Recalled: rc = table->markDeleted(); break;
            }
            if (rc == xbase::kOk) rc = table->flush(false);
            ok = ok && rc == xbase::kOk;
        }
        m_steps.clear();
        for (store::TableKey key : toPack) {
            store::PackPending = true;
            ok = PackOpenTable(key) && ok;
        }
        return ok;
    }

private:
    enum class Kind { Appended, Overwritten, Marked, Recalled };
    struct Step {
        Kind kind;
        store::TableKey key;
        long recNo;
        std::function<void(xbase::Table*)> restore;
    };
    std::vector<Step> m_steps;
};

// How the records of one kind (lines or payments) are written from the working set.
struct RecordKind {
    store::TableKey key;
    const char* tag;
    int rows;                                                       // rows in the working set
    std::function<void(int row)> fill;                              // working-set row into the buffer
    std::function<void()> store;                                    // buffer into the current record
    std::function<std::function<void(xbase::Table*)>(xbase::Table*)> keep;  // the current record, to put back
};

enum class Replace { Done, AppendFailed };

// Overwrites the invoice's stored records in order, appends when they run out and marks the surplus
// deleted. *deleted tells whether any record was marked.
Replace replaceRecords(const RecordKind& kind, long ivNo, Journal* journal, bool* deleted) {
    xbase::Table* table = store::TableHandle(kind.key);
    table->selectTag(table->findTag(kind.tag));
    bool appending = table->seek(store::ToTableText(invoiceKey(ivNo))) != xbase::kOk;
    for (int row = 0; row < kind.rows; ++row) {
        kind.fill(row);
        if (appending) {
            if (g_append(table, kind.key) != xbase::kOk) return Replace::AppendFailed;
            journal->appended(kind.key, table->recNo());
        } else {
            journal->overwritten(kind.key, table->recNo(), kind.keep(table));
            // A line left marked by an unfinished pack becomes a live line again.
            if (table->isDeleted() && table->recall() == xbase::kOk) journal->recalled(kind.key, table->recNo());
        }
        kind.store();
        if (!appending && (table->skip(1) != xbase::kOk || storedIvNo(table) != ivNo)) appending = true;
    }
    if (!appending) {
        while (!table->eof() && storedIvNo(table) == ivNo) {
            if (!table->isDeleted() && table->markDeleted() == xbase::kOk) {
                journal->marked(kind.key, table->recNo());
                *deleted = true;
            }
            if (table->skip(1) != xbase::kOk) break;
        }
    }
    table->flush(false);
    return Replace::Done;
}

RecordKind lineRecords() {
    return {store::TableKey::Itm, "Itm", store::LastItemRow + 1,
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
            store::StoreItm,
            [](xbase::Table* table) {
                store::ItmBuffer old;
                store::ReadItm(table, &old);
                return std::function<void(xbase::Table*)>([old](xbase::Table* t) { store::WriteItm(t, old); });
            }};
}

RecordKind paymentRecords() {
    return {store::TableKey::Pmt, "Pmt", store::LastPmtRow + 1,
            [](int r) {
                const QStringList& row = store::PaymentRows[r];
                store::PmtBuffer& b = store::PmtRec;
                b.IvNo = store::InvRec.IvNo;
                b.PDate = PaymentDay(row.value(0));
                b.PAmt = base::ReadAmount(row.value(1));
                b.GST = base::ReadAmount(row.value(2));
                b.lGST = row.value(3) == QLatin1String("T");
            },
            store::StorePmt,
            [](xbase::Table* table) {
                store::PmtBuffer old;
                store::ReadPmt(table, &old);
                return std::function<void(xbase::Table*)>([old](xbase::Table* t) { store::WritePmt(t, old); });
            }};
}

// The header: appended for a new invoice, overwritten in place for an edited one.
bool storeHeader(bool isNew, Journal* journal, long* recNo) {
    xbase::Table* inv = store::InvTable;
    if (isNew) {
        if (g_append(inv, store::TableKey::Inv) != xbase::kOk) return false;
        journal->appended(store::TableKey::Inv, inv->recNo());
    } else {
        if (inv->go(store::CurInvoiceRec) != xbase::kOk) return false;
        store::InvBuffer old;
        store::ReadInv(inv, &old);
        journal->overwritten(store::TableKey::Inv, inv->recNo(),
                             [old](xbase::Table* t) { store::WriteInv(t, old); });
    }
    *recNo = inv->recNo();
    store::StoreInv();
    return true;
}

// The note of the invoice's customer, written into its record; CUST5 is left in name order.
void storeCustomerNote() {
    xbase::Table* cust = store::CustTable;
    if (!cust) return;
    cust->selectTag(cust->findTag("CCNO"));
    if (cust->seek(store::ToTableText(base::PadNumber(store::InvRec.CuNo, 6))) == xbase::kOk) {
        store::RecordAccess(cust).setText("NOTE", store::CustRec.note);
        store::CommitRecord(cust, store::TableKey::Cust);
    }
    cust->selectTag(cust->findTag("cname"));
}

// The last record in the table's current order, 0 when it is empty.
long lastRecord(xbase::Table* table) {
    if (!table || table->bottom() != xbase::kOk) return 0;
    return table->recNo();
}

// Marks every record of the invoice deleted in a table ordered by invoice number.
bool deleteRecordsOf(store::TableKey key, const char* tag, long ivNo) {
    xbase::Table* table = store::TableHandle(key);
    if (!table) return false;
    table->selectTag(table->findTag(tag));
    bool deleted = false;
    int rc = table->seek(store::ToTableText(invoiceKey(ivNo)));
    while (rc == xbase::kOk && storedIvNo(table) == ivNo) {
        if (table->markDeleted() == xbase::kOk) deleted = true;
        rc = table->skip(1);
    }
    if (deleted) store::PackPending = true;
    return deleted;
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
    if (inv) inv->selectTag(inv->findTag("Inv"));
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
    auto failed = [&](SaveStatus status) {
        result.status = status;
        result.restored = journal.undo();
        if (isNew) store::InvRec.IvNo = shownNumber;
        return result;
    };
    if (!storeHeader(isNew, &journal, &result.recNo)) return failed(SaveStatus::InvoiceFailed);
    bool linesDeleted = false;
    bool paymentsDeleted = false;
    if (replaceRecords(lineRecords(), store::InvRec.IvNo, &journal, &linesDeleted) != Replace::Done)
        return failed(SaveStatus::ItemsFailed);
    if (replaceRecords(paymentRecords(), store::InvRec.IvNo, &journal, &paymentsDeleted) != Replace::Done)
        return failed(SaveStatus::PaymentsFailed);

    storeCustomerNote();
    if (linesDeleted || paymentsDeleted) store::PackPending = true;
    if (linesDeleted) PackOpenTable(store::TableKey::Itm);
    if (paymentsDeleted) PackOpenTable(store::TableKey::Pmt);
    // The header's table stands on the saved invoice for the caller.
    store::InvTable->go(result.recNo);
    ClearWorkingSet();
    return result;
}

void DeleteInvoice() {
    const long ivNo = store::InvRec.IvNo;
    const bool linesDeleted = deleteRecordsOf(store::TableKey::Itm, "Itm", ivNo);
    const bool paymentsDeleted = deleteRecordsOf(store::TableKey::Pmt, "Pmt", ivNo);
    xbase::Table* inv = store::InvTable;
    // Only the invoice's own record: a new invoice that was never saved has none.
    if (store::CurInvoiceRec >= 1 && inv->go(store::CurInvoiceRec) == xbase::kOk && storedIvNo(inv) == ivNo) {
        inv->markDeleted();
        store::PackPending = true;
    }
    if (linesDeleted) PackOpenTable(store::TableKey::Itm);
    if (paymentsDeleted) PackOpenTable(store::TableKey::Pmt);
    PackOpenTable(store::TableKey::Inv);
    for (store::TableKey key : {store::TableKey::Inv, store::TableKey::Itm, store::TableKey::Pmt})
        store::CommitRecord(store::TableHandle(key), key);
    ClearWorkingSet();
    store::CurCustRec = lastRecord(store::CustTable);
    store::CurInvoiceRec = lastRecord(store::InvTable);
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
    store::PackTable(QString::fromLatin1(store::Table(key).name), false);
    if (!store::OpenByKey(key)) return false;
    xbase::Table* reopened = store::TableHandle(key);
    if (!tagName.empty()) reopened->selectTag(reopened->findTag(tagName));
    store::LastResult = reopened->top();
    return true;
}

AppendFn SetAppendForTest(AppendFn append) {
    AppendFn previous = g_append;
    g_append = append ? std::move(append) : AppendFn([](xbase::Table* t, store::TableKey) { return t->appendBlank(); });
    return previous;
}

}  // namespace invoicing
