// What we write on disk and what we accept: header fields, the record count rule, damaged headers
// refused with kErrCorruptTable naming the file, group files, another engine's files, and a check
// that an independent reader (dbfread) reads our tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>

#include "xbase/Bytes.h"
#include "xbase/Engine.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

constexpr size_t kHdrLen = 32 + 32 * 7 + 2;
constexpr size_t kRecLen = 1 + 6 + 20 + 15 + 10 + 8 + 1 + 10;

class FormatTest : public ::testing::Test {
protected:
    // Writes a two-record customer table and closes it.
    void makeTable() {
        Table* t = m_ctx.createTable("CUST", test::customerFields());
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(test::addCustomer(t, 1, "Smith", 12.5), 0);
        ASSERT_EQ(test::addCustomer(t, 2, "Jones", -3), 0);
        ASSERT_EQ(t->close(), 0);
    }
    std::string bytes() { return test::readFsFile(*m_fs, "CUST.dbf"); }
    void damage(size_t off, const std::string& with) {
        std::string b = bytes();
        b.replace(off, with.size(), with);
        test::writeFsFile(*m_fs, "CUST.dbf", b);
    }

    std::unique_ptr<FileSystem> m_fs = newMemoryFileSystem();
    Context m_ctx{m_fs.get(), ""};
};

TEST_F(FormatTest, HeaderAsWritten) {
    makeTable();
    const std::string b = bytes();
    ASSERT_EQ(b.size(), kHdrLen + 2 * kRecLen + 1);
    const auto* p = reinterpret_cast<const uint8_t*>(b.data());
    EXPECT_EQ(p[0], 0x83) << "version with a memo file";
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    EXPECT_EQ(p[1], tm.tm_year) << "year - 1900";
    EXPECT_EQ(getU32(p + 4), 2u);
    EXPECT_EQ(getU16(p + 8), kHdrLen);
    EXPECT_EQ(getU16(p + 10), kRecLen);
    EXPECT_EQ(p[29], 0x03) << "language byte: Windows-1252";
    EXPECT_EQ(b.substr(kHdrLen - 2, 2), std::string("\x0D\x00", 2));
    EXPECT_EQ(b.substr(32, 5), std::string("CUNO\0", 5));
    EXPECT_EQ(b[32 + 11], 'N');
    EXPECT_EQ(b.back(), '\x1A');
    EXPECT_EQ(b.substr(kHdrLen, 7), "      1");
    EXPECT_EQ(b.substr(kHdrLen + kRecLen + 1 + 6 + 35, 10), "     -3.00");
}

TEST_F(FormatTest, TableWithoutMemoHasVersion3AndNoMemoFile) {
    Table* t = m_ctx.createTable("PLAIN", {{"A", 'C', 3, 0}});
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->close(), 0);
    EXPECT_EQ(test::readFsFile(*m_fs, "PLAIN.dbf")[0], '\x03');
    EXPECT_FALSE(m_fs->exists("PLAIN.dbt"));
}

TEST_F(FormatTest, RecordCountComesFromTheFileSize) {
    makeTable();
    // An append cut short after its record, before its count: the header claims 1 record. (A header
    // claiming more than the file holds is damage, refused at open.)
    damage(4, std::string("\x01\x00\x00\x00", 4));
    std::string b = bytes();
    b.pop_back();                                      // no 0x1A
    b += std::string(kRecLen / 2, 'x');                // half a record left by a crash
    test::writeFsFile(*m_fs, "CUST.dbf", b);
    Table* t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->recCount(), 2);
    // The next append overwrites the partial record and makes the header exact again.
    ASSERT_EQ(test::addCustomer(t, 3, "Brown"), 0);
    ASSERT_EQ(t->close(), 0);
    const std::string after = bytes();
    EXPECT_EQ(getU32(reinterpret_cast<const uint8_t*>(after.data()) + 4), 3u);
    EXPECT_EQ(after.size(), kHdrLen + 3 * kRecLen + 1);
}

