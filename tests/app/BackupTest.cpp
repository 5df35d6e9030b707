// Backup and restore of the data files.
#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AppFixture.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/TableHandles.h"

namespace app_test {
namespace {

const QString kBackupFailed = QStringLiteral("Backup Failed . . Check that disk is not write protected");
const QString kRestoreFailed = QStringLiteral("Restore Failed . . Check that your disk is not full.");

// Replaces the file operations for the life of the object.
class FileOpsScope {
public:
    explicit FileOpsScope(store::FileOps ops) : m_previous(store::SetFileOps(std::move(ops))) {}
    ~FileOpsScope() { store::SetFileOps(m_previous); }

private:
    store::FileOps m_previous;
};

class BackupTest : public DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
        ASSERT_TRUE(m_target.isValid());
    }
    QString target() const { return m_target.path(); }
    QString targetFile(const QString& name) const { return QDir(target()).filePath(name); }
    // The working directory's copy of a backup file, whatever the case of its name.
    QString working(const QString& name) const {
        for (const QString& entry : QDir(dataDir()).entryList(QDir::Files))
            if (entry.compare(name, Qt::CaseInsensitive) == 0) return path(entry);
        return path(name);
    }
    std::map<QString, QByteArray> workingSet() const {
        std::map<QString, QByteArray> set;
        for (const QString& name : store::BackupFiles()) set[name] = bytes(working(name));
        return set;
    }

    QTemporaryDir m_target{QDir::tempPath() + QStringLiteral("/corvane-backup-XXXXXX")};
};

TEST_F(BackupTest, BackupThenRestoreRoundTripsEveryFileByteForByte) {
    const auto original = workingSet();
    RecordingSink sink;
    const mode_t umask = ::umask(022);
    store::BackupCommand(target(), dataDir());
    ::umask(umask);
    EXPECT_TRUE(dialogs->log().isEmpty()) << dialogs->log().join(QLatin1Char('\n')).toStdString();
    for (const auto& [name, content] : original) {
        EXPECT_FALSE(content.isEmpty()) << name.toStdString();
        EXPECT_EQ(bytes(targetFile(name)), content) << name.toStdString();
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(targetFile(name)).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name.toStdString();  // whatever the umask
    }
    EXPECT_EQ(sink.calls, (QStringList{"S:Copying Data Files", "P:10", "P:20", "P:30", "P:35", "P:45", "P:55",
                                       "P:70", "P:75", "P:85", "P:95", "P:100", "P:100", "S:",
                                       "R:Backup of 12 files to " + target() + " completed."}));
    // Neither the settings, the import directories nor any index file is part of the set; the
    // e-invoice parties are.
    EXPECT_EQ(QDir(target()).entryList(QDir::Files).size(), 12);

    // Change the working files, then restore.
    dialogs->answer(base::Answer::Ok);
    store::EraseAll();
    ASSERT_NE(workingSet(), original);
    sink.calls.clear();
    dialogs->answer(base::Answer::Ok);  // replace the data
    store::RestoreCommand(target() + QLatin1Char('/'), dataDir());
    EXPECT_EQ(workingSet(), original);
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("S:Rebuilding Indexes")));
    EXPECT_TRUE(QDir(dataDir()).entryList({QStringLiteral("*.part"), QStringLiteral("*.tmp")}, QDir::Files).isEmpty());
    ASSERT_TRUE(store::OpenCust());
    EXPECT_GT(store::CustTable->recCount(), 0);
    store::CloseAll();
}

TEST_F(BackupTest, TheWorkingDirectoryItselfIsRefused) {
    struct Case {
        bool backup;
        QString chosen;
        QString message;
    };
    const Case cases[] = {
        {true, dataDir(), QStringLiteral("Backup must be to a different drive and/or directory")},
        {true, QStringLiteral("  ") + dataDir() + QStringLiteral(" "), QStringLiteral("Backup must be to a different drive and/or directory")},
        {false, dataDir(), QStringLiteral("Restore must be from a different drive and/or directory")},
    };
    for (const Case& c : cases) {
        testing_support::ScriptedDialogs script;
        RecordingSink sink;
        if (c.backup)
            store::BackupCommand(c.chosen, dataDir());
        else
            store::RestoreCommand(c.chosen, dataDir());
        EXPECT_EQ(script.messages(), QStringList{c.message});
        EXPECT_TRUE(sink.calls.isEmpty()) << "something was copied or rebuilt";
    }
}

TEST_F(BackupTest, ACancelledChooserDoesNothing) {
    RecordingSink sink;
    store::BackupCommand(QString(), dataDir());
    store::RestoreCommand(QString(), dataDir());
    EXPECT_TRUE(dialogs->log().isEmpty());
    EXPECT_TRUE(sink.calls.isEmpty());
}

