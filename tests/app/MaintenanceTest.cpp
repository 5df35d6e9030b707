// Packing and erasing the data files.
#include "AppFixture.h"
#include "store/Customers.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "support/TableSnapshot.h"

namespace app_test {
namespace {

using testing_support::tableCount;
using testing_support::tableRecords;

const std::vector<std::string> kAllTables = {"CUST5", "GROUPS", "INV5", "ITM5", "LABELS",
                                             "GSTPMT", "Pur5", "Prod5", "CRV1", "Impdirs"};

class MaintenanceTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    }
    std::map<std::string, QStringList> snapshot() const {
        std::map<std::string, QStringList> all;
        for (const std::string& table : kAllTables) all[table] = tableRecords(table);
        return all;
    }
};

TEST_F(MaintenanceTest, PackWithNothingDeletedChangesNoRecord) {
    const auto before = snapshot();
    ASSERT_GT(before.at("CUST5").size(), 0);
    store::PackPending = true;
    RecordingSink sink;
    store::PackAll();
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(store::PackPending);
    EXPECT_EQ(sink.calls, (QStringList{"S:Packing Data Files", "P:10", "P:30", "P:35", "P:50", "P:70", "P:75",
                                       "P:85", "P:100", "P:100", "S:"}));
    EXPECT_EQ(store::Engine().accessMode(), 0);
}

TEST_F(MaintenanceTest, PackRemovesDeletedRecordsAndKeepsIndexesCurrent) {
    ASSERT_TRUE(store::OpenCust());
    const long count = store::CustTable->recCount();
    store::CustTable->go(2);
    store::LoadCust();
    const long deletedNumber = store::CustRec.cuno;
    store::CustTable->markDeleted();
    store::CloseAll();

    ASSERT_TRUE(store::PackTable(store::TableKey::Cust, false).ok());
    EXPECT_EQ(tableCount("CUST5"), count - 1);
    ASSERT_TRUE(store::OpenCust());
    xbase::Tag* byNumber = store::CustTable->findTag("CCNO");
    ASSERT_NE(byNumber, nullptr);
    store::CustTable->selectTag(byNumber);
    EXPECT_NE(store::CustTable->seek(QStringLiteral("%1").arg(deletedNumber, 6).toStdString()), 0);
    store::CloseAll();
}

// A table another user holds open cannot be packed or reindexed: the user is told which and why, the
// other tables are still done, and what could not be packed stays pending.
TEST_F(MaintenanceTest, PackAndReindexTellATableTheyCannotDoAndGoOnWithTheOthers) {
    ASSERT_TRUE(store::OpenCust());
    const long customers = store::CustTable->recCount();
    store::CustTable->go(2);
    store::CustTable->markDeleted();
    store::CloseAll();

    xbase::Context otherUser;
    ASSERT_NE(otherUser.openTable("GROUPS"), nullptr);
    store::PackPending = true;
    EXPECT_FALSE(store::PackAll());
    EXPECT_EQ(tableCount("CUST5"), customers - 1) << "the customers were packed all the same";
    EXPECT_TRUE(store::PackPending);
    EXPECT_FALSE(store::RebuildIndexes(false));
    EXPECT_EQ(dialogs->messages(),
              (QStringList{"GROUPS.DBF could not be packed: another user has the file open (GROUPS.DBF).",
                           "The indexes of GROUPS.DBF could not be rebuilt: another user has the file open (GROUPS.DBF)."}));
    otherUser.closeAll();

    // Once the table is free again both go through, and a pack at exit is no longer held back by the
    // failures told before.
    EXPECT_TRUE(store::RebuildIndexes(false));
    app::CloseDown();
    EXPECT_FALSE(store::PackPending);
    EXPECT_EQ(programExits, 0);
}

TEST_F(MaintenanceTest, EraseEmptiesTheDataAndKeepsLabelsAndSettings) {
    const auto before = snapshot();
    ASSERT_GT(before.at("LABELS").size(), 0);
    dialogs->answer(base::Answer::Ok);
    RecordingSink sink;
    store::EraseAll();

    EXPECT_EQ(dialogs->log().value(0),
              QStringLiteral("Warning OkCancel/Cancel: WARNING: You are about to erase all of your existing data."));
    for (const char* table : {"CUST5", "GROUPS", "INV5", "ITM5", "GSTPMT", "Prod5", "Pur5"})
        EXPECT_EQ(tableCount(table), 0) << table;
    EXPECT_EQ(tableRecords("LABELS"), before.at("LABELS"));
    EXPECT_EQ(tableRecords("CRV1"), before.at("CRV1"));
    EXPECT_EQ(tableRecords("Impdirs"), before.at("Impdirs"));
    EXPECT_EQ(sink.progress(), (QList<int>{5, 15, 30, 40, 50, 60, 70, 85, 90, 95, 100}));
    EXPECT_EQ(sink.calls.first(), QStringLiteral("S:Erasing Data Files"));
    EXPECT_EQ(sink.calls.last(), QStringLiteral("S:"));

    ASSERT_TRUE(store::OpenCust());
    EXPECT_EQ(store::NextCustomerNumber(), 1);
    store::CloseAll();
    // The memo files were compacted down to their header.
    EXPECT_LE(QFileInfo(path(QStringLiteral("CUST5.dbt"))).size(), 1024);
    EXPECT_EQ(store::Engine().accessMode(), 0);
}

TEST_F(MaintenanceTest, EraseCancelledChangesNothing) {
    const auto before = snapshot();
    dialogs->answer(base::Answer::Cancel);
    RecordingSink sink;
    store::EraseAll();
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(sink.calls.isEmpty());
}

}  // namespace
}  // namespace app_test
