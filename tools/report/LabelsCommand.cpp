// corvane-report [-C DIR] labels --stock NAME --job JOB [job options] [--column N] [--row N]
//                --format pdf -o FILE
// JOB and its options: all (every customer, by postal code); customers --customers N,N,...;
// invoices | past-due | statements [--from YYYY-MM-DD] [--to YYYY-MM-DD] (default: today);
// groups --groups N,N,...; batch [--batch FILE] (default: the data directory's BatchLab.dat).
// The sheets are laid out on the page a PDF export of the program uses, with the same layout and
// drawing as the printed labels. Exit codes as the tool's: 0 done (also when the job chose nobody,
// which is said), 1 the data or the stock cannot be used, 2 bad usage.
#include "LabelsCommand.h"
#include "ToolCommon.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "base/ConsoleDialogs.h"
#include "base/Format.h"
#include "base/ReportOutput.h"
#include "labels/LabelGen.h"
#include "labels/LabelJobs.h"
#include "labels/LabelStock.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Settings.h"

namespace labels_tool {
namespace {

constexpr int kDone = 0, kDataFault = 1, kBadUsage = 2;

const char* const kUsage =
    "usage: corvane-report [-C DIR] labels --stock NAME --job JOB [options] [--column N] [--row N] --format pdf -o FILE\n"
    "JOB: all | customers --customers N,N | invoices|past-due|statements [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "     | groups --groups N,N | batch [--batch FILE]\n";

void say(const QString& text) { std::fprintf(stderr, "corvane-report: %s\n", qPrintable(text)); }

struct Request {
    QString dir = QStringLiteral(".");
    QString stock, job, output, batch;
    QString format = QStringLiteral("pdf");
    QStringList customers;
    QList<int> groups;
    QDate from, to;
    labels::LabelStart start;
};

// The options with a value, each stored by its reader; false with *problem on a bad value.
using Reader = std::function<bool(Request*, const QString&)>;
Reader text(QString Request::*field) {
    return [field](Request* r, const QString& v) { return (r->*field = v), true; };
}
Reader date(QDate Request::*field) {
    return [field](Request* r, const QString& v) {
        r->*field = QDate::fromString(v, Qt::ISODate);
        return (r->*field).isValid() && v.size() == 10;
    };
}
Reader number(int labels::LabelStart::*field) {
    return [field](Request* r, const QString& v) {
        bool ok = false;
        r->start.*field = v.toInt(&ok);
        return ok && r->start.*field >= 1;
    };
}

bool parse(const QStringList& args, Request* r, QString* problem) {
    const std::map<QString, Reader> options = {
        {"-C", text(&Request::dir)},          {"--stock", text(&Request::stock)},
        {"--job", text(&Request::job)},       {"--format", text(&Request::format)},
        {"-o", text(&Request::output)},       {"--batch", text(&Request::batch)},
        {"--from", date(&Request::from)},     {"--to", date(&Request::to)},
        {"--column", number(&labels::LabelStart::column)}, {"--row", number(&labels::LabelStart::row)},
        {"--customers", [](Request* q, const QString& v) { return !(q->customers = v.split(',')).isEmpty(); }},
        {"--groups", [](Request* q, const QString& v) {
             for (const QString& g : v.split(',')) {
                 bool ok = false;
                 q->groups << g.toInt(&ok);
                 if (!ok) return false;
             }
             return true;
         }},
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("labels")) continue;
        const auto option = options.find(arg);
        if (option == options.end()) return *problem = QStringLiteral("unknown option ") + arg, false;
        if (i + 1 >= args.size()) return *problem = arg + QStringLiteral(" needs a value"), false;
        if (!option->second(r, args.at(++i))) return *problem = QStringLiteral("bad value %1 for %2").arg(args.at(i), arg), false;
    }
    const QStringList jobs = {"all", "customers", "invoices", "past-due", "statements", "groups", "batch"};
    if (r->stock.isEmpty()) return *problem = QStringLiteral("labels needs --stock NAME"), false;
    if (!jobs.contains(r->job)) return *problem = QStringLiteral("labels needs --job ") + jobs.join('|'), false;
    if (r->format != QLatin1String("pdf")) return *problem = QStringLiteral("labels are written as pdf only"), false;
    if (r->output.isEmpty()) return *problem = QStringLiteral("pdf needs -o FILE"), false;
    if (r->job == QLatin1String("customers") && r->customers.isEmpty()) return *problem = QStringLiteral("customers needs --customers N,N"), false;
    if (r->job == QLatin1String("groups") && r->groups.isEmpty()) return *problem = QStringLiteral("groups needs --groups N,N"), false;
    if (!r->from.isValid()) r->from = QDate::currentDate();
    if (!r->to.isValid()) r->to = QDate::currentDate();
    if (r->from > r->to) return *problem = QStringLiteral("--from is after --to"), false;
    return true;
}

labels::LabelSelection selectCustomers(const Request& r) {
    const double from = base::DayFromDate(r.from), to = base::DayFromDate(r.to);
    if (r.job == QLatin1String("customers")) return labels::NumberedLabels(r.customers);
    if (r.job == QLatin1String("invoices")) return labels::InvoiceLabels(from, to);
    if (r.job == QLatin1String("past-due")) return labels::PastDueLabels(from, to);
    if (r.job == QLatin1String("statements")) return labels::StatementLabels(from, to);
    if (r.job == QLatin1String("groups")) return labels::GroupLabels(r.groups);
    if (r.job == QLatin1String("batch")) {
        const QString file = r.batch.isEmpty() ? labels::FindBatchFile() : r.batch;
        if (!QFileInfo::exists(file)) return {{}, -1};
        return labels::BatchLabels(file);
    }
    return labels::AllCustomerLabels();
}

// The job on the named stock into r.output. REQUIRES: the engine started in the data directory.
int writeLabels(const Request& r) {
    store::OpenLabels();
    const bool found = labels::FindStock(r.stock);
    store::CloseAll();
    const QString unusable = found ? labels::StockProblem(store::LabelRec, base::ReportFont)
                                   : QStringLiteral("no label stock named ") + r.stock;
    if (!unusable.isEmpty()) return say(unusable), kDataFault;
    store::OpenCust();
    store::OpenInv();
    const labels::LabelSelection s = selectCustomers(r);
    if (s.skippedLines < 0) return say(QStringLiteral("no batch label file")), kDataFault;
    if (s.skippedLines > 0) say(QStringLiteral("%1 customer numbers named no customer and were skipped").arg(s.skippedLines));
    if (s.blocks.isEmpty()) return say(QStringLiteral("No customers were selected, so no labels were written.")), kDone;
    if (!labels::WriteLabelPdf(r.output, store::LabelRec, r.start, s.blocks, base::ReportFont))
        return say(QStringLiteral("cannot write ") + r.output), kDataFault;
    return kDone;
}

}  // namespace

