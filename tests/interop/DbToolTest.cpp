// corvane-dbtool as a black box: on the other engine's fixtures, and on tables damaged on purpose.
#include <gtest/gtest.h>

// First: the engine's build header names a method emit, which Qt's headers make a macro.
#include "xbase/NtxTestSupport.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <functional>

#include <random>
#include <string>
#include <vector>

#include "interop/ExpectedFixture.h"
#include "interop/InteropSupport.h"
#include "support/TestSupport.h"
#include "xbase/Engine.h"

namespace {

using interop::ProcessResult;
using interop::runDbTool;

std::vector<std::string> linesOf(const QByteArray& out) {
    std::vector<std::string> lines;
    for (const QByteArray& line : out.split('\n')) {
        if (!line.isEmpty()) lines.push_back(line.toStdString());
    }
    return lines;
}

std::string diagnose(const ProcessResult& r) {
    return "exit " + std::to_string(r.exitCode) + "\nout: " + r.out.left(2000).toStdString() +
           "\nerr: " + r.err.left(2000).toStdString();
}

bool anyLineHas(const std::vector<std::string>& lines, const std::vector<std::string>& parts) {
    for (const std::string& line : lines) {
        bool all = true;
        for (const std::string& p : parts) all = all && line.find(p) != std::string::npos;
        if (all) return true;
    }
    return false;
}

// Overwrites bytes of a file in place.
void patchFile(const QString& path, qint64 offset, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(f.seek(offset));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void replaceFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct ToolSet {
    const char* set;
    const char* table;
    size_t seeksPerIndex;  // every tool run is a process: the large set tries a sample
};

void PrintTo(const ToolSet& s, std::ostream* os) { *os << s.set; }

const ToolSet kToolSets[] = {{"small", "FIXT", 10}, {"large", "BIG", 6}};

class DbToolFixtureTest : public testing_support::DataDirTest, public ::testing::WithParamInterface<ToolSet> {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        ASSERT_TRUE(QFile::exists(interop::dbToolPath())) << "build corvane-dbtool first";
        ASSERT_TRUE(interop::copyFixtureSet(GetParam().set, dataDir()));
        std::string error;
        ASSERT_TRUE(interop::parseExpectedFixture(path("expected.txt").toStdString(), &m_expected, &error)) << error;
    }
    // The table named in lower case with an upper-case extension: found without regard to case.
    QString tableArg() const { return path(QString::fromLatin1(GetParam().table).toLower() + ".DBF"); }

    interop::ExpectedFixture m_expected;
};

TEST_P(DbToolFixtureTest, OrderListsTheIndexOrder) {
    for (const interop::ExpectedIndex& index : m_expected.indexes) {
        const QString tag = QString::fromStdString(index.file.substr(0, index.file.find('.'))).toUpper();
        const ProcessResult r = runDbTool({"order", tableArg(), tag});
        ASSERT_EQ(r.exitCode, 0) << diagnose(r);
        std::vector<long> order;
        for (const std::string& line : linesOf(r.out)) order.push_back(std::stol(line));
        EXPECT_EQ(order, index.order) << index.file;
    }
}

TEST_P(DbToolFixtureTest, SeekPrintsCodeAndRecord) {
    for (const interop::ExpectedIndex& index : m_expected.indexes) {
        const QString tag = QString::fromStdString(index.file.substr(0, index.file.find('.')));
        for (size_t i = 0; i < std::min(index.seeks.size(), GetParam().seeksPerIndex); ++i) {
            const interop::ExpectedSeek& seek = index.seeks[i];
            const ProcessResult r = runDbTool({"seek", tableArg(), tag, interop::bytesAsChars(seek.key)});
            ASSERT_EQ(r.exitCode, 0) << diagnose(r);
            const std::string want = seek.found != 0 ? "0\t" + std::to_string(seek.found)
                                     : !seek.softEof ? "2\t" + std::to_string(seek.soft)
                                                     : "3\t" + std::to_string(m_expected.recordCount + 1);
            EXPECT_EQ(r.out.toStdString(), want + "\n") << index.file << " seek \"" << seek.key << "\"";
        }
    }
}

TEST_P(DbToolFixtureTest, CheckFindsTheFilesSound) {
    const ProcessResult r = runDbTool({"check", tableArg()});
    EXPECT_EQ(r.exitCode, 0) << diagnose(r);
    EXPECT_EQ(r.out.toStdString(), "OK\n");
}

INSTANTIATE_TEST_SUITE_P(Sets, DbToolFixtureTest, ::testing::ValuesIn(kToolSets),
                         [](const ::testing::TestParamInfo<ToolSet>& info) { return std::string(info.param.set); });

// The small fixture, damaged or changed in the ways a support call meets.
class DbToolTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        ASSERT_TRUE(QFile::exists(interop::dbToolPath())) << "build corvane-dbtool first";
        ASSERT_TRUE(interop::copyFixtureSet("small", dataDir()));
    }
    QString table() const { return path("FIXT"); }

    // Changes record 5's last name without telling the indexes (tags not opened).
    void changeNameBehindTheIndex() {
        xbase::Context ctx(nullptr, dataDir().toStdString());
        ctx.setAutoOpen(0);
        xbase::Table* t = ctx.openTable("FIXT");
        ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
        ASSERT_EQ(t->go(5), 0);
        ASSERT_EQ(t->field("LAST")->assignText("Zzyzx"), 0);
        ASSERT_EQ(t->close(), 0);
    }
};

