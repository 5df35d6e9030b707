// Loading one invoice out of a large data set reads records in proportion to its lines and payments,
// never the tables. The data set (200,000 invoices) takes a while to write under the sanitizers, so it
// is kept in the build tree and written again only when the catalogue changes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>


#include "base/Format.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

using namespace base::literals;

using namespace store;

namespace {

constexpr long kInvoices = 200000;
constexpr long kBigInvoice = 1001 + kInvoices;  // the number after the last generated invoice
constexpr int kLines = 50;
constexpr int kPayments = 3;

// Describes what the data set was made from: a set written under another catalogue is written again.
QByteArray dataSetStamp() {
    QByteArray stamp = "invoices=" + QByteArray::number(qlonglong(kInvoices)) + " lines=" + QByteArray::number(kLines) + "\n";
    for (const TableEntry& desc : Catalogue()) {
        stamp += desc.name;
        for (const FieldEntry& f : desc.fields)
            stamp += QByteArray(" ") + f.name + f.type + QByteArray::number(f.len) + "." + QByteArray::number(f.dec);
        for (const TagEntry& t : desc.tags) stamp += QByteArray(" ") + t.name + "=" + t.expression;
        stamp += "\n";
    }
    return stamp;
}

class LoadInvoiceCostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString root = QStringLiteral(CORVANE_BINARY_DIR "/test-cache");
        s_dir = root + QStringLiteral("/invoices-%1").arg(kInvoices);
        QFile ready(s_dir + QStringLiteral("/READY"));
        if (ready.open(QIODevice::ReadOnly) && ready.readAll() == dataSetStamp()) return;
        ASSERT_TRUE(QDir().mkpath(root));
        QTemporaryDir building(root + QStringLiteral("/building-XXXXXX"));
        ASSERT_TRUE(building.isValid());
        DataDirOptions options;
        options.demo = true;
        options.customers = 2000;
        options.invoices = kInvoices;
        options.asOf = base::DayFromDate(QDate(2026, 6, 30));
        QString error;
        ASSERT_EQ(WriteDataDir(building.path(), options, &error), 0) << error.toStdString();
        EngineInit(nullptr, building.path().toStdString());
        addBigInvoice();
        EngineEnd();
        QFile stamp(building.path() + QStringLiteral("/READY"));
        ASSERT_TRUE(stamp.open(QIODevice::WriteOnly));
        stamp.write(dataSetStamp());
        stamp.close();
        // Another run may have finished first; either copy is complete.
        QDir(s_dir).removeRecursively();
        if (QDir().rename(building.path(), s_dir)) building.setAutoRemove(false);
    }

    void SetUp() override {
        ASSERT_TRUE(QFile::exists(s_dir + QStringLiteral("/READY")));
        EngineInit(nullptr, s_dir.toStdString());
        OpenCust();
        OpenInv();
        OpenItm();
        OpenPmt();
        OpenProd();
    }
    void TearDown() override { EngineEnd(); }

    // Positions INV5 on an invoice by number and returns its record number.
    static long invoiceRecord(long ivNo) {
        EXPECT_EQ(InvTable->seek(ToTableText(base::PadNumber(ivNo, 6))), 0);
        return InvTable->recNo();
    }

    static void addBigInvoice() {
        OpenInv();
        OpenItm();
        OpenPmt();
        ASSERT_EQ(InvTable->appendBlank(), 0);
        InvRec = InvBuffer{};
        InvRec.IvNo = kBigInvoice;
        InvRec.CuNo = 17;
        InvRec.IDate = base::DayFromDate(QDate(2026, 6, 30));
        EXPECT_TRUE(StoreInv().ok());
        const char* codes[] = {"PAPER-A4", "LABOUR", "TONER-L1", "NO-SUCH"};
        for (int i = 0; i < kLines; ++i) {
            ASSERT_EQ(ItmTable->appendBlank(), 0);
            ItmRec = ItmBuffer{};
            ItmRec.IvNo = kBigInvoice;
            ItmRec.PrID = QLatin1String(codes[i % 4]);
            ItmRec.Qty = 1 + i;
            ItmRec.UPR = 2.5_dec;
            EXPECT_TRUE(StoreItm().ok());
        }
        for (int i = 0; i < kPayments; ++i) {
            ASSERT_EQ(PmtTable->appendBlank(), 0);
            PmtRec = PmtBuffer{kBigInvoice, InvRec.IDate, 10.0_dec * (i + 1), 0, false};
            EXPECT_TRUE(StorePmt().ok());
        }
        CloseAll();
    }

    static QString s_dir;
};

QString LoadInvoiceCostTest::s_dir;

TEST_F(LoadInvoiceCostTest, ReadsInProportionToLinesAndPayments) {
    ASSERT_GT(ItmTable->recCount(), 2 * kInvoices);  // the line table is large
    CurInvoiceRec = invoiceRecord(kBigInvoice);
    Engine().counters().reset();

    LoadInvoice();

    const xbase::IoCounters cost = Engine().counters();
    RecordProperty("recordsRead", static_cast<int>(cost.recordsRead));
    RecordProperty("indexPagesRead", static_cast<int>(cost.indexPagesRead));
    EXPECT_EQ(LastItemRow, kLines - 1);
    EXPECT_EQ(LastPmtRow, kPayments - 1);
    EXPECT_EQ(CustRec.cuno, 17);
    EXPECT_EQ(ItemRows[3][7], QString());      // NO-SUCH is not a product
    EXPECT_FALSE(ItemRows[0][7].isEmpty());    // PAPER-A4 is
    // The invoice, each line and its product, each payment, the record after each run, the customer.
    const uint64_t records = 1 + 2 * kLines + kPayments + 2 + 1;
    EXPECT_LE(cost.recordsRead, records + 10) << "records read: " << cost.recordsRead;
    // A few index pages per seek, not a walk of the line index.
    EXPECT_LE(cost.indexPagesRead, uint64_t(12 * (kLines + kPayments + 4))) << "pages read: " << cost.indexPagesRead;

    // A generated invoice of a few lines reads a few records.
    CurInvoiceRec = invoiceRecord(1001 + kInvoices / 2);
    Engine().counters().reset();

    LoadInvoice();

    EXPECT_GE(LastItemRow, 0);
    EXPECT_LE(Engine().counters().recordsRead, uint64_t(2 * (LastItemRow + 1) + (LastPmtRow + 1) + 8));
}

}  // namespace
