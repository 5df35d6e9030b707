#include "EInvoiceCommand.h"

#include <QDate>
#include <QDir>

#include <cstdio>
#include <cstdlib>

#include "ToolCommon.h"
#include "base/ConsoleDialogs.h"
#include "base/Format.h"
#include "base/OwnerOnly.h"
#include "einvoice/EInvoiceExport.h"
#include "einvoice/InvoiceSource.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace {

constexpr const char* kUsage =
    "usage: corvane-report [-C DIR] einvoice --invoice N --format ubl|cii|facturx -o FILE\n"
    "       corvane-report [-C DIR] einvoice --from YYYY-MM-DD --to YYYY-MM-DD --format ubl|cii|facturx -o DIR\n";


struct Request {
    QString dir = QStringLiteral(".");
    long invoice = 0;
    QDate from, to;
    einvoice::Format format = einvoice::Format::Ubl;
    QString output;
};

bool parse(const QStringList& args, Request* r, QString* problem) {
    QString formatName;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("einvoice")) continue;
        if (i + 1 >= args.size()) return *problem = arg + QStringLiteral(" needs a value"), false;
        const QString value = args.at(++i);
        if (arg == QLatin1String("-C")) {
            r->dir = value;
        } else if (arg == QLatin1String("--invoice")) {
            bool ok = false;
            r->invoice = value.toLong(&ok);
            if (!ok || r->invoice <= 0) return *problem = QStringLiteral("malformed invoice number ") + value, false;
        } else if (arg == QLatin1String("--from") || arg == QLatin1String("--to")) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid() || value.size() != 10)
                return *problem = QStringLiteral("malformed date %1 (use YYYY-MM-DD)").arg(value), false;
            (arg == QLatin1String("--from") ? r->from : r->to) = date;
        } else if (arg == QLatin1String("--format")) {
            formatName = value;
        } else if (arg == QLatin1String("-o")) {
            r->output = value;
        } else {
            --i;
            return *problem = QStringLiteral("unknown option ") + arg, false;
        }
    }
    if (!einvoice::ParseFormat(formatName, &r->format))
        return *problem = QStringLiteral("--format needs ubl, cii or facturx"), false;
    const bool span = r->from.isValid() || r->to.isValid();
    if (span == (r->invoice > 0)) return *problem = QStringLiteral("give --invoice N or a span (--from, --to)"), false;
    if (r->output.isEmpty()) return *problem = QStringLiteral("-o is needed"), false;
    if (span) {
        if (!r->from.isValid()) r->from = r->to;
        if (!r->to.isValid()) r->to = r->from;
        if (r->from > r->to) return *problem = QStringLiteral("--from is after --to"), false;
    }
    return true;
}

}  // namespace

bool IsEInvoiceCommand(const QStringList& args) {
    qsizetype i = 1;
    if (args.size() > 2 && args.at(1) == QLatin1String("-C")) i = 3;
    return i < args.size() && args.at(i) == QLatin1String("einvoice");
}

int RunEInvoice(const QStringList& args) {
    Request r;
    QString problem;
    if (!parse(args, &r, &problem)) return UsageError(problem, kUsage);
    base::ConsoleDialogs dialogs(QStringLiteral("corvane-report: "), {});
    base::setDialogs(&dialogs);
    r.output = QDir::current().absoluteFilePath(r.output);
    const bool span = r.invoice == 0;
    if (span && !base::MakeOwnerOnlyPath(r.output)) {
        Say(QStringLiteral("cannot make the directory ") + r.output);
        return kToolDataFault;
    }
    if (!EnterDataDirectory(r.dir)) return kToolDataFault;
    store::SetProgramExitHook([] { std::exit(kToolDataFault); });
    store::EngineInit();
    if (!einvoice::OpenSourceTables()) {
        store::EngineEnd();
        return kToolDataFault;
    }
    const std::vector<long> numbers =
        span ? einvoice::InvoicesDated(base::DayFromDate(r.from), base::DayFromDate(r.to)) : std::vector<long>{r.invoice};
    int rc = kToolDone;
    for (long n : numbers) {
        const QString path = span ? QDir(r.output).filePath(QString::number(n) + einvoice::FormatSuffix(r.format)) : r.output;
        const einvoice::ExportOutcome outcome = einvoice::ExportInvoice(n, r.format, path);
        if (!outcome.written) {
            Say(einvoice::OutcomeMessage(n, outcome));
            rc = kToolDataFault;
        }
    }
    store::EngineEnd();
    return rc;
}
