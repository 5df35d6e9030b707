// The upgrade of the predecessor's data: from the main window's key through the chooser and the
// warning to the converted tables, the same conversion from corvane-data, and the all-or-nothing rule.
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <tuple>

#include "AppFixture.h"
#include "base/Format.h"
#include "store/DataLock.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/FileSetSwap.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"
#include "store/Upgrade.h"
#include "store/UserPreferences.h"
#include "store/DataFiles.h"
#include "support/OldTables.h"
#include "support/TableSnapshot.h"
#include "ui/DriveDirU.h"

namespace app_test {
namespace {

using testing_support::tableRecords;
using testing_support::tableSnapshot;

// The name of every table of the catalogue.
std::vector<std::string> allTables() {
    std::vector<std::string> names;
    for (const store::TableEntry& table : store::Catalogue()) names.push_back(table.name);
    return names;
}

// Every file of a directory with its bytes.
std::map<QString, QByteArray> filesOf(const QString& dir) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::ReadOnly)) files[name] = f.readAll();
    }
    return files;
}

template <class B>
std::vector<B> recordsOf(store::TableKey key) {
    std::vector<B> all;
    EXPECT_TRUE(store::OpenByKey(key));
    xbase::Table* table = store::TableHandle(key);
    for (long r = 1; r <= table->recCount(); ++r) {
        table->go(r);
        B buffer;
        store::ReadRecord(table, &buffer);
        all.push_back(buffer);
    }
    store::CloseAll();
    return all;
}

class UpgradeTest : public MainWindowDemoTest {
protected:
    void SetUp() override {
        MainWindowDemoTest::SetUp();
        ASSERT_TRUE(m_old.isValid());
    }
    QString oldDir() const { return m_old.path(); }
    // Presses the upgrade key, chooses dir in the chooser and answers the warning (when asked).
    void upgradeFromKeyboard(const QString& dir, std::optional<base::Answer> warning = base::Answer::Ok) {
        dialogs->onModal<ui::TDriveDir>([dir](ui::TDriveDir& w) {
            EXPECT_EQ(w.windowTitle(), "Choose Drive & Directory Containing Old Velkin Data");
            EXPECT_EQ(w.BtnOK->text(), "Upgrade");
            ASSERT_TRUE(w.setDirectory(dir));
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
        if (warning) dialogs->answer(*warning);
        pressUpgradeKey();
    }
    void pressUpgradeKey() {
        QApplication::setActiveWindow(main);
        QTest::keyClick(main, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
    }

    QTemporaryDir m_old{QDir::tempPath() + QStringLiteral("/corvane-old-XXXXXX")};
};

TEST_F(UpgradeTest, OldTablesBecomeTheProgramsTablesWithTheNewFieldsAtTheirDefaults) {
    testing_support::WriteOldTables(oldDir(), testing_support::SampleOldData(), /*upperCase=*/true);
    RecordingSink sink;
    upgradeFromKeyboard(oldDir());
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages().at(0).startsWith("Warning: All previously entered data will be overwritten\n\n"));
    EXPECT_TRUE(dialogs->messages().at(0).contains("Kept: the settings, the sales tax definitions, the purchases and the payments"));

    using D = base::Decimal;
    auto dec = [](const char* text) {
        D value;
        D::parse(QString::fromLatin1(text), QLatin1Char('.'), &value);
        return value;
    };
    auto pad = [](const QString& text, int width) { return text.leftJustified(width); };
    const std::vector<store::ProdBuffer> products = recordsOf<store::ProdBuffer>(store::TableKey::Prod);
    ASSERT_EQ(products.size(), 2u) << "the product the old system had deleted is not taken over";
    EXPECT_EQ(products[0], (store::ProdBuffer{pad("widget", 10), pad("W1", 10), pad("Blue widget", 27), dec("12.50"),
                                              true, false, false, pad("per piece", 27), "Keep dry", D(), D(), false}));
    EXPECT_EQ(products[1].UPrice, dec("0.10"));
    EXPECT_TRUE(products[1].LTax2);

    const std::vector<store::CustBuffer> customers = recordsOf<store::CustBuffer>(store::TableKey::Cust);
    ASSERT_EQ(customers.size(), 2u);
    EXPECT_EQ(customers[0], (store::CustBuffer{7, pad("Mrs", 3), pad("Jana", 13), pad("Müller", 20), pad("Müller & Co", 34),
                                               pad("1 Long Rd", 34), pad("Unit 2", 34), pad("Hamburg", 34),
                                               pad("20095", 10), "Prefers mornings", 1, pad("Net 30", 59), pad("", 20),
                                               pad("", 20), pad("", 60)}));
    EXPECT_EQ(customers[1].ngroup, 2);

    const std::vector<store::InvBuffer> invoices = recordsOf<store::InvBuffer>(store::TableKey::Inv);
    ASSERT_EQ(invoices.size(), 2u);
    EXPECT_EQ(invoices[0], (store::InvBuffer{1001, 7, pad("", 59), base::DayFromDate(QDate(1999, 2, 15)),
                                             pad("PO 77", 30), dec("5"), dec("1.25"), dec("31.25"), "thanks"}));
    EXPECT_EQ(invoices[1].IDate, 0) << "a date that does not convert is stored as no date";

    const std::vector<store::ItmBuffer> items = recordsOf<store::ItmBuffer>(store::TableKey::Itm);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0], (store::ItmBuffer{1001, pad("WIDGET", 10), dec("2"), dec("12.50"), true, false,
                                          pad("Blue widget", 59), pad("two", 59)}));
    EXPECT_EQ(items[1].PDesc.trimmed(), "Gadget") << "the code is matched without regard to case";
    EXPECT_EQ(items[2].PDesc.trimmed(), "") << "a line whose product is missing keeps an empty description";
    EXPECT_TRUE(tableRecords("ITM5").at(0).endsWith("|F|      0.00")) << "lBuild F, BackOrder 0";

