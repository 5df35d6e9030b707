// pick_bench: how long the customer pick list takes to show on the last of a very large customer table,
// and what it reads doing so and on Page Down, End, Home and a type-ahead search.
//   pick_bench [DIR] [CUSTOMERS]   (CORVANE_BENCH_SERVER=URI: on that database server instead)
// DIR (default ./pick-bench-data) is made with that many demo customers (default the most the six-digit
// numbers allow, 999,999) unless it already holds a customer table of that size, which is reused.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "records/PickCustU.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/TableHandles.h"
#include "xbase/Engine.h"

namespace {

long customersIn(const QString& dir) {
    xbase::Context context(nullptr, dir.toStdString());
    context.setAutoOpen(0);
    xbase::Table* table = context.openTable("CUST5");
    return table ? table->recCount() : -1;
}

bool prepare(const QString& dir, long customers) {
    if (QDir(dir).exists() && customersIn(dir) == customers) {
        std::printf("reusing %s (%ld customers)\n", qPrintable(dir), customers);
        return true;
    }
    QDir().mkpath(dir);
    std::printf("writing %s with %ld customers ...\n", qPrintable(dir), customers);
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    store::DataDirOptions options;
    options.demo = true;
    options.customers = customers;
    options.invoices = 0;
    QString error;
    if (store::WriteDataDir(dir, options, &error) != 0) {
        std::fprintf(stderr, "pick_bench: %s\n", qPrintable(error));
        return false;
    }
    std::printf("written in %.1f s\n", double(timer.elapsed()) / 1000.0);
    return true;
}

void measure(const char* what, records::TPickCust& pick, const std::function<void()>& step) {
    xbase::IoCounters& io = store::Engine().counters();
    io.reset();
    QElapsedTimer timer;
    timer.start();
    step();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const records::PickWalk& walk = pick.pager().lastWalk();
    std::printf("%-22s %9.1f ms  records read %5llu  index pages read %7llu  page top %7ld  walk: %d long, %ld steps in %d\n",
                what, ms, static_cast<unsigned long long>(io.recordsRead),
                static_cast<unsigned long long>(io.indexPagesRead), pick.pager().pageTop(), walk.longSkips,
                walk.singleSteps, walk.probes);
}

void key(QWidget* grid, int k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(grid, &press);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString dir = QDir(args.size() > 1 ? args.at(1) : QStringLiteral("pick-bench-data")).absolutePath();
    const long customers = args.size() > 2 ? args.at(2).toLong() : store::kMaxCustomers;
    if (customers < 11 || customers > store::kMaxCustomers) {
        std::fprintf(stderr, "pick_bench: CUSTOMERS must be 11 to %ld\n", store::kMaxCustomers);
        return 2;
    }
    // A database server's URI is used as it is (copy a prepared directory there with corvane-data --copy).
    const QString server = qEnvironmentVariable("CORVANE_BENCH_SERVER");
    QString error;
    if (server.isEmpty() && !prepare(dir, customers)) return 1;
    if (!store::EngineInitAt(server.isEmpty() ? dir : server, &error)) {
        std::fprintf(stderr, "pick_bench: %s\n", qPrintable(error));
        return 1;
    }
    store::SettingsRec = store::DefaultSettings();
    if (!store::OpenCust() || !store::OpenGroups()) return 1;
    xbase::Table* cust = store::CustTable;
    cust->selectTag(cust->findTag("CName"));
    cust->bottom();
    store::CurCustRec = cust->recNo();

    records::TPickCust pick;
    measure("show on the last", pick, [&] { pick.show(); });
    measure("Page Down", pick, [&] { key(pick.StringGrid1, Qt::Key_PageDown); });
    measure("Home", pick, [&] { key(pick.StringGrid1, Qt::Key_Home); });
    measure("End", pick, [&] { key(pick.StringGrid1, Qt::Key_End); });
    measure("Page Up", pick, [&] { key(pick.StringGrid1, Qt::Key_PageUp); });
    measure("search \"SM\"", pick, [&] { pick.Edit1->setText(QStringLiteral("SM")); });
    measure("search \"W\"", pick, [&] { pick.Edit1->setText(QStringLiteral("W")); });
    pick.hide();
    store::EngineEnd();
    return 0;
}
