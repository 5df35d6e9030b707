// Group numbering, saving and the move of a deleted group's customers, on the tables themselves.
#include "records/CustomerRules.h"
#include "records/RecordsFixture.h"

using namespace records;
using namespace records_test;

namespace {

class GroupRulesTest : public RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        store::OpenGroups();
        store::OpenCust();
    }
    // Zap needs the table opened exclusively.
    static void emptyGroups() {
        store::CloseAll();
        store::Engine().setAccessMode(1);
        store::OpenGroups();
        if (store::GroupsTable->recCount() > 0) {
            ASSERT_EQ(store::GroupsTable->zap(1, store::GroupsTable->recCount()), 0);
        }
        store::CloseAll();
        store::Engine().setAccessMode(0);
        store::OpenGroups();
    }
};

TEST_F(GroupRulesTest, NextGroupNumberTakesTheLowestGap) {
    struct Case {
        std::vector<int> numbers;
        int deletedIndex;  // -1: none marked deleted
        int expected;
    };
    std::vector<int> full;
    for (int n = 99; n >= 1; --n) full.push_back(n);
    const std::vector<Case> cases = {
        {{}, -1, 1},
        {{1, 2, 3, 5}, -1, 4},
        {{5, 3, 1, 2}, -1, 4},  // record order does not matter
        {{1, 2, 3, 4, 5}, -1, 6},
        {{2, 3}, -1, 1},
        {{1, 2, 2, 3}, -1, 4},
        {{1, 2, 3}, 1, 4},  // a deleted, unpacked group still holds its number
        {{-1, 1, 2}, -1, 3},  // a negative number from foreign data never sends the count back
        {full, -1, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.numbers));
        emptyGroups();
        std::vector<long> recs;
        for (int n : c.numbers) recs.push_back(addGroup(n, QStringLiteral("G%1").arg(n)));
        if (c.deletedIndex >= 0) markDeleted(store::GroupsTable, recs[c.deletedIndex]);
        xbase::Tag* selected = store::GroupsTable->findTag("CGroup");
        store::GroupsTable->selectTag(selected);
        EXPECT_EQ(NextGroupNumber(), c.expected);
        EXPECT_EQ(store::GroupsTable->selectedTag(), selected);
    }
}

TEST_F(GroupRulesTest, SaveGroupNumbersNewGroupsAndRefusesBlankNames) {
    store::CurGroupRec = 0;
    ASSERT_FALSE(BeginGroup());
    EXPECT_EQ(store::CurGroupRec, -1);
    EXPECT_EQ(SaveGroup(QStringLiteral("   ")), GroupSave::BlankName);
    EXPECT_EQ(store::GroupsTable->recCount(), 0);

    EXPECT_EQ(SaveGroup(QStringLiteral(" Retail ")), GroupSave::Saved);
    ASSERT_EQ(store::GroupsTable->recCount(), 1);
    EXPECT_EQ(store::CurGroupRec, 1);
    store::GroupBuffer stored;
    store::GroupsTable->go(1);
    store::ReadRecord(store::GroupsTable, &stored);
    EXPECT_EQ(stored.nGroup, 1);
    EXPECT_EQ(stored.cGroup.trimmed(), QStringLiteral("Retail"));

    // Editing keeps the number.
    ASSERT_TRUE(BeginGroup());
    EXPECT_EQ(SaveGroup(QStringLiteral("Wholesale")), GroupSave::Saved);
    store::GroupsTable->go(1);
    store::ReadRecord(store::GroupsTable, &stored);
    EXPECT_EQ(stored.nGroup, 1);
    EXPECT_EQ(stored.cGroup.trimmed(), QStringLiteral("Wholesale"));
    EXPECT_EQ(store::GroupsTable->recCount(), 1);
}

TEST_F(GroupRulesTest, SavingADeletedGroupRecallsIt) {
    const long rec = addGroup(4, QStringLiteral("Old"));
    markDeleted(store::GroupsTable, rec);
    store::CurGroupRec = rec;
    ASSERT_TRUE(BeginGroup());
    EXPECT_EQ(SaveGroup(QStringLiteral("Old")), GroupSave::Saved);
    EXPECT_FALSE(deletedAt(store::GroupsTable, rec));
}

TEST_F(GroupRulesTest, AHundredthGroupIsRefusedWithNothingStored) {
    for (int n = 1; n <= kMaxGroupNumber; ++n) addGroup(n, QStringLiteral("G%1").arg(n));
    store::CurGroupRec = 0;
    BeginGroup();
    EXPECT_EQ(SaveGroup(QStringLiteral("One too many")), GroupSave::NoNumberLeft);
    EXPECT_EQ(store::GroupsTable->recCount(), kMaxGroupNumber);
    EXPECT_EQ(store::GroupRec.nGroup, 0);
}

TEST_F(GroupRulesTest, AFailedAppendStoresNothingAndALaterSaveSucceeds) {
    store::CurGroupRec = 0;
    BeginGroup();
    writeProtect(true);
    EXPECT_EQ(SaveGroup(QStringLiteral("Retail")), GroupSave::AppendFailed);
    EXPECT_EQ(store::GroupRec.nGroup, 0);
    EXPECT_EQ(store::CurGroupRec, -1);
    writeProtect(false);
    EXPECT_EQ(SaveGroup(QStringLiteral("Retail")), GroupSave::Saved);
    EXPECT_EQ(store::GroupsTable->recCount(), 1);
}

TEST_F(GroupRulesTest, DeletingAGroupMovesItsCustomersToTheChosenGroup) {
    const long two = addGroup(2, QStringLiteral("Two"));
    const long three = addGroup(3, QStringLiteral("Three"));
    addCustomer(1, 2);
    addCustomer(2, 5);
    addCustomer(3, 2, QStringLiteral("Jones"));
    addCustomer(4, 3);

    EXPECT_EQ(DeleteGroupMovingCustomers(two, two), GroupMove::SameGroup);
    EXPECT_EQ(customerGroups(), (std::vector<int>{2, 5, 2, 3}));
    EXPECT_FALSE(deletedAt(store::GroupsTable, two));
    EXPECT_FALSE(store::PackPending);

    EXPECT_EQ(DeleteGroupMovingCustomers(two, three), GroupMove::Moved);
    EXPECT_EQ(customerGroups(), (std::vector<int>{3, 5, 3, 3}));
    EXPECT_TRUE(deletedAt(store::GroupsTable, two));
    EXPECT_FALSE(deletedAt(store::GroupsTable, three));
    EXPECT_EQ(store::CurGroupRec, 0);
    EXPECT_TRUE(store::PackPending);
}

TEST_F(GroupRulesTest, CustomersAreNeverMovedIntoADeletedGroup) {
    const long two = addGroup(2, QStringLiteral("Two"));
    const long three = addGroup(3, QStringLiteral("Three"));
    addCustomer(1, 2);
    markDeleted(store::GroupsTable, three);
    EXPECT_EQ(DeleteGroupMovingCustomers(two, three), GroupMove::DeletedTarget);
    EXPECT_EQ(customerGroups(), std::vector<int>{2});
    EXPECT_FALSE(deletedAt(store::GroupsTable, two));
}

}  // namespace
