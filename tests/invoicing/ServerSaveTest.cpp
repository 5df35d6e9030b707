// Saving invoices on both drivers: one list of steps (new, edited down and up, deleted) stores the
// same invoices and lines in DBF files and on the database server. On the server a save is one
// transaction: a write refused anywhere in it, or a connection lost in the middle, leaves nothing of it.
#include "InvoiceFixture.h"

#include "invoicing/InvoiceCalc.h"
#include "invoicing/InvoiceNumbers.h"
#include "invoicing/InvoiceStore.h"
#include "pg/PgDriver.h"

using namespace invoicing;
using invoice_test::InvoiceTablesTest;

namespace {

class BothDriversSaveTest : public InvoiceTablesTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        onServer = GetParam();
        InvoiceTablesTest::SetUp();
    }
};

TEST_P(BothDriversSaveTest, SavesEditsAndDeletesAlike) {
    struct Step {
        long load;  // the invoice record to edit; 0 for a new invoice, -n to delete record n
        QList<store::ItemRow> lines;
        std::vector<long> invoices;  // INV5 afterwards, deleted ones left out
        QString stored;              // ITM5 afterwards: "<ivno> <product> <qty>" per live record
    };
    const std::vector<Step> steps{
        {0, {line("PEN-B", 1, 2.5), line("PEN-B", 2, 2.5), line("INK-1", 3, 12)}, {1001},
         "1001 PEN-B 1|1001 PEN-B 2|1001 INK-1 3"},
        {0, {line("PEN-B", 4, 2.5)}, {1001, 1002}, "1001 PEN-B 1|1001 PEN-B 2|1001 INK-1 3|1002 PEN-B 4"},
        {1, {line("INK-1", 9, 12)}, {1001, 1002}, "1001 INK-1 9|1002 PEN-B 4"},
        {1, {line("INK-1", 9, 12), line("PEN-B", 5, 2.5)}, {1001, 1002}, "1001 INK-1 9|1002 PEN-B 4|1001 PEN-B 5"},
        {-2, {}, {1001}, "1001 INK-1 9|1001 PEN-B 5"},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        if (s.load < 0) {
            load(-s.load);
            ASSERT_TRUE(DeleteInvoice().ok());
        } else {
            s.load == 0 ? startNew() : load(s.load);
            setLines(s.lines);
            if (NextInvoiceNumber() == 1) dialogs->answerInput(QStringLiteral("1001"));
            ASSERT_EQ(SaveInvoice().status, SaveStatus::Saved) << dialogs->log().join('|').toStdString();
        }
        const std::vector<long> all = storedInvoices();
        std::vector<long> live;
        for (long r = 1; r <= long(all.size()); ++r)
            if (store::InvTable->go(r) == 0 && !store::InvTable->isDeleted()) live.push_back(all[size_t(r - 1)]);
        EXPECT_EQ(live, s.invoices);
        QStringList lines;
        for (const auto& l : storedLines())
            if (!l.deleted) lines << QStringLiteral("%1 %2 %3").arg(l.ivNo).arg(l.prId).arg(l.qty.toFixed(0));
        EXPECT_EQ(lines.join('|'), s.stored);
    }
    EXPECT_EQ(exits, 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, BothDriversSaveTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "Server" : "Dbf"); });

class ServerSaveTest : public InvoiceTablesTest {
protected:
    void SetUp() override {
        onServer = true;
        InvoiceTablesTest::SetUp();
    }
    pg::Connection& server() { return static_cast<pg::PgDriver*>(store::Engine().driver())->connection(); }
    // Every record of the save's tables, read through a connection of its own.
    std::string snapshot() {
        QString error;
        std::unique_ptr<xbase::Context> ctx = store::NewContext(location, &error);
        if (!ctx) return error.toStdString();
        std::string all;
        for (const char* name : {"INV5", "ITM5", "GSTPMT", "CUST5"}) {
            xbase::Table* t = ctx->openTable(name);
            if (!t) return "cannot open " + std::string(name);
            for (int rc = t->top(); rc == 0; rc = t->skip(1)) {
                all += t->isDeleted() ? "*" : " ";
                for (xbase::Field* f : t->fields()) all += "|" + (f->type() == 'M' ? f->memoText() : f->text());
                all += "\n";
            }
        }
        return all;
    }
    void prepare() {
        startNew();
        setLines({line("PEN-B", 1, 2.5), line("INK-1", 3, 12)});
        setPayments({payment("5/4/26", 5, 0, false)});
        store::CustRec.note = QStringLiteral("new note");
        if (NextInvoiceNumber() == 1) dialogs->answerInput(QStringLiteral("1001"));
    }
    void onWrite(const char* table, const char* body) {
        ASSERT_TRUE(server()
                        .exec(std::string("CREATE OR REPLACE FUNCTION test_fault() RETURNS trigger LANGUAGE plpgsql AS "
                                          "$$BEGIN ") + body + " RETURN NEW; END$$; CREATE TRIGGER fault BEFORE INSERT OR "
                                          "UPDATE ON " + table + " FOR EACH ROW EXECUTE FUNCTION test_fault()")
                        .ok());
    }
};

TEST_F(ServerSaveTest, AWriteRefusedAnywhereInTheSaveLeavesNothingOfIt) {
    ASSERT_EQ((prepare(), SaveInvoice().status), SaveStatus::Saved);  // the customer's note is overwritten next
    for (const char* table : {"inv5", "itm5", "gstpmt", "cust5"}) {
        SCOPED_TRACE(table);
        onWrite(table, "RAISE EXCEPTION 'refused';");
        const std::string before = snapshot();
        prepare();
        const SaveResult r = SaveInvoice();
        EXPECT_NE(r.status, SaveStatus::Saved);
        EXPECT_TRUE(r.restored);
        EXPECT_EQ(snapshot(), before);
        EXPECT_GE(store::LastItemRow(), 0);  // the window keeps the invoice
        EXPECT_TRUE(SaveMessage(r).endsWith("Nothing of this invoice was saved.")) << SaveMessage(r).toStdString();
        ASSERT_TRUE(server().exec(std::string("DROP TRIGGER fault ON ") + table).ok());
    }
    ASSERT_EQ((prepare(), SaveInvoice().status), SaveStatus::Saved);
    EXPECT_EQ(exits, 0);
}

TEST_F(ServerSaveTest, AConnectionLostInTheSaveIsToldAndLeavesNothing) {
    onWrite("itm5", "PERFORM pg_terminate_backend(pg_backend_pid());");
    const std::string before = snapshot();
    prepare();
    const SaveResult r = SaveInvoice();
    EXPECT_NE(r.status, SaveStatus::Saved);
    EXPECT_TRUE(SaveMessage(r).contains("connection to the database server was lost")) << SaveMessage(r).toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_GE(store::LastItemRow(), 0);
}

}  // namespace
