// Saving an invoice of 100 lines into a large data set: a new invoice (header and lines appended), the
// same invoice saved again (every line overwritten in place), and one edited down to half its lines
// (the surplus deleted and the line table packed, as every such save does).
//
// The data set (the demo business with CORVANE_BENCH_INVOICES invoices, 200,000 by default) is written
// once into ./invoice_save_bench_data and reused while its READY stamp matches. Counters per iteration:
// records read, index pages read and pages written, from the engine's I/O counters.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

#include "base/Format.h"
#include "BenchDataSet.h"
#include "invoicing/InvoiceStore.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/InvoiceLoad.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"
#include "store/WorkingSet.h"

namespace {

using bench::dataDir;
using bench::prepareDataSet;

constexpr int kLines = 100;

// A new invoice of n lines for the first customer in the working set.
void newInvoice(int lines) {
    store::CurInvoiceRec = 0;
    store::InvRec = store::InvBuffer{};
    store::InvRec.CuNo = 1;
    store::InvRec.IDate = base::Today();
    store::ItemRows.clear();
    for (int i = 0; i < lines; ++i)
        store::ItemRows.append({QStringLiteral("PEN-B"), base::FormatNumber("%9.2f", i + 1), "    2.50", "t", "f",
                                QStringLiteral("line %1").arg(i), QString(), QString(), QString()});
    store::LastItemRow = lines - 1;
    store::PaymentRows.clear();
    store::LastPmtRow = -1;
}

void report(benchmark::State& state, const xbase::IoCounters& io) {
    const double n = double(state.iterations());
    state.counters["recordsRead"] = double(io.recordsRead) / n;
    state.counters["indexPagesRead"] = double(io.indexPagesRead) / n;
    state.counters["pagesWritten"] = double(io.pagesWritten) / n;
}

void BM_SaveNewInvoice(benchmark::State& state) {
    xbase::IoCounters total;
    for (auto _ : state) {
        newInvoice(kLines);
        store::Engine().counters().reset();
        const invoicing::SaveResult r = invoicing::SaveInvoice();
        const xbase::IoCounters& io = store::Engine().counters();
        total.recordsRead += io.recordsRead;
        total.indexPagesRead += io.indexPagesRead;
        total.pagesWritten += io.pagesWritten;
        if (r.status != invoicing::SaveStatus::Saved) state.SkipWithError("save refused");
    }
    report(state, total);
}

// Saves the invoice at recNo again from its stored lines (lines - kept lines are deleted).
void resave(benchmark::State& state, int keep) {
    xbase::IoCounters total;
    for (auto _ : state) {
        state.PauseTiming();
        newInvoice(kLines);
        invoicing::SaveInvoice();
        store::InvTable->bottom();
        store::CurInvoiceRec = store::InvTable->recNo();
        store::LoadInvoice();
        store::ItemRows = store::ItemRows.mid(0, keep);
        store::LastItemRow = keep - 1;
        state.ResumeTiming();
        store::Engine().counters().reset();
        const invoicing::SaveResult r = invoicing::SaveInvoice();
        const xbase::IoCounters& io = store::Engine().counters();
        total.recordsRead += io.recordsRead;
        total.indexPagesRead += io.indexPagesRead;
        total.pagesWritten += io.pagesWritten;
        if (r.status != invoicing::SaveStatus::Saved) state.SkipWithError("save refused");
    }
    report(state, total);
}

void BM_SaveEditedInvoiceOverwrite(benchmark::State& state) { resave(state, kLines); }
void BM_SaveEditedInvoiceShrinkAndPack(benchmark::State& state) { resave(state, kLines / 2); }

BENCHMARK(BM_SaveNewInvoice)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SaveEditedInvoiceOverwrite)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SaveEditedInvoiceShrinkAndPack)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!prepareDataSet()) return 1;
    // A copy of the data set per run, so the saves never accumulate in the cached one. On a server the
    // saves accumulate (a few hundred invoices on 200,000).
    const QString work = QDir::current().filePath(QStringLiteral("invoice_save_bench_run"));
    const QString where = bench::location();
    if (where.isEmpty()) return 1;
    QString error;
    if (store::IsServerLocation(where)) {
        if (!store::EngineInitAt(where, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    } else {
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        for (const QString& name : QDir(dataDir()).entryList(QDir::Files))
            if (name != QLatin1String("READY"))
                QFile::copy(dataDir() + QLatin1Char('/') + name, work + QLatin1Char('/') + name);
        store::EngineInit(nullptr, work.toStdString());
    }
    store::ReadSettings();
    store::OpenInvoiceTables();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    store::EngineEnd();
    QDir(work).removeRecursively();
    return 0;
}
