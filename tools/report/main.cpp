// corvane-report: runs a report of the program's report table without the windows, with the same
// generators and report buffer, and writes what the report window's exports write.
//   corvane-report [-C DIR] REPORT [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--format text|tsv|pdf] [-o FILE]
//                  [--as-of YYYY-MM-DD] [--customers N,N,...] [--groups N,N,...] [--product CODE]
//   corvane-report --list
//   corvane-report [-C DIR] mail-merge --groups N,N,... -o FILE   (MailMergeTool.cpp)
//   corvane-report [-C DIR] labels ... (see LabelsCommand.cpp)
//   corvane-report [-C DIR] einvoice ... (see EInvoiceCommand.h)
// Exit codes: 0 done; 1 the data directory lacks a table or a table cannot be opened; 2 bad usage;
// 3 nothing to report (said on standard error; no -o FILE is left behind).
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#include "EInvoiceCommand.h"
#include "LabelsCommand.h"
#include "MailMergeTool.h"
#include "ToolCommon.h"
#include "base/ConsoleDialogs.h"
#include "base/Format.h"
#include "base/OwnerOnly.h"
#include "base/ReportOutput.h"
#include "LabelsCommand.h"
#include "MailMergeTool.h"
#include "reports/CustomerRpt.h"
#include "reports/ReportList.h"
#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/EngineContext.h"
#include "store/Settings.h"
#include "ToolCommon.h"

namespace {

constexpr int kDone = 0;
constexpr int kDataFault = 1;
constexpr int kBadUsage = 2;
constexpr int kNothingToReport = 3;

constexpr const char* kUsage =
    "usage: corvane-report [-C DIR] REPORT [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--format text|tsv|pdf] [-o FILE]\n"
    "                      [--as-of YYYY-MM-DD] [--customers N,N,...] [--groups N,N,...] [--product CODE]\n"
    "       corvane-report --list\n"
    "DIR is the data directory (default: the current directory). A report over a span of dates covers\n"
    "the current month unless --from or --to says otherwise (--to alone: from the first of its month). text and tsv go to standard output without\n"
    "-o; pdf needs -o. inventory values the stock as of today unless --as-of says otherwise;\n"
    "customer-profile needs --customers or --groups, product-buyers needs --product.\n";

void say(const QString& text) { Say(text); }

int usageError(const QString& problem) { return UsageError(problem, kUsage); }

const QString kUnableToOpen = QStringLiteral("Unable to open file ");

// Messages go to standard error. A table that opens in the program but not here is held by its
// maintenance (re-index, pack). The missing printer is no news: the report is laid out for the PDF
// page, as the window lays it out without one.
class ToolDialogs : public base::ConsoleDialogs {
public:
    ToolDialogs() : ConsoleDialogs(QStringLiteral("corvane-report: "), {reports::kNoPrinterMessage}) {}
    QString line(const QString& text) const override {
        // The first line says it; the last speaks of the windows ("Program will now terminate."), and
        // between them stands why a table could not be opened, when the engine knows.
        const QStringList lines = text.split(QLatin1Char('\n'));
        const QString& first = lines.first();
        if (!first.startsWith(kUnableToOpen)) return first;
        if (lines.size() > 2) return first + QStringLiteral(": ") + lines.mid(1, lines.size() - 2).join(QLatin1Char(' '));
        return first + QStringLiteral(" (missing, damaged, or in use by maintenance in the program)");
    }
    using ConsoleDialogs::message;
    base::Answer message(base::MsgKind kind, const QString& text, base::MsgButtons buttons, base::MsgDefault def) override {
        if (text != reports::kNoPrinterMessage) ++m_said;  // not shown: says nothing
        return ConsoleDialogs::message(kind, text, buttons, def);
    }
    int said() const { return m_said; }

private:
    int m_said = 0;
};

struct Request {
    QString dir = QStringLiteral(".");
    const reports::ReportEntry* report = nullptr;
    QDate from, to;
    QString format = QStringLiteral("text");
    QString output;
    bool list = false;
    QDate asOf;
    QString customers, groups;  // as given: numbers separated by commas
    QString product;
};

// "N,N,..." as whole numbers above 0; false for anything else.
template <class Number>
bool numberList(const QString& text, QList<Number>* out) {
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const long n = part.trimmed().toLong(&ok);
        if (!ok || n <= 0) return false;
        out->append(Number(n));
    }
    return true;
}

