// corvane-data: writes a data directory with the delivered empty tables and, on request, a demo business.
//   corvane-data [--demo] [--customers N] [--invoices N] [--seed N] [--force] DIR
// DIR may be a database server's URI (postgresql://...): the business is written there instead.
//   corvane-data --upgrade OLD_DIR DIR   (Upgrade.cpp)
//   corvane-data --copy FROM TO [--force]   (a directory to a server or back; all or nothing)
// --customers and --invoices imply --demo. An existing data directory is replaced only with --force.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

#include "Upgrade.h"
#include "base/OwnerOnly.h"
#include "store/CopyData.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"

namespace {

constexpr const char* kUsage =
    "usage: corvane-data [--demo] [--customers N] [--invoices N] [--seed N] [--force] DIR\n"
    "       corvane-data --upgrade OLD_DIR DIR\n"
    "       corvane-data --copy FROM TO [--force]\n"
    "Writes the empty tables (one settings record, one import-directory record) and their indexes into\n"
    "DIR (or a database server's URI, postgresql://...); --demo adds a sample business (default 50\n"
    "customers, 300 invoices). --upgrade converts the old\n"
    "system's tables in OLD_DIR into the data directory DIR (progress on standard error). --copy moves a\n"
    "whole business between a directory and a server (either way), all or nothing, and reads it back.\n";

struct Arguments {
    store::DataDirOptions options;
    bool force = false;
    QString dir;
};

bool parseCount(const QStringList& args, qsizetype* i, long* out) {
    if (*i + 1 >= args.size()) return false;
    bool ok = false;
    const long value = args.at(++*i).toLong(&ok);
    if (!ok || value < 0) return false;
    *out = value;
    return true;
}

// Returns false (after printing why) on a bad command line.
bool parse(const QStringList& args, Arguments* a) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        long value = 0;
        if (arg == QLatin1String("--demo")) {
            a->options.demo = true;
        } else if (arg == QLatin1String("--force")) {
            a->force = true;
        } else if (arg == QLatin1String("--customers") || arg == QLatin1String("--invoices") ||
                   arg == QLatin1String("--seed")) {
            if (!parseCount(args, &i, &value)) {
                std::fprintf(stderr, "corvane-data: %s needs a number\n", qPrintable(arg));
                return false;
            }
            if (arg == QLatin1String("--seed")) {
                a->options.seed = static_cast<uint64_t>(value);
            } else {
                (arg == QLatin1String("--customers") ? a->options.customers : a->options.invoices) = value;
                a->options.demo = true;
            }
        } else if (arg.startsWith(QLatin1String("-"))) {
            std::fprintf(stderr, "corvane-data: unknown option %s\n%s", qPrintable(arg), kUsage);
            return false;
        } else if (a->dir.isEmpty()) {
            a->dir = arg;
        } else {
            std::fprintf(stderr, "corvane-data: one directory only\n%s", kUsage);
            return false;
        }
    }
    if (a->dir.isEmpty()) {
        std::fprintf(stderr, "%s", kUsage);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && args.at(1) == QLatin1String("--copy")) {
        const bool force = args.size() == 5 && args.at(4) == QLatin1String("--force");
        if (args.size() != 4 && !force) {
            std::fprintf(stderr, "corvane-data: --copy needs FROM and TO\n%s", kUsage);
            return 2;
        }
        QElapsedTimer timer;
        timer.start();
        QString error;
        const int rc = store::CopyBusiness(args.at(2), args.at(3), force, [](const QString& table, long done, long total) {
            std::fprintf(stderr, "\r%s: %ld of %ld records", qPrintable(table), done, total);
            if (done == total) std::fprintf(stderr, "\n");
        }, &error);
        if (rc != 0) {
            std::fprintf(stderr, "\ncorvane-data: %s (nothing was copied)\n", qPrintable(error));
            return 1;
        }
        std::printf("corvane-data: copied %s to %s and read it back equal in %.1f s\n", qPrintable(args.at(2)),
                    qPrintable(args.at(3)), timer.elapsed() / 1000.0);
        return 0;
    }
    if (args.size() > 1 && args.at(1) == QLatin1String("--upgrade")) {
        if (args.size() != 4) {
            std::fprintf(stderr, "corvane-data: --upgrade needs OLD_DIR and DIR\n%s", kUsage);
            return 2;
        }
        return UpgradeMain(args.at(2), args.at(3));
    }
    Arguments a;
    if (!parse(QCoreApplication::arguments(), &a)) return 2;

    const bool server = store::IsServerLocation(a.dir);
    if (!server && !base::MakeOwnerOnlyPath(a.dir)) {
        std::fprintf(stderr, "corvane-data: cannot create %s\n", qPrintable(a.dir));
        return 1;
    }
    QString error;
    if (store::DataDirExists(a.dir)) {
        if (!a.force) {
            std::fprintf(stderr, "corvane-data: %s already holds a data directory (use --force to replace it)\n",
                         qPrintable(a.dir));
            return 1;
        }
        if (!store::RemoveDataFiles(a.dir, &error)) {
            std::fprintf(stderr, "corvane-data: %s\n", qPrintable(error));
            return 1;
        }
    }
    QElapsedTimer timer;
    timer.start();
    if (store::WriteDataDir(a.dir, a.options, &error) != 0) {
        std::fprintf(stderr, "corvane-data: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("corvane-data: wrote %s%s in %.1f s\n", qPrintable(server ? a.dir : QDir(a.dir).absolutePath()),
                a.options.demo ? qPrintable(QStringLiteral(" (demo: %1 customers, %2 invoices)")
                                                .arg(a.options.customers)
                                                .arg(a.options.invoices))
                               : "",
                timer.elapsed() / 1000.0);
    return 0;
}