    // The whole-file copies replaced the program's own tables, whatever the case of the names.
    EXPECT_EQ(tableRecords("GROUPS").size(), 2);
    EXPECT_EQ(recordsOf<store::LabelBuffer>(store::TableKey::Labels).at(0).Name.trimmed(), "Avery 5160");
    const auto working = filesOf(dataDir());
    ASSERT_TRUE(working.count("Pmt.dbf") && working.count("Prod4.dbf"));
    EXPECT_EQ(working.at("Pmt.dbf"), filesOf(oldDir()).at("PMT.DBF"));
    EXPECT_EQ(working.at("Prod4.dbf"), filesOf(oldDir()).at("PROD4.DBF"));
    QSet<QString> seen;
    for (const auto& [name, content] : working) {
        EXPECT_FALSE(seen.contains(name.toUpper())) << name.toStdString() << " twice in different case";
        seen.insert(name.toUpper());
    }
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{})
        << "the staging folder is gone";
    // Every index agrees with its table.
    for (const char* table : {"CUST5", "INV5", "ITM5", "Prod5", "GROUPS"})
        for (const QString& line : tableSnapshot(table))
            if (line.contains(':')) {
                EXPECT_EQ(line.count(' '), tableRecords(table).size()) << table << line.toStdString();
            }

    EXPECT_EQ(sink.progress(), (QList<int>{5, 10, 15, 20, 25, 21, 23, 25, 37, 50, 62, 75, 83, 91, 100,  // conversion
                                           5, 25, 30, 35, 40, 60, 80, 100, 100,                         // indexes
                                           33, 66, 100,                                                 // descriptions
                                           10, 30, 35, 50, 70, 75, 85, 100, 100}));                      // pack
    EXPECT_TRUE(sink.calls.contains("S:Transferring Item Descriptions"));
}

