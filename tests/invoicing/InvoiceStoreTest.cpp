// Saving, numbering and deleting invoices against real tables: the first-invoice prompt, overwriting,
// appending and deleting line records, the customer's note, and a save that fails part-way.
#include "InvoiceFixture.h"

#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceNumbers.h"
#include "invoicing/InvoiceStore.h"
#include "support/LockHolder.h"
#include "support/TableSnapshot.h"

using namespace invoicing;
using invoice_test::InvoiceTablesTest;
using invoice_test::StoredLine;

namespace {

class InvoiceStoreTest : public InvoiceTablesTest {
protected:
    // Saves a new invoice with n lines (the prompt, when shown, answered with first).
    SaveResult saveNew(int lines, const QString& first = QStringLiteral("1001")) {
        startNew();
        QList<store::ItemRow> rows;
        for (int i = 0; i < lines; ++i) rows << line(QStringLiteral("PEN-B"), i + 1, 2.50);
        setLines(rows);
        if (NextInvoiceNumber() == 1) dialogs->answerInput(first);
        return SaveInvoice();
    }
};

TEST_F(InvoiceStoreTest, FirstInvoicePromptAnswers) {
    struct Case {
        QStringList answers;  // "" = Cancel
        long number;
        int rangeMessages;
    };
    const Case cases[] = {
        {{"1001"}, 1001, 0},
        {{" 42 "}, 42, 0},
        {{"abc"}, 1, 0},
        {{""}, 1, 0},
        {{"0", "5"}, 5, 1},          // 0 would be stored and prompt again forever after
        {{"-3", "1000000", ""}, 1, 2},
        {{"12345678901234567890", "-99999999999999999999", "7"}, 7, 2},  // beyond a long: still out of range
    };
    for (const Case& c : cases) {
        testing_support::ScriptedDialogs local;
        for (const QString& a : c.answers) a.isEmpty() ? local.cancelInput() : local.answerInput(a);
        EXPECT_EQ(AskFirstInvoiceNumber(), c.number) << c.answers.join('|').toStdString();
        EXPECT_EQ(local.messages().size(), c.rangeMessages) << c.answers.join('|').toStdString();
    }
}

TEST_F(InvoiceStoreTest, FirstSaveAsksThenNumbersOnWithoutAsking) {
    const SaveResult first = saveNew(1, QStringLiteral("1001"));
    ASSERT_EQ(first.status, SaveStatus::Saved);
    EXPECT_EQ(dialogs->log(), QStringList{"Input FIRST INVOICE: What invoice number would you like to start with?"});
    EXPECT_EQ(storedInvoices(), std::vector<long>{1001});
    EXPECT_EQ(first.recNo, 1);
    EXPECT_EQ(store::LastItemRow(), -1);  // the working set is emptied
    EXPECT_EQ(store::AddressBlock, QStringList{QString()});

    NewInvoice();
    EXPECT_EQ(store::InvRec.IvNo, 1002);
    ASSERT_EQ(saveNew(2).status, SaveStatus::Saved);
    EXPECT_EQ(storedInvoices(), (std::vector<long>{1001, 1002}));
    EXPECT_EQ(dialogs->log().size(), 1);
}

TEST_F(InvoiceStoreTest, SaveWithoutCustomerWritesNothing) {
    startNew();
    store::InvRec.CuNo = 0;
    setLines({line("PEN-B", 1, 2.5)});
    EXPECT_EQ(SaveInvoice().status, SaveStatus::NoCustomer);
    EXPECT_EQ(store::InvTable->recCount(), 0);
    EXPECT_EQ(store::ItmTable->recCount(), 0);
    EXPECT_EQ(store::LastItemRow(), 0);  // the window keeps its lines
}

TEST_F(InvoiceStoreTest, NoNumberLeftRefusesTheSave) {
    ASSERT_EQ(saveNew(1, QStringLiteral("999999")).status, SaveStatus::Saved);
    const SaveResult again = saveNew(1);
    EXPECT_EQ(again.status, SaveStatus::NoNumber);
    EXPECT_EQ(storedInvoices(), std::vector<long>{999999});
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages().front().contains("999999"));
}

