// The e-invoice party table: made where the data has none, one record per party however often it is
// saved, and the buyers dropped with their customers while the seller stays.
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>

#include "base/Format.h"
#include "store/DataDir.h"
#include "store/Parties.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "support/TestSupport.h"

using namespace store;

namespace {

class PartiesTest : public testing_support::DataDirTest {
protected:
    void TearDown() override {
        EngineEnd();
        DataDirTest::TearDown();
    }
};

TEST_F(PartiesTest, MissingTableIsMadeEmptyAndBuyersGoWhileTheSellerStays) {
    DataDirOptions o;
    o.demo = true;
    o.customers = 6;
    o.invoices = 10;
    o.asOf = base::DayFromDate(QDate(2026, 6, 30));
    ASSERT_EQ(WriteDataDir(dataDir(), o), 0);
    EngineInit();

    // Saved twice, stored once; read back trimmed.
    PartyBuffer buyer;
    ASSERT_TRUE(ReadPartyRecord(3, &buyer));
    EXPECT_EQ(buyer.Country, QStringLiteral("AU"));
    buyer.TaxId = QStringLiteral("AU12345678901");
    ASSERT_TRUE(StorePartyRecord(buyer).ok());
    buyer.BuyerRef = QStringLiteral("PO 77");
    ASSERT_TRUE(StorePartyRecord(buyer).ok());
    ASSERT_TRUE(OpenByKey(TableKey::Party));
    EXPECT_EQ(PartyTable->recCount(), 7) << "the seller and six buyers";
    CloseAll();
    PartyBuffer back;
    ASSERT_TRUE(ReadPartyRecord(3, &back));
    EXPECT_EQ(back, buyer);

    PackPending = false;
    ASSERT_EQ(DropBuyerParties(), 0);
    EXPECT_TRUE(PackPending);
    ASSERT_TRUE(ReadPartyRecord(kSellerParty, &back));
    EXPECT_EQ(back.TaxId, QStringLiteral("AU51824753556"));
    for (long n = 1; n <= 6; ++n) {
        ASSERT_TRUE(ReadPartyRecord(n, &back));
        EXPECT_TRUE(back.Country.isEmpty()) << n;
    }

    // Data from before the table: made empty, and the nine data tables are all that start-up asks for.
    EngineEnd();
    for (const char* file : {"EParty.dbf", "EParty.cgp", "EParty.ntx"}) ASSERT_TRUE(QFile::remove(path(QLatin1String(file))));
    EXPECT_TRUE(DataFilesPresent());
    EngineInit();
    ASSERT_EQ(EnsurePartyTable(), 0);
    ASSERT_TRUE(OpenByKey(TableKey::Party));
    EXPECT_EQ(PartyTable->recCount(), 0);
}

}  // namespace
