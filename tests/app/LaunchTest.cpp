// Where a run works: --data DIR, --data-home with its first-start window, and one copy per data
// directory (a real second process holds the lock).
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

#include "AppFixture.h"
#include "app/FirstStartU.h"
#include "app/Launch.h"
#include "mail/MailLog.h"
#include "store/Catalogue.h"
#include "store/DataLocation.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/TableHandles.h"
#include "support/OldTables.h"

namespace app_test {
namespace {

using app::LaunchRequest;

TEST(CommandLine, ReadsTheDataOptions) {
    const auto parse = [](QStringList args) { return app::ParseCommandLine(QStringList{"corvane"} + args); };
    EXPECT_EQ(parse({}).where, LaunchRequest::Where::WorkingDirectory);
    EXPECT_EQ(parse({"--data", "/srv/books"}).dir, QStringLiteral("/srv/books"));
    EXPECT_EQ(parse({"--data=/srv/books"}).where, LaunchRequest::Where::Given);
    EXPECT_EQ(parse({"--data-home"}).where, LaunchRequest::Where::Home);
    EXPECT_TRUE(parse({"--check-install"}).checkInstall);
    EXPECT_FALSE(parse({"--data"}).error.isEmpty());
    EXPECT_FALSE(parse({"--colour"}).error.isEmpty());
}

// Names, sizes and modification times of every file in dir.
QStringList fileStates(const QString& dir) {
    QStringList states;
    QDirIterator it(dir, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        states << QStringLiteral("%1 %2 %3").arg(info.fileName()).arg(info.size()).arg(
                      info.lastModified().toMSecsSinceEpoch());
    }
    states.sort();
    return states;
}

class LaunchTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(m_places.isValid());
        places.home = m_places.filePath(QStringLiteral("share/Corvane Invoicing"));
        places.settingsFile = m_places.filePath(QStringLiteral("config/corvane.conf"));
        home.where = LaunchRequest::Where::Home;
    }
    void TearDown() override {
        lock = app::DataLock();  // before the directory goes
        AppTest::TearDown();
    }
    LaunchRequest given(const QString& dir) const {
        LaunchRequest request;
        request.where = LaunchRequest::Where::Given;
        request.dir = dir;
        return request;
    }
    long customers(const QString& dir) {
        store::SetDataDir(dir);
        EXPECT_EQ(app::StartUp(), app::StartupResult::Ready);
        EXPECT_TRUE(store::OpenCust());
        const long count = store::CustTable->recCount();
        store::CloseAll();
        app::CloseDown();
        return count;
    }

    QTemporaryDir m_places{QDir::tempPath() + QStringLiteral("/corvane-places-XXXXXX")};
    app::DataHomePlaces places;
    LaunchRequest home;
    app::DataLock lock;
};

TEST_F(LaunchTest, DataOptionWorksInTheNamedDirectoryAndHoldsItsLock) {
    QDir::setCurrent(QDir::tempPath());
    ASSERT_TRUE(app::EnterDataDirectory(given(dataDir()), places, &lock));
    EXPECT_EQ(store::DataDir(), dataDir());
    EXPECT_EQ(QDir::currentPath(), QDir::temp().canonicalPath()) << "the process stays where it was started";
    EXPECT_TRUE(lock.held());
    EXPECT_TRUE(QFileInfo::exists(path(app::DataLock::fileName())));
    EXPECT_TRUE(dialogs->log().isEmpty());

    EXPECT_FALSE(app::EnterDataDirectory(given(dataDir() + "/nowhere"), places, &lock));
    EXPECT_EQ(dialogs->messages().value(0), QStringLiteral("Database files not found in ") + dataDir() + "/nowhere");
}

