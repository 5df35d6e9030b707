// corvane-report [-C DIR] mail-merge --groups N,N,... -o FILE
// Exit codes: 0 written; 1 the data directory lacks a table or the file cannot be written; 2 bad usage
// (no -o, no groups, a group number that is not in the group table).
#include "MailMergeTool.h"
#include "ToolCommon.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

#include "base/ConsoleDialogs.h"
#include "base/Format.h"
#include "reports/MailMerge.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/TableHandles.h"

namespace {

constexpr int kDone = 0;
constexpr int kDataFault = 1;
constexpr int kBadUsage = 2;

void say(const QString& text) { std::fprintf(stderr, "corvane-report: %s\n", qPrintable(text)); }

int usage(const QString& problem) {
    say(problem);
    std::fputs("usage: corvane-report [-C DIR] mail-merge --groups N,N,... -o FILE\n", stderr);
    return kBadUsage;
}

struct MergeRequest {
    QString dir = QStringLiteral(".");
    QList<int> groups;
    QString output;
};

bool parse(const QStringList& args, MergeRequest* r, QString* problem) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("mail-merge")) continue;
        const bool takesValue = arg == QLatin1String("-C") || arg == QLatin1String("--groups") || arg == QLatin1String("-o");
        if (!takesValue) return *problem = QStringLiteral("unknown argument ") + arg, false;
        if (i + 1 >= args.size()) return *problem = arg + QStringLiteral(" needs a value"), false;
        const QString value = args.at(++i);
        if (arg == QLatin1String("-C")) {
            r->dir = value;
        } else if (arg == QLatin1String("-o")) {
            r->output = value;
        } else {
            for (const QString& part : value.split(QLatin1Char(','))) {
                bool ok = false;
                const int number = part.trimmed().toInt(&ok);
                if (!ok || number < 0) return *problem = QStringLiteral("malformed group number ") + part, false;
                r->groups << number;
            }
        }
    }
    if (r->groups.isEmpty()) return *problem = QStringLiteral("no --groups given"), false;
    if (r->output.isEmpty()) return *problem = QStringLiteral("-o FILE is required"), false;
    return true;
}

// The first chosen group that the group table lacks, or -1. REQUIRES: GROUPS open.
int unknownGroup(const QList<int>& groups) {
    for (int number : groups)
        if (store::GroupsTable->seek(store::ToTableText(base::PadNumber(number, 2))) != xbase::kOk) return number;
    return -1;
}

}  // namespace

bool IsMailMerge(const QStringList& args) {
    const qsizetype command = args.value(1) == QLatin1String("-C") ? 3 : 1;
    return args.value(command) == QLatin1String("mail-merge");
}

int MailMergeMain(const QStringList& args) {
    MergeRequest r;
    QString problem;
    if (!parse(args, &r, &problem)) return usage(problem);
    r.output = QDir::current().absoluteFilePath(r.output);
    if (!EnterDataDirectory(r.dir)) return kDataFault;
    base::ConsoleDialogs dialogs(QStringLiteral("corvane-report: "));
    base::setDialogs(&dialogs);
    store::SetProgramExitHook([] { std::exit(kDataFault); });
    if (!store::EngineActive()) store::EngineInit();  // a server's was started by EnterDataDirectory
    if (!store::OpenCust() || !store::OpenGroups()) return kDataFault;
    int rc = kDone;
    if (const int unknown = unknownGroup(r.groups); unknown >= 0) {
        rc = usage(QStringLiteral("no customer group %1").arg(unknown));
    } else if (const reports::MailMergeResult result = reports::WriteMailMerge(r.output, r.groups); !result.written) {
        say(QStringLiteral("cannot write %1: %2").arg(r.output, result.error));
        rc = kDataFault;
    }
    store::EngineEnd();
    return rc;
}