TEST_F(DbToolTest, BadArgumentsPrintUsage) {
    const std::vector<QStringList> cases = {
        {}, {"frobnicate", "FIXT"}, {"dump"}, {"order", "FIXT"}, {"seek", "FIXT", "cname"}, {"check", "FIXT", "x"}, {"pack", ""},
    };
    for (const QStringList& args : cases) {
        const ProcessResult r = runDbTool(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("usage:")) << diagnose(r);
    }
}

TEST_F(DbToolTest, MissingTableOrTagIsReportedNotCrashed) {
    for (const QStringList& args : std::vector<QStringList>{{"dump", path("NOPE")}, {"check", path("NOPE")},
                                                            {"order", table(), "nosuchtag"}, {"pack", path("NOPE")}}) {
        const ProcessResult r = runDbTool(args);
        EXPECT_EQ(r.exitCode, 1) << diagnose(r);
        EXPECT_FALSE((r.out + r.err).trimmed().isEmpty()) << args.join(' ').toStdString();
    }
}

TEST_F(DbToolTest, DumpShowsHeaderFieldsAndEscapedRecords) {
    const ProcessResult r = runDbTool({"dump", path("fixt.dbf")});
    ASSERT_EQ(r.exitCode, 0) << diagnose(r);
    const std::vector<std::string> lines = linesOf(r.out);
    EXPECT_TRUE(anyLineHas(lines, {"records\t50"}));
    EXPECT_TRUE(anyLineHas(lines, {"field\tDUE\tN\t12\t2"}));
    EXPECT_TRUE(anyLineHas(lines, {"9\t \t   -12\t", "Line one\\r\\nLine two\\r\\n\\r\\nLi"}));
    EXPECT_TRUE(anyLineHas(lines, {"11\t \t", "M\\x81ller", "soft\\x8D\\nwrap and a\\ttab"}));
    EXPECT_TRUE(anyLineHas(lines, {"20\t*\t"}));
    EXPECT_EQ(lines.size(), 8u + 1u + 12u + 1u + 50u);  // header, count, fields, column names, records
}

TEST_F(DbToolTest, CheckReportsAStaleKeyAndReindexRepairsIt) {
    changeNameBehindTheIndex();
    ProcessResult r = runDbTool({"check", table()});
    EXPECT_EQ(r.exitCode, 1) << diagnose(r);
    const std::vector<std::string> faults = linesOf(r.out);
    ASSERT_EQ(faults.size(), 1u) << diagnose(r);
    EXPECT_TRUE(anyLineHas(faults, {"record 5 ", "ZZYZX"})) << faults[0];

    r = runDbTool({"reindex", table()});
    ASSERT_EQ(r.exitCode, 0) << diagnose(r);
    r = runDbTool({"check", table()});
    EXPECT_EQ(r.out.toStdString(), "OK\n") << diagnose(r);
    r = runDbTool({"order", table(), "cname"});
    ASSERT_EQ(r.exitCode, 0) << diagnose(r);
    EXPECT_EQ(linesOf(r.out).back(), "5");  // ZZYZX now sorts last
}