TEST_F(BackupTest, AFullOrWriteProtectedTargetAsksForAnotherDisk) {
    struct Case {
        int error;
        base::Answer answer;
        QString prompt;
        bool copied;
    };
    const Case cases[] = {
        {ENOSPC, base::Answer::Ok, QStringLiteral("Disk Full. Insert another disk.CUST5.dbf"), true},
        {ENOSPC, base::Answer::Cancel, QStringLiteral("Disk Full. Insert another disk.CUST5.dbf"), false},
        {EROFS, base::Answer::Ok, QStringLiteral("Disk is Write Protected"), true},
        {EACCES, base::Answer::Cancel, QStringLiteral("Disk is Write Protected"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt.toStdString());
        int failures = 1;  // the first copy fails, a retry succeeds
        store::FileOps ops = store::SystemFileOps();
        ops.copy = [&failures, error = c.error, real = ops.copy](const QString& from, const QString& to) {
            return failures-- > 0 ? error : real(from, to);
        };
        FileOpsScope scope(ops);
        testing_support::ScriptedDialogs script;
        script.answer(c.answer);
        QFile::remove(targetFile(QStringLiteral("CUST5.dbf")));
        store::BackupCommand(target(), dataDir());
        QStringList expected{QStringLiteral("Information OkCancel: ") + c.prompt};
        if (!c.copied) expected << QStringLiteral("Information Ok: ") + kBackupFailed;
        EXPECT_EQ(script.log(), expected);
        EXPECT_EQ(QFileInfo::exists(targetFile(QStringLiteral("CUST5.dbf"))), c.copied);
        EXPECT_TRUE(QDir(target()).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
    }
}

TEST_F(BackupTest, AReadOnlyTargetDirectoryGivesTheWriteProtectedPrompt) {
    // The real system calls on a directory that refuses new files: one without write permission, or,
    // where that is not enforced (root), a directory of the kernel's own file system.
    QFile::setPermissions(target(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString readOnly;
    for (const QString& dir : {target(), QStringLiteral("/sys")}) {
        const QString probe = QDir(dir).filePath(QStringLiteral("corvane-probe"));
        const int fd = ::open(QFile::encodeName(probe).constData(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            readOnly = dir;
            break;
        }
        if (fd >= 0) ::close(fd);
        QFile::remove(probe);
    }
    if (readOnly.isEmpty()) GTEST_SKIP() << "no directory here refuses new files";
    dialogs->answer(base::Answer::Cancel);
    store::BackupCommand(readOnly, dataDir());
    EXPECT_EQ(dialogs->messages(), (QStringList{QStringLiteral("Disk is Write Protected"), kBackupFailed}));
    QFile::setPermissions(target(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(BackupTest, RestoreFromAnIncompleteSetReplacesNothing) {
    store::BackupCommand(target(), dataDir());
    ASSERT_TRUE(QFile::remove(targetFile(QStringLiteral("GROUPS.dbf"))));
    // Make the backup differ from the working files, so a partial restore would show.
    QFile::remove(targetFile(QStringLiteral("CUST5.dbf")));
    ASSERT_TRUE(QFile::copy(working(QStringLiteral("Pur5.dbf")), targetFile(QStringLiteral("CUST5.dbf"))));
    const auto before = workingSet();

    RecordingSink sink;
    dialogs->answer(base::Answer::Ok);  // replace the data
    store::RestoreCommand(target(), dataDir());
    EXPECT_EQ(dialogs->messages().mid(1),
              (QStringList{QStringLiteral("Unable to find ") + target() + QStringLiteral("/GROUPS.dbf\nFunction Aborted"),
                           kRestoreFailed}));
    EXPECT_EQ(workingSet(), before);
    EXPECT_TRUE(sink.calls.contains(QStringLiteral("S:Rebuilding Indexes"))) << "indexes are rebuilt in any case";
}

TEST_F(BackupTest, RestoreFromRemovableMediaAsksForTheDiskHoldingAMissingFile) {
    store::BackupCommand(target(), dataDir());
    ASSERT_TRUE(QFile::remove(targetFile(QStringLiteral("GROUPS.dbf"))));
    store::FileOps ops = store::SystemFileOps();
    ops.isRemovable = [](const QString&) { return true; };
    FileOpsScope scope(ops);
    dialogs->answer(base::Answer::Ok);  // replace the data
    dialogs->answer(base::Answer::Cancel);
    store::RestoreCommand(target(), dataDir());
    EXPECT_EQ(dialogs->log().mid(1), (QStringList{QStringLiteral("Information OkCancel: Insert disk containing GROUPS.dbf"),
                                           QStringLiteral("Information Ok: ") + kRestoreFailed}));
}

TEST_F(BackupTest, BackupFindsTablesWhoseNamesDifferInCase) {
    // The delivered tables may carry upper-case extensions.
    const QString from = working(QStringLiteral("LABELS.dbf"));
    const QString upper = path(QStringLiteral("LABELS.DBF"));
    if (from != upper) {
        ASSERT_TRUE(QFile::rename(from, upper));
    }
    store::BackupCommand(target(), dataDir());
    EXPECT_TRUE(dialogs->log().isEmpty()) << dialogs->log().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(bytes(targetFile(QStringLiteral("LABELS.dbf"))), bytes(upper));
}

}  // namespace
}  // namespace app_test
