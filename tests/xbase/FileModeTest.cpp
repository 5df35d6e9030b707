// Files the engine creates: owner-only unless the directory is shared by a group, the mode and group
// of a replaced file kept, and never a write through a symbolic link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "XbaseTestUtil.h"

using namespace xbase;

namespace {

struct Mode {
    mode_t bits;
    gid_t group;
};

Mode modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return {st.st_mode & 07777, st.st_gid};
}

// A table with a memo field and two tags, packed once, in dir.
void makeAndPack(const std::string& dir, bool create) {
    Context ctx(nullptr, dir);
    ctx.setAccessMode(1);
    Table* t = create ? ctx.createTable("cust", test::customerFields()) : ctx.openTable("cust");
    ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
    if (create) {
        ASSERT_EQ(t->createIndex("cust", {{"LAST", "LAST", "last.ntx"}, {"CUNO", "STR(CUNO,6)", "cuno.ntx"}}), 0);
        for (int i = 1; i <= 3; ++i) ASSERT_EQ(test::addCustomer(t, i, "Name" + std::to_string(i)), 0);
        ASSERT_EQ(t->field("NOTES")->assignMemo("a note"), 0);
        ASSERT_EQ(t->markDeleted(), 0);
    }
    ASSERT_EQ(t->pack(), 0) << ctx.lastStatus().message;
    ASSERT_EQ(t->close(), 0);
}

const char* const kTableFiles[] = {"cust.dbf", "cust.dbt", "last.ntx", "cuno.ntx", "cust.cgp"};

TEST(FileModes, NewFilesAreOwnerOnlyWhateverTheUmask) {
    test::TempDir dir;
    const mode_t old = ::umask(022);
    makeAndPack(dir.path(), true);
    ::umask(old);
    for (const char* name : kTableFiles) EXPECT_EQ(modeOf(dir.file(name)).bits, 0600u) << name;
    // Nothing left behind under a temporary name.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
}

TEST(FileModes, PackKeepsTheModeTheOwnerSet) {
    test::TempDir dir;
    makeAndPack(dir.path(), true);
    for (const char* name : kTableFiles) ASSERT_EQ(::chmod(dir.file(name).c_str(), 0640), 0);
    makeAndPack(dir.path(), false);
    for (const char* name : kTableFiles) EXPECT_EQ(modeOf(dir.file(name)).bits, 0640u) << name;
}

TEST(FileModes, PackInAGroupSharedDirectoryKeepsGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving files another group needs root";
    constexpr gid_t kStaff = 50;
    struct Case {
        const char* what;
        bool setgid;
        mode_t fileMode;
    } const cases[] = {
        {"group-writable files", false, 0660},
        {"setgid directory, files the group may only read", true, 0640},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        makeAndPack(dir.path(), true);
        if (c.setgid) {
            ASSERT_EQ(::chown(dir.path().c_str(), uid_t(-1), kStaff), 0);
            ASSERT_EQ(::chmod(dir.path().c_str(), 02770), 0);
        }
        for (const char* name : kTableFiles) {  // what an administrator sets
            ASSERT_EQ(::chown(dir.file(name).c_str(), uid_t(-1), kStaff), 0);
            ASSERT_EQ(::chmod(dir.file(name).c_str(), c.fileMode), 0);
        }
        makeAndPack(dir.path(), false);
        for (const char* name : {"cust.dbf", "cust.dbt", "last.ntx", "cuno.ntx"}) {
            const Mode m = modeOf(dir.file(name));
            EXPECT_EQ(m.bits, c.fileMode) << c.what << ": " << name;
            EXPECT_EQ(m.group, kStaff) << c.what << ": " << name;
        }
    }
}

TEST(FileModes, SymbolicLinksAtNewFileNamesAreNeverFollowed) {
    test::TempDir dir;
    test::TempDir outside;
    const std::string victim = outside.file("victim");
    test::writeWholeFile(victim, "precious");
    makeAndPack(dir.path(), true);
    // Links at every name a careless engine would write: the old fixed temporary names.
    for (const char* name : {"cust.dbf.tmp", "cust.dbt.tmp", "last.ntx.tmp", "cuno.ntx.tmp", "cust.cgp.tmp"})
        ASSERT_EQ(::symlink(victim.c_str(), dir.file(name).c_str()), 0);
    makeAndPack(dir.path(), false);
    EXPECT_EQ(test::readWholeFile(victim), "precious");

    FileSystem& fs = *posixFileSystem();
    std::unique_ptr<File> f;
    const std::string link = dir.file("planted");
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    EXPECT_EQ(fs.createNew(link, link, Share::Exclusive, &f).code, kErrExists);
    const Status st = fs.create(link, Share::Exclusive, &f);
    EXPECT_EQ(st.code, kErrCreate);
    EXPECT_NE(st.message.find("symbolic link"), std::string::npos) << st.message;
    EXPECT_EQ(test::readWholeFile(victim), "precious");

    std::string temp;
    ASSERT_TRUE(fs.createTemp(dir.file("cust.dbf"), Share::Exclusive, &f, &temp).ok());
    EXPECT_TRUE(FileSystem::isTempName(temp.substr(dir.path().size() + 1), "cust.dbf")) << temp;
    std::string again;
    std::unique_ptr<File> g;
    ASSERT_TRUE(fs.createTemp(dir.file("cust.dbf"), Share::Exclusive, &g, &again).ok());
    EXPECT_NE(temp, again);  // not a name one could plant a link at beforehand
}

// Files the user may only read (an injected file system refuses every open for writing, as the mode
// of another user's files does): the table opens for reading, reads, and refuses each write clearly.
TEST(FileModes, TablesTheUserMayOnlyReadOpenForReading) {
    auto memory = newMemoryFileSystem();
    test::makeTaggedCustomer(memory.get(), "");
    FaultFileSystem fs(memory.get());
    fs.setReadOnlyFiles(true);
    for (const int mode : {0, 1}) {
        Context ctx(&fs);
        ctx.setAccessMode(mode);
        Table* t = ctx.openTable("cust");
        ASSERT_NE(t, nullptr) << ctx.lastStatus().message;
        EXPECT_TRUE(t->readOnly());
        ASSERT_EQ(t->selectTag(t->findTag("LAST")), 0);
        ASSERT_EQ(t->seek("Smi"), 0);
        EXPECT_EQ(t->field("NOTES")->memoText(), "a note");
        const struct {
            const char* what;
            std::function<int()> write;
        } writes[] = {
            {"field", [&] { return t->field("LAST")->assignText("Jones") == 0 ? t->flush() : -1; }},
            {"append", [&] { return t->appendBlank(); }},
            {"memo", [&] { return t->field("NOTES")->assignMemo("other"); }},
            {"pack", [&] { return t->pack(); }},
        };
        for (const auto& w : writes) {
            EXPECT_EQ(w.write(), kErrReadOnly) << w.what;
            EXPECT_NE(ctx.lastStatus().message.find("may only be read"), std::string::npos) << ctx.lastStatus().message;
            t->revert();
        }
        EXPECT_EQ(t->close(), 0);
    }
    EXPECT_EQ(fs.writesSeen(), 0);
}

}  // namespace
