// The customer and group windows on their own: what a showing puts on the screen, the entry limits and
// tab order, and the saves that go beyond the rules' own tests.
#include <QApplication>
#include <QTest>

#include "records/CustomerRules.h"
#include "records/CustomerU.h"
#include "records/GroupDefU.h"
#include "records/RecordsFixture.h"

using namespace records;
using namespace records_test;

namespace {

class CustomerWindowTest : public WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        store::OpenCust();
        store::OpenGroups();
    }
    template <class W>
    void show(std::function<void(W&)> script) {
        dialogs->onModal<W>(std::move(script));
        base::dialogs().showModal(form<W>());
    }
};

TEST_F(CustomerWindowTest, LabelsFollowTheDisplayMode) {
    struct Case {
        bool byCust;
        const char* addr1Label;
        bool addr2LabelShown;
    };
    for (const Case& c : {Case{true, "Address", false}, Case{false, "Company", true}}) {
        store::SettingsRec.ByCust = c.byCust;
        store::CurCustRec = 0;
        show<TCustomer>([&c](TCustomer& w) {
            EXPECT_EQ(w.Label3->text(), QString::fromLatin1(c.addr1Label));
            EXPECT_EQ(w.Label4->isVisible(), c.addr2LabelShown);
            EXPECT_EQ(QApplication::focusWidget(), w.Edit2);
        });
        EXPECT_EQ(store::CurCustRec, -1);  // a new customer cancelled
    }
}

TEST_F(CustomerWindowTest, ShowsTheStoredCustomerTrimmedWithItsGroup) {
    addGroup(3, QStringLiteral("Retail"));
    ASSERT_EQ(store::CustTable->appendBlank(), 0);
    store::CustRec = store::CustBuffer{};
    store::CustRec.cuno = 42;
    store::CustRec.first = QStringLiteral("  Ann");
    store::CustRec.addr4 = QStringLiteral("A town line of 25 chars..");
    store::CustRec.comments = QStringLiteral("  first line\nsecond   ");
    store::CustRec.ngroup = 3;
    EXPECT_TRUE(store::StoreCust().ok());
    store::CurCustRec = 1;
    show<TCustomer>([](TCustomer& w) {
        EXPECT_EQ(w.Edit1->text(), QStringLiteral("    42"));
        EXPECT_EQ(w.Edit3->text(), QStringLiteral("Ann"));
        EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("  first line\nsecond"));
        EXPECT_EQ(w.Edit14->text(), QStringLiteral("Retail"));
        EXPECT_TRUE(w.BtnDelete->isEnabled());
        // Stored data longer than the entry limit is shown whole and saved back whole.
        EXPECT_EQ(w.Edit8->text(), QStringLiteral("A town line of 25 chars.."));
        w.BtnSaveClick();
    });
    store::CustBuffer stored;
    store::CustTable->go(1);
    store::ReadRecord(store::CustTable, &stored);
    EXPECT_EQ(stored.addr4.trimmed(), QStringLiteral("A town line of 25 chars.."));
    EXPECT_EQ(stored.cuno, 42);
}

TEST_F(CustomerWindowTest, DeletingACustomerWithInvoicesAsksNamingHowMany) {
    addGroup(1, QStringLiteral("Retail"));
    ASSERT_TRUE(store::OpenInv());
    // Invoices of customers 7 (two, and a third marked deleted), 8 (one) and 12 (after 7's in key order).
    for (long cuno : {7L, 12L, 7L, 8L, 7L}) {
        ASSERT_EQ(store::InvTable->appendBlank(), 0);
        store::InvRec = store::InvBuffer{store::InvTable->recNo(), cuno};
        ASSERT_TRUE(store::StoreInv().ok());
    }
    markDeleted(store::InvTable, 5);
    store::CloseTable(store::InvTable);
    const QString asked = "Confirmation OkCancel/Cancel: Delete Abernethy Wendell? ";
    const QString two = asked + "2 invoices name this customer; they will print without an address.";
    // Customer number, the answer, the question asked (none without invoices), deleted afterwards.
    const std::tuple<long, base::Answer, QString, bool> cases[] = {
        {7, base::Answer::Cancel, two, false}, {7, base::Answer::Ok, two, true},
        {8, base::Answer::Ok, asked + "1 invoice names this customer; it will print without an address.", true},
        {9, base::Answer::Ok, QString(), true}};
    for (const auto& [cuno, answer, question, deleted] : cases) {
        testing_support::ScriptedDialogs script;
        const long rec = store::CurCustRec = addCustomer(cuno, 1, QStringLiteral("Abernethy"));
        store::CustRec.first = QStringLiteral("Wendell");
        ASSERT_TRUE(store::StoreCust().ok());
        if (!question.isEmpty()) script.answer(answer);
        script.onModal<TCustomer>([&](TCustomer& w) {
            QTest::mouseClick(w.BtnDelete, Qt::LeftButton);
            if (w.isVisible()) QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
        });
        base::dialogs().showModal(form<TCustomer>());
        EXPECT_EQ(script.log().filter("Delete"), question.isEmpty() ? QStringList() : QStringList{question}) << cuno;
        EXPECT_EQ(deletedAt(store::CustTable, rec), deleted) << cuno;
        EXPECT_EQ(store::InvTable, nullptr) << "the invoice table is closed again";
    }
    // Opened by the invoice window, the table keeps the invoice it stands on.
    ASSERT_TRUE(store::OpenInv());
    ASSERT_EQ(store::InvTable->go(4), 0);
    EXPECT_EQ(CustomerInvoiceCount(7), 2);
    EXPECT_EQ(store::InvTable->recNo(), 4);
}

