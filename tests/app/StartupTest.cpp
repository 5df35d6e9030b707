// Start-up, the quick and full index rebuild, and close-down.
#include <QDir>

#include "AppFixture.h"
#include "store/Catalogue.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/OpenRoutines.h"
#include "store/Selection.h"
#include "store/Settings.h"

namespace app_test {
namespace {

// Every group and index file of the indexed tables.
QStringList indexFiles() {
    QStringList files;
    for (const store::TableEntry& table : store::Catalogue()) {
        if (!table.hasIndex()) continue;
        files << QString::fromStdString(table.groupFile());
        for (const store::TagEntry& tag : table.tags) files << QLatin1String(tag.file);
    }
    return files;
}

class StartupTest : public AppTest {};

TEST_F(StartupTest, WithoutDataFilesShowsTheTwoLineMessageAndOpensNothing) {
    QString error;
    ASSERT_TRUE(store::RemoveDataFiles(dataDir(), &error)) << error.toStdString();
    EXPECT_EQ(app::StartUp(), app::StartupResult::DataFilesMissing);
    EXPECT_EQ(dialogs->messages(),
              QStringList{QStringLiteral("Database files not found in startup directory\n"
                                         "Program must be started from the directory containing the data files.")});
    EXPECT_FALSE(store::EngineActive());
    EXPECT_TRUE(QDir(dataDir()).entryList(QDir::Files).isEmpty()) << "start-up wrote files";
}

TEST_F(StartupTest, OneMissingTableCountsAsNoDataFiles) {
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("GSTPMT.dbf"))) || QFile::remove(path(QStringLiteral("GSTPMT.DBF"))));
    EXPECT_EQ(app::StartUp(), app::StartupResult::DataFilesMissing);
    EXPECT_EQ(dialogs->messages().size(), 1);
    EXPECT_FALSE(store::EngineActive());
}

TEST_F(StartupTest, EveryIndexPresentRebuildsNothingAndShowsNothing) {
    for (const QString& file : indexFiles()) age(file);
    RecordingSink sink;
    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    for (const QString& file : indexFiles()) EXPECT_FALSE(rewritten(file)) << file.toStdString();
    EXPECT_TRUE(sink.calls.isEmpty()) << sink.calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(dialogs->log().isEmpty());
    EXPECT_TRUE(store::Engine().tables().empty()) << "start-up left a table open";
    EXPECT_FALSE(store::PackPending);
}

TEST_F(StartupTest, MissingCzipRebuildsTheCustomerGroupSilently) {
    for (const QString& file : indexFiles()) age(file);
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("czip.ntx"))));
    RecordingSink sink;
    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    const QStringList customerFiles = {QStringLiteral("cName.ntx"), QStringLiteral("ccno.ntx"), QStringLiteral("czip.ntx"),
                                       QStringLiteral("ccomp.ntx"), QStringLiteral("CUST5.cgp")};
    for (const QString& file : indexFiles())
        EXPECT_EQ(rewritten(file), customerFiles.contains(file)) << file.toStdString();
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_TRUE(dialogs->log().isEmpty());
    // The context is back to the run's options.
    EXPECT_EQ(store::Engine().autoOpen(), 1);
    EXPECT_EQ(store::Engine().safety(), 1);
    EXPECT_EQ(store::Engine().accessMode(), 0);
}

TEST_F(StartupTest, LoadsTheSettingsRecord) {
    store::SettingsRec = store::SettingsBuffer{};
    store::SettingsRec.ByCust = false;
    store::EngineInit();
    EXPECT_TRUE(store::SaveSettings().ok());
    store::EngineEnd();
    store::SettingsRec.ByCust = true;
    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    EXPECT_FALSE(store::SettingsRec.ByCust);
}

TEST_F(StartupTest, FullReindexShowsItsProgressAndClearsTheStatus) {
    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    for (const QString& file : indexFiles()) age(file);
    RecordingSink sink;
    store::RebuildIndexes(false);
    EXPECT_EQ(sink.calls, (QStringList{"S:Rebuilding Indexes", "P:5", "P:25", "P:30", "P:35", "P:40", "P:60", "P:80",
                                       "P:100", "P:100", "S:"}));
    for (const QString& file : indexFiles()) EXPECT_TRUE(rewritten(file)) << file.toStdString();
    EXPECT_EQ(store::Engine().autoOpen(), 1);
    EXPECT_EQ(store::Engine().safety(), 1);
    EXPECT_EQ(store::Engine().accessMode(), 0);
    // The rebuilt indexes serve the open routines.
    EXPECT_TRUE(store::OpenCust());
    store::CloseAll();
    EXPECT_EQ(programExits, 0);
}

TEST_F(StartupTest, CloseDownPacksOnlyWhenDeletionsArePending) {
    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    RecordingSink sink;
    app::CloseDown();
    EXPECT_TRUE(sink.calls.isEmpty());
    EXPECT_FALSE(store::EngineActive());

    ASSERT_EQ(app::StartUp(), app::StartupResult::Ready);
    store::PackPending = true;
    app::CloseDown();
    EXPECT_EQ(sink.calls.value(0), QStringLiteral("S:Packing Data Files"));
    EXPECT_FALSE(store::PackPending);
    EXPECT_FALSE(store::EngineActive());
}

TEST(VersionText, IsFourNumbers) {
    const QStringList parts = app::VersionText().split(QLatin1Char('.'));
    ASSERT_EQ(parts.size(), 4);
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        EXPECT_TRUE(ok && value <= 0xFFFF) << part.toStdString();
    }
    EXPECT_EQ(app::MainCaption(), QStringLiteral("Corvane Invoicing ") + app::VersionText());
}

}  // namespace
}  // namespace app_test
