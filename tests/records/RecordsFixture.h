#pragma once
// What the customer, group, product and purchase tests share: a fresh data directory with the delivered
// empty tables, the engine context over it, the scripted dialog facade, and
// helpers that put records straight into the open tables.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <ostream>
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
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "xbase/FileSystem.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace records_test {

class RecordsTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), store::DataDirOptions{}, &error), 0) << error.toStdString();
        m_faults = std::make_unique<xbase::FaultFileSystem>(xbase::posixFileSystem());
        store::EngineInit(m_faults.get());
        store::SetProgramExitHook([this] { ++programExits; });
        store::ReadSettings();
        store::PackPending = false;
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
    }
    void TearDown() override {
        if (store::EngineActive()) store::EngineEnd();
        dialogs.reset();
        store::SetProgramExitHook(nullptr);
        m_faults.reset();
        DataDirTest::TearDown();
    }

    // Every later write fails as on a write-protected disk (appends included).
    void writeProtect(bool on) { m_faults->setReadOnly(on); }
    // Files open for reading only from now, as another user's files the user may only read.
    void readOnlyFiles(bool on) { m_faults->setReadOnlyFiles(on); }
    // The next write fails with code (kErrWrite, kErrDiskFull); the ones after it go through.
    void failNextWrite(int code) { m_faults->failWrite(1, code); }

    // Each appends one record and returns its record number. REQUIRES: the table open.
    static long addGroup(int number, const QString& name) {
        EXPECT_EQ(store::GroupsTable->appendBlank(), 0);
        store::GroupRec = store::GroupBuffer{number, name};
        EXPECT_TRUE(store::StoreGroup().ok());
        return store::GroupsTable->recNo();
    }
    static long addCustomer(long number, int group, const QString& last = QStringLiteral("Smith")) {
        EXPECT_EQ(store::CustTable->appendBlank(), 0);
        store::CustRec = store::CustBuffer{};
        store::CustRec.cuno = number;
        store::CustRec.ngroup = group;
        store::CustRec.last = last;
        EXPECT_TRUE(store::StoreCust().ok());
        return store::CustTable->recNo();
    }
    static long addProduct(const QString& id, bool inventory = false) {
        EXPECT_EQ(store::ProdTable->appendBlank(), 0);
        store::ProdRec = store::ProdBuffer{};
        store::ProdRec.PrID = id;
        store::ProdRec.lInven = inventory;
        EXPECT_TRUE(store::StoreProd().ok());
        return store::ProdTable->recNo();
    }
    static void markDeleted(xbase::Table* table, long recno) {
        ASSERT_EQ(table->go(recno), 0);
        ASSERT_EQ(table->markDeleted(), 0);
        ASSERT_EQ(table->flush(false), 0);
    }

    // The records of a table in record order, read through a reader into a buffer of type B.
    template <class B>
    static std::vector<B> all(xbase::Table* table, void (*read)(xbase::Table*, B*)) {
        std::vector<B> rows;
        for (long r = 1; r <= table->recCount(); ++r) {
            EXPECT_EQ(table->go(r), 0);
            B b;
            read(table, &b);
            rows.push_back(b);
        }
        return rows;
    }
    static std::vector<int> customerGroups() {
        std::vector<int> groups;
        for (const auto& c : all<store::CustBuffer>(store::CustTable, store::ReadRecord<store::CustBuffer>)) groups.push_back(c.ngroup);
        return groups;
    }
    static bool deletedAt(xbase::Table* table, long recno) { return table->go(recno) == 0 && table->isDeleted(); }

    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
    int programExits = 0;

private:
    std::unique_ptr<xbase::FaultFileSystem> m_faults;
};

// The same with every window of the program created, as the commands and launchers reach them.
class WindowsTest : public RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        app::CreateForms();
    }
    void TearDown() override {
        app::DestroyForms();
        RecordsTest::TearDown();
    }
    template <class W>
    static W* form() {
        W* window = app::Form<W>();
        EXPECT_NE(window, nullptr);
        return window;
    }
};

}  // namespace records_test
