// Every report of the report table over the large data set of invoice_save_bench (BenchDataSet.h), for
// one month, one year and the whole span (reports without a span run once; the inventory as of the
// month's first day), with the time of a run and the records and index pages it read from the engine's
// I/O counters. The least processor time of a run is shown beside it: on a machine shared with other
// work the elapsed time says little. The customer profile runs for one customer and for one group, the
// product buyers for one product.
//   report_bench [runs [REPORT]]   (runs default 3, the best time shown; REPORT: only that report)
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>

#include "base/ConsoleDialogs.h"
#include "base/ReportOutput.h"
#include "BenchDataSet.h"
#include "reports/ReportList.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Settings.h"
#include "store/TableHandles.h"

namespace {

qint64 cpuMs() { return qint64(std::clock()) * 1000 / CLOCKS_PER_SEC; }  // the process's processor time

struct Span {
    const char* name;
    QDate from, to;
};

// The choices of the reports that ask for more than a span.
struct Choice {
    const char* name;
    QList<long> customers;
    QList<int> groups;
};

long records(store::TableKey key) {
    return store::OpenByKey(key) ? store::TableHandle(key)->recCount() : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (!bench::prepareDataSet()) return 1;
    base::ConsoleDialogs dialogs(QStringLiteral("report_bench: "), {reports::kNoPrinterMessage});
    base::setDialogs(&dialogs);
    QString error;
    const QString where = bench::location();
    if (where.isEmpty() || !store::EngineInitAt(where, &error)) {
        std::fprintf(stderr, "report_bench: %s\n", qPrintable(error));
        return 1;
    }
    store::ReadSettings();
    base::ReportFont = QFont(QStringLiteral("DejaVu Sans Mono"), 10);
    const Span spans[] = {{"month", QDate(2026, 6, 1), QDate(2026, 6, 30)},
                          {"year", QDate(2025, 7, 1), QDate(2026, 6, 30)},
                          {"whole", QDate(1900, 1, 1), QDate(2099, 12, 31)}};
    std::printf("data set: %ld invoices, %ld lines, %ld products, %ld purchases\n", records(store::TableKey::Inv),
                records(store::TableKey::Itm), records(store::TableKey::Prod), records(store::TableKey::Pur));
    store::CloseAll();
    reports::SelectedProduct = QStringLiteral("PAPER-A4");
    const Choice profiles[] = {{"one", {7}, {}}, {"group", {}, {1}}};
    std::printf("%-18s %-6s %10s %8s %8s %14s %16s\n", "report", "span", "best ms", "cpu ms", "lines",
                "records read", "index pages read");
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    for (const reports::ReportEntry& report : reports::Reports()) {
        if (!only.isEmpty() && only != QLatin1String(report.name)) continue;
        const bool byCustomers = report.asks == reports::Asks::Customers;
        for (int k = 0; k < (byCustomers ? int(std::size(profiles)) : int(std::size(spans))); ++k) {
            const Span& span = spans[byCustomers ? 0 : k];
            if (byCustomers) {
                reports::SelectedCustomers = profiles[k].customers;
                reports::SelectedGroups = profiles[k].groups;
            }
            qint64 best = -1, bestCpu = -1;
            xbase::IoCounters io;
            int lines = 0;
            for (int run = 0; run < runs; ++run) {
                store::Engine().counters().reset();
                QElapsedTimer timer;
                const qint64 cpuStart = cpuMs();
                timer.start();
                report.build(base::DayFromDate(span.from), base::DayFromDate(span.to));
                const qint64 ms = timer.elapsed();
                const qint64 cpu = cpuMs() - cpuStart;
                io = store::Engine().counters();
                lines = int(reports::ReportLines.size());
                reports::EndReport();
                if (best < 0 || ms < best) best = ms;
                if (bestCpu < 0 || cpu < bestCpu) bestCpu = cpu;
            }
            std::printf("%-18s %-6s %10lld %8lld %8d %14llu %16llu\n", report.name,
                        byCustomers ? profiles[k].name : report.takesSpan ? span.name : "-",
                        static_cast<long long>(best), static_cast<long long>(bestCpu), lines,
                        static_cast<unsigned long long>(io.recordsRead),
                        static_cast<unsigned long long>(io.indexPagesRead));
            if (!report.takesSpan && !byCustomers) break;
        }
    }
    store::EngineEnd();
    return 0;
}
