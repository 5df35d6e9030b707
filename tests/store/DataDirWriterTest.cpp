// The data-directory writer: the delivered empty tables, the demo business and its consistency,
// determinism, scaling and the limits of the numbered keys.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cmath>
#include <map>

#include "base/Format.h"
#include "store/Customers.h"
#include "store/DataDir.h"
#include "store/DataFiles.h"
#include "store/DemoData.h"
#include "store/EngineContext.h"
#include "store/ImportDirs.h"
#include "store/InvoiceLoad.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "support/TestSupport.h"

using namespace store;

namespace {

// A function, not a constant: the date helpers must not be used during static initialisation.
double asOf() { return base::DayFromDate(QDate(2026, 6, 30)); }

class DataDirWriterTest : public testing_support::DataDirTest {
protected:
    void TearDown() override {
        EngineEnd();
        DataDirTest::TearDown();
    }

    void writeDemo(long customers = 50, long invoices = 300, uint64_t seed = 1, const QString& dir = {}) {
        DataDirOptions o;
        o.demo = true;
        o.customers = customers;
        o.invoices = invoices;
        o.seed = seed;
        o.asOf = asOf();
        QString error;
        ASSERT_EQ(WriteDataDir(dir.isEmpty() ? dataDir() : dir, o, &error), 0) << error.toStdString();
    }

    static std::map<TableKey, long> recordCounts() {
        std::map<TableKey, long> counts;
        for (const TableEntry& desc : Catalogue()) {
            if (desc.key == TableKey::ImpDirs) continue;
            OpenByKey(desc.key);
            counts[desc.key] = TableHandle(desc.key)->recCount();
        }
        CloseAll();
        return counts;
    }

