#pragma once
// What the invoice tests share: a fresh data directory with the delivered empty tables, the six tables
// of the invoice command open, one customer and two products, the scripted dialog facade, and helpers
// that build a working set and read back what the tables hold.
#include <gtest/gtest.h>

#include <QStringList>

#include <memory>
#include <vector>

#include "base/Format.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/ImportDirs.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "support/PgCluster.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "xbase/FileSystem.h"

using namespace base::literals;

namespace invoice_test {

// A stored line as the tests compare it.
struct StoredLine {
    long recNo;
    long ivNo;
    QString prId;
    base::Decimal qty;
    bool deleted;
};

class InvoiceTablesTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        QString error;
        if (onServer) {
            std::string why;
            location = QString::fromStdString(pgtest::freshDatabase(&why));
            ASSERT_FALSE(location.isEmpty()) << why;
        } else {
            location = dataDir();
        }
        ASSERT_EQ(store::WriteDataDir(location, store::DataDirOptions{}, &error), 0) << error.toStdString();
        faults = std::make_unique<xbase::FaultFileSystem>(xbase::posixFileSystem());
        if (onServer) {
            ASSERT_TRUE(store::EngineInitAt(location, &error)) << error.toStdString();
        } else {
            store::EngineInit(faults.get());
        }
        store::SetProgramExitHook([this] { ++exits; });
        store::SettingsRec = store::DefaultSettings();
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
        store::OpenInvoiceTables();
        addCustomer(7, QStringLiteral("Okafor"));
        addProduct(QStringLiteral("PEN-B"), QStringLiteral("Ballpoint pen"), 2.50_dec);
        addProduct(QStringLiteral("INK-1"), QStringLiteral("Ink bottle"), 12.00_dec);
        store::InvRec = store::InvBuffer{};
        store::ItemRows.clear();
        store::LastItemRow = -1;
        store::PaymentRows.clear();
        store::LastPmtRow = -1;
        store::PackPending = false;
    }
    void TearDown() override {
        dialogs.reset();
        store::EngineEnd();
        store::SetProgramExitHook(nullptr);
        faults.reset();
        DataDirTest::TearDown();
    }

    static void addCustomer(long number, const QString& last, const QString& first = QStringLiteral("Ada"),
                            const QString& zip = QString()) {
        ASSERT_EQ(store::CustTable->appendBlank(), 0);
        store::CustRec = store::CustBuffer{};
        store::CustRec.cuno = number;
        store::CustRec.first = first;
        store::CustRec.last = last;
        store::CustRec.zip = zip;
        store::CustRec.addr2 = QStringLiteral("12 Harbour Street");
        store::CustRec.note = QStringLiteral("old note");
        EXPECT_TRUE(store::StoreCust().ok());
    }
    static void addProduct(const QString& id, const QString& desc, base::Decimal price) {
        ASSERT_EQ(store::ProdTable->appendBlank(), 0);
        store::ProdRec = store::ProdBuffer{};
        store::ProdRec.PrID = id;
        store::ProdRec.PDesc = desc;
        store::ProdRec.UPrice = price;
        store::ProdRec.LTax1 = true;
        EXPECT_TRUE(store::StoreProd().ok());
    }

    // An item row as the invoice window makes it.
    static QStringList line(const QString& id, double qty, double price) {
        return {id, base::FormatNumber("%9.2f", qty), base::FormatNumber("%8.2f", price), "t", "f", "desc " + id, "",
                "", ""};
    }
    static QStringList payment(const QString& date, double amount, double tax, bool included) {
        return {date, base::FormatNumber("%10.2f", amount), base::FormatNumber("%10.2f", tax), included ? "T" : "F"};
    }
    static void setLines(const QList<QStringList>& rows) {
        store::ItemRows = rows;
        store::LastItemRow = int(rows.size()) - 1;
    }
    static void setPayments(const QList<QStringList>& rows) {
        store::PaymentRows = rows;
        store::LastPmtRow = int(rows.size()) - 1;
    }
    // A new invoice for customer 7 in the working set.
    static void startNew() {
        store::CurInvoiceRec = 0;
        store::InvRec = store::InvBuffer{};
        store::InvRec.CuNo = 7;
        store::InvRec.IDate = base::DayFromDate(QDate(2026, 5, 4));
        setLines({});
        setPayments({});
    }
    // Loads the invoice at recNo into the working set, as the invoice window does.
    static void load(long recNo) {
        store::CurInvoiceRec = recNo;
        store::LoadInvoice();
    }

    // Every ITM5 record in record order.
    static std::vector<StoredLine> storedLines() {
        std::vector<StoredLine> lines;
        xbase::Table* t = store::ItmTable;
        for (long r = 1; r <= t->recCount(); ++r) {
            t->go(r);
            store::ItmBuffer b;
            store::ReadRecord(t, &b);
            lines.push_back({r, b.IvNo, b.PrID.trimmed(), b.Qty, t->isDeleted()});
        }
        return lines;
    }
    // The invoice numbers in INV5, record order.
    static std::vector<long> storedInvoices() {
        std::vector<long> numbers;
        xbase::Table* t = store::InvTable;
        for (long r = 1; r <= t->recCount(); ++r) {
            t->go(r);
            numbers.push_back(store::RecordAccess(t).asLong("IVNO"));
        }
        return numbers;
    }

    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    // Set before SetUp by a test that runs on a database server instead of a data directory.
    bool onServer = false;
    QString location;  // the data directory or the server's URI
    std::unique_ptr<xbase::FaultFileSystem> faults;  // every file of the run goes through it
    int exits = 0;
};

}  // namespace invoice_test