TEST_F(DbToolTest, CheckReportsHeaderAndMemoFaults) {
    patchFile(path("FIXT.dbf"), 4, QByteArray("\x31\x00\x00\x00", 4));  // record count 49 of 50
    patchFile(path("FIXT.dbf"), 418 + 123, QByteArray("     99999"));   // record 1's memo far past the end
    const ProcessResult r = runDbTool({"check", table()});
    EXPECT_EQ(r.exitCode, 1) << diagnose(r);
    const std::vector<std::string> faults = linesOf(r.out);
    EXPECT_TRUE(anyLineHas(faults, {"header says 49 records", "holds 50"})) << diagnose(r);
    EXPECT_TRUE(anyLineHas(faults, {"record 1 field REM", "99999"})) << diagnose(r);
}

TEST_F(DbToolTest, DamagedIndexPageIsFoundAndRebuilt) {
    patchFile(path("cname.ntx"), 1024, QByteArray("\xFF\x7F", 2));  // a leaf claiming 32767 keys
    ProcessResult r = runDbTool({"check", table()});
    EXPECT_EQ(r.exitCode, 1) << diagnose(r);
    EXPECT_TRUE(anyLineHas(linesOf(r.out), {"cname"})) << diagnose(r);
    r = runDbTool({"dump", table()});  // needs no index
    EXPECT_EQ(r.exitCode, 0) << diagnose(r);

    r = runDbTool({"reindex", table()});
    ASSERT_EQ(r.exitCode, 0) << diagnose(r);
    r = runDbTool({"check", table()});
    EXPECT_EQ(r.out.toStdString(), "OK\n") << diagnose(r);
}

