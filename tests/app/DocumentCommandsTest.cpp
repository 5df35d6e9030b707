// The main window's document commands walked through the scripted facade: the date dialog, the report
// window on the buffer the generator built, the stationery window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include "AppFixture.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "base/Format.h"
#include "records/PickInvU.h"
#include "records/StationaryU.h"
#include "reports/DateSpanU.h"
#include "reports/ReportU.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"

namespace app_test {
namespace {

class DocumentCommandsTest : public MainWindowDemoTest {
protected:
    // *found := the cells reading text in the buffer the report window shows next; -1 when it is not shown.
    void countShown(const QString& text, int* found) {
        *found = -1;
        dialogs->onModal<reports::TReportF>([text, found](reports::TReportF& w) {
            *found = 0;
            for (const QStringList& line : reports::ReportLines) *found += int(line.count(text));
            w.mExit->trigger();
        });
    }
};

TEST_F(DocumentCommandsTest, DatedCommandsOfferTheirSpanThenShowTheDocumentsOfTheTypedOne) {
    const QDate today = QDate::currentDate();
    const QDate first(today.year(), today.month(), 1);
    const QDate last = first.addDays(first.daysInMonth() - 1);
    // The span typed: every invoice of the demo business.
    const QDate from(today.year() - 5, 1, 2), to(today.year() + 1, 1, 2);
    const struct {
        QAction* command;
        QDate from, to;  // the span offered
        const char* title;
    } cases[] = {
        {main->SelectedDates2, today, today, "C36Tax Invoice"},
        {main->WithBalancesDue2, first, last, "C36Bill"},
        {main->WithBalances2, first, last, "C29Account Statement"},
    };
    for (const auto& c : cases) {
        dialogs->onModal<reports::TDateSpan>([&](reports::TDateSpan& w) {
            EXPECT_EQ(w.DateTimePicker1->date(), c.from) << c.title;
            EXPECT_EQ(w.DateTimePicker2->date(), c.to) << c.title;
            testing_support::typeDate(w.DateTimePicker1, QLocale().toString(from, QLocale::ShortFormat));
            testing_support::typeDate(w.DateTimePicker2, QLocale().toString(to, QLocale::ShortFormat));
            QTest::mouseClick(w.BtnOK, Qt::LeftButton);
        });
        int documents = 0;
        countShown(QString::fromLatin1(c.title), &documents);
        c.command->trigger();
        EXPECT_GT(documents, 0) << c.title;
        EXPECT_TRUE(reports::ReportLines.isEmpty());
        EXPECT_EQ(store::InvTable, nullptr);
    }
}

TEST_F(DocumentCommandsTest, PickedInvoicesComeFromTheListUntilItIsCancelledWithoutOfferingNew) {
    for (int pick = 0; pick < 2; ++pick)
        dialogs->onModal<records::TPickInv>([](records::TPickInv& w) {
            EXPECT_FALSE(w.BtnNew->isEnabled());
            QTest::keyClick(w.StringGrid1, Qt::Key_Return);
        });
    dialogs->onModal<records::TPickInv>([](records::TPickInv& w) { QTest::keyClick(w.StringGrid1, Qt::Key_Escape); });
    int documents = 0;
    countShown(QStringLiteral("C36Tax Invoice"), &documents);
    main->SelectedInvoices1->trigger();
    EXPECT_EQ(documents, 2);
    EXPECT_EQ(store::InvTable, nullptr);
}

TEST_F(DocumentCommandsTest, InvoicesForADateSpanShowInTheReportWindow) {
    int titles = -1;
    dialogs->onModal<reports::TDateSpan>([](reports::TDateSpan& w) {
        EXPECT_EQ(w.DateTimePicker1->date(), QDate::currentDate());  // today to today
        w.DateTimePicker1->setDate(QDate::currentDate().addYears(-2));
        w.BtnOK->click();
    });
    dialogs->onModal<reports::TReportF>([&](reports::TReportF& w) {
        titles = 0;
        for (const QStringList& line : reports::ReportLines) titles += line[0].endsWith(QLatin1String("Tax Invoice"));
        w.mExit->trigger();
    });
    main->SelectedDates2->trigger();
    EXPECT_GT(titles, 1);
    EXPECT_TRUE(reports::ReportLines.isEmpty());  // discarded when the window closes
    EXPECT_EQ(store::InvTable, nullptr);

    // Cancelling the dates shows nothing.
    dialogs->onModal<reports::TDateSpan>([](reports::TDateSpan& w) { w.BtnCancel->click(); });
    main->BtnInvPrint->click();
}

TEST_F(DocumentCommandsTest, StationeryOpensOnTheSettingsAndCancelKeepsThem) {
    const QString company = store::SettingsRec.Company;
    dialogs->onModal<records::TStationary>([](records::TStationary& w) {
        EXPECT_EQ(w.Edit2->text(), QStringLiteral("Bluegum Office Supplies"));
        EXPECT_TRUE(w.RadioButton2->isChecked());
        w.Edit2->setText(QStringLiteral("Changed"));
        w.BtnCancel->click();
    });
    main->BtnStationary->click();
    EXPECT_EQ(store::SettingsRec.Company, company);
}

// The logo path: a cancelled file dialog keeps the stored logo; a path longer than the settings hold
// is refused with a message, whether chosen or typed, and nothing is stored cut.
TEST_F(DocumentCommandsTest, StationeryKeepsTheLogoOnCancelAndRefusesAPathTooLong) {
    const QString logo = path("logo.png"), tooLong = path(QString(60, 'd') + "/logo.png");
    QDir(dataDir()).mkpath(QString(60, 'd'));
    for (const QString& file : {logo, tooLong}) QFile(file).open(QIODevice::WriteOnly);
    store::SettingsRec.LogoFile = logo;
    ASSERT_TRUE(store::SaveSettings().ok());
    dialogs->answerOpenFile(QString());  // cancelled
    dialogs->answerOpenFile(tooLong);
    dialogs->onModal<records::TStationary>([&](records::TStationary& w) {
        QTest::mouseClick(w.BtnLogo, Qt::LeftButton);
        QTest::mouseClick(w.BtnLogo, Qt::LeftButton);
        EXPECT_EQ(w.Edit1->text(), logo);
        w.Edit1->setFocus();
        w.Edit1->selectAll();
        QTest::keyClicks(w.Edit1, tooLong);
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
        EXPECT_TRUE(w.isVisible()) << "refused";
        QTest::mouseClick(w.BtnCancel, Qt::LeftButton);
    });
    main->BtnStationary->click();
    const QString refused = QStringLiteral("The logo file's path has %1 characters; the settings hold at most 59:\n%2\n"
                                           "Move the picture to a folder with a shorter path.").arg(tooLong.size()).arg(tooLong);
    EXPECT_EQ(dialogs->messages(), QStringList(2, refused));
    store::ReadSettings();
    EXPECT_EQ(store::SettingsRec.LogoFile.trimmed(), logo);
}

}  // namespace
}  // namespace app_test