// Opened exclusively, appends are batched: the header count, date and 0x1A are written at close,
// and a reopen sees every record with the values written.
TEST_F(FormatTest, ExclusiveAppendsAreBatchedAndCompleteAtClose) {
    makeTable();
    FaultFileSystem fs(m_fs.get());
    {
        Context ctx(&fs, "");
        ctx.setAccessMode(1);
        Table* t = ctx.openTable("CUST");
        ASSERT_NE(t, nullptr);
        const int before = fs.writesSeen();
        for (long i = 3; i <= 2000; ++i) {
            ASSERT_EQ(t->appendBlank(), 0);
            ASSERT_EQ(t->field("CUNO")->assignLong(i), 0);
            ASSERT_EQ(t->field("LAST")->assignText("Name" + std::to_string(i)), 0);
        }
        ASSERT_EQ(t->go(1000), 0);
        EXPECT_EQ(t->field("CUNO")->asLong(), 1000) << "a buffered record reads back before it is written";
        EXPECT_LT(fs.writesSeen() - before, 20) << "records are written in batches, the header not per record";
        ASSERT_EQ(t->close(), 0);
    }
    const std::string after = bytes();
    EXPECT_EQ(getU32(reinterpret_cast<const uint8_t*>(after.data()) + 4), 2000u);
    EXPECT_EQ(after.size(), kHdrLen + 2000 * kRecLen + 1);
    EXPECT_EQ(after.back(), '\x1A');
    Table* t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->recCount(), 2000);
    for (long r : {1L, 2L, 3L, 1234L, 2000L}) {
        ASSERT_EQ(t->go(r), 0);
        EXPECT_EQ(t->field("CUNO")->asLong(), r);
    }
    EXPECT_EQ(t->field("LAST")->text().substr(0, 8), "Name2000");
    ASSERT_EQ(t->close(), 0);
}

TEST_F(FormatTest, TwoDigitYearIsAccepted) {
    makeTable();
    damage(1, "\x18");  // 24: year % 100, as some writers store it
    EXPECT_NE(m_ctx.openTable("CUST"), nullptr);
}

TEST_F(FormatTest, DamagedHeadersAreRefusedNamingTheFile) {
    const struct {
        const char* what;
        size_t off;
        std::string with;
        size_t truncateTo;  // 0: keep the size
    } cases[] = {
        {"short file", 0, "", 10},
        {"unknown version", 0, "\x30", 0},
        {"header longer than the file", 8, std::string("\xFF\xFF", 2), 0},
        {"header length too small", 8, std::string("\x20\x00", 2), 0},
        {"record length differs", 10, std::string("\x05\x00", 2), 0},
        {"record length zero", 10, std::string("\x00\x00", 2), 0},
        {"unknown field type", 32 + 11, "X", 0},
        {"zero-length field", 32 + 16, std::string("\x00", 1), 0},
        {"field name not text", 32, "\x01\x02", 0},
        {"no terminator", kHdrLen - 2, "  ", 0},
        {"truncated in the header", 0, "", 100},
        {"fewer records than the header counts", 0, "", kHdrLen + kRecLen},
        {"the last record cut in part", 0, "", kHdrLen + 2 * kRecLen - 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        makeTable();
        if (!c.with.empty()) damage(c.off, c.with);
        if (c.truncateTo) test::writeFsFile(*m_fs, "CUST.dbf", bytes().substr(0, c.truncateTo));
        EXPECT_EQ(m_ctx.openTable("CUST"), nullptr);
        EXPECT_EQ(m_ctx.errorCode(), kErrCorruptTable);
        EXPECT_EQ(m_ctx.lastStatus().file, "CUST.dbf");
        EXPECT_NE(m_ctx.lastStatus().message.find("CUST.dbf"), std::string::npos);
    }
}

TEST_F(FormatTest, MissingAndDamagedMemoFiles) {
    makeTable();
    Table* t = m_ctx.openTable("CUST");
    ASSERT_EQ(t->field("NOTES")->assignMemo("hello"), 0);
    ASSERT_EQ(t->close(), 0);
    // A reference past the end of the memo file reads as empty and reports kErrCorruptMemo.
    std::string b = bytes();
    b.replace(kHdrLen + kRecLen - 10, 10, "      9999");
    test::writeFsFile(*m_fs, "CUST.dbf", b);
    t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->field("NOTES")->memoText(), "");
    EXPECT_EQ(m_ctx.errorCode(), kErrCorruptMemo);
    t->close();
    m_fs->remove("CUST.dbt");
    EXPECT_EQ(m_ctx.openTable("CUST"), nullptr);
    EXPECT_EQ(m_ctx.errorCode(), kErrOpen);
}

