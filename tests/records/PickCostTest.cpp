// What the customer pick list reads over a large table, counted by the engine: showing it on the last
// customer, Home, Page Down, End and a type-ahead search each read the ten records of the page, the
// start of the page, the side box and the placing walk, never the table.
//
// The table holds 200,000 customers (written once into the build directory and reused: a million takes
// minutes in the sanitizer build; bench/pick_bench runs the same steps on 999,999).
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include <functional>

#include "records/PickCustU.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace records_test {
namespace {

constexpr long kCustomers = 200000;

long customersIn(const QString& dir) {
    xbase::Context context(nullptr, dir.toStdString());
    context.setAutoOpen(0);
    const xbase::Table* table = context.openTable("CUST5");
    return table ? table->recCount() : -1;
}

// The directory with kCustomers demo customers, written when it is missing.
QString largeDataDir() {
    const QString dir = QDir(QStringLiteral(CORVANE_BINARY_DIR)).filePath(QStringLiteral("test-data/pick-customers"));
    if (QDir(dir).exists() && customersIn(dir) == kCustomers) return dir;
    QDir().mkpath(dir);
    store::DataDirOptions options;
    options.demo = true;
    options.customers = kCustomers;
    options.invoices = 0;
    QString error;
    if (store::WriteDataDir(dir, options, &error) != 0) {
        ADD_FAILURE() << error.toStdString();
        return {};
    }
    return dir;
}

TEST(PickCostTest, CustomerListReadsThePageAndThePlacingWalkNeverTheTable) {
    const QString dir = largeDataDir();
    ASSERT_FALSE(dir.isEmpty());
    store::EngineInit(nullptr, dir.toStdString());
    store::SettingsRec = store::DefaultSettings();
    ASSERT_TRUE(store::OpenCust());
    ASSERT_TRUE(store::OpenGroups());
    xbase::Table* cust = store::CustTable;
    ASSERT_EQ(cust->recCount(), kCustomers);
    cust->selectTag(cust->findTag("CName"));
    ASSERT_EQ(cust->bottom(), 0);
    const long last = cust->recNo();
    store::CurCustRec = last;

    records::TPickCust pick;
    xbase::IoCounters& io = store::Engine().counters();
    struct Step {
        const char* name;
        std::function<void()> run;
        bool placesOnRecord;  // runs the ordinal walk
        long pageTop;         // -1: wherever the search lands
    };
    const Step steps[] = {
        {"show on the last",
         [&] {
             pick.show();
             EXPECT_EQ(pick.pager().selectedRow(), 10);
             EXPECT_EQ(pick.pager().selectedRecNo(), last);
             EXPECT_EQ(pick.ScrollBar1->value(), 100);
         },
         true, kCustomers - 10},
        {"Home", [&] { QTest::keyClick(pick.StringGrid1, Qt::Key_Home); }, false, 0},
        {"Page Down", [&] { QTest::keyClick(pick.StringGrid1, Qt::Key_PageDown); }, false, 10},
        {"End", [&] { QTest::keyClick(pick.StringGrid1, Qt::Key_End); }, false, kCustomers - 10},
        {"Page Up", [&] { QTest::keyClick(pick.StringGrid1, Qt::Key_PageUp); }, false, kCustomers - 20},
        {"search", [&] { pick.Edit1->setText(QStringLiteral("SM")); }, true, -1},
    };
    for (const Step& s : steps) {
        io.reset();
        s.run();
        const records::PickWalk& walk = pick.pager().lastWalk();
        // Ten rows; the two positionings that start the page; the side box's customer and group, read after
        // the refill and again when the key is released. The walk reads the record itself, one record per
        // long skip and per probe, and goes back to the record after each overshoot.
        const uint64_t walkReads = s.placesOnRecord ? 1 + 2 * uint64_t(walk.longSkips) + 2 * uint64_t(walk.probes) : 0;
        EXPECT_LE(io.recordsRead, 10 + 2 + 4 + walkReads) << s.name;
        EXPECT_LT(io.recordsRead, 200u) << s.name;
        if (s.placesOnRecord) { EXPECT_LE(walk.probes, 64) << s.name; }
        if (s.pageTop >= 0) { EXPECT_EQ(pick.pager().pageTop(), s.pageTop) << s.name; }
    }
    // The search landed on a name starting with SM, or the next greater one.
    store::CustTable->go(pick.pager().selectedRecNo());
    store::LoadCust();
    EXPECT_GE((store::CustRec.last + store::CustRec.first).toUpper(), QStringLiteral("SM"));

    pick.hide();
    store::EngineEnd();
}

}  // namespace
}  // namespace records_test