    QByteArray fileBytes(const QString& dir, const char* name) const {
        QFile f(QDir(dir).filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        return f.readAll();
    }
};

TEST_F(DataDirWriterTest, EmptyDirectoryHasEveryFileAndOneSettingsRecord) {
    ASSERT_EQ(WriteDataDir(dataDir(), DataDirOptions{}), 0);
    EXPECT_TRUE(DataFilesPresent());
    for (const TableEntry& desc : Catalogue()) {
        for (const TagEntry& tag : desc.tags) EXPECT_TRUE(QFile::exists(path(QLatin1String(tag.file)))) << tag.file;
        if (desc.hasIndex()) {
            EXPECT_TRUE(QFile::exists(path(QString::fromStdString(desc.groupFile()))));
        }
        if (desc.memoFile) {
            EXPECT_TRUE(QFile::exists(path(QLatin1String(desc.memoFile)))) << desc.memoFile;
        }
    }
    EngineInit();
    const std::map<TableKey, long> counts = recordCounts();
    for (const auto& [key, count] : counts) EXPECT_EQ(count, key == TableKey::Settings ? 1 : 0) << Table(key).name;
    InfoDir = OrderDir = QStringLiteral("x");
    LoadImportDirs();
    EXPECT_EQ(InfoDir, QString());
    EXPECT_TRUE(DataDirExists(dataDir()));
}

TEST_F(DataDirWriterTest, DemoBusinessAddsUp) {
    writeDemo();
    EngineInit();
    const std::map<TableKey, long> counts = recordCounts();
    EXPECT_EQ(counts.at(TableKey::Cust), 50);
    EXPECT_EQ(counts.at(TableKey::Groups), 4);
    EXPECT_EQ(counts.at(TableKey::Inv), 300);
    EXPECT_EQ(counts.at(TableKey::Prod), 40);
    EXPECT_EQ(counts.at(TableKey::Labels), 2);
    EXPECT_GT(counts.at(TableKey::Pur), 0);
    EXPECT_GT(counts.at(TableKey::Itm), 300);

    ReadSettings();
    EXPECT_FALSE(SettingsRec.Company.trimmed().isEmpty());
    OpenCust();
    OpenGroups();
    OpenInv();
    OpenItm();
    OpenPmt();
    OpenProd();
    InvTable->selectTag(nullptr);
    int owing = 0;
    for (long rec = 1; rec <= InvTable->recCount(); ++rec) {
        CurInvoiceRec = rec;
        CustRec = CustBuffer{};
        LoadInvoice();
        ASSERT_GE(LastItemRow, 0) << "invoice " << InvRec.IvNo;
        EXPECT_EQ(AddressBlock.size(), 5) << "customer " << InvRec.CuNo << " missing";
        EXPECT_GE(InvRec.IDate, asOf() - 364);
        EXPECT_LE(InvRec.IDate, asOf());
        // In whole cents, from the stored texts: every amount of the demo is exact.
        long long cents = std::llround(InvRec.Ship.toDouble() * 100) + std::llround(InvRec.Tax.toDouble() * 100);
        for (const QStringList& row : ItemRows) {
            const long long product = std::llround(row[1].toDouble() * 100) * std::llround(row[2].toDouble() * 100);
            cents += (product + 50) / 100;  // no credit lines in the demo: halves round up
        }
        for (const QStringList& row : PaymentRows) cents -= std::llround(row[1].toDouble() * 100);
        EXPECT_EQ(std::llround(InvRec.Due.toDouble() * 100), cents) << "invoice " << InvRec.IvNo;
        if (InvRec.Due > 0) ++owing;
        FindCustomerGroup();
        EXPECT_GE(GroupRec.nGroup, 1);
    }
    EXPECT_GT(owing, 5);
    EXPECT_LT(owing, 150);
}

TEST_F(DataDirWriterTest, StockOnHandIsPurchasesLessSales) {
    writeDemo();
    EngineInit();
    OpenProd();
    OpenPur();
    OpenItm();
    std::map<QString, base::Decimal> sold;
    for (int rc = ItmTable->top(); rc == 0; rc = ItmTable->skip(1)) {
        LoadItm();
        sold[ItmRec.PrID.trimmed()] += ItmRec.Qty;
    }
    int stocked = 0;
    for (int rc = ProdTable->top(); rc == 0; rc = ProdTable->skip(1)) {
        LoadProd();
        const QString code = ProdRec.PrID.trimmed();
        base::Decimal bought;
        for (int p = PurTable->seek(ToTableText(ProdRec.PrID)); p == 0; p = PurTable->skip(1)) {
            LoadPur();
            if (PurRec.PURProd.trimmed() != code) break;
            bought += PurRec.PURQty;
        }
        if (!ProdRec.lInven) {
            EXPECT_EQ(bought, 0) << code.toStdString();
            continue;
        }
        ++stocked;
        EXPECT_GT(bought, 0) << code.toStdString();
        EXPECT_EQ(ProdRec.ONHAND, bought - sold[code]) << code.toStdString();
    }
    EXPECT_GE(stocked, 10);
}

TEST_F(DataDirWriterTest, SameSeedSameFilesOtherSeedOtherFiles) {
    const QString second = path(QStringLiteral("second"));
    const QString third = path(QStringLiteral("third"));
    ASSERT_TRUE(QDir().mkpath(second));
    ASSERT_TRUE(QDir().mkpath(third));
    writeDemo(50, 300, 7);
    writeDemo(50, 300, 7, second);
    writeDemo(50, 300, 8, third);
    for (const char* file : {"CUST5.dbf", "CUST5.dbt", "INV5.dbf", "ITM5.dbf", "GSTPMT.dbf", "Prod5.dbf", "Pur5.dbf"})
        EXPECT_EQ(fileBytes(dataDir(), file), fileBytes(second, file)) << file;
    EXPECT_NE(fileBytes(dataDir(), "CUST5.dbf"), fileBytes(third, "CUST5.dbf"));
}

TEST_F(DataDirWriterTest, ScalesCustomersInvoicesAndProducts) {
    writeDemo(120, 900);
    EngineInit();
    const std::map<TableKey, long> counts = recordCounts();
    EXPECT_EQ(counts.at(TableKey::Cust), 120);
    EXPECT_EQ(counts.at(TableKey::Inv), 900);
    EXPECT_EQ(counts.at(TableKey::Prod), DemoProductCount(900));
    EXPECT_EQ(DemoProductCount(900), 120);
    // The last invoice and customer numbers are found through their tags.
    OpenInv();
    EXPECT_EQ(InvTable->seek(ToTableText(base::PadNumber(1900, 6))), 0);
    OpenCust();
    CustTable->selectTag(CustTable->findTag("CCNO"));
    EXPECT_EQ(CustTable->seek(ToTableText(base::PadNumber(120, 6))), 0);
    EXPECT_EQ(NextCustomerNumber(), 121);
}

TEST_F(DataDirWriterTest, RefusesCountsTheKeysCannotHoldAndRemovesOnlyItsFiles) {
    DataDirOptions o;
    o.demo = true;
    o.customers = 1000000;
    QString error;
    EXPECT_LT(WriteDataDir(dataDir(), o, &error), 0);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(DataDirExists(dataDir()));

    ASSERT_EQ(WriteDataDir(dataDir(), DataDirOptions{}), 0);
    QFile other(path(QStringLiteral("notes.txt")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    ASSERT_TRUE(QFile::rename(path(QStringLiteral("CUST5.dbf")), path(QStringLiteral("cust5.DBF"))));
    ASSERT_TRUE(RemoveDataFiles(dataDir(), &error));
    EXPECT_FALSE(DataDirExists(dataDir()));
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});
}

}  // namespace