TEST_F(FormatTest, FailedOpenReachesTheExitHookWithItsDetail) {
    std::vector<Status> seen;
    m_ctx.setExitHook([&](const Status& s) { seen.push_back(s); });
    m_ctx.exitOnError();
    EXPECT_TRUE(seen.empty()) << "no error, no exit";
    EXPECT_EQ(m_ctx.openTable("NOSUCH"), nullptr);
    m_ctx.exitOnError();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].code, kErrOpen);
    EXPECT_EQ(seen[0].file, "NOSUCH.dbf");
    EXPECT_EQ(m_ctx.errorCode(), kErrOpen);
    EXPECT_EQ(m_ctx.errorCode(), 0);
    EXPECT_EQ(m_ctx.lastStatus().code, kErrOpen) << "the detail stays after the code is read";
}

TEST_F(FormatTest, CreateNeverTruncatesATableInUse) {
    makeTable();
    Table* t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    Context other(m_fs.get(), "");
    EXPECT_EQ(other.createTable("CUST", test::customerFields()), nullptr);
    EXPECT_EQ(other.errorCode(), kErrShare);
    EXPECT_EQ(t->recCount(), 2);
}

TEST_F(FormatTest, ZeroPaddingAfterTheRecordsIsNoRecords) {
    makeTable();
    const std::string padded = bytes().substr(0, kHdrLen + 2 * kRecLen) + std::string(5000 * kRecLen + 7, '\0');
    for (const int readOnly : {1, 0}) {
        test::writeFsFile(*m_fs, "CUST.dbf", padded);
        Context ctx(m_fs.get(), "");
        ctx.setReadOnly(readOnly);
        Table* t = ctx.openTable("CUST");
        ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
        EXPECT_EQ(t->recCount(), 2);
        ASSERT_EQ(t->bottom(), 0);
        EXPECT_EQ(t->recNo(), 2);
        ASSERT_EQ(t->close(), 0);
        // An open that may write cuts the padding off; one that only reads leaves the file as it is.
        EXPECT_EQ(bytes().size(), readOnly ? padded.size() : kHdrLen + 2 * kRecLen + 1);
    }
}

// An open that only reads repairs nothing: what it finds stays for the check to report.
TEST_F(FormatTest, AReadOnlyOpenLeavesEveryFileAsItFoundIt) {
    makeTable();
    m_ctx.setAccessMode(1);
    ASSERT_EQ(m_ctx.openTable("CUST")->createIndex("CUST", {{"LAST", "LAST", "last.ntx"}}), 0);
    ASSERT_EQ(m_ctx.closeAll(), 0);
    const struct {
        const char* what;
        std::function<void()> damage;
        int open;  // the read-only open's result
    } cases[] = {
        {"header count behind", [&] { damage(4, std::string("\1\0\0\0", 4)); }, kOk},
        {"interrupted change", [&] { damage(30, "\1"); }, kErrStaleIndex},
        {"leftover temporary", [&] { test::writeFsFile(*m_fs, "CUST.dbf.a1b2c3d4e5f6.tmp", "x"); }, kOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = bytes();
        c.damage();
        std::vector<std::string> names, after;
        ASSERT_TRUE(m_fs->list(".", &names).ok());
        const std::string damaged = bytes();
        Context ctx(m_fs.get(), "");
        ctx.setReadOnly(1);
        Table* t = ctx.openTable("CUST");
        EXPECT_EQ(t ? kOk : ctx.errorCode(), c.open) << ctx.lastStatus().message;
        if (t) { EXPECT_EQ(t->appendBlank(), kErrReadOnly); }
        ctx.closeAll();
        EXPECT_EQ(bytes(), damaged);
        ASSERT_TRUE(m_fs->list(".", &after).ok());
        EXPECT_EQ(after, names);
        test::writeFsFile(*m_fs, "CUST.dbf", before);
    }
}

TEST_F(FormatTest, FilesAreFoundWithoutRegardToCase) {
    makeTable();
    m_fs->rename("CUST.dbf", "cust.DBF");
    m_fs->rename("CUST.dbt", "Cust.Dbt");
    Table* t = m_ctx.openTable("CUST");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->recCount(), 2);
}

