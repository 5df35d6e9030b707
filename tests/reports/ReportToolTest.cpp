// corvane-report run as a user runs it: its exit codes and messages, and the PDF it writes.
#include <gtest/gtest.h>

#include <algorithm>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "base/Format.h"
#include "labels/LabelJobs.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "support/TestSupport.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out, err;
};

class ReportToolTest : public testing_support::DataDirTest {
protected:
    void writeData(bool demo) {
        store::DataDirOptions o;
        o.demo = demo;
        o.customers = 12;
        o.invoices = 40;
        o.asOf = base::DayFromDate(QDate(2026, 6, 30));
        QString error;
        ASSERT_EQ(store::WriteDataDir(dataDir(), o, &error), 0) << error.toStdString();
    }
    // Every file of the data directory (or of dir), named, in one block.
    QByteArray dataFiles(const QString& dir = {}) const {
        QByteArray all;
        for (const QFileInfo& f : QDir(dir.isEmpty() ? dataDir() : dir).entryInfoList({"*.dbf", "*.dbt", "*.ntx", "*.cgp"}, QDir::Files, QDir::Name)) {
            QFile file(f.filePath());
            file.open(QIODevice::ReadOnly);
            all += f.fileName().toUtf8() + file.readAll();
        }
        return all;
    }
    // inChild runs in the tool's process before it starts (a umask, another user); tool: another copy.
    ToolRun run(const QStringList& args, const std::function<void()>& inChild = {},
                const QString& tool = QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report")) {
        QProcess p;
        if (inChild) p.setChildProcessModifier(inChild);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dataDir());
        p.start(tool, args);
        if (!p.waitForFinished(120000)) return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }
};