// The choices besides the span that the report asks for, checked against what it asks, into the
// selection values; the usage problem in *problem.
bool takeChoices(const QString& name, const Request& r, QString* problem) {
    using reports::Asks;
    const Asks asks = r.report->asks;
    auto refuse = [&](const char* option) { return *problem = name + QStringLiteral(" takes no ") + QLatin1String(option), false; };
    if (r.asOf.isValid() && asks != Asks::AsOfDate) return refuse("--as-of");
    if ((!r.customers.isNull() || !r.groups.isNull()) && asks != Asks::Customers) return refuse("--customers or --groups");
    if (!r.product.isNull() && asks != Asks::Product) return refuse("--product");
    reports::SelectedCustomers.clear();
    reports::SelectedGroups.clear();
    reports::SelectedProduct = r.product;
    if (asks == Asks::Customers) {
        if (r.customers.isNull() == r.groups.isNull())
            return *problem = name + QStringLiteral(" needs --customers or --groups (one of them)"), false;
        const bool byCustomers = !r.customers.isNull();
        const bool ok = byCustomers ? numberList(r.customers, &reports::SelectedCustomers)
                                    : numberList(r.groups, &reports::SelectedGroups);
        if (!ok)
            return *problem = QStringLiteral("malformed list %1 (use numbers separated by commas)")
                                  .arg(byCustomers ? r.customers : r.groups),
                   false;
    }
    if (asks == Asks::Product && r.product.trimmed().isEmpty()) return *problem = name + QStringLiteral(" needs --product CODE"), false;
    return true;
}

// The request, or the usage problem in *problem.
bool parse(const QStringList& args, Request* r, QString* problem) {
    auto value = [&](qsizetype* i, QString* out) {
        if (*i + 1 >= args.size()) {
            *problem = args.at(*i) + QStringLiteral(" needs a value");
            return false;
        }
        *out = args.at(++*i);
        return true;
    };
    auto date = [&](qsizetype* i, QDate* out) {
        QString text;
        if (!value(i, &text)) return false;
        *out = QDate::fromString(text, Qt::ISODate);
        if (out->isValid() && text.size() == 10) return true;
        *problem = QStringLiteral("malformed date %1 (use YYYY-MM-DD)").arg(text);
        return false;
    };
    QString name;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        bool ok = true;
        if (arg == QLatin1String("-C")) ok = value(&i, &r->dir);
        else if (arg == QLatin1String("--from")) ok = date(&i, &r->from);
        else if (arg == QLatin1String("--to")) ok = date(&i, &r->to);
        else if (arg == QLatin1String("--format")) ok = value(&i, &r->format);
        else if (arg == QLatin1String("-o")) ok = value(&i, &r->output);
        else if (arg == QLatin1String("--list")) r->list = true;
        else if (arg == QLatin1String("--as-of")) ok = date(&i, &r->asOf);
        else if (arg == QLatin1String("--customers")) ok = value(&i, &r->customers);
        else if (arg == QLatin1String("--groups")) ok = value(&i, &r->groups);
        else if (arg == QLatin1String("--product")) ok = value(&i, &r->product);
        else if (arg.startsWith(QLatin1Char('-'))) *problem = QStringLiteral("unknown option ") + arg, ok = false;
        else if (name.isEmpty()) name = arg;
        else *problem = QStringLiteral("more than one report named: ") + arg, ok = false;
        if (!ok) return false;
    }
    if (r->list) return true;
    if (name.isEmpty()) return *problem = QStringLiteral("no report named"), false;
    r->report = reports::FindReport(name);
    if (!r->report) return *problem = QStringLiteral("unknown report ") + name + QStringLiteral(" (see --list)"), false;
    if (!r->report->takesSpan && (r->from.isValid() || r->to.isValid()))
        return *problem = name + QStringLiteral(" takes no dates"), false;
    if (r->format != QLatin1String("text") && r->format != QLatin1String("tsv") && r->format != QLatin1String("pdf"))
        return *problem = QStringLiteral("unknown format ") + r->format + QStringLiteral(" (text, tsv or pdf)"), false;
    if (r->format == QLatin1String("pdf") && r->output.isEmpty()) return *problem = QStringLiteral("pdf needs -o FILE"), false;
    // The span the date dialog offers: the current month.
    const QDate today = QDate::currentDate();
    // --to alone: the month it ends.
    const QDate month = r->to.isValid() ? r->to : today;
    if (!r->from.isValid()) r->from = QDate(month.year(), month.month(), 1);
    if (!r->to.isValid()) r->to = QDate(today.year(), today.month(), today.daysInMonth());
    if (r->from > r->to) return *problem = QStringLiteral("--from is after --to"), false;
    if (!takeChoices(name, *r, problem)) return false;
    if (!r->asOf.isValid()) r->asOf = today;
    return true;
}

