// The mail-merge export, from the main window's button through the group choice and the save dialog
// to the file, and the same file from corvane-report.
#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

#include "AppFixture.h"
#include "reports/MailMerge.h"
#include "reports/MultGroupU.h"

namespace app_test {
namespace {

const QByteArray kHeader = "Title\tFirstName\tLastName\tCompany\tAddr1\tAddr2\tAddr3\tPostalCode\r\n";

class MailMergeTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app::CreateForms();
        main = app::Form<app::TMain>();
        main->show();
        ASSERT_TRUE(main->started());
        addGroup(1, QStringLiteral("Retail"));
        addGroup(2, QStringLiteral("Trade"));
        addGroup(3, QStringLiteral("Nobody"));
        // Record order differs from postal-code order; group 2 sits between the others.
        addCustomer({.cuno = 1, .title = "Ms", .first = "Anna", .last = "Zeller", .addr1 = "Zeller & Söhne",
                     .addr2 = "1 High St", .zip = "30000", .ngroup = 1});
        addCustomer({.cuno = 2, .first = "Bob", .last = "Trade", .addr2 = "2 Low St", .zip = "10000", .ngroup = 2});
        addCustomer({.cuno = 3, .title = "Mr", .first = "  Carl ", .last = "Tab", .addr1 = "Acme\tWorks",
                     .addr2 = "3 Mid St", .addr3 = "Suite 4", .addr4 = "Springfield", .zip = "20000", .ngroup = 1});
        addCustomer({.cuno = 4, .first = "Dora", .last = "Trade", .zip = "05000", .ngroup = 2});
    }
    void TearDown() override {
        app::DestroyForms();
        AppTest::TearDown();
    }
    void addGroup(int number, const QString& name) {
        ASSERT_TRUE(store::OpenGroups());
        ASSERT_EQ(store::GroupsTable->appendBlank(), 0);
        store::GroupRec = {number, name};
        ASSERT_TRUE(store::StoreGroup().ok());
        store::CloseAll();
    }
    void addCustomer(const store::CustBuffer& customer) {
        ASSERT_TRUE(store::OpenCust());
        ASSERT_EQ(store::CustTable->appendBlank(), 0);
        store::CustRec = customer;
        ASSERT_TRUE(store::StoreCust().ok());
        store::CloseAll();
    }
    // Clicks the button, picks the groups of the given list rows with the mouse and runs; the save
    // dialog answers file (empty: cancelled).
    void exportGroups(const QList<int>& rows, const QString& file) {
        dialogs->onModal<reports::TMultGroup>([rows](reports::TMultGroup& w) {
            for (int row : rows) {
                QListWidgetItem* item = w.ListBox1->item(row);
                QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {},
                                  w.ListBox1->visualItemRect(item).center());
            }
            QTest::mouseClick(w.BtnRun, Qt::LeftButton);
        });
        if (!rows.isEmpty()) dialogs->answerSaveFile(file);
        QTest::mouseClick(main->BtnMMerge, Qt::LeftButton);
    }

    app::TMain* main = nullptr;
};

