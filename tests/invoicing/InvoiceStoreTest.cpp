// Saving, numbering and deleting invoices against real tables: the first-invoice prompt, overwriting,
// appending and deleting line records, the customer's note, and a save that fails part-way.
#include "InvoiceFixture.h"

#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceStore.h"

using namespace invoicing;
using invoice_test::InvoiceTablesTest;
using invoice_test::StoredLine;

namespace {

class InvoiceStoreTest : public InvoiceTablesTest {
protected:
    void TearDown() override {
        SetAppendForTest(nullptr);
        InvoiceTablesTest::TearDown();
    }
    // Saves a new invoice with n lines (the prompt, when shown, answered with first).
    SaveResult saveNew(int lines, const QString& first = QStringLiteral("1001")) {
        startNew();
        QList<QStringList> rows;
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
    EXPECT_EQ(store::LastItemRow, -1);  // the working set is emptied
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
    EXPECT_EQ(store::LastItemRow, 0);  // the window keeps its lines
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
    ASSERT_EQ(store::LastItemRow, 2);
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
    ASSERT_EQ(store::LastItemRow, 2);
    EXPECT_EQ(store::ItemRows[2][1].trimmed(), "3.00");  // in line order
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
    ASSERT_EQ(store::LastPmtRow, 1);
    EXPECT_EQ(store::PaymentRows[0], (QStringList{"5/4/26", "    110.00", "     10.00", "T"}));
    EXPECT_EQ(store::PaymentRows[1][0], "6/1/26");
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
    EXPECT_EQ(store::PaymentRows[0], (QStringList{"04.05.26", "    110,00", "     10,00", "T"}));
    EXPECT_EQ(store::ItemRows[0][1], "     1,50");
    EXPECT_EQ(store::PmtTable->recCount(), 1);
    store::PmtTable->go(1);
    EXPECT_EQ(store::RecordAccess(store::PmtTable).date("PDATE"), base::DayFromDate(QDate(2026, 5, 4)));
}

TEST_F(InvoiceStoreTest, DeletingTheHighestFreesItsNumberOthersDoNot) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(saveNew(1).status, SaveStatus::Saved);  // 1001..1003

    load(3);  // 1003, the highest
    DeleteInvoice();
    EXPECT_EQ(storedInvoices(), (std::vector<long>{1001, 1002}));
    EXPECT_EQ(store::CurInvoiceRec, 2);  // the last invoice after the pack
    EXPECT_EQ(store::CurCustRec, 1);
    EXPECT_EQ(NextInvoiceNumber(), 1003);
    EXPECT_EQ(store::LastItemRow, -1);

    load(1);  // 1001, not the highest
    DeleteInvoice();
    EXPECT_EQ(NextInvoiceNumber(), 1003);
    for (const StoredLine& l : storedLines()) EXPECT_EQ(l.ivNo, 1002);
    EXPECT_EQ(store::ItmTable->recCount(), 1);
}

TEST_F(InvoiceStoreTest, DeletingANeverSavedInvoiceDeletesNoInvoiceRecord) {
    ASSERT_EQ(saveNew(1).status, SaveStatus::Saved);
    startNew();
    store::InvRec.IvNo = 1002;
    DeleteInvoice();
    EXPECT_EQ(storedInvoices(), std::vector<long>{1001});
    EXPECT_EQ(store::CurInvoiceRec, 1);
}

// A refused append puts every record back as it was before the save.
TEST_F(InvoiceStoreTest, FailedAppendLeavesTheTablesAsBefore) {
    struct Case {
        const char* name;
        store::TableKey failOn;
        int failAt;  // the nth append into that table fails
        SaveStatus status;
    };
    const Case cases[] = {
        {"header", store::TableKey::Inv, 1, SaveStatus::InvoiceFailed},
        {"third line", store::TableKey::Itm, 3, SaveStatus::ItemsFailed},
        {"payment", store::TableKey::Pmt, 1, SaveStatus::PaymentsFailed},
    };
    for (const Case& c : cases) {
        SetAppendForTest(nullptr);
        ASSERT_EQ(saveNew(1).status == SaveStatus::Saved || c.failOn != store::TableKey::Inv, true);
        const std::vector<long> invoicesBefore = storedInvoices();
        const size_t linesBefore = storedLines().size();

        int appends = 0;
        SetAppendForTest([&](xbase::Table* t, store::TableKey key) {
            if (key == c.failOn && ++appends == c.failAt) return int(xbase::kErrDiskFull);
            return t->appendBlank();
        });
        startNew();
        setLines({line("PEN-B", 1, 2.5), line("PEN-B", 2, 2.5), line("INK-1", 3, 12)});
        setPayments({payment("5/4/26", 5, 0, false)});
        const SaveResult r = SaveInvoice();
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_TRUE(r.restored) << c.name;
        EXPECT_EQ(storedInvoices(), invoicesBefore) << c.name;
        EXPECT_EQ(storedLines().size(), linesBefore) << c.name;
        EXPECT_EQ(store::PmtTable->recCount(), 0) << c.name;
        EXPECT_EQ(store::LastItemRow, 2) << c.name;  // the window keeps the invoice to try again
        EXPECT_TRUE(SaveMessage(r).endsWith("Nothing of this invoice was saved.")) << c.name;
    }
}

TEST_F(InvoiceStoreTest, FailedAppendWhileEditingRestoresOverwrittenAndDeletedLines) {
    ASSERT_EQ(saveNew(2).status, SaveStatus::Saved);
    ASSERT_EQ(saveNew(1).status, SaveStatus::Saved);
    load(1);
    store::InvRec.Dept = QStringLiteral("changed");
    setLines({line("INK-1", 7, 12), line("INK-1", 8, 12), line("INK-1", 9, 12)});
    SetAppendForTest([](xbase::Table*, store::TableKey) { return int(xbase::kErrWrite); });
    const SaveResult r = SaveInvoice();
    ASSERT_EQ(r.status, SaveStatus::ItemsFailed);
    EXPECT_TRUE(r.restored);
    const std::vector<StoredLine> lines = storedLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].prId, "PEN-B");
    EXPECT_EQ(lines[1].qty, 2);
    EXPECT_FALSE(lines[0].deleted);
    load(1);
    EXPECT_EQ(store::InvRec.Dept.trimmed(), "");
}

}  // namespace
