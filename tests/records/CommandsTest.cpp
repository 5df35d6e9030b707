// The four editing commands walked as a user walks them: pick list, record window, pick list again,
// through the scripted dialog facade, with the stored tables and the messages checked afterwards.
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include "app/MainU.h"
#include "base/Format.h"
#include "records/CustomerU.h"
#include "records/EditCommands.h"
#include "records/GroupDefU.h"
#include "records/PickCustU.h"
#include "records/PickGroupU.h"
#include "records/PickProdU.h"
#include "records/PickPurU.h"
#include "records/ProdDefU.h"
#include "records/PurDefU.h"
#include "records/RecordsFixture.h"

using namespace base::literals;

using namespace records;
using namespace records_test;
using testing_support::ScriptedDialogs;

namespace {

class CommandsTest : public WindowsTest {
protected:
    // Scripts one showing of a pick window: choose "New", cancel, or the row (grid) / line (list) whose
    // text begins with a name.
    template <class Pick>
    void pickNew() {
        dialogs->onModal<Pick>([](Pick& pick) { pick.BtnNewClick(); });
    }
    template <class Pick>
    void pickCancel() {
        dialogs->onModal<Pick>([](Pick& pick) { pick.BtnCancelClick(); });
    }
    void pickGroupNamed(const QString& name) {
        dialogs->onModal<TPickGroup>([name](TPickGroup& pick) {
            const auto items = pick.ListBox1->findItems(name, Qt::MatchStartsWith);
            ASSERT_EQ(items.size(), 1) << name.toStdString();
            pick.ListBox1->setCurrentItem(items.front());
            pick.BtnSelectClick();
        });
    }
    template <class Pick>
    void pickGridRow(int row) {
        dialogs->onModal<Pick>([row](Pick& pick) {
            pick.StringGrid1->selectRow(row);
            pick.BtnSelectClick();
        });
    }
    static QStringList modals(const ScriptedDialogs& d) {
        QStringList names;
        for (const auto& e : d.events())
            if (e.call == ScriptedDialogs::Call::ShowModal) names << e.text.mid(e.text.lastIndexOf(':') + 1);
        return names;
    }
    // Opens a table on its own for a look after the command closed everything.
    template <class B>
    std::vector<B> stored(bool (*open)(), xbase::Table*& table, void (*read)(xbase::Table*, B*)) {
        open();
        auto rows = all<B>(table, read);
        store::CloseAll();
        return rows;
    }
};

TEST_F(CommandsTest, TheFirstCustomerNeedsAGroupAndGetsNumberOne) {
    // Modal windows are scripted in the order they open, nested ones included.
    pickNew<TPickCust>();
    dialogs->onModal<TCustomer>([](TCustomer& w) {
        EXPECT_EQ(w.Edit1->text(), QStringLiteral("     0"));
        EXPECT_FALSE(w.BtnDelete->isEnabled());
        QTest::keyClicks(w.Edit4, "Smith");
        w.BtnSaveClick();  // no group yet: refused
        EXPECT_TRUE(w.isVisible());
        w.BtnGroupClick();
        EXPECT_EQ(w.Edit14->text(), QStringLiteral("Retail"));
        w.BtnSaveClick();
    });
    pickNew<TPickGroup>();  // the empty group list offers only "New"
    dialogs->onModal<TGroupDef>([](TGroupDef& g) {
        EXPECT_EQ(g.Edit1->text(), QStringLiteral(" 0"));
        g.BtnSaveClick();  // blank name: refused
        QTest::keyClicks(g.Edit2, "Retail");
        g.BtnSaveClick();
    });
    pickCancel<TPickCust>();
    CustomerCommand();

    EXPECT_EQ(dialogs->messages(), (QStringList{"Please Select Customer Group", "Can't Save Blank Name"}));
    EXPECT_EQ(modals(*dialogs), (QStringList{"TPickCust", "TCustomer", "TPickGroup", "TGroupDef", "TPickCust"}));
    const auto customers = stored<store::CustBuffer>(store::OpenCust, store::CustTable, store::ReadRecord<store::CustBuffer>);
    ASSERT_EQ(customers.size(), 1u);
    EXPECT_EQ(customers[0].cuno, 1);
    EXPECT_EQ(customers[0].ngroup, 1);
    EXPECT_EQ(customers[0].last.trimmed(), QStringLiteral("Smith"));
    const auto groups = stored<store::GroupBuffer>(store::OpenGroups, store::GroupsTable, store::ReadRecord<store::GroupBuffer>);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].nGroup, 1);
    EXPECT_FALSE(store::EngineActive() && store::CustTable);
}