TEST_F(InvoiceStoreTest, EditingDownOverwritesFirstDeletesAndPacksEditingUpAppends) {
    ASSERT_EQ(saveNew(3).status, SaveStatus::Saved);
    ASSERT_EQ(saveNew(1).status, SaveStatus::Saved);  // invoice 1002's line follows 1001's three
    ASSERT_EQ(store::ItmTable->recCount(), 4);

    load(1);
    ASSERT_EQ(store::LastItemRow(), 2);
    setLines({line("INK-1", 9, 12)});
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    std::vector<StoredLine> lines = storedLines();
    ASSERT_EQ(lines.size(), 2u);  // packed
    EXPECT_EQ(lines[0].prId, "INK-1");  // the first record was overwritten in place
    EXPECT_EQ(lines[0].ivNo, 1001);
    EXPECT_EQ(lines[0].qty, 9);
    EXPECT_EQ(lines[1].ivNo, 1002);
    EXPECT_TRUE(store::PackPending);

    load(1);
    setLines({line("INK-1", 1, 12), line("PEN-B", 2, 2.5), line("PEN-B", 3, 2.5)});
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    lines = storedLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].ivNo, 1001);
    EXPECT_EQ(lines[0].qty, 1);
    EXPECT_EQ(lines[2].ivNo, 1001);  // appended
    EXPECT_EQ(lines[3].ivNo, 1001);
    load(1);
    ASSERT_EQ(store::LastItemRow(), 2);
    EXPECT_EQ(store::ItemRows[2].quantity.trimmed(), "3.00");  // in line order
}

// A working set of its own goes to the tables and back row for row, with the totals the window and
// the documents sum, and the invoice window's working set is left alone both ways.
TEST_F(InvoiceStoreTest, OwnWorkingSetRoundTripsItsTypedRows) {
    struct Case {
        QList<store::ItemRow> items;
        QList<store::PaymentRow> payments;
        base::Decimal product, subtotal, paid;  // sums of price x quantity, of line totals, of payments
    };
    const store::ItemRow credit{"INK-1", base::FormatNumber("%9.2f", -1), "    2.35", false, true, "credit", "", "", ""};
    const Case cases[] = {
        {{line("PEN-B", 3, 2.5)}, {}, 7.5_dec, 7.5_dec, 0_dec},
        {{line("PEN-B", 1.5, 0.33), credit}, {payment("5/4/26", 110, 10, true), payment("6/1/26", 0.5, 0, false)},
         -1.855_dec, -1.85_dec, 110.5_dec},
        {{}, {payment("5/4/26", 3, 0, false)}, 0_dec, 0_dec, 3_dec},
    };
    for (const Case& c : cases) {
        startNew();
        setLines({line("PEN-B", 9, 9)});  // the window's own invoice
        const store::InvoiceWorkingSet window = store::CurrentInvoice;
        store::InvoiceWorkingSet own{window.invoice, c.items, c.payments, {}};
        if (NextInvoiceNumber() == 1) dialogs->answerInput(QStringLiteral("1001"));
        const SaveResult saved = SaveInvoice(own);
        ASSERT_EQ(saved.status, SaveStatus::Saved);
        EXPECT_TRUE(own.items.isEmpty() && own.payments.isEmpty());
        store::InvoiceWorkingSet back;
        store::LoadInvoice(saved.recNo, &back);
        base::Decimal product, subtotal;
        for (store::ItemRow& row : back.items) {
            product += row.product();
            subtotal += row.total();
            row.code = row.code.trimmed();  // held as stored, padded to the fields' widths
            row.description = row.description.trimmed();
        }
        EXPECT_EQ(back.items, c.items);
        EXPECT_EQ(back.payments, c.payments);
        EXPECT_EQ(product, c.product);
        EXPECT_EQ(subtotal, c.subtotal);
        EXPECT_EQ(back.paymentsTotal(), c.paid);
        EXPECT_EQ(back.address.size(), 5);  // the stored customer's block
        EXPECT_EQ(store::CurrentInvoice.items, window.items);
        EXPECT_EQ(store::CurrentInvoice.invoice.IvNo, window.invoice.IvNo);
    }
}