TEST_F(CustomerWindowTest, ACustomerOfAVanishedGroupMustBeGivenAGroup) {
    addCustomer(1, 9);
    store::CurCustRec = 1;
    show<TCustomer>([](TCustomer& w) {
        EXPECT_EQ(w.Edit14->text(), QString());
        w.BtnSaveClick();
        EXPECT_TRUE(w.isVisible());
        w.BtnCancelClick();
    });
    EXPECT_EQ(dialogs->messages(), QStringList{"Please Select Customer Group"});
}

TEST_F(CustomerWindowTest, EntryLimitsAndTabOrder) {
    store::CurCustRec = 0;
    show<TCustomer>([](TCustomer& w) {
        const std::vector<std::pair<QLineEdit*, int>> limits = {
            {w.Edit2, 3},   {w.Edit3, 13},  {w.Edit4, 20},  {w.Edit5, 34},  {w.Edit6, 34},
            {w.Edit7, 34},  {w.Edit8, 19},  {w.Edit9, 10},  {w.Edit10, 20}, {w.Edit11, 20},
            {w.Edit12, 60}, {w.Edit13, 34}, {w.Edit14, 20},
        };
        for (const auto& [edit, limit] : limits) EXPECT_EQ(edit->maxLength(), limit) << edit->objectName().toStdString();
        const std::vector<QWidget*> order = {w.Edit3,  w.Edit4,  w.Edit5,   w.Edit6, w.Edit7,   w.Edit8,
                                             w.Edit9,  w.Edit10, w.Edit11,  w.Edit12, w.Edit13, w.BtnGroup,
                                             w.Memo1,  w.BtnSave, w.BtnCancel,
                                             w.BtnHelp, w.Edit2};
        // Delete is disabled for a new customer, so Tab passes it.
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
        }
        // Enter in a single-line field moves on like Tab.
        w.Edit2->setFocus();
        QTest::keyClick(w.Edit2, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), w.Edit3);
        EXPECT_TRUE(w.isVisible());
    });
}

TEST_F(CustomerWindowTest, TheHundredthGroupIsRefusedWithAMessage) {
    for (int n = 1; n <= kMaxGroupNumber; ++n) addGroup(n, QStringLiteral("G%1").arg(n));
    store::CurGroupRec = 0;
    show<TGroupDef>([](TGroupDef& w) {
        EXPECT_FALSE(w.BtnDelete->isEnabled());
        QTest::keyClicks(w.Edit2, "One too many");
        w.BtnSaveClick();
        EXPECT_TRUE(w.isVisible());
    });
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages()[0].contains(QStringLiteral("1 to 99")));
    EXPECT_EQ(store::GroupsTable->recCount(), kMaxGroupNumber);
}

TEST_F(CustomerWindowTest, EditingAGroupShowsItsNumberAndKeepsIt) {
    const long rec = addGroup(7, QStringLiteral("Trade"));
    store::CurGroupRec = rec;
    show<TGroupDef>([](TGroupDef& w) {
        EXPECT_EQ(w.Edit1->text(), QStringLiteral(" 7"));
        EXPECT_EQ(w.Edit2->text(), QStringLiteral("Trade"));
        EXPECT_TRUE(w.BtnDelete->isEnabled());
        w.Edit2->setText(QStringLiteral("Trade buyers"));
        w.BtnSaveClick();
    });
    store::GroupBuffer stored;
    store::GroupsTable->go(rec);
    store::ReadRecord(store::GroupsTable, &stored);
    EXPECT_EQ(stored.nGroup, 7);
    EXPECT_EQ(stored.cGroup.trimmed(), QStringLiteral("Trade buyers"));
}

}  // namespace