TEST_F(CommandsTest, DeletingACustomerPacksTheTableWhenTheCommandEnds) {
    store::OpenCust();
    addCustomer(1, 1, QStringLiteral("Adams"));
    addCustomer(2, 1, QStringLiteral("Brown"));
    store::CloseAll();
    pickGridRow<TPickCust>(0);  // Adams, by name
    dialogs->onModal<TCustomer>([](TCustomer& w) {
        EXPECT_EQ(w.Edit4->text(), QStringLiteral("Adams"));
        EXPECT_TRUE(w.BtnDelete->isEnabled());
        w.BtnDeleteClick();
    });
    pickCancel<TPickCust>();
    CustomerCommand();
    const auto customers = stored<store::CustBuffer>(store::OpenCust, store::CustTable, store::ReadRecord<store::CustBuffer>);
    ASSERT_EQ(customers.size(), 1u);
    EXPECT_EQ(customers[0].last.trimmed(), QStringLiteral("Brown"));
    EXPECT_FALSE(store::PackPending);
}

TEST_F(CommandsTest, DeletionsMadeElsewhereStayPendingForTheExit) {
    store::OpenProd();
    addProduct(QStringLiteral("A"));
    addProduct(QStringLiteral("B"));
    store::CloseAll();
    store::PackPending = true;  // say, a label stock deleted earlier in the run
    pickGridRow<TPickProd>(0);
    dialogs->onModal<TProdDef>([](TProdDef& w) { w.BtnCancelClick(); });
    pickCancel<TPickProd>();
    ProductCommand();
    EXPECT_EQ(stored<store::ProdBuffer>(store::OpenProd, store::ProdTable, store::ReadRecord<store::ProdBuffer>).size(), 2u);
    EXPECT_TRUE(store::PackPending);

    pickGridRow<TPickProd>(0);
    dialogs->onModal<TProdDef>([](TProdDef& w) { w.BtnDeleteClick(); });
    pickCancel<TPickProd>();
    ProductCommand();
    EXPECT_EQ(stored<store::ProdBuffer>(store::OpenProd, store::ProdTable, store::ReadRecord<store::ProdBuffer>).size(), 1u);
    EXPECT_TRUE(store::PackPending);
}

TEST_F(CommandsTest, DeletingAGroupMovesItsCustomersAndRefusesTheSameGroup) {
    store::OpenGroups();
    store::OpenCust();
    addGroup(2, QStringLiteral("Two"));
    addGroup(3, QStringLiteral("Three"));
    addCustomer(1, 2);
    addCustomer(2, 3);
    addCustomer(3, 2);
    store::CloseAll();

    dialogs->answer(base::Answer::Cancel);
    dialogs->answer(base::Answer::Ok);
    dialogs->answer(base::Answer::Ok);
    pickGroupNamed(QStringLiteral("Two"));
    dialogs->onModal<TGroupDef>([](TGroupDef& w) {
        EXPECT_EQ(w.Edit1->text(), QStringLiteral(" 2"));
        const long shown = store::CurGroupRec;
        w.BtnDeleteClick();  // not confirmed
        w.BtnDeleteClick();  // the same group chosen: nothing happens
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(store::CurGroupRec, shown);
        EXPECT_EQ(store::GroupRec.nGroup, 2);
        w.BtnDeleteClick();
        EXPECT_FALSE(w.isVisible());
    });
    pickGroupNamed(QStringLiteral("Two"));
    pickGroupNamed(QStringLiteral("Three"));
    pickCancel<TPickGroup>();
    GroupCommand();

    const QString ask = QStringLiteral("Move Customers in Two to a selected group");
    EXPECT_EQ(dialogs->messages(), (QStringList{ask, ask, ask}));
    std::vector<int> groupsOfCustomers;
    for (const auto& c : stored<store::CustBuffer>(store::OpenCust, store::CustTable, store::ReadRecord<store::CustBuffer>))
        groupsOfCustomers.push_back(c.ngroup);
    EXPECT_EQ(groupsOfCustomers, (std::vector<int>{3, 3, 3}));
    const auto groups = stored<store::GroupBuffer>(store::OpenGroups, store::GroupsTable, store::ReadRecord<store::GroupBuffer>);
    ASSERT_EQ(groups.size(), 1u);  // packed when the command ended
    EXPECT_EQ(groups[0].nGroup, 3);
}