TEST_F(InvoiceStoreTest, NoLinesAndNoPaymentsSavesOnlyTheHeader) {
    ASSERT_EQ(saveNew(2).status, SaveStatus::Saved);
    load(1);
    setPayments({payment("5/4/26", 3, 0, false)});
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    load(1);
    setLines({});
    setPayments({});
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    EXPECT_EQ(store::ItmTable->recCount(), 0);
    EXPECT_EQ(store::PmtTable->recCount(), 0);
    EXPECT_EQ(storedInvoices(), std::vector<long>{1001});
}

TEST_F(InvoiceStoreTest, PaymentsAndNoteAreStored) {
    startNew();
    setPayments({payment("5/4/26", 110, 10, true), payment("6/1/26", 20, 0, false)});
    store::CustRec.note = QStringLiteral("call before delivery");
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    EXPECT_EQ(store::CustTable->selectedTag(), store::CustTable->findTag("cname"));
    load(1);
    ASSERT_EQ(store::LastPmtRow(), 1);
    EXPECT_EQ(store::PaymentRows[0].cells(), (QStringList{"5/4/26", "    110.00", "     10.00", "T"}));
    EXPECT_EQ(store::PaymentRows[1].date, "6/1/26");
    EXPECT_EQ(store::CustRec.note.trimmed(), "call before delivery");
}

TEST_F(InvoiceStoreTest, PaymentDatesAndAmountsFollowTheLocale) {
    testing_support::LocaleScope german(testing_support::commaLocale());
    startNew();
    setLines({line("PEN-B", 1.5, 2.5)});
    setPayments({payment("04.05.26", 110, 10, true)});
    dialogs->answerInput("1");
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    load(1);
    EXPECT_EQ(store::PaymentRows[0].cells(), (QStringList{"04.05.26", "    110,00", "     10,00", "T"}));
    EXPECT_EQ(store::ItemRows[0].quantity, "     1,50");
    EXPECT_EQ(store::PmtTable->recCount(), 1);
    store::PmtTable->go(1);
    EXPECT_EQ(store::RecordAccess(store::PmtTable).date("PDATE"), base::DayFromDate(QDate(2026, 5, 4)));
}

TEST_F(InvoiceStoreTest, DeletingTheHighestFreesItsNumberOthersDoNot) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(saveNew(1).status, SaveStatus::Saved);  // 1001..1003

    load(3);  // 1003, the highest
    ASSERT_TRUE(DeleteInvoice().ok());
    EXPECT_EQ(storedInvoices(), (std::vector<long>{1001, 1002}));
    EXPECT_EQ(store::CurInvoiceRec, 2);  // the last invoice after the pack
    EXPECT_EQ(store::CurCustRec, 1);
    EXPECT_EQ(NextInvoiceNumber(), 1003);
    EXPECT_EQ(store::LastItemRow(), -1);

    load(1);  // 1001, not the highest
    ASSERT_TRUE(DeleteInvoice().ok());
    EXPECT_EQ(NextInvoiceNumber(), 1003);
    for (const StoredLine& l : storedLines()) EXPECT_EQ(l.ivNo, 1002);
    EXPECT_EQ(store::ItmTable->recCount(), 1);
}

TEST_F(InvoiceStoreTest, DeletingANeverSavedInvoiceDeletesNoInvoiceRecord) {
    ASSERT_EQ(saveNew(1).status, SaveStatus::Saved);
    startNew();
    store::InvRec.IvNo = 1002;
    ASSERT_TRUE(DeleteInvoice().ok());
    EXPECT_EQ(storedInvoices(), std::vector<long>{1001});
    EXPECT_EQ(store::CurInvoiceRec, 1);
}

// A refused append puts every record back as it was before the save.
// The six tables an invoice is made of, record by record and in every tag order.
std::string invoiceTables() {
    QStringList all;
    for (const char* name : {"CUST5", "GROUPS", "INV5", "ITM5", "GSTPMT", "Prod5"})
        all << QString::fromLatin1(name) << testing_support::tableSnapshot(name);
    return all.join(QLatin1Char('\n')).toStdString();
}

