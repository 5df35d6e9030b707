#pragma once
// The large data set the benchmarks share: the demo business with CORVANE_BENCH_INVOICES invoices
// (200,000 by default) over the twelve months to 2026-06-30, written once into
// ./invoice_save_bench_data and reused while its READY stamp matches. With CORVANE_BENCH_SERVER set
// the benchmarks run on that database server instead (see location()).
#include <QDate>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

#include "base/Format.h"
#include "store/CopyData.h"
#include "store/DataDir.h"

namespace bench {

inline long invoiceCount() {
    const char* env = std::getenv("CORVANE_BENCH_INVOICES");
    const long n = env ? std::atol(env) : 0;
    return n > 0 ? n : 200000;
}

inline QString dataDir() { return QDir::current().filePath(QStringLiteral("invoice_save_bench_data")); }

inline QByteArray stamp() { return QByteArray::number(qlonglong(invoiceCount())) + " invoices, seed 1, as of 2026-06-30"; }

// Writes the data set unless a complete one is there.
inline bool prepareDataSet() {
    QFile ready(dataDir() + QStringLiteral("/READY"));
    if (ready.open(QIODevice::ReadOnly) && ready.readAll() == stamp()) return true;
    ready.close();
    QDir(dataDir()).removeRecursively();
    QDir().mkpath(dataDir());
    store::DataDirOptions options;
    options.demo = true;
    options.customers = 5000;
    options.invoices = invoiceCount();
    options.asOf = base::DayFromDate(QDate(2026, 6, 30));
    QString error;
    std::fprintf(stderr, "writing %ld invoices into %s ...\n", options.invoices, qPrintable(dataDir()));
    if (store::WriteDataDir(dataDir(), options, &error) != 0) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    if (!ready.open(QIODevice::WriteOnly)) return false;
    ready.write(stamp());
    return true;
}

// Where the benchmarks run: the data set's directory, or the database server named by
// CORVANE_BENCH_SERVER (a postgresql:// URI), onto which the data set is copied when it holds none.
inline QString location() {
    const QString server = qEnvironmentVariable("CORVANE_BENCH_SERVER");
    if (server.isEmpty()) return dataDir();
    if (!store::DataDirExists(server)) {
        std::fprintf(stderr, "copying the data set onto %s ...\n", qPrintable(server));
        QString error;
        if (store::CopyBusiness(dataDir(), server, true, nullptr, &error) != 0) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return {};
        }
    }
    return server;
}

}  // namespace bench