int listReports() {
    for (const reports::ReportEntry& e : reports::Reports())
        std::printf("%-18s %s%s%s\n", e.name, e.summary, e.takesSpan ? " (--from, --to)" : "",
                    e.asks == reports::Asks::AsOfDate    ? " (--as-of)"
                    : e.asks == reports::Asks::Customers ? " (--customers or --groups)"
                    : e.asks == reports::Asks::Product   ? " (--product)"
                                                         : "");
    return kDone;
}

// Writes the buffer as the report window's export of that format would.
int writeReport(const Request& r) {
    if (r.format == QLatin1String("pdf")) {
        if (reports::WritePdf(r.output, base::ReportFont, reports::ReportLines, reports::ReportWidth)) return kDone;
        say(QStringLiteral("cannot write ") + r.output);
        return kDataFault;
    }
    const auto kind = r.format == QLatin1String("tsv") ? reports::ExportKind::TabDelimited : reports::ExportKind::Plain;
    QFile out(r.output);
    const bool opened = r.output.isEmpty() ? out.open(stdout, QIODevice::WriteOnly) : base::OpenOwnerOnly(out, QIODevice::WriteOnly);
    if (!opened) {
        say(QStringLiteral("cannot write ") + r.output);
        return kDataFault;
    }
    const reports::ExportResult result = reports::ExportReport(out, kind);
    if (!result.written) {
        say(QStringLiteral("cannot write ") + (r.output.isEmpty() ? QStringLiteral("the report") : r.output));
        return kDataFault;
    }
    // As the window warns after its export; the report is still written and the run done.
    if (result.firstUnfitLine > 0)
        say(QStringLiteral("characters Windows-1252 lacks were written as \"?\" (the first in line %1)")
                .arg(result.firstUnfitLine));
    return kDone;
}

// An empty report: why, unless the report said so itself, and no earlier file of that name left to be
// taken for this run's figures.
int nothingToReport(const Request& r, bool said) {
    if (!said) say(QString::fromUtf8(r.report->nothing));
    if (!r.output.isEmpty() && QFileInfo(r.output).isFile() && !QFile::remove(r.output)) {
        say(QStringLiteral("cannot remove the earlier ") + r.output);
        return kDataFault;
    }
    return kNothingToReport;
}

}  // namespace

int main(int argc, char** argv) {
    // Fonts and the PDF page need a GUI application, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (IsMailMerge(app.arguments())) return MailMergeMain(app.arguments());
    if (labels_tool::IsLabelsCommand(app.arguments())) return labels_tool::RunLabels(app.arguments());
    if (IsEInvoiceCommand(app.arguments())) return RunEInvoice(app.arguments());
    Request r;
    QString problem;
    if (!parse(app.arguments(), &r, &problem)) return usageError(problem);
    if (r.list) return listReports();

    ToolDialogs dialogs;
    base::setDialogs(&dialogs);
    if (!r.output.isEmpty()) r.output = QDir::current().absoluteFilePath(r.output);
    if (!EnterDataDirectory(r.dir)) return kDataFault;
    // A table that cannot be opened (damaged, or held by maintenance in the program) was named by the
    // open routine's message; the report ends there.
    store::SetProgramExitHook([] { std::exit(kDataFault); });
    if (!store::EngineActive()) store::EngineInit();  // a server's was started by EnterDataDirectory
    ReadReportSettings();
    // Customers, groups and products named are looked for before the report runs.
    if (const QString unknown = reports::UnknownSelection(); !unknown.isEmpty()) {
        store::EngineEnd();
        return usageError(QStringLiteral("unknown ") + unknown);
    }
    const QDate start = r.report->asks == reports::Asks::AsOfDate ? r.asOf : r.from;
    const int saidBefore = dialogs.said();
    r.report->build(base::DayFromDate(start), base::DayFromDate(r.to));
    const int rc = reports::LastLine() >= 0 ? writeReport(r) : nothingToReport(r, dialogs.said() > saidBefore);
    reports::EndReport();
    store::EngineEnd();
    return rc;
}