TEST_F(UpgradeTest, StartsNothingWithoutEveryOldTableOrWhenDeclinedButStillPacks) {
    struct Case {
        const char* removed;  // old file taken away
        std::optional<base::Answer> warning;
        QString message;
    };
    const Case cases[] = {
        {"pmt.dbf", std::nullopt, "Data files not found in " + oldDir()},
        {nullptr, base::Answer::Cancel, "Warning: All previously entered data will be overwritten\n\n"},
    };
    const QStringList customers = tableRecords("CUST5");
    for (const Case& c : cases) {
        QDir(oldDir()).removeRecursively();
        QDir().mkpath(oldDir());
        testing_support::WriteOldTables(oldDir(), testing_support::SampleOldData());
        if (c.removed) QFile::remove(QDir(oldDir()).filePath(c.removed));
        testing_support::ScriptedDialogs script;
        RecordingSink sink;
        script.onModal<ui::TDriveDir>([this](ui::TDriveDir& w) {
            ASSERT_TRUE(w.setDirectory(oldDir()));
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
        if (c.warning) script.answer(*c.warning);
        pressUpgradeKey();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_TRUE(script.messages().at(0).startsWith(c.message)) << script.messages().at(0).toStdString();
        EXPECT_EQ(tableRecords("CUST5"), customers);
        EXPECT_TRUE(sink.calls.contains("S:Packing Data Files")) << c.message.toStdString();
    }
}

TEST_F(UpgradeTest, AnEmptyOldProductTableLeavesNoProductsAndGoesOn) {
    testing_support::OldData data = testing_support::SampleOldData();
    data.erase("Prod4.dbf");
    testing_support::WriteOldTables(oldDir(), data);
    upgradeFromKeyboard(oldDir());
    EXPECT_EQ(tableRecords("Prod5").size(), 0);
    EXPECT_EQ(tableRecords("CUST5").size(), 2);
    EXPECT_EQ(recordsOf<store::ItmBuffer>(store::TableKey::Itm).at(0).PDesc.trimmed(), "");
}

TEST_F(UpgradeTest, TheDefaultDirectoryIsTheOldProgramsFolderInTheHomeDirectory) {
    struct Case {
        QStringList withProducts;  // folders holding the old product table
        QStringList empty;         // folders without it
        QString expected;
    };
    const Case cases[] = {
        {{}, {}, ""},
        {{"tamsel"}, {}, "tamsel"},
        {{"tamsel", "tamsel_bus"}, {}, "tamsel_bus"},
        {{"tamsel"}, {"tamsel_bus"}, "tamsel"},
    };
    for (const Case& c : cases) {
        QTemporaryDir home;
        for (const QString& folder : c.withProducts) {
            QDir(home.path()).mkpath(folder);
            QFile(QDir(home.path()).filePath(folder + "/PROD4.DBF")).open(QIODevice::WriteOnly);
        }
        for (const QString& folder : c.empty) QDir(home.path()).mkpath(folder);
        EXPECT_EQ(store::UpgradeStartDirectory(home.path()), c.expected.isEmpty() ? "" : home.path() + "/" + c.expected);
    }
}

// A failure at any step (an old table that cannot be opened, a record that cannot be added, a copy
// that fails, a table another user holds) leaves every data file as it was and says what failed.
TEST_F(UpgradeTest, AFailureAtAnyStepLeavesEveryDataFileAsItWas) {
    store::CloseAll();
    const auto before = filesOf(dataDir());
    std::map<std::string, QStringList> snapshots;
    for (const std::string& table : allTables()) snapshots[table] = tableSnapshot(table);
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString failure;  // part of the message
    };
    std::unique_ptr<xbase::Context> otherUser;
    // The sample old data with some values changed: {file, record, field, value}.
    auto oldDataWith = [this](std::vector<std::tuple<QString, int, std::string, QString>> changes) {
        testing_support::OldData data = testing_support::SampleOldData();
        for (const auto& [file, record, field, value] : changes) data[file][size_t(record)][field] = value;
        QDir(oldDir()).removeRecursively();
        QDir().mkpath(oldDir());
        testing_support::WriteOldTables(oldDir(), data);
    };
    auto patch = [this](const char* file, const QByteArray& from, const QByteArray& to) {
        QFile f(QDir(oldDir()).filePath(file));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        ASSERT_EQ(bytes.count(from), 1) << file;
        f.seek(0);
        f.write(bytes.replace(from, to));
    };
    const Case cases[] = {
        // Nothing is cut or changed without a word: every such value is listed and nothing converted.
        {"texts longer than their new fields",
         [&] { oldDataWith({{"cust2.dbf", 0, "TITLE", "Prof"}, {"cust2.dbf", 1, "LAST", "Featherstonehaugh-Smythe"}}); },
         "cust2.dbf record 1 TITLE: \"Prof\" is longer than its 3 characters\n"
         "cust2.dbf record 2 LAST: \"Featherstonehaugh-Smythe\" is longer than its 20 characters"},
        {"numbers that are not numbers",
         [&] {
             // Bytes another program left: the engine writes none like them.
             patch("inv.dbf", "      5.00      1.25", "       abc      1.25");
             patch("itm4.dbf", "     3.00      1.00", "     3.00     12,50");
         },
         "inv.dbf record 1 SHIP: \"abc\" is not a number\nitm4.dbf record 3 UPR: \"12,50\" is not a number"},
        {"a table cut mid-record",
         [&] {
             const QString cust = QDir(oldDir()).filePath("cust2.dbf");
             QFile::resize(cust, QFileInfo(cust).size() - 5);
         },
         "cust2.dbf is damaged: its header counts 2 records, the file holds 1"},
        {"a memo file cut short", [&] { QFile::resize(QDir(oldDir()).filePath("cust2.dbt"), 520); },
         "cust2.dbf record 1 COMMENTS: the memo text lies beyond the end of the memo file"},
        {"a read-only data file", [&] { QFile::setPermissions(QDir(dataDir()).filePath("CUST5.dbf"), QFileDevice::ReadOwner); },
         "CUST5.dbf is read-only"},
        {"damaged line items", [&] { QFile::resize(QDir(oldDir()).filePath("itm4.dbf"), 10); }, "itm4.dbf is damaged: its header is cut short"},
        {"an invoice number too wide",
         [&] {
             xbase::Context old(nullptr, oldDir().toStdString());
             QFile::remove(QDir(oldDir()).filePath("inv.dbf"));
             xbase::Table* inv = old.createTable("inv", {{"IVNO", 'N', 8, 0}});
             inv->appendBlank();
             inv->field("IVNO")->assignLong(12345678);
             inv->close();
         },
         "record 1 of inv.dbf could not be added to INV5.DBF"},
        {"a failing copy",
         [&] {
             store::FileOps ops = store::SystemFileOps();
             ops.copy = [real = ops.copy](const QString& from, const QString& to) {
                 return from.endsWith("pmt.dbf", Qt::CaseInsensitive) ? ENOSPC : real(from, to);
             };
             store::SetFileOps(ops);
         },
         "Pmt.dbf could not be copied (No space left on device)"},
        {"another user",
         [&] {
             otherUser = std::make_unique<xbase::Context>(nullptr, dataDir().toStdString());
             otherUser->openTable("ITM5");
         },
         "ITM5.DBF: another user has the file open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(oldDir()).removeRecursively();
        QDir().mkpath(oldDir());
        testing_support::WriteOldTables(oldDir(), testing_support::SampleOldData());
        c.arrange();
        testing_support::ScriptedDialogs script;
        script.onModal<ui::TDriveDir>([this](ui::TDriveDir& w) {
            ASSERT_TRUE(w.setDirectory(oldDir()));
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
        script.answer(base::Answer::Ok);
        pressUpgradeKey();
        store::SetFileOps(store::SystemFileOps());
        otherUser.reset();
        QFile::setPermissions(QDir(dataDir()).filePath("CUST5.dbf"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ASSERT_EQ(script.messages().size(), 2);
        EXPECT_TRUE(script.messages().at(1).startsWith("The old data could not be converted: "));
        EXPECT_TRUE(script.messages().at(1).contains(c.failure)) << script.messages().at(1).toStdString();
        EXPECT_TRUE(filesOf(dataDir()) == before) << "a data file changed";
        for (const std::string& table : allTables()) EXPECT_EQ(tableSnapshot(table), snapshots[table]) << table;
        EXPECT_EQ(QDir(dataDir()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    }
}

TEST_F(UpgradeTest, TheDataToolConvertsAsTheCommandDoes) {
    testing_support::WriteOldTables(oldDir(), testing_support::SampleOldData());
    store::CloseAll();
    QTemporaryDir copy;
    for (const auto& [name, content] : filesOf(dataDir())) {
        QFile f(QDir(copy.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    auto tool = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-data"), args);
        p.waitForFinished(120000);
        return std::make_pair(p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError()));
    };
    const auto before = filesOf(copy.path());
    QTemporaryDir lacking;
    testing_support::WriteOldTables(lacking.path(), testing_support::SampleOldData());
    QFile::remove(QDir(lacking.path()).filePath("cust2.dbf"));
    EXPECT_EQ(tool({"--upgrade", oldDir()}).first, 2);
    const auto missing = tool({"--upgrade", lacking.path(), copy.path()});
    EXPECT_EQ(missing.first, 1);
    EXPECT_TRUE(missing.second.contains("Data files not found in ")) << missing.second.toStdString();
    EXPECT_TRUE(filesOf(copy.path()) == before);

    {
        // A directory a copy of the program holds is refused, as the program refuses to start in it.
        store::DataLock held;
        ASSERT_TRUE(held.acquire(copy.path()));
        const auto refused = tool({"--upgrade", oldDir(), copy.path()});
        EXPECT_EQ(refused.first, 1);
        EXPECT_TRUE(refused.second.contains("are in use by another copy of Corvane Invoicing")) << refused.second.toStdString();
        EXPECT_EQ(filesOf(copy.path()).at("CUST5.dbf"), before.at("CUST5.dbf"));
    }
    const auto converted = tool({"--upgrade", oldDir(), copy.path()});
    EXPECT_EQ(converted.first, 0) << converted.second.toStdString();
    EXPECT_TRUE(converted.second.contains("Converting Data Files\n"));
    EXPECT_TRUE(converted.second.contains("\ncorvane-data: 100%\n"));
    upgradeFromKeyboard(oldDir());
    for (const std::string& table : allTables()) {
        const QString inCopy = QDir(copy.path()).filePath(QString::fromStdString(table));
        EXPECT_EQ(tableSnapshot(inCopy.toStdString()), tableSnapshot(table)) << table;
    }
}

// The commands kept out of sight are reached on purpose: the order commands through one preference,
// the upgrade through the File menu.
TEST_F(UpgradeTest, OnePreferenceShowsTheOrderCommandsAndTheFileMenuConverts) {
    QTemporaryDir home;
    const QString previous = store::UserPreferencesFile;
    store::UserPreferencesFile = home.filePath("corvane.conf");
    EXPECT_TRUE(main->BtnPrintBatch->isHidden());
    EXPECT_TRUE(main->BtnDirectories->isHidden());
    main->PageControl1->setCurrentIndex(main->PageControl1->indexOf(main->CheckOrders->parentWidget()));
    QTest::mouseClick(main->CheckOrders, Qt::LeftButton, {}, QPoint(4, main->CheckOrders->height() / 2));
    EXPECT_FALSE(main->BtnPrintBatch->isHidden());
    EXPECT_FALSE(main->BtnDirectories->isHidden());
    EXPECT_TRUE(store::OrderCommandsShown()) << "kept for the next run";
    QTest::mouseClick(main->CheckOrders, Qt::LeftButton, {}, QPoint(4, main->CheckOrders->height() / 2));
    EXPECT_TRUE(main->BtnPrintBatch->isHidden());
    EXPECT_FALSE(store::OrderCommandsShown());
    store::UserPreferencesFile = previous;

    testing_support::WriteOldTables(oldDir(), testing_support::SampleOldData());
    dialogs->onModal<ui::TDriveDir>([this](ui::TDriveDir& w) {
        ASSERT_TRUE(w.setDirectory(oldDir()));
        QTest::mouseClick(w.BtnOK, Qt::LeftButton);
    });
    dialogs->answer(base::Answer::Ok);
    ASSERT_EQ(main->ConvertOldData1->text(), "&Convert Old Data…");
    main->ConvertOldData1->trigger();
    EXPECT_EQ(tableRecords("CUST5").size(), 2);
}

// A kill at any rename of the final moves: the next start finishes the set (its record complete) or
// drops it (its record cut short, before any rename), and the directory holds one whole set.
TEST(UpgradeInterruptionTest, TheNextStartFinishesOrDropsTheSetAtEveryRename) {
    const std::vector<store::FileMove> moves = {{"A.dbf", ".upgrade-x/.replaced/A.dbf"}, {".upgrade-x/A.dbf", "A.dbf"},
                                                {"b.DBF", ".upgrade-x/.replaced/b.DBF"}, {".upgrade-x/B.dbf", "B.dbf"}};
    for (size_t done = 0; done <= moves.size(); ++done)
        for (const bool complete : {true, false}) {
            if (!complete && done > 0) continue;  // the record is on the disk before the first rename
            SCOPED_TRACE(testing::Message() << done << " renames done, record " << (complete ? "complete" : "cut short"));
            QTemporaryDir dir;
            const QDir d(dir.path());
            ASSERT_TRUE(d.mkpath(".upgrade-x/.replaced"));
            const std::map<QString, QByteArray> old = {{"A.dbf", "old A"}, {"b.DBF", "old b"}, {"Keep.dbf", "kept"}};
            const std::map<QString, QByteArray> converted = {{"A.dbf", "new A"}, {"B.dbf", "new b"}, {"Keep.dbf", "kept"}};
            for (const auto& [name, bytes] : old) {
                QFile f(d.filePath(name));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(bytes);
            }
            for (const char* name : {"A.dbf", "B.dbf"}) {
                QFile f(d.filePath(QStringLiteral(".upgrade-x/") + name));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(converted.at(name));
            }
            QByteArray record;
            for (const store::FileMove& m : moves) record += m.from.toUtf8() + '\t' + m.to.toUtf8() + '\n';
            QFile intent(d.filePath(".upgrade.swp"));
            ASSERT_TRUE(intent.open(QIODevice::WriteOnly));
            intent.write(complete ? record + "end\n" : record.left(20));
            intent.close();
            for (size_t i = 0; i < done; ++i) ASSERT_TRUE(QFile::rename(d.filePath(moves[i].from), d.filePath(moves[i].to)));

            store::MissingDataFile(dir.path());  // what every start of the program and the tools asks first
            EXPECT_TRUE(filesOf(dir.path()) == (complete ? converted : old));
            EXPECT_EQ(d.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{}) << "no staging folder";
            EXPECT_FALSE(store::SwapPending(dir.path()));
        }
}

}  // namespace
}  // namespace app_test
