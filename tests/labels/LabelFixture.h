#pragma once
// What the label tests share: a data directory with the delivered empty tables, the engine context,
// the report font, the scripted dialog facade and the program's windows, and quick ways to put
// stocks, customers and invoices into the tables.
#include <gtest/gtest.h>

#include <QFont>
#include <QString>

#include <memory>
#include <ostream>

#include "app/Forms.h"
#include "base/ReportOutput.h"
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

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace labels_test {

class LabelTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), store::DataDirOptions{}, &error), 0) << error.toStdString();
        store::EngineInit();
        store::SettingsRec = store::DefaultSettings();
        base::ReportFont = QFont(QStringLiteral("DejaVu Sans Mono"), 10);
        dialogs = std::make_unique<testing_support::ScriptedDialogs>();
    }
    void TearDown() override {
        app::DestroyForms();
        if (store::EngineActive()) store::EngineEnd();
        dialogs.reset();
        DataDirTest::TearDown();
    }

    // Each appends to its table, opening it when it is not open.
    template <class Buffer>
    long append(xbase::Table*& table, bool (*open)(), Buffer& buffer, const Buffer& value, store::WriteResult (*store)()) {
        if (!table) open();
        EXPECT_EQ(table->appendBlank(), 0);
        buffer = value;
        EXPECT_TRUE(store().ok());
        return table->recNo();
    }
    long addStock(const QString& name, int across = 3) {
        store::LabelBuffer l;
        l.Name = name;
        l.TopM = 36;
        l.LeftM = 18;
        l.Width = 180;
        l.Height = 72;
        l.HGap = 9;
        l.NAcross = across;
        return append(store::LabelsTable, store::OpenLabels, store::LabelRec, l, store::StoreLabel);
    }
    long addCustomer(long cuno, const QString& last, const QString& zip, int group = 1) {
        store::CustBuffer c;
        c.cuno = cuno;
        c.first = QStringLiteral("Ann");
        c.last = last;
        c.addr1 = QStringLiteral("%1 Main Street").arg(cuno);
        c.addr2 = QStringLiteral("Springfield");
        c.zip = zip;
        c.ngroup = group;
        return append(store::CustTable, store::OpenCust, store::CustRec, c, store::StoreCust);
    }
    void addInvoice(long ivNo, long cuNo, double day, base::Decimal due) {
        store::InvBuffer v;
        v.IvNo = ivNo;
        v.CuNo = cuNo;
        v.IDate = day;
        v.Due = due;
        append(store::InvTable, store::OpenInv, store::InvRec, v, store::StoreInv);
    }

    std::unique_ptr<testing_support::ScriptedDialogs> dialogs;
};

// The first line of each label: whose it is.
inline QStringList owners(const QList<QStringList>& blocks) {
    QStringList names;
    for (const QStringList& b : blocks) names << b.value(0);
    return names;
}

}  // namespace labels_test