TEST_F(MailMergeTest, ChosenGroupsAreWrittenInPostalCodeOrderAsAWordProcessorReadsThem) {
    const QString typed = path(QStringLiteral("letters"));
    const QString file = typed + QStringLiteral(".doc");
    {
        QFile earlier(file);  // an earlier, longer file of the same name is replaced whole
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write(QByteArray(4096, 'x'));
    }
    RecordingSink sink;
    exportGroups({0}, typed);
    EXPECT_TRUE(dialogs->messages().isEmpty()) << dialogs->messages().join('\n').toStdString();
    const QByteArray expected = kHeader + "Mr\tCarl\tTab\tAcme Works\t3 Mid St\tSuite 4\tSpringfield\t20000\r\n" +
                                "Ms\tAnna\tZeller\tZeller & S\xF6hne\t1 High St\t\t\t30000\r\n";
    EXPECT_EQ(bytes(file), expected);
    EXPECT_EQ(QFile::permissions(file).toInt() & 0x0077, 0) << "customer data readable by others";
    // Customers of other groups are skipped but counted.
    EXPECT_EQ(sink.calls, (QStringList{"S:Exporting Mail Merge File", "P:25", "P:50", "P:75", "P:100", "S:"}));
    EXPECT_EQ(QDir(dataDir()).entryList({QStringLiteral("letters*")}, QDir::Files), QStringList{"letters.doc"});

    // Python's csv module, tab dialect, reads eight columns a line and the text in the code page.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {"-c", "import csv,sys\n"
                        "rows=list(csv.reader(open(sys.argv[1],encoding='cp1252',newline=''),dialect='excel-tab'))\n"
                        "print('|'.join(str(len(r)) for r in rows)); print(rows[2][3].encode('utf-8').hex())",
                  file});
    ASSERT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.readAllStandardOutput(), "8|8|8\n" + QByteArray("Zeller & Söhne").toHex() + "\n")
        << python.readAllStandardError().toStdString();
}

TEST_F(MailMergeTest, NothingChosenOrAGroupWithoutCustomersWritesNothingOrOnlyTheHeader) {
    struct Case {
        QList<int> rows;  // list rows clicked; empty: Run with no group
        bool cancelSave;
        QByteArray file;  // expected content; empty: no file
    };
    const Case cases[] = {
        {{2}, false, kHeader},  // "Nobody"
        {{}, false, {}},
        {{0, 1}, true, {}},
    };
    for (const Case& c : cases) {
        const QString file = path(QStringLiteral("out.doc"));
        QFile::remove(file);
        if (c.cancelSave) {
            exportGroups(c.rows, QString());
        } else {
            exportGroups(c.rows, file);
        }
        EXPECT_EQ(bytes(file), c.file);
        EXPECT_TRUE(dialogs->messages().isEmpty());
        EXPECT_TRUE(store::Engine().tables().empty()) << "the tables are closed on every way out";
    }
}

// A file that cannot be finished (here the process may write no more than 100 bytes, as on a full
// disk) is reported, and the earlier file of that name is left as it was.
TEST_F(MailMergeTest, AWriteFailureLeavesTheEarlierFileAndSaysSo) {
    const QString file = path(QStringLiteral("kept.doc"));
    {
        QFile earlier(file);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    exportGroups({0, 1}, file);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(bytes(file), "earlier");
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages().front().startsWith("Unable to save to: " + file + "\n"));
    EXPECT_EQ(QDir(dataDir()).entryList({QStringLiteral("kept*")}, QDir::Files), QStringList{"kept.doc"});
}

TEST_F(MailMergeTest, TheReportToolWritesTheSameFile) {
    const QString window = path(QStringLiteral("window.doc"));
    exportGroups({0, 1}, window);
    const QString toolFile = path(QStringLiteral("tool.doc"));
    struct Case {
        QStringList args;
        int exitCode;
    };
    const Case cases[] = {
        {{"mail-merge", "--groups", "1,2", "-o", toolFile}, 0},
        {{"mail-merge", "--groups", "1,9", "-o", path("x.doc")}, 2},  // no group 9
        {{"mail-merge", "--groups", "1"}, 2},                          // no -o
        {{"mail-merge", "--groups", "a", "-o", path("x.doc")}, 2},
    };
    for (const Case& c : cases) {
        QProcess tool;
        tool.setWorkingDirectory(dataDir());
        tool.start(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"), c.args);
        ASSERT_TRUE(tool.waitForFinished(120000));
        EXPECT_EQ(tool.exitCode(), c.exitCode) << c.args.join(' ').toStdString() << tool.readAllStandardError().toStdString();
    }
    EXPECT_GT(bytes(window).count('\n'), 4);
    EXPECT_EQ(bytes(toolFile), bytes(window));
    EXPECT_FALSE(QFile::exists(path("x.doc")));
}

}  // namespace
}  // namespace app_test