// Every write a save makes is made to fail in turn (once, then the disk works again), on a new invoice
// and on an edited one that overwrites, appends and deletes lines and changes the note: each failure
// is told with its reason, the tables are exactly as before, and the window keeps the invoice.
TEST_F(InvoiceStoreTest, AFailedWriteAnywhereInASaveLeavesTheTablesAsBefore) {
    ASSERT_EQ(saveNew(2).status, SaveStatus::Saved);
    const long edited = store::InvTable->recNo();
    const auto prepare = [&](bool editing) {
        if (editing) {
            load(edited);
            store::InvRec.Dept = QStringLiteral("changed");
            store::CustRec.note = QStringLiteral("new note");
            setLines({line("INK-1", 7, 12)});
        } else {
            startNew();
            setLines({line("PEN-B", 1, 2.5), line("PEN-B", 2, 2.5), line("INK-1", 3, 12)});
            store::CustRec.note = QStringLiteral("new note");
        }
        setPayments({payment("5/4/26", 5, 0, false)});
    };
    for (const bool editing : {false, true}) {
        for (const int code : {int(xbase::kErrWrite), int(xbase::kErrDiskFull)}) {
            int failures = 0;
            for (int nth = 1;; ++nth) {
                const std::string before = invoiceTables();
                prepare(editing);
                faults->failWrite(nth, code);
                const SaveResult r = SaveInvoice();
                faults->clearFaults();
                if (r.status == SaveStatus::Saved) break;
                ++failures;
                const QString where = QStringLiteral("%1 write %2 code %3").arg(editing ? "edit" : "new").arg(nth).arg(code);
                EXPECT_TRUE(r.restored) << where.toStdString();
                EXPECT_EQ(invoiceTables(), before) << where.toStdString();
                EXPECT_GE(store::LastItemRow(), 0) << where.toStdString();  // the window keeps the invoice
                EXPECT_TRUE(SaveMessage(r).endsWith("Nothing of this invoice was saved.")) << where.toStdString();
                if (code == xbase::kErrDiskFull) {
                    EXPECT_TRUE(SaveMessage(r).contains("The disk is full")) << where.toStdString();
                }
                ASSERT_LT(nth, 200) << "the save never succeeded";
            }
            EXPECT_GE(failures, 4) << "header, line, payment and note each write at least once";
            // Each round's successful save is undone by deleting it, so the next round starts alike.
            if (!editing) {
                load(store::InvTable->recNo());
                ASSERT_TRUE(DeleteInvoice().ok());
            }
        }
    }
    EXPECT_EQ(exits, 0);
}

// Another user holds a lock on the edited invoice's first line: the overwrite is refused after the
// lock wait, the message names the lock, and nothing of the save stays; once the lock is gone the same
// working set saves.
TEST_F(InvoiceStoreTest, ALineLockedByAnotherUserRefusesTheSaveAndKeepsEverything) {
    ASSERT_EQ(saveNew(2).status, SaveStatus::Saved);
    const long edited = store::InvTable->recNo();
    load(edited);
    const std::string before = invoiceTables();
    store::InvRec.Dept = QStringLiteral("changed");
    setLines({line("INK-1", 7, 12), line("INK-1", 8, 12), line("INK-1", 9, 12)});
    {
        const QStringList file = QDir(dataDir()).entryList({"ITM5.DBF"}, QDir::Files);  // the case as written
        ASSERT_EQ(file.size(), 1);
        testing_support::RecordLockHolder otherUser(path(file.first()).toStdString(), 1);
        ASSERT_TRUE(otherUser.ok());
        const SaveResult r = SaveInvoice();
        ASSERT_EQ(r.status, SaveStatus::ItemsFailed);
        EXPECT_TRUE(r.restored);
        EXPECT_TRUE(SaveMessage(r).contains("Another user has the record locked (ITM5.DBF)")) << SaveMessage(r).toStdString();
        EXPECT_EQ(invoiceTables(), before);
        EXPECT_EQ(store::LastItemRow(), 2);
    }
    ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved);
    const std::vector<StoredLine> lines = storedLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].prId, "INK-1");
    EXPECT_EQ(exits, 0);
}

}  // namespace