TEST_F(ReportToolTest, BadUsageAndMissingDataGiveTheirCodesAndSayWhy) {
    writeData(false);
    ASSERT_TRUE(QFile::resize(path(QStringLiteral("INV5.dbf")), 10));  // a damaged table
    const QString noData = path(QStringLiteral("elsewhere"));
    const struct {
        QStringList args;
        int code;
        const char* says;
    } cases[] = {
        {{"no-such"}, 2, "unknown report no-such"},
        {{"sales-summary", "--from", "2026-13-01"}, 2, "malformed date 2026-13-01"},
        {{"sales-summary", "--to", "1/6/26"}, 2, "malformed date 1/6/26"},
        {{"sales-summary", "--from", "2026-06-30", "--to", "2026-06-01"}, 2, "--from is after --to"},
        {{"receivables", "--to", "2026-06-01"}, 2, "receivables takes no dates"},
        {{"sales-summary", "--format", "pdf"}, 2, "pdf needs -o FILE"},
        {{"sales-summary", "--format", "csv"}, 2, "unknown format csv"},
        {{"sales-summary", "--colour"}, 2, "unknown option --colour"},
        {{"inventory", "--as-of", "2026-02-30"}, 2, "malformed date 2026-02-30"},
        {{"stock-on-hand", "--as-of", "2026-01-01"}, 2, "stock-on-hand takes no --as-of"},
        {{"inventory", "--groups", "1"}, 2, "inventory takes no --customers or --groups"},
        {{"sales-summary", "--product", "X"}, 2, "sales-summary takes no --product"},
        {{"customer-profile"}, 2, "customer-profile needs --customers or --groups"},
        {{"customer-profile", "--customers", "1", "--groups", "1"}, 2, "needs --customers or --groups (one of them)"},
        {{"customer-profile", "--customers", "1,x"}, 2, "malformed list 1,x"},
        {{"customer-profile", "--customers", "999"}, 2, "unknown customer 999"},
        {{"customer-profile", "--groups", "77"}, 2, "unknown group 77"},
        {{"product-buyers"}, 2, "product-buyers needs --product CODE"},
        {{"product-buyers", "--product", "NOPE"}, 2, "unknown product NOPE"},
        {{"-C", noData, "receivables"}, 1, "no data directory"},
        {{"receivables"}, 1, "Unable to open file INV5.DBF"},
    };
    for (const auto& c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.says;
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.says;
    }
    ASSERT_TRUE(QDir().mkpath(noData));
    const ToolRun empty = run({"-C", noData, "daily-income"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains("lacks")) << empty.err.toStdString();

    const ToolRun list = run({"--list"});
    EXPECT_EQ(list.exitCode, 0);
    for (const char* name : {"sales-summary", "sales-by-product", "tax-summary", "daily-income", "gst-income",
                             "receivables", "aged-receivables", "purchasing", "product-listing", "stock-on-hand",
                             "inventory", "cost-of-goods", "customer-profile", "product-buyers"})
        EXPECT_TRUE(list.out.contains(name)) << name;
}

// Nothing to report is said, exits 3 and leaves no earlier file behind to be taken for this run's.
TEST_F(ReportToolTest, NothingToReportIsSaidWithItsOwnCodeAndNoStaleFile) {
    writeData(true);
    const QStringList past = {"--from", "1990-01-01", "--to", "1990-01-31"};
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {QStringList{"sales-summary"} + past, "No Invoices within selected dates."},
        {{"sales-summary", "--to", "1990-01-31"}, "No Invoices within selected dates."},  // --to alone
        {QStringList{"daily-income"} + past, "No Payments within selected dates."},
        {QStringList{"purchasing"} + past, "No Purchases within selected dates."},
        {QStringList{"product-buyers", "--product", "PAPER-A4"} + past, "No Invoices within selected dates."},
    };
    for (const auto& c : cases) {
        QFile old(path("old.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("last month's figures\n");
        old.close();
        const ToolRun r = run(c.args + QStringList{"-o", "old.txt"});
        EXPECT_EQ(r.exitCode, 3) << c.says << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.count(c.says), 1) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(path("old.txt"))) << c.says;
    }
    // A line table cut short of the records its header counts is damage: named, and exit 1.
    QFile itm(QDir(dataDir()).entryInfoList({"ITM5.DBF"}, QDir::Files).value(0).filePath());
    ASSERT_TRUE(itm.open(QIODevice::ReadOnly));
    const QByteArray header = itm.read(12);
    const qint64 recordLength = quint8(header[10]) | quint8(header[11]) << 8;
    itm.close();
    ASSERT_TRUE(itm.resize(itm.size() - 3 * recordLength));
    const ToolRun cut = run({"sales-summary", "--from", "2025-07-01", "--to", "2026-06-30"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_TRUE(cut.err.contains("Unable to open file ITM5.DBF: Damaged table")) << cut.err.toStdString();
    EXPECT_TRUE(cut.out.isEmpty());
}

TEST_F(ReportToolTest, PdfsOfTheDemoHoldTitleHeadingsAndTotalsInOrder) {
    writeData(true);
    const QByteArray before = dataFiles();
    const struct {
        QStringList args;
        QStringList inOrder;
    } cases[] = {
        {{"sales-summary", "--from", "2025-07-01", "--to", "2026-06-30", "-o", "sales.pdf"},
         {"Sales Summary for 7/1/25 through 6/30/26", "Inv. No", "Date", "Items", "Total", "Totals"}},
        {{"receivables", "-o", "receivables.pdf"}, {"RECEIVABLES", "Inv. No", "Customer", "Days", "Amount",
                                                     "Total Receivables"}},
    };
    for (const auto& c : cases) {
        const ToolRun r = run(QStringList{"--format", "pdf"} + c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {"-layout", path(c.args.last()), "-"});
        ASSERT_TRUE(text.waitForFinished(30000));
        const QString shown = QString::fromUtf8(text.readAllStandardOutput());
        qsizetype at = 0;
        for (const QString& part : c.inOrder) {
            const qsizetype found = shown.indexOf(part, at);
            EXPECT_GE(found, 0) << part.toStdString() << " in\n" << shown.toStdString();
            if (found >= 0) at = found + part.size();
        }
    }
    EXPECT_EQ(dataFiles(), before);  // the tool never writes to the data
}

TEST_F(ReportToolTest, LabelsOfTheDemoStandInTheirColumnsAndRows) {
    writeData(true);
    // The demo customers by postal code, as the job "all" takes them: twelve labels, four rows of three.
    store::EngineInit(nullptr, dataDir().toStdString());
    store::ReadSettings();
    store::OpenCust();
    const QList<QStringList> blocks = labels::AllCustomerLabels().blocks;
    store::EngineEnd();
    ASSERT_EQ(blocks.size(), 12);

    const ToolRun r = run({"labels", "--stock", "Sheet 3 x 10", "--job", "all", "--format", "pdf", "-o", "labels.pdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {"-layout", path("labels.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString shown = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_EQ(shown.count(QLatin1Char('\f')), 1) << "one sheet";
    const QStringList lines = shown.split(QLatin1Char('\n'));
    int previousLine = -1;
    // pdftotext shows one space between words.
    auto label = [&](int i, int line) { return blocks[i][line].simplified(); };
    for (int row = 0; row < 4; ++row) {
        // The row's three names on one line, left to right, below the row before.
        const QString first = label(row * 3, 0);
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(first); });
        ASSERT_NE(line, lines.end()) << first.toStdString() << " in\n" << shown.toStdString();
        qsizetype at = -1;
        for (int column = 0; column < 3; ++column) {
            const qsizetype found = line->indexOf(label(row * 3 + column, 0), at + 1);
            EXPECT_GT(found, at) << row << ":" << column << " in " << line->toStdString();
            at = found;
        }
        EXPECT_GT(int(line - lines.begin()), previousLine);
        previousLine = int(line - lines.begin());
        EXPECT_TRUE(shown.contains(label(row * 3, 1))) << label(row * 3, 1).toStdString();
    }

    const struct {
        QStringList args;
        int code;
        const char* says;
    } refused[] = {
        {{"labels", "--stock", "No such", "--job", "all", "-o", "x.pdf"}, 1, "no label stock named No such"},
        {{"labels", "--stock", "Sheet 3 x 10", "--job", "every", "-o", "x.pdf"}, 2, "labels needs --job"},
        {{"labels", "--stock", "Sheet 3 x 10", "--job", "groups", "-o", "x.pdf"}, 2, "groups needs --groups"},
        {{"labels", "--stock", "Sheet 3 x 10", "--job", "customers", "--customers", "1,x,999", "-o", "few.pdf"}, 0,
         "2 customer numbers named no customer"},
    };
    for (const auto& c : refused) {
        const ToolRun bad = run(c.args);
        EXPECT_EQ(bad.exitCode, c.code) << c.says;
        EXPECT_TRUE(bad.err.contains(c.says)) << bad.err.toStdString();
    }
    EXPECT_TRUE(QFile::exists(path("few.pdf")));
    EXPECT_FALSE(QFile::exists(path("x.pdf")));
}

// Files the tool writes are its user's alone whatever the umask; and a data directory the user may
// only read still prints. The tests run as root, whom modes do not stop, so the tool then runs as
// nobody (the files readable by all, writable by root only); as another user, everything is made
// read-only for the owner too.
TEST_F(ReportToolTest, ExportsAreOwnerOnlyAndReadOnlyDataStillPrints) {
    writeData(true);
    const ToolRun pdf = run({"--format", "pdf", "receivables", "-o", "receivables.pdf"}, [] { ::umask(022); });
    ASSERT_EQ(pdf.exitCode, 0) << pdf.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path("receivables.pdf")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(QFile::remove(path("receivables.pdf")));

    // Nobody may not enter the build's folders or the test's: the tool and the data are copied where
    // every user may.
    const std::unique_ptr<QTemporaryDir> open = testing_support::shortTempDir();
    ASSERT_TRUE(open->isValid());
    const QString tool = open->filePath(QStringLiteral("corvane-report"));
    const QString data = open->filePath(QStringLiteral("data"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"), tool));
    ASSERT_TRUE(QDir().mkpath(data));
    const bool root = ::geteuid() == 0;
    for (const QFileInfo& f : QDir(dataDir()).entryInfoList(QDir::Files)) {
        const QString copy = QDir(data).filePath(f.fileName());
        ASSERT_TRUE(QFile::copy(f.filePath(), copy));
        ASSERT_EQ(::chmod(QFile::encodeName(copy).constData(), root ? 0644 : 0444), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(data).constData(), root ? 0755 : 0555), 0);
    const QByteArray before = dataFiles(data);
    const ToolRun r = run({"-C", data, "receivables"}, [root] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
    }, tool);
    ::chmod(QFile::encodeName(data).constData(), 0700);  // for the clean-up
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("RECEIVABLES")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Total Receivables")) << r.out.toStdString();
    EXPECT_EQ(dataFiles(data), before);
}

}  // namespace