TEST_F(CommandsTest, ProductIdsAreUpperCasedAndDuplicatesRefused) {
    pickNew<TPickProd>();
    dialogs->onModal<TProdDef>([](TProdDef& w) {
        EXPECT_EQ(w.MaskEdit1->text(), QStringLiteral("    0.00"));
        EXPECT_EQ(w.MaskEdit2->text(), QStringLiteral("     0.00"));
        QTest::keyClicks(w.Edit1, " abc ");
        w.BtnSaveClick();
    });
    pickNew<TPickProd>();
    dialogs->onModal<TProdDef>([](TProdDef& w) {
        QTest::keyClicks(w.Edit1, "abc");
        w.BtnSaveClick();
        EXPECT_TRUE(w.isVisible());
        w.Edit1->setText(QStringLiteral("ABCD"));
        w.BtnSaveClick();
    });
    pickCancel<TPickProd>();
    ProductCommand();

    EXPECT_EQ(dialogs->messages(), QStringList{"Duplicate Product ID's are not allowed"});
    QStringList ids;
    for (const auto& p : stored<store::ProdBuffer>(store::OpenProd, store::ProdTable, store::ReadRecord<store::ProdBuffer>))
        ids << p.PrID.trimmed();
    EXPECT_EQ(ids, (QStringList{"ABC", "ABCD"}));
}

TEST_F(CommandsTest, ANewPurchaseMarksTheChosenProductAsInventory) {
    store::OpenProd();
    addProduct(QStringLiteral("WID"), false);
    store::CloseAll();

    pickNew<TPickPur>();
    dialogs->onModal<TPurDef>([](TPurDef& w) {
        EXPECT_EQ(w.Edit1->text(), QString());
        EXPECT_EQ(w.DateTimePicker1->date(), QDate::currentDate());
        EXPECT_EQ(w.MaskEdit2->text().trimmed(), QStringLiteral("0.00"));
        EXPECT_EQ(w.MaskEdit3->text().trimmed(), QStringLiteral("0.00"));
        EXPECT_FALSE(w.BtnDelete->isEnabled());
        w.BtnSaveClick();  // no product yet
        w.BtnProdClick();
        EXPECT_EQ(w.Edit1->text(), QStringLiteral("WID"));
        w.MaskEdit2->setText(QStringLiteral("3"));
        w.MaskEdit3->setText(QStringLiteral("45.5"));
        w.BtnSaveClick();
    });
    pickGridRow<TPickProd>(0);
    pickCancel<TPickPur>();
    PurchaseCommand();

    EXPECT_EQ(dialogs->messages(), QStringList{"Product Selection Required."});
    const auto purchases = stored<store::PurBuffer>(store::OpenPur, store::PurTable, store::ReadRecord<store::PurBuffer>);
    ASSERT_EQ(purchases.size(), 1u);
    EXPECT_EQ(purchases[0].PURProd.trimmed(), QStringLiteral("WID"));
    EXPECT_EQ(purchases[0].PURDate, base::Today());
    EXPECT_EQ(purchases[0].PURQty, 3);
    EXPECT_EQ(purchases[0].PURCost, 45.5_dec);
    const auto products = stored<store::ProdBuffer>(store::OpenProd, store::ProdTable, store::ReadRecord<store::ProdBuffer>);
    ASSERT_EQ(products.size(), 1u);
    EXPECT_TRUE(products[0].lInven);
}

TEST_F(CommandsTest, TheMainWindowButtonsRunTheCommands) {
    pickCancel<TPickCust>();
    pickCancel<TPickGroup>();
    pickCancel<TPickProd>();
    pickCancel<TPickPur>();
    auto* main = form<app::TMain>();
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(main->BtnCust), static_cast<QAbstractButton*>(main->BtnGroups),
                                    static_cast<QAbstractButton*>(main->BtnProd), static_cast<QAbstractButton*>(main->BtnPurchase)})
        button->click();
    EXPECT_EQ(modals(*dialogs), (QStringList{"TPickCust", "TPickGroup", "TPickProd", "TPickPur"}));
    EXPECT_EQ(store::CustTable, nullptr);  // every command closes its tables
    EXPECT_EQ(store::PurTable, nullptr);
}

}  // namespace
