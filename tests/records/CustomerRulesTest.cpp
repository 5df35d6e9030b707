// Customer numbering, saving, undeleting and the group shown, on the tables themselves.
#include "records/CustomerRules.h"
#include "records/RecordsFixture.h"

using namespace records;
using namespace records_test;

namespace {

class CustomerRulesTest : public RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        store::OpenCust();
        store::OpenGroups();
    }
    // A new customer of group 1 through the rules, as the window saves it.
    static CustomerSave saveNew(const QString& last) {
        store::CurCustRec = 0;
        BeginCustomer();
        store::CustRec.last = last;
        store::CustRec.ngroup = 1;
        return SaveCustomer().verdict;
    }
    static store::CustBuffer stored(long recno) {
        store::CustBuffer c;
        store::CustTable->go(recno);
        store::ReadRecord(store::CustTable, &c);
        return c;
    }
};

TEST_F(CustomerRulesTest, NewCustomersTakeTheFirstFreeNumber) {
    struct Case {
        std::vector<long> existing;
        long expected;
    };
    const std::vector<Case> cases = {{{}, 1}, {{1, 2, 3, 5}, 4}, {{1, 2, 3, 4, 5}, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.existing));
        TearDown();
        SetUp();
        for (long n : c.existing) addCustomer(n, 1);
        ASSERT_EQ(saveNew(QStringLiteral("New")), CustomerSave::Saved);
        EXPECT_EQ(store::CurCustRec, static_cast<long>(c.existing.size()) + 1);
        EXPECT_EQ(stored(store::CurCustRec).cuno, c.expected);
    }
}

TEST_F(CustomerRulesTest, SavingKeepsTheNumberAndUndeletes) {
    addCustomer(1, 1);
    const long rec = addCustomer(7, 1, QStringLiteral("Jones"));
    markDeleted(store::CustTable, rec);
    store::CurCustRec = rec;
    ASSERT_TRUE(BeginCustomer());
    store::CustRec.first = QStringLiteral("  Ann ");
    ASSERT_EQ(SaveCustomer(), CustomerSave::Saved);
    EXPECT_EQ(store::CurCustRec, rec);
    EXPECT_EQ(stored(rec).cuno, 7);
    EXPECT_EQ(stored(rec).first, QStringLiteral("  Ann ").leftJustified(13));  // as typed, padded to the width
    EXPECT_FALSE(deletedAt(store::CustTable, rec));
    EXPECT_EQ(store::CustTable->recCount(), 2);
}

TEST_F(CustomerRulesTest, AStoredCustomerWithoutNumberIsNumberedInPlace) {
    addCustomer(1, 1);
    const long rec = addCustomer(0, 1, QStringLiteral("Imported"));
    store::CurCustRec = rec;
    ASSERT_TRUE(BeginCustomer());
    ASSERT_EQ(SaveCustomer(), CustomerSave::Saved);
    EXPECT_EQ(store::CustTable->recCount(), 2);
    EXPECT_EQ(stored(rec).cuno, 2);
}

TEST_F(CustomerRulesTest, AFailedAppendLeavesTheNumberZero) {
    writeProtect(true);
    EXPECT_EQ(saveNew(QStringLiteral("Smith")), CustomerSave::AppendFailed);
    EXPECT_EQ(store::CustRec.cuno, 0);
    writeProtect(false);
    EXPECT_EQ(SaveCustomer(), CustomerSave::Saved);
    EXPECT_EQ(stored(1).cuno, 1);
}

TEST_F(CustomerRulesTest, AMissingGroupShowsNothingAndIsForgotten) {
    addGroup(3, QStringLiteral("Retail"));
    store::CustRec = store::CustBuffer{};
    store::CustRec.ngroup = 3;
    EXPECT_EQ(CustomerGroupName().trimmed(), QStringLiteral("Retail"));
    EXPECT_EQ(store::CustRec.ngroup, 3);
    store::CustRec.ngroup = 4;
    EXPECT_EQ(CustomerGroupName(), QString());
    EXPECT_EQ(store::CustRec.ngroup, 0);
}

}  // namespace
