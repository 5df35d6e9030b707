// The reports from the main window's menus and buttons: the date dialog, pick lists and group choice
// where the report asks for them, the report window on the lines, and its export matching the report
// tool's.
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <algorithm>
#include <functional>
#include <map>

#include "AppFixture.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "records/PickCustU.h"
#include "records/PickProdU.h"
#include "reports/DateSpanU.h"
#include "reports/MultGroupU.h"
#include "reports/ReportList.h"
#include "reports/ReportU.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"

namespace app_test {
namespace {

class ReportCommandsTest : public MainWindowDemoTest {
protected:
    // The next date dialog gets the span typed as a user types it.
    void typeSpan(const QDate& from, const QDate& to) {
        dialogs->onModal<reports::TDateSpan>([from, to](reports::TDateSpan& w) {
            testing_support::typeDate(w.DateTimePicker1, QLocale().toString(from, QLocale::ShortFormat));
            testing_support::typeDate(w.DateTimePicker2, QLocale().toString(to, QLocale::ShortFormat));
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
    }
    // The next date dialog is asked for one date: typed, after a look at how it asks.
    void typeAsOf(const QDate& date) {
        dialogs->onModal<reports::TDateSpan>([date](reports::TDateSpan& w) {
            EXPECT_EQ(w.Label1->text(), "Inventory as Of:");
            EXPECT_TRUE(w.DateTimePicker2->isHidden());
            EXPECT_TRUE(w.Label2->isHidden());
            testing_support::typeDate(w.DateTimePicker1, QLocale().toString(date, QLocale::ShortFormat));
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
    }
    // The next showing of a grid pick list: the row chosen and "Select" clicked, or "Cancel" (row -1).
    template <class Pick>
    void pickRow(int row) {
        dialogs->onModal<Pick>([row](Pick& w) {
            if (row < 0) return QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
            w.StringGrid1->selectRow(row);
            QTest::mouseClick(w.BtnSelect, Qt::LeftButton);
        });
    }
    // The next TMultGroup: the first group clicked, or all of them, then "Run".
    void chooseGroups(bool all) {
        dialogs->onModal<reports::TMultGroup>([all](reports::TMultGroup& w) {
            if (all) {
                QTest::mouseClick(w.BtnAll, Qt::LeftButton);
            } else {
                const QRect first = w.ListBox1->visualItemRect(w.ListBox1->item(0));
                QTest::mouseClick(w.ListBox1->viewport(), Qt::LeftButton, {}, first.center());
            }
            QTest::mouseClick(w.BtnRun, Qt::LeftButton);
        });
    }
    // The next report window: its lines, as the plain export has them, into shown; then closed.
    void captureReport() {
        shown.clear();
        dialogs->onModal<reports::TReportF>([this](reports::TReportF& w) {
            for (const QStringList& line : reports::ReportLines) shown << reports::ExportLine(line, reports::ExportKind::Plain);
            w.mExit->trigger();
        });
    }
    QStringList shown;
    // Every invoice and payment of the demo business.
    const QDate from = QDate(QDate::currentDate().year() - 5, 1, 2), to = QDate(QDate::currentDate().year() + 1, 12, 28);
};

TEST_F(ReportCommandsTest, EachReportItemShowsItsReportAndClosesTheTables) {
    const struct {
        QAction* item;
        bool asksSpan;
        const char* title;
    } cases[] = {
        {main->SalesSummary1, true, "Sales Summary for "},
        {main->ProductSummary1, true, "Sales by Product from "},
        {main->TaxSummary1, true, "Tax report for "},
        {main->IncomeSummary1, true, "Daily Income from "},
        {main->GSTVATIncomeandCollections1, true, " Income/Collections from "},
        {main->ReceivableIncome1, false, "RECEIVABLES"},
        {main->AgedReceivables1, false, "Aged Receivables as of "},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.item->isEnabled()) << c.title;
        if (c.asksSpan) typeSpan(from, to);
        QString title;
        dialogs->onModal<reports::TReportF>([&](reports::TReportF& w) {
            title = reports::TitleLines.value(0);
            w.mExit->trigger();
        });
        c.item->trigger();
        EXPECT_TRUE(title.contains(QLatin1String(c.title))) << c.title << " shown: " << title.toStdString();
        EXPECT_TRUE(reports::ReportLines.isEmpty());
        EXPECT_EQ(store::InvTable, nullptr);
    }
    // A cancelled span shows nothing.
    const int shown = int(dialogs->events().size());
    dialogs->onModal<reports::TDateSpan>([](reports::TDateSpan& w) { w.BtnCancel->click(); });
    main->SalesSummary1->trigger();
    EXPECT_EQ(int(dialogs->events().size()), shown + 1);
}

TEST_F(ReportCommandsTest, ProfileOfPickedCustomersHasABlockForEachPick) {
    pickRow<records::TPickCust>(0);
    pickRow<records::TPickCust>(1);
    pickRow<records::TPickCust>(-1);
    captureReport();
    main->SelectedCustomers2->trigger();
    EXPECT_EQ(shown.value(2).trimmed(), "Customer Profile");
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](const QString& l) { return l.contains("Cust#: "); }), 2);
    EXPECT_EQ(store::CustTable, nullptr);
    EXPECT_EQ(store::InvTable, nullptr);
}

TEST_F(ReportCommandsTest, CancelledChoicesShowNoReport) {
    pickRow<records::TPickProd>(-1);
    main->ProductBuyers1->trigger();
    dialogs->onModal<reports::TDateSpan>([](reports::TDateSpan& w) { QTest::mouseClick(w.BtnCancel, Qt::LeftButton); });
    main->Inventory1->trigger();
    dialogs->onModal<reports::TMultGroup>([](reports::TMultGroup& w) { QTest::mouseClick(w.BtnCancel, Qt::LeftButton); });
    main->SelectedGroups1->trigger();
    pickRow<records::TPickCust>(-1);
    main->SelectedCustomers2->trigger();
    for (const auto& e : dialogs->events()) EXPECT_FALSE(e.text.contains(QLatin1String("TReportF"))) << e.text.toStdString();
    EXPECT_TRUE(dialogs->messages().isEmpty());
    EXPECT_EQ(store::ProdTable, nullptr);
    EXPECT_EQ(store::GroupsTable, nullptr);
}

// For every report of the table: the choices made in the window and named to the tool give the same
// Tab Delimited file.
TEST_F(ReportCommandsTest, TabDelimitedExportIsWhatTheReportToolWrites) {
    const QDate asOf(2026, 3, 31);
    const std::map<reports::ReportId, std::function<void()>> commands = {
        {reports::ReportId::SalesSummary, [&] { main->SalesSummary1->trigger(); }},
        {reports::ReportId::SalesByProduct, [&] { main->ProductSummary1->trigger(); }},
        {reports::ReportId::TaxSummary, [&] { main->TaxSummary1->trigger(); }},
        {reports::ReportId::DailyIncome, [&] { main->IncomeSummary1->trigger(); }},
        {reports::ReportId::GstIncome, [&] { main->GSTVATIncomeandCollections1->trigger(); }},
        {reports::ReportId::Receivables, [&] { main->ReceivableIncome1->trigger(); }},
        {reports::ReportId::AgedReceivables, [&] { main->AgedReceivables1->trigger(); }},
        {reports::ReportId::Purchasing, [&] { QTest::mouseClick(main->Image5, Qt::LeftButton); }},
        {reports::ReportId::ProductListing, [&] { QTest::mouseClick(main->Image4, Qt::LeftButton); }},
        {reports::ReportId::StockOnHand, [&] { main->StockOnHand1->trigger(); }},
        {reports::ReportId::Inventory, [&] { main->Inventory1->trigger(); }},
        {reports::ReportId::CostOfGoods, [&] { main->CostofGoodsSold1->trigger(); }},
        {reports::ReportId::CustomerProfile, [&] { main->SelectedGroups1->trigger(); }},
        {reports::ReportId::ProductBuyers, [&] { main->ProductBuyers1->trigger(); }},
    };
    for (const reports::ReportEntry& report : reports::Reports()) {
        ASSERT_TRUE(commands.count(report.id)) << report.name;
        QStringList args = {"-C", dataDir(), report.name, "--format", "tsv"};
        if (report.asks == reports::Asks::Product) pickRow<records::TPickProd>(2);
        if (report.takesSpan) {
            typeSpan(from, to);
            args << "--from" << from.toString(Qt::ISODate) << "--to" << to.toString(Qt::ISODate);
        }
        if (report.asks == reports::Asks::AsOfDate) {
            typeAsOf(asOf);
            args << "--as-of" << asOf.toString(Qt::ISODate);
        }
        if (report.asks == reports::Asks::Customers) {
            chooseGroups(true);
            args << "--groups" << "1,2,3,4";
        }
        const QString exported = path(QLatin1String(report.name) + QStringLiteral(".asc"));
        dialogs->onModal<reports::TReportF>([&](reports::TReportF& w) {
            dialogs->answerSaveFile(exported);
            w.TabDelimited1->trigger();
            w.mExit->trigger();
        });
        commands.at(report.id)();
        if (report.asks == reports::Asks::Product) args << "--product" << reports::SelectedProduct;
        QFile window(exported);
        ASSERT_TRUE(window.open(QIODevice::ReadOnly)) << report.name;

        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"), args);
        ASSERT_TRUE(tool.waitForFinished(120000)) << report.name;
        EXPECT_EQ(tool.exitCode(), 0) << report.name << ": " << tool.readAllStandardError().toStdString();
        const QByteArray written = window.readAll();
        EXPECT_GT(written.count('\n'), 5) << report.name;
        EXPECT_EQ(tool.readAllStandardOutput(), written) << report.name;
    }
    // After the inventory the date dialog asks for a span again, under its own caption.
    auto* span = app::Form<reports::TDateSpan>();
    EXPECT_EQ(span->Label1->text(), "Print Beginning:");
    EXPECT_FALSE(span->DateTimePicker2->isHidden());
    EXPECT_FALSE(span->Label2->isHidden());
}

}  // namespace
}  // namespace app_test
