// The sales, tax, income and receivables reports from the main window's menu: the date dialog where
// the report takes a span, the report window on the lines, and its export matching the report tool's.
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "AppFixture.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "reports/DateSpanU.h"
#include "reports/ReportU.h"
#include "reports/RptUtil.h"

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

TEST_F(ReportCommandsTest, TabDelimitedExportIsWhatTheReportToolWrites) {
    const QString exported = path(QStringLiteral("window.asc"));
    typeSpan(from, to);
    dialogs->onModal<reports::TReportF>([&](reports::TReportF& w) {
        dialogs->answerSaveFile(exported);
        w.TabDelimited1->trigger();
        w.mExit->trigger();
    });
    main->SalesSummary1->trigger();
    QFile window(exported);
    ASSERT_TRUE(window.open(QIODevice::ReadOnly));

    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(CORVANE_BINARY_DIR "/tools/corvane-report"),
               {"-C", dataDir(), "sales-summary", "--from", from.toString(Qt::ISODate), "--to",
                to.toString(Qt::ISODate), "--format", "tsv"});
    ASSERT_TRUE(tool.waitForFinished(120000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    const QByteArray written = window.readAll();
    EXPECT_GT(written.count('\n'), 10);
    EXPECT_EQ(tool.readAllStandardOutput(), written);
}

}  // namespace
}  // namespace app_test
