// The file-system seam: name resolution, share modes and byte-range locks behave the same on disk
// and in memory, and two descriptions in one process conflict as two processes would.
#include <gtest/gtest.h>

#include "xbase/FileSystem.h"
#include "xbase/XbaseTestUtil.h"

namespace xbase {
namespace {

using test::TempDir;

struct FsCase {
    const char* name;
    bool posix;
};

class FsTest : public ::testing::TestWithParam<FsCase> {
protected:
    void SetUp() override {
        if (GetParam().posix) {
            m_fs = posixFileSystem();
            m_dir = m_temp.path() + "/";
        } else {
            m_memory = newMemoryFileSystem();
            m_fs = m_memory.get();
            m_dir = "data/";
        }
    }
    std::string path(const std::string& name) const { return m_dir + name; }
    std::unique_ptr<File> make(const std::string& name, const std::string& bytes) {
        std::unique_ptr<File> f;
        EXPECT_TRUE(m_fs->create(path(name), Share::Shared, &f).ok());
        EXPECT_TRUE(f->write(0, bytes.data(), bytes.size()).ok());
        return f;
    }

    TempDir m_temp;
    std::unique_ptr<FileSystem> m_memory;
    FileSystem* m_fs = nullptr;
    std::string m_dir;
};

TEST_P(FsTest, ResolvesExactNameFirstThenWithoutCase) {
    make("CUST5.DBF", "a");
    make("cust5.cgp", "b");
    make("Other.dbf", "c");
    EXPECT_EQ(m_fs->resolve(path("cust5.dbf")), path("CUST5.DBF"));
    EXPECT_EQ(m_fs->resolve(path("CUST5.CGP")), path("cust5.cgp"));
    EXPECT_EQ(m_fs->resolve(path("Other.dbf")), path("Other.dbf"));
    EXPECT_EQ(m_fs->resolve(path("missing.dbf")), path("missing.dbf"));
}

TEST_P(FsTest, ShareModesConflictBetweenDescriptionsOfOneProcess) {
    make("t.dbf", "data").reset();
    std::unique_ptr<File> a, b, c;
    ASSERT_TRUE(m_fs->open(path("t.dbf"), Share::Shared, false, &a).ok());
    ASSERT_TRUE(m_fs->open(path("t.dbf"), Share::Shared, true, &b).ok());
    EXPECT_EQ(m_fs->open(path("t.dbf"), Share::Exclusive, false, &c).code, kErrShare);
    a.reset();
    b.reset();
    ASSERT_TRUE(m_fs->open(path("t.dbf"), Share::Exclusive, false, &c).ok());
    EXPECT_EQ(m_fs->open(path("t.dbf"), Share::Shared, false, &a).code, kErrShare);
    EXPECT_EQ(m_fs->open(path("t.dbf"), Share::Exclusive, false, &a).code, kErrShare);
}

TEST_P(FsTest, CreateDoesNotTruncateAFileInUse) {
    std::unique_ptr<File> held;
    ASSERT_TRUE(m_fs->create(path("t.dbf"), Share::Exclusive, &held).ok());
    ASSERT_TRUE(held->write(0, "keep", 4).ok());
    std::unique_ptr<File> other;
    EXPECT_EQ(m_fs->create(path("t.dbf"), Share::Shared, &other).code, kErrShare);
    uint64_t size = 0;
    held->size(&size);
    EXPECT_EQ(size, 4u);
}

TEST_P(FsTest, ByteRangeLocksBelongToTheDescription) {
    make("t.dbf", "data").reset();
    std::unique_ptr<File> a, b;
    ASSERT_TRUE(m_fs->open(path("t.dbf"), Share::Shared, false, &a).ok());
    ASSERT_TRUE(m_fs->open(path("t.dbf"), Share::Shared, false, &b).ok());
    const uint64_t rec = 1000000000ULL + 5;
    ASSERT_TRUE(a->lock(rec, 1, LockKind::Write, false).ok());
    EXPECT_TRUE(a->lock(rec, 1, LockKind::Write, false).ok()) << "re-locking one's own range";
    EXPECT_EQ(b->lock(rec, 1, LockKind::Write, false).code, kErrLock);
    EXPECT_EQ(b->lock(rec, 1, LockKind::Read, false).code, kErrLock);
    EXPECT_TRUE(b->lock(rec + 1, 1, LockKind::Write, false).ok()) << "the next byte is free";
    ASSERT_TRUE(a->unlock(rec, 1).ok());
    EXPECT_TRUE(b->lock(rec, 1, LockKind::Read, false).ok());
    EXPECT_TRUE(a->lock(rec, 1, LockKind::Read, false).ok()) << "read locks share";
    EXPECT_EQ(a->lock(rec + 1, 1, LockKind::Write, false).code, kErrLock);

    // Closing a third description of the file must not drop b's locks.
    std::unique_ptr<File> c;
    ASSERT_TRUE(m_fs->open(path("t.dbf"), Share::Shared, false, &c).ok());
    c.reset();
    EXPECT_EQ(a->lock(rec + 1, 1, LockKind::Write, false).code, kErrLock);
    b.reset();
    EXPECT_TRUE(a->lock(rec + 1, 1, LockKind::Write, false).ok()) << "closing b released its locks";
}

// A durable commit syncs the table's files together; files without writes since their last sync, and
// a single file, take the plain road.
TEST_P(FsTest, SyncsSeveralFilesTogether) {
    std::unique_ptr<File> a = make("a.dbf", "aaaa");
    std::unique_ptr<File> b = make("b.ntx", "bbbb");
    std::unique_ptr<File> c = make("c.dbt", "cccc");
    EXPECT_TRUE(m_fs->syncFiles({a.get(), b.get(), c.get()}).ok());
    EXPECT_TRUE(m_fs->syncFiles({a.get(), b.get(), c.get()}).ok()) << "nothing written since";
    ASSERT_TRUE(b->write(1, "X", 1).ok());
    EXPECT_TRUE(m_fs->syncFiles({a.get(), b.get()}).ok());
    EXPECT_TRUE(m_fs->syncFiles({}).ok());
    // Overwrites and growth in one commit, then overwrites alone (on the real disk: written together,
    // one flush), then a write past the end that leaves a hole.
    ASSERT_TRUE(a->write(4, "AA", 2).ok());
    ASSERT_TRUE(b->write(2, "Y", 1).ok());
    ASSERT_TRUE(c->write(0, "C", 1).ok());
    EXPECT_TRUE(m_fs->syncFiles({a.get(), b.get(), c.get()}).ok());
    ASSERT_TRUE(a->write(0, "Z", 1).ok());
    ASSERT_TRUE(b->write(3, "Z", 1).ok());
    EXPECT_TRUE(m_fs->syncFiles({a.get(), b.get(), c.get()}).ok());
    ASSERT_TRUE(c->write(8192, "end", 3).ok());
    ASSERT_TRUE(b->write(0, "Q", 1).ok());
    EXPECT_TRUE(m_fs->syncFiles({a.get(), b.get(), c.get()}).ok());
    const auto contents = [](File& f, size_t n) {
        std::string back(n, ' ');
        size_t got = 0;
        EXPECT_TRUE(f.read(0, back.data(), back.size(), &got).ok());
        back.resize(got);
        return back;
    };
    EXPECT_EQ(contents(*a, 10), "ZaaaAA");
    EXPECT_EQ(contents(*b, 10), "QXYZ");
    EXPECT_EQ(contents(*c, 8195), "Cccc" + std::string(8188, '\0') + "end");
}

TEST_P(FsTest, RenameReplacesAndListShowsFiles) {
    make("a.tmp", "new").reset();
    make("a.dbf", "old").reset();
    ASSERT_TRUE(m_fs->rename(path("a.tmp"), path("a.dbf")).ok());
    EXPECT_FALSE(m_fs->exists(path("a.tmp")));
    EXPECT_EQ(test::readFsFile(*m_fs, path("a.dbf")), "new");
    std::vector<std::string> names;
    ASSERT_TRUE(m_fs->list(m_dir.substr(0, m_dir.size() - 1), &names).ok());
    EXPECT_EQ(names, std::vector<std::string>{"a.dbf"});
    EXPECT_TRUE(m_fs->remove(path("a.dbf")).ok());
    EXPECT_EQ(m_fs->open(path("a.dbf"), Share::Shared, false, nullptr).code, kErrOpen);
    // The entries made durable: of the folder, of the current directory; a missing folder is an error.
    EXPECT_TRUE(m_fs->syncDirectory(m_dir).ok());
    EXPECT_TRUE(m_fs->syncDirectory("").ok());
    if (GetParam().posix) { EXPECT_EQ(m_fs->syncDirectory(path("missing/")).code, kErrWrite); }
}

INSTANTIATE_TEST_SUITE_P(BothFileSystems, FsTest, ::testing::Values(FsCase{"memory", false}, FsCase{"posix", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FaultFileSystemTest, FailsTheNthWriteOnceOrFromThenOn) {
    auto mem = newMemoryFileSystem();
    FaultFileSystem fs(mem.get());
    std::unique_ptr<File> f;
    ASSERT_TRUE(fs.create("f", Share::Shared, &f).ok());
    fs.failWrite(2);
    EXPECT_TRUE(f->write(0, "a", 1).ok());
    EXPECT_EQ(f->write(1, "b", 1).code, kErrWrite);
    EXPECT_TRUE(f->write(1, "c", 1).ok());
    fs.failWrite(1, kErrDiskFull, true);
    EXPECT_EQ(f->write(2, "d", 1).code, kErrDiskFull);
    EXPECT_EQ(f->write(2, "e", 1).code, kErrDiskFull);
    fs.clearFaults();
    EXPECT_TRUE(f->write(2, "f", 1).ok());
    EXPECT_EQ(test::readFsFile(fs, "f"), "acf");
    EXPECT_EQ(fs.writesSeen(), 6);
}

TEST(FaultFileSystemTest, DiskFullAfterBudgetAndReadOnly) {
    auto mem = newMemoryFileSystem();
    FaultFileSystem fs(mem.get());
    std::unique_ptr<File> f;
    ASSERT_TRUE(fs.create("f", Share::Shared, &f).ok());
    fs.diskFullAfter(10);
    EXPECT_TRUE(f->write(0, "12345678", 8).ok());
    EXPECT_EQ(f->write(8, "12345678", 8).code, kErrDiskFull);
    fs.clearFaults();
    fs.setReadOnly(true);
    EXPECT_EQ(f->write(0, "x", 1).code, kErrReadOnly);
    std::unique_ptr<File> g;
    EXPECT_EQ(fs.create("g", Share::Shared, &g).code, kErrReadOnly);
    EXPECT_EQ(fs.rename("f", "h").code, kErrReadOnly);
    EXPECT_EQ(test::readFsFile(fs, "f"), "12345678");
}

}  // namespace
}  // namespace xbase