TEST_F(LaunchTest, FirstStartWritesANewBusinessIntoTheEmptyDataHome) {
    dialogs->onModal<app::TFirstStart>([](app::TFirstStart& window) {
        EXPECT_EQ(window.BtnNew->text(), QStringLiteral("Start a new business"));
        EXPECT_EQ(window.BtnDemo->text(), QStringLiteral("Open the demo business"));
        EXPECT_EQ(window.BtnExisting->text(), QStringLiteral("Use an existing data folder…"));
        QTest::mouseClick(window.BtnNew, Qt::LeftButton);
    });
    ASSERT_TRUE(app::EnterDataDirectory(home, places, &lock));
    EXPECT_EQ(store::DataDir(), places.home);
    EXPECT_TRUE(lock.held());
    lock = app::DataLock();
    EXPECT_EQ(customers(places.home), 0);

    // The next start from the menu finds the business without asking.
    app::DataLock again;
    EXPECT_TRUE(app::EnterDataDirectory(home, places, &again));
    EXPECT_EQ(dialogs->log(), QStringList{QStringLiteral("Modal app::TFirstStart")});
}

TEST_F(LaunchTest, FirstStartConvertsTheEarlierVersionsDataIntoANewBusiness) {
    QTemporaryDir old(QDir::tempPath() + QStringLiteral("/corvane-old-XXXXXX"));
    testing_support::WriteOldTables(old.path(), testing_support::SampleOldData());
    QTemporaryDir lacking(QDir::tempPath() + QStringLiteral("/corvane-lacking-XXXXXX"));
    dialogs->answerDirectory(lacking.path());  // no old tables there: the window stays
    dialogs->answerDirectory(old.path());
    dialogs->onModal<app::TFirstStart>([](app::TFirstStart& window) {
        EXPECT_EQ(window.BtnConvert->text(), QStringLiteral("Convert the data of the earlier version…"));
        QTest::mouseClick(window.BtnConvert, Qt::LeftButton);
        EXPECT_EQ(window.result(), 0);
        QTest::mouseClick(window.BtnConvert, Qt::LeftButton);
    });
    ASSERT_TRUE(app::EnterDataDirectory(home, places, &lock));
    EXPECT_EQ(store::DataDir(), places.home);
    EXPECT_EQ(dialogs->messages(), QStringList{QStringLiteral("Data files not found in ") + lacking.path()});
    lock = app::DataLock();
    EXPECT_EQ(customers(places.home), 2) << "the old customers";
}

TEST_F(LaunchTest, FirstStartOpensTheDemoBusiness) {
    dialogs->onModal<app::TFirstStart>([](app::TFirstStart& window) { QTest::mouseClick(window.BtnDemo, Qt::LeftButton); });
    ASSERT_TRUE(app::EnterDataDirectory(home, places, &lock));
    lock = app::DataLock();
    EXPECT_GT(customers(places.home), 0);
}

TEST_F(LaunchTest, FirstStartUsesAnExistingFolderAndRemembersIt) {
    QTemporaryDir empty(QDir::tempPath() + QStringLiteral("/corvane-empty-XXXXXX"));
    dialogs->answerDirectory(empty.path());
    dialogs->answerDirectory(dataDir());
    dialogs->onModal<app::TFirstStart>([](app::TFirstStart& window) {
        QTest::mouseClick(window.BtnExisting, Qt::LeftButton);  // a folder without data files: stays
        EXPECT_EQ(window.result(), 0);
        QTest::mouseClick(window.BtnExisting, Qt::LeftButton);
    });
    ASSERT_TRUE(app::EnterDataDirectory(home, places, &lock));
    EXPECT_EQ(store::DataDir(), dataDir());
    EXPECT_EQ(dialogs->messages(), QStringList{QStringLiteral("Database files not found in ") + empty.path()});
    EXPECT_FALSE(QFileInfo::exists(places.home + "/CUST5.DBF")) << "the data home was written";
    lock = app::DataLock();

    app::DataLock again;
    EXPECT_TRUE(app::EnterDataDirectory(home, places, &again));
    EXPECT_EQ(store::DataDir(), dataDir());
    EXPECT_EQ(dialogs->log().filter(QStringLiteral("Modal")).size(), 1);
}