bool IsLabelsCommand(const QStringList& args) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("-C")) ++i;
        else return args.at(i) == QLatin1String("labels");
    }
    return false;
}

int RunLabels(const QStringList& args) {
    Request r;
    QString problem;
    if (!parse(args, &r, &problem)) {
        say(problem);
        std::fputs(kUsage, stderr);
        return kBadUsage;
    }
    base::ConsoleDialogs dialogs(QStringLiteral("corvane-report: "));
    base::setDialogs(&dialogs);
    r.output = QDir::current().absoluteFilePath(r.output);
    if (!r.batch.isEmpty()) r.batch = QDir::current().absoluteFilePath(r.batch);
    if (store::IsServerLocation(r.dir)) {
        if (!EnterDataDirectory(r.dir)) return kDataFault;
    } else if (!QFileInfo(r.dir).isDir() || !store::DataFilesPresent(r.dir)) {
        say(QStringLiteral("no data directory ") + r.dir);
        return kDataFault;
    }
    // A table that cannot be opened was named by the open routine's message; the run ends there.
    store::SetProgramExitHook([] { std::exit(kDataFault); });
    if (!store::EngineActive()) store::EngineInit(nullptr, r.dir.toStdString());
    ReadReportSettings();
    const int rc = writeLabels(r);
    store::EngineEnd();
    return rc;
}

}  // namespace labels_tool
