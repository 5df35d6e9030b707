// Hostile and odd files: each gives a clear error in bounded time, and the engine writes nothing
// where a damaged header points.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "NtxTestSupport.h"
#include "XbaseTestUtil.h"
#include "xbase/Bytes.h"
#include "xbase/GroupFile.h"

using namespace xbase;

namespace {

TEST(HostileFiles, BranchPagesSharingChildrenAreADamagedIndexNotAnEndlessWalk) {
    auto fs = newMemoryFileSystem();
    test::writeFsFile(*fs, "c.ntx", ntxtest::sharedChildrenIndex({"CNAME", "LAST", 10, 0, false, false}));
    std::unique_ptr<NtxIndex> index;
    Status st;
    ASSERT_EQ(NtxIndex::open(*fs, "c.ntx", Share::Shared, true, 0, nullptr, &index, &st), 0) << st.message;
    const auto started = std::chrono::steady_clock::now();
    uint32_t recno = 0;
    long steps = 0;
    int rc = index->first(&recno);
    for (; rc == 0 && steps < 10000000; ++steps) rc = index->next(&recno);
    EXPECT_EQ(rc, kErrCorruptIndex) << steps;
    EXPECT_LT(steps, 8 * 51);  // about every page of the file entered once, not 51^4 times
    rc = index->last(&recno);
    for (steps = 0; rc == 0 && steps < 10000000; ++steps) rc = index->prev(&recno);
    EXPECT_EQ(rc, kErrCorruptIndex);
    EXPECT_EQ(index->skip(1000000, &recno), kErrCorruptIndex);
    EXPECT_EQ(index->walk(nullptr, &st), kErrCorruptIndex);
    EXPECT_NE(index->lastStatus().message.find("c.ntx"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST(HostileFiles, OnlyRegularFilesAreOpened) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("PIPE.dbf").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("DIR.dbf"));
    FileSystem& fs = *posixFileSystem();
    for (const char* name : {"PIPE.dbf", "DIR.dbf"}) {
        for (const bool readOnly : {true, false}) {
            std::unique_ptr<File> f;
            const Status st = fs.open(dir.file(name), Share::Shared, readOnly, &f);
            EXPECT_LT(st.code, 0) << name;
            EXPECT_NE(st.message.find("not a regular file"), std::string::npos) << name << ": " << st.message;
        }
        Context ctx(nullptr, dir.path());
        EXPECT_EQ(ctx.openTable(name == std::string("PIPE.dbf") ? "PIPE" : "DIR"), nullptr);
        EXPECT_LT(ctx.errorCode(), 0);
    }
}

TEST(HostileFiles, MemoNextFreePastTheEndIsNotTrusted) {
    auto fs = newMemoryFileSystem();
    {
        Context ctx(fs.get());
        Table* t = ctx.createTable("memo", test::customerFields());
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(test::addCustomer(t, 1, "Smith"), 0);
        ASSERT_EQ(t->field("NOTES")->assignMemo("first memo"), 0);
        ASSERT_EQ(t->close(), 0);
    }
    std::string dbt = test::readFsFile(*fs, "memo.dbt");
    putU32(reinterpret_cast<uint8_t*>(dbt.data()), 1900000);  // 973 MB into the file
    test::writeFsFile(*fs, "memo.dbt", dbt);
    for (const int mode : {0, 1}) {
        Context ctx(fs.get());
        ctx.setAccessMode(mode);
        Table* t = ctx.openTable("memo");
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->appendBlank(), 0);
        ASSERT_EQ(t->field("NOTES")->assignMemo("second memo"), 0);
        ASSERT_EQ(t->close(), 0);
        ASSERT_NE(t = ctx.openTable("memo"), nullptr);
        ASSERT_EQ(t->go(t->recCount()), 0);
        EXPECT_EQ(t->field("NOTES")->memoText(), "second memo");
        ASSERT_EQ(t->close(), 0);
    }
    EXPECT_LT(test::readFsFile(*fs, "memo.dbt").size(), 4u * 512);  // header and three memos
}

// Every name of a table (table, memo, index, group file) must be a regular file: a link planted there
// would have an open write into whatever it points at, and a group that is a directory, a pipe or
// empty lost its tags rather than having none.
TEST(HostileFiles, ATablesOwnNamesAreRegularFilesNeverLinksDirectoriesPipesOrEmptyGroups) {
    enum Plant { Link, Directory, Pipe, Empty };
    const struct {
        const char* name;
        Plant plant;
    } cases[] = {{"cust.dbf", Link}, {"cust.dbt", Link}, {"last.ntx", Link}, {"cust.cgp", Link},
                 {"cust.cgp", Directory}, {"cust.cgp", Pipe}, {"cust.cgp", Empty}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " planted as kind " + std::to_string(c.plant));
        test::TempDir dir, outside;
        test::makeTaggedCustomer(nullptr, dir.path());
        const std::string real = dir.file(c.name), victim = outside.file(c.name);
        std::filesystem::rename(real, victim);
        if (c.plant == Link) { ASSERT_EQ(::symlink(victim.c_str(), real.c_str()), 0); }
        if (c.plant == Directory) std::filesystem::create_directory(real);
        if (c.plant == Pipe) { ASSERT_EQ(::mkfifo(real.c_str(), 0600), 0); }
        if (c.plant == Empty) test::writeWholeFile(real, "");
        const std::string before = test::readWholeFile(victim);
        for (const int mode : {0, 1}) {
            Context ctx(nullptr, dir.path());
            ctx.setAccessMode(mode);
            EXPECT_EQ(ctx.openTable("cust"), nullptr);
            EXPECT_LT(ctx.errorCode(), 0);
        }
        EXPECT_EQ(test::readWholeFile(victim), before);
    }
}

TEST(HostileFiles, GroupFileListingAnIndexTwiceIsRefused) {
    auto fs = newMemoryFileSystem();
    test::writeFsFile(*fs, "t.cgp", "cname.ntx\nccno.ntx\nCNAME.NTX\n");
    std::vector<std::string> files;
    const Status st = readGroupFile(*fs, "t.cgp", &files);
    EXPECT_EQ(st.code, kErrCorruptGroup);
    EXPECT_NE(st.message.find("CNAME.NTX listed twice"), std::string::npos) << st.message;
}

TEST(HostileFiles, KeyExpressionsTheIndexHeaderCannotHoldAreRefusedWhenMade) {
    const std::vector<FieldLayout> fields = {{"LAST", 'C', 20, 0, 1}};
    std::unique_ptr<KeyExpr> expr;
    std::string why;
    for (const char* text : {"\tLAST", "LAST\t", "\nLAST", "UPPER(\rLAST)"}) {
        EXPECT_EQ(KeyExpr::compile(text, fields, &expr, &why), kErrExpression) << text;
        EXPECT_NE(why.find("control character"), std::string::npos) << why;
    }
    EXPECT_EQ(KeyExpr::compile("  UPPER( LAST )", fields, &expr, &why), 0) << why;  // blanks are fine

    auto fs = newMemoryFileSystem();
    Context ctx(fs.get());
    ctx.setAccessMode(1);
    Table* t = ctx.createTable("t", test::customerFields());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->createIndex("t", {{"LAST", "\tLAST", "last.ntx"}}), kErrExpression);
    EXPECT_FALSE(fs->exists("last.ntx"));
}

}  // namespace