TEST_F(LaunchTest, FirstStartNeverOverwritesATable) {
    ASSERT_TRUE(QDir().mkpath(places.home));
    ASSERT_TRUE(QFile::copy(path(QStringLiteral("CUST5.DBF")), places.home + "/CUST5.DBF") ||
                QFile::copy(path(QStringLiteral("CUST5.dbf")), places.home + "/CUST5.DBF"));
    const QStringList before = fileStates(places.home);
    dialogs->onModal<app::TFirstStart>([](app::TFirstStart& window) {
        QTest::mouseClick(window.BtnNew, Qt::LeftButton);
        QTest::mouseClick(window.BtnDemo, Qt::LeftButton);
        QTest::mouseClick(window.BtnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(app::EnterDataDirectory(home, places, &lock));
    EXPECT_EQ(dialogs->messages().size(), 2);
    EXPECT_TRUE(dialogs->messages().value(0).startsWith(QStringLiteral("The folder already holds some of the data files")));
    EXPECT_EQ(fileStates(places.home), before);
    EXPECT_FALSE(lock.held());
}

TEST_F(LaunchTest, ASecondCopyIsRefusedWhileTheFirstRunsAndATakenOverLockAfterItsCrash) {
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(CORVANE_BINARY_DIR "/src/corvane"), {QStringLiteral("--data"), dataDir()});
    ASSERT_TRUE(first.waitForStarted());
    // The first copy holds the lock, then its start-up (and splash) pass.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(path(app::DataLock::fileName())); }, 60000))
        << first.readAllStandardError().toStdString();
    QTest::qWait(4000);
    ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();

    const QStringList before = fileStates(dataDir());
    QDir::setCurrent(QDir::tempPath());
    EXPECT_FALSE(app::EnterDataDirectory(given(dataDir()), places, &lock));
    const QString user = QString::fromLocal8Bit(getpwuid(getuid())->pw_name);
    EXPECT_EQ(dialogs->messages(),
              QStringList{QStringLiteral("The data files in %1 are in use by another copy of Corvane Invoicing (%2 on %3).")
                              .arg(dataDir(), user, QSysInfo::machineHostName())});
    EXPECT_EQ(fileStates(dataDir()), before);

    first.kill();  // a crash: the lock file stays behind
    first.waitForFinished();
    EXPECT_TRUE(QFileInfo::exists(path(app::DataLock::fileName())));
    EXPECT_TRUE(app::EnterDataDirectory(given(dataDir()), places, &lock));
    EXPECT_TRUE(lock.held());
}

// Every file a run names lands in its data directory, whatever the process's directory is, and the
// run leaves that alone.
TEST_F(LaunchTest, ARunStartedElsewhereWorksOnItsDataDirectoryOnly) {
    QTemporaryDir elsewhere(QDir::tempPath() + QStringLiteral("/corvane-elsewhere-XXXXXX"));
    QTemporaryDir backup(QDir::tempPath() + QStringLiteral("/corvane-backup-XXXXXX"));
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    ASSERT_TRUE(app::EnterDataDirectory(given(dataDir()), places, &lock));
    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    ASSERT_TRUE(store::OpenCust());
    store::CloseAll();
    EXPECT_TRUE(mail::RecordSent(QDateTime::currentDateTime(), "Invoice 1001", {"ada@example.org"}, "Invoice"));
    store::BackupCommand(backup.path(), store::DataDir());
    app::CloseDown();

    EXPECT_EQ(QDir::currentPath(), QDir(elsewhere.path()).canonicalPath());
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    for (const QString& name : {app::DataLock::fileName(), mail::kMailLogFile})
        EXPECT_TRUE(QFileInfo::exists(path(name))) << name.toStdString();
    EXPECT_EQ(QDir(backup.path()).entryList(QDir::Files).size(), store::BackupFiles().size());
    EXPECT_TRUE(dialogs->messages().isEmpty()) << dialogs->messages().join('|').toStdString();
}

TEST_F(LaunchTest, GalleryPicturesTheFirstStartWindow) {
    app::TFirstStart window(places);
    window.show();
    QApplication::processEvents();
    const QString file = QDir(testing_support::artifactDir(QStringLiteral("gallery"))).filePath("TFirstStart.png");
    EXPECT_TRUE(window.grab().save(file)) << file.toStdString();
}

}  // namespace
}  // namespace app_test
