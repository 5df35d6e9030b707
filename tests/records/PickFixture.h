#pragma once
// What the pick-list tests share: a data directory with the delivered empty tables, the engine context
// of the run, the scripted dialog facade, and quick ways to put records into the open tables.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "app/Forms.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace records_test {

class PickTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        store::SetProgramExitHook([this] { ++programExits; });
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), store::DataDirOptions{}, &error), 0) << error.toStdString();
        store::EngineInit();
        store::SettingsRec = store::DefaultSettings();
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
    }
    void TearDown() override {
        app::DestroyForms();
        if (store::EngineActive()) store::EngineEnd();
        dialogs.reset();
        store::SetProgramExitHook(nullptr);
        DataDirTest::TearDown();
        EXPECT_EQ(programExits, 0);
    }

    // Appends a record to an open table through its store routine and returns its number.
    template <class Buffer>
    long append(xbase::Table* table, Buffer& buffer, const Buffer& value, store::WriteResult (*store)()) {
        EXPECT_EQ(table->appendBlank(), 0);
        buffer = value;
        EXPECT_TRUE(store().ok());
        return table->recNo();
    }
    long addCustomer(const QString& last, const QString& first, int group = 1, const QString& note = {}) {
        store::CustBuffer c;
        c.cuno = store::CustTable->recCount() + 1;
        c.last = last;
        c.first = first;
        c.ngroup = group;
        c.note = note;
        return append(store::CustTable, store::CustRec, c, store::StoreCust);
    }
    // Customers named NAME01, NAME02 ... in name order, appended in that order.
    void addNumberedCustomers(int count) {
        for (int i = 1; i <= count; ++i) addCustomer(QStringLiteral("NAME%1").arg(i, 2, 10, QLatin1Char('0')), "A");
    }
    long addGroup(int number, const QString& name) {
        return append(store::GroupsTable, store::GroupRec, store::GroupBuffer{number, name}, store::StoreGroup);
    }
    long addInvoice(long number, long customer, const QString& memo = {}) {
        store::InvBuffer v;
        v.IvNo = number;
        v.CuNo = customer;
        v.IDate = 45000;
        v.IMemo = memo;
        return append(store::InvTable, store::InvRec, v, store::StoreInv);
    }
    long addProduct(const QString& id, base::Decimal price) {
        store::ProdBuffer p;
        p.PrID = id;
        p.PDesc = QStringLiteral("Product ") + id;
        p.UPrice = price;
        return append(store::ProdTable, store::ProdRec, p, store::StoreProd);
    }
    long addPurchase(const QString& product, double day, base::Decimal qty, base::Decimal cost) {
        store::PurBuffer p;
        p.PURProd = product;
        p.PURDate = day;
        p.PURQty = qty;
        p.PURCost = cost;
        return append(store::PurTable, store::PurRec, p, store::StorePur);
    }
    long addLabel(const QString& name) {
        store::LabelBuffer l;
        l.Name = name;
        return append(store::LabelsTable, store::LabelRec, l, store::StoreLabel);
    }
    static void markDeleted(xbase::Table* table, long recNo) {
        ASSERT_EQ(table->go(recNo), 0);
        ASSERT_EQ(table->markDeleted(), 0);
        ASSERT_EQ(table->flush(), 0);
    }

    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    int programExits = 0;
};

}  // namespace records_test