TEST_F(DbToolTest, ReindexRebuildsAnInterruptedOrDamagedIndexFromTheExpressionItsHeaderNames) {
    struct Case {
        const char* what;
        const char* file;
        qint64 offset;
        QByteArray bytes;
        const char* checkSays;
    };
    const Case cases[] = {
        {"an index marked as cut short", "cname.ntx", 1023, QByteArray(1, '\x01'), "cname"},
        {"a root beyond the end of the index", "cname.ntx", 4, QByteArray("\x00\xFC\xFF\x7F", 4), "cname"},
        {"a table whose change was interrupted", "FIXT.dbf", 30, QByteArray(1, '\x01'), "update mark"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(interop::copyFixtureSet("small", dataDir()));
        patchFile(path(c.file), c.offset, c.bytes);
        ProcessResult r = runDbTool({"check", table()});
        EXPECT_EQ(r.exitCode, 1) << diagnose(r);
        EXPECT_TRUE((r.out + r.err).contains(c.checkSays)) << diagnose(r);
        r = runDbTool({"reindex", table()});
        ASSERT_EQ(r.exitCode, 0) << diagnose(r);
        EXPECT_TRUE(anyLineHas(linesOf(r.out), {"rebuilt", "cname.ntx", "Upper(LAST+FIRST)"})) << diagnose(r);
        r = runDbTool({"check", table()});
        EXPECT_EQ(r.out.toStdString(), "OK\n") << diagnose(r);
    }
}

TEST_F(DbToolTest, UnreadableIndexHeaderIsNotRebuiltBlindly) {
    ASSERT_TRUE(QFile::resize(path("ccno.ntx"), 100));
    for (const char* command : {"order", "check", "reindex"}) {
        const QStringList args = command == std::string("order") ? QStringList{command, table(), "ccno"}
                                                                 : QStringList{command, table()};
        const ProcessResult r = runDbTool(args);
        EXPECT_EQ(r.exitCode, 1) << command << " " << diagnose(r);
        EXPECT_TRUE((r.out + r.err).contains("ccno.ntx")) << command << " " << diagnose(r);
    }
    EXPECT_EQ(QFile(path("ccno.ntx")).size(), 100);  // left for the program to rebuild from its catalogue
}

// Truncated and flipped copies of every file: each command either works or says what is wrong.
TEST_F(DbToolTest, DamagedFilesNeverCrashTheTool) {
    const QStringList files = {"FIXT.dbf", "FIXT.dbt", "FIXT.cgp", "cname.ntx", "itmp.ntx"};
    std::mt19937 rng(4242u);
    for (int variant = 0; variant < 20; ++variant) {
        ASSERT_TRUE(interop::copyFixtureSet("small", dataDir()));
        const QString file = path(files[variant % files.size()]);
        const qint64 size = QFile(file).size();
        if (variant % 4 == 0) {
            ASSERT_TRUE(QFile::resize(file, qint64(rng() % quint64(size))));
        } else {
            for (int k = 0; k < 3; ++k) {
                const qint64 at = rng() % 2 ? qint64(rng() % 1024) % size : qint64(rng() % quint64(size));
                patchFile(file, at, QByteArray(1, char(rng() % 256)));
            }
        }
        for (const char* command : {"check", "dump", "order"}) {
            const QStringList args = command == std::string("order") ? QStringList{command, table(), "cname"}
                                                                     : QStringList{command, table()};
            const ProcessResult r = runDbTool(args);
            SCOPED_TRACE(file.toStdString() + " variant " + std::to_string(variant) + " " + command);
            EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << diagnose(r);
            EXPECT_FALSE(r.err.contains("Sanitizer")) << diagnose(r);
            if (r.exitCode == 1) {
                EXPECT_FALSE((r.out + r.err).trimmed().isEmpty());
            }
        }
    }
}

// Hostile and odd files in place of the fixture's: check names each fault, and neither check nor dump
// nor order hangs on them (a named pipe would block a read for ever, shared index pages would make
// the walk of the order run for hours).
TEST_F(DbToolTest, HostileFilesAreReportedNotFollowed) {
    struct Case {
        const char* what;
        std::function<void()> craft;
        std::vector<std::string> report;  // parts of one line of check's report
    };
    const Case cases[] = {
        {"branch pages sharing their children",
         [&] {
             std::unique_ptr<xbase::NtxIndex> index;
             ASSERT_EQ(xbase::NtxIndex::open(*xbase::posixFileSystem(), path("cname.ntx").toStdString(),
                                             xbase::Share::Exclusive, true, 0, nullptr, &index, nullptr), 0);
             const std::string bytes = ntxtest::sharedChildrenIndex(index->definition());
             index.reset();
             replaceFile(path("cname.ntx"), QByteArray::fromStdString(bytes));
         },
         {"cname", "reached twice"}},
        {"a named pipe named like the table",
         [&] {
             ASSERT_TRUE(QFile::remove(path("FIXT.dbf")));
             ASSERT_EQ(::mkfifo(QFile::encodeName(path("FIXT.dbf")).constData(), 0600), 0);
         },
         {"FIXT.dbf", "not a regular file"}},
        {"memo next-free pointer 973 MB out", [&] { patchFile(path("FIXT.dbt"), 0, QByteArray("\xE0\xFD\x1C\x00", 4)); },
         {"next free block 1900000 lies past the end"}},
        {"group file listing an index twice",
         [&] { replaceFile(path("FIXT.cgp"), "cname.ntx\nccno.ntx\nCNAME.NTX\n"); },
         {"FIXT.cgp", "listed twice"}},
        {"group file naming a directory",
         [&] {
             ASSERT_TRUE(QFile::remove(path("itmp.ntx")));
             ASSERT_TRUE(QDir(dataDir()).mkdir(QStringLiteral("itmp.ntx")));
         },
         {"itmp.ntx", "not a regular file"}},
        {"key expression starting with a tab", [&] { patchFile(path("ccno.ntx"), 22, QByteArray("\t")); },
         {"ccno.ntx", "bad key expression"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(path("itmp.ntx")).removeRecursively();
        QFile::remove(path("FIXT.dbf"));
        ASSERT_TRUE(interop::copyFixtureSet("small", dataDir()));
        c.craft();
        const ProcessResult r = runDbTool({"check", table()});
        EXPECT_EQ(r.exitCode, 1) << diagnose(r);
        EXPECT_TRUE(anyLineHas(linesOf(r.out), c.report)) << diagnose(r);
        for (const QStringList& args : {QStringList{"dump", table()}, QStringList{"order", table(), "cname"}}) {
            const ProcessResult other = runDbTool(args);
            EXPECT_TRUE(other.exitCode == 0 || other.exitCode == 1) << diagnose(other);
        }
    }
}

TEST_F(DbToolTest, PackRemovesDeletedRecordsAndKeepsTagsSound) {
    const ProcessResult r = runDbTool({"pack", table()});
    ASSERT_EQ(r.exitCode, 0) << diagnose(r);
    {
        xbase::Context ctx(nullptr, dataDir().toStdString());
        xbase::Table* t = ctx.openTable("FIXT");
        ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
        EXPECT_EQ(t->recCount(), 48);
        for (long n = 1; n <= t->recCount(); ++n) {
            ASSERT_EQ(t->go(n), 0);
            EXPECT_FALSE(t->isDeleted()) << n;
        }
    }
    const ProcessResult check = runDbTool({"check", table()});
    EXPECT_EQ(check.out.toStdString(), "OK\n") << diagnose(check);
}

}  // namespace