// A table written by another engine (see tests/fixtures/xbase/README.md).
TEST(ForeignTableTest, ReadsAnotherEnginesTableAndMemos) {
    test::TempDir dir;
    for (const char* name : {"FIXT.dbf", "FIXT.dbt"})
        test::writeWholeFile(dir.file(name),
                             test::readWholeFile(std::string(CORVANE_FIXTURES_DIR) + "/xbase/small/" + name));
    Context ctx(nullptr, dir.path());
    ctx.setAutoOpen(0);
    Table* t = ctx.openTable("fixt");
    ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
    EXPECT_EQ(t->recCount(), 50);
    ASSERT_EQ(t->go(1), 0);
    EXPECT_EQ(t->field("CUNO")->asLong(), 1);
    EXPECT_EQ(t->field("LAST")->text(), "Smith               ");
    EXPECT_DOUBLE_EQ(t->field("DUE")->asDouble(), 125.5);
    EXPECT_TRUE(t->field("PAID")->isTrue());
    EXPECT_EQ(t->field("REM")->memoText(), "Short memo");
    const struct {
        long recno;
        size_t memoLength;
    } memos[] = {{2, 0}, {3, 1}, {4, 511}, {5, 512}, {6, 513}, {7, 1024}, {8, 3000}, {10, 19}};
    for (const auto& m : memos) {
        ASSERT_EQ(t->go(m.recno), 0);
        EXPECT_EQ(t->field("REM")->memoText().size(), m.memoLength) << "record " << m.recno;
    }
    EXPECT_EQ(t->field("REM")->memoText(), "ends with blanks   ");
    ASSERT_EQ(t->go(20), 0);
    EXPECT_TRUE(t->isDeleted());
    ASSERT_EQ(t->go(9), 0);
    EXPECT_EQ(t->field("CUNO")->asLong(), -12);
    EXPECT_EQ(t->field("IDATE")->text(), "        ");
}

TEST(InteropTest, DbfreadReadsWhatWeWrite) {
    test::TempDir dir;
    {
        Context ctx(nullptr, dir.path());
        Table* t = ctx.createTable("OURS", test::customerFields());
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(test::addCustomer(t, 42, "M\xFCller", -12.5), 0);
        ASSERT_EQ(t->field("IDATE")->assignText("20240229"), 0);
        ASSERT_EQ(t->field("PAID")->assignText("T"), 0);
        ASSERT_EQ(t->field("NOTES")->assignMemo("line\r\nmemo  "), 0);
        ASSERT_EQ(test::addCustomer(t, 43, "Second"), 0);
        ASSERT_EQ(t->markDeleted(), 0);
        ASSERT_EQ(ctx.closeAll(), 0);
    }
    const std::string script =
        "import dbfread,sys\n"
        "t=dbfread.DBF(sys.argv[1])\n"
        "r=list(t)\n"
        "assert len(r)==1, r\n"
        "x=r[0]\n"
        "assert x['CUNO']==42 and x['LAST']=='M\\u00fcller' and x['DUE']==-12.5, x\n"
        "assert str(x['IDATE'])=='2024-02-29' and x['PAID'] is True, x\n"
        "assert x['NOTES']=='line\\r\\nmemo  ', repr(x['NOTES'])\n"
        "assert len(t.deleted)==1\n";
    test::writeWholeFile(dir.file("check.py"), script);
    const std::string cmd = "/usr/bin/python3 " + dir.file("check.py") + " " + dir.file("OURS.dbf");
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

}  // namespace
}  // namespace xbase
