// The report window and the selection dialogs driven through the scripted dialog facade.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <memory>

#include "base/Format.h"
#include "base/ReportOutput.h"
#include "records/StationaryU.h"
#include "reports/DateSpanU.h"
#include "reports/MultGroupU.h"
#include "reports/ReportFixture.h"
#include "reports/ReportU.h"
#include "reports/RptGen.h"
#include "reports/RptUtil.h"
#include "reports/Selection.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "store/InvoiceLoad.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "store/WorkingSet.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

using namespace reports;

namespace {

class ReportWindowTest : public report_testing::DemoReportTest {
protected:
    ReportWindowTest() : DemoReportTest(8, 12) {}
    // A report of n ruled lines.
    static void fill(int n) {
        ReportWidth = 40;
        CellsPerLine = 3;
        BeginReport();
        for (int i = 0; i < n; ++i) {
            NewLine();
            Cell(0) = QStringLiteral("L00Line %1").arg(i);
            Cell(1) = QStringLiteral("R40%1").arg(i * 1.5, 0, 'f', 2);
        }
    }
};

TEST_F(ReportWindowTest, ScrollBarFollowsTheLinesThatDoNotFit) {
    TReportF window;
    window.resize(600, 400);
    fill(2);
    window.show();
    QApplication::processEvents();
    window.LayoutScreen();
    EXPECT_FALSE(window.ScrollBar1->isEnabled());
    const int perScreen = window.linesPerScreen();
    fill(perScreen + 1);
    window.LayoutScreen();
    EXPECT_TRUE(window.ScrollBar1->isEnabled());
    EXPECT_EQ(window.ScrollBar1->maximum(), 1);
    EXPECT_EQ(window.ScrollBar1->pageStep(), perScreen - 1);
    // The screen font does not shrink below its floor however narrow the window.
    base::ReportFont.setPointSize(30);
    window.setWindowState(Qt::WindowNoState);
    window.resize(120, 400);
    QApplication::processEvents();
    window.LayoutScreen();
    EXPECT_EQ(window.layout().font.pointSize(), kScreenMinPoints);
}

TEST_F(ReportWindowTest, KeysScrollTheReport) {
    TReportF window;
    fill(500);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    const int page = window.ScrollBar1->pageStep(), last = window.ScrollBar1->maximum();
    ASSERT_GT(last, 3 * page);
    // Each key and the first line shown after it.
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int> steps[] = {
        {Qt::Key_Down, {}, 1},           {Qt::Key_Down, {}, 2},
        {Qt::Key_Up, {}, 1},             {Qt::Key_PageDown, {}, 1 + page},
        {Qt::Key_Space, {}, 1 + 2 * page}, {Qt::Key_Space, Qt::ShiftModifier, 1 + page},
        {Qt::Key_PageUp, Qt::KeypadModifier, 1}, {Qt::Key_End, {}, last},
        {Qt::Key_Home, {}, 0},
    };
    for (const auto& [key, modifiers, top] : steps) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, key, modifiers);
        EXPECT_EQ(window.ScrollBar1->value(), top) << QKeySequence(key | modifiers).toString().toStdString();
    }
    EXPECT_TRUE(window.isVisible());
}

// The window layer's page-metrics seam: with no printer installed on the machine, every measurement
// falls back to the PDF page, and reports page by what it holds.
TEST_F(ReportWindowTest, WithoutAPrinterTheInstalledMetricsMeasureOnThePdfPage) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    InstallPrinterMetrics();
    EXPECT_EQ(CurrentPrinter(), nullptr);
    EXPECT_EQ(PageDevice(), FallbackPdfPage());
    base::ReportFont = QFont(QStringLiteral("DejaVu Sans Mono"), 12);
    fill(3);
    const RenderLayout layout = PaperLayout(FallbackPdfPage(), base::ReportFont, ReportWidth);
    EXPECT_EQ(LinesPerPage, std::min(60, FallbackPdfPage()->height() / layout.lineHeight - kPaperTopLines));
    EXPECT_EQ(dialogs->messages(), QStringList{kNoPrinterMessage});
    EndReport();
}

// No printer: the message comes with the first report only, and Print offers a PDF instead.
TEST_F(ReportWindowTest, WithoutAPrinterPrintOffersAPdfAndTheMessageComesOnce) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    InstallPrinterMetrics();
    fill(3);
    fill(4);
    EXPECT_EQ(dialogs->messages(), QStringList{kNoPrinterMessage});
    TReportF window;
    dialogs->answer(base::Answer::No);
    dialogs->answer(base::Answer::Yes);
    dialogs->answerSaveFile(path(QStringLiteral("printed")));
    window.mPrint->trigger();
    window.mPrint->trigger();
    const QString offer = "Confirmation YesNo: No printer is installed. Save the report as a PDF file instead?";
    EXPECT_EQ(dialogs->log().mid(1), (QStringList{offer, offer, "SaveFile Export Report"}));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("printed.pdf"))));
}

// A PDF is proposed under the document's name, titled with it, on the printer's paper or, without a
// printer, on the locale's.
TEST_F(ReportWindowTest, PdfExportIsNamedAfterTheDocumentOnTheRightPaper) {
    report_testing::PagePrinter a5(300, QPageSize(QPageSize::A5));
    store::OpenInvoiceTables();
    store::CurInvoiceRec = 1;
    store::LoadInvoice();
    // The printer, the locale, the report, the name and the paper pdfinfo reports.
    const std::tuple<PrinterMetrics*, QLocale, std::function<void()>, QString, QString> cases[] = {
        {&a5, testing_support::pinnedLocale(), [] { SetupDocumentTable(); AddInvoiceDocument(DocKind::Invoice); },
         "Invoice-" + QString::number(store::InvRec.IvNo), "(A5)"},
        {nullptr, testing_support::pinnedLocale(), [] { SetupStatementTable(); AddStatement({StatementRow()}); },
         "Statement-" + store::AddressBlock.value(0).trimmed(), "(letter)"},
        {nullptr, testing_support::commaLocale(), [] { fill(3); TitleLines = {"Sales: June"}; }, "Sales- June", "(A4)"},
    };
    TReportF window;
    for (const auto& [printer, locale, build, name, paper] : cases) {
        testing_support::LocaleScope scope(locale);
        SetPrinterMetrics(printer);
        build();
        dialogs->answerSaveFile(path(QStringLiteral("exported.pdf")));
        window.Pdf1->trigger();
        EXPECT_EQ(dialogs->events().back().text, path(name + ".pdf")) << "offered in the data directory";
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {path(QStringLiteral("exported.pdf"))});
        ASSERT_TRUE(info.waitForFinished(30000));
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        EXPECT_TRUE(text.contains(QRegularExpression("Title: +" + QRegularExpression::escape(name) + "\\n"))) << text.toStdString();
        EXPECT_TRUE(text.contains(paper)) << text.toStdString();
        EndReport();
    }
    store::CloseAll();
}

TEST_F(ReportWindowTest, ExportsThroughTheSaveDialogAndReportsFailure) {
    TReportF window;
    fill(3);
    const QString file = path(QStringLiteral("report.txt"));
    dialogs->answerSaveFile(file);
    window.AsciiText1->trigger();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_EQ(lines[0], QByteArray("Line 0") + QByteArray(30, ' ') + "0.00\r");

    dialogs->answerSaveFile(path(QStringLiteral("no/such/dir/report.asc")));
    window.TabDelimited1->trigger();
    EXPECT_EQ(dialogs->messages().value(0), QStringLiteral("Unable to save to: ") + path("no/such/dir/report.asc"));

    dialogs->answerSaveFile(path(QStringLiteral("report")));
    window.Pdf1->trigger();
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("report.pdf"))));
}

TEST_F(ReportWindowTest, ExportsAreWindows1252AndTellOfCharactersTheSetLacks) {
    TReportF window;
    EXPECT_EQ(window.mPrint->text(), QStringLiteral("Print"));
    EXPECT_EQ(window.AsciiText1->text(), QStringLiteral("Ascii &Text"));
    EXPECT_EQ(window.TabDelimited1->text(), QStringLiteral("Tab &Delimited"));
    auto bytesOf = [](const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
    };
    ReportWidth = 40;
    CellsPerLine = 3;
    BeginReport();
    NewLine();
    Cell(0) = QStringLiteral("L00Caf\u00e9");
    Cell(1) = QStringLiteral("R40\u20ac5.00");
    const QString plain = path(QStringLiteral("cafe.txt"));
    dialogs->answerSaveFile(plain);
    window.AsciiText1->trigger();
    EXPECT_TRUE(dialogs->messages().isEmpty());
    // One byte a character: the amount still ends at column 40.
    EXPECT_EQ(bytesOf(plain), QByteArray("Caf\xe9") + QByteArray(31, ' ') + "\x80" "5.00\r\n");

    NewLine();
    Cell(0) = QStringLiteral("L00\u03a9mega");  // no Windows-1252 byte for the Greek capital omega
    const QString delimited = path(QStringLiteral("omega.asc"));
    dialogs->answerSaveFile(delimited);
    window.TabDelimited1->trigger();
    EXPECT_EQ(bytesOf(delimited), QByteArray("Caf\xe9\t\x80" "5.00\r\n?mega\r\n"));
    ASSERT_EQ(dialogs->messages().size(), 1);
    EXPECT_TRUE(dialogs->messages()[0].contains(QStringLiteral("line 2")));
    EXPECT_TRUE(dialogs->messages()[0].endsWith(delimited));
}

TEST_F(ReportWindowTest, DateSpanReadsTypedTwoDigitYearsThroughTheCenturyWindow) {
    TDateSpan span;
    StartDate = base::DayFromDate(QDate(2026, 6, 10));
    EndDate = StartDate;
    // The window starts 60 years back: 99 is 1999 until 2059.
    dialogs->onModal<TDateSpan>([](TDateSpan& w) {
        testing_support::typeDate(w.DateTimePicker1, QStringLiteral("1/2/99"));
        testing_support::typeDate(w.DateTimePicker2, QStringLiteral("1/3/99"));
        QTest::mouseClick(w.BtnOK, Qt::LeftButton);
    });
    ASSERT_TRUE(span.askSpan());
    EXPECT_EQ(base::DateFromDay(StartDate), QDate(1999, 1, 2));
    EXPECT_EQ(base::DateFromDay(EndDate), QDate(1999, 1, 3));
}

TEST_F(ReportWindowTest, DateSpanRefusesAnEndBeforeTheStartAndHidesTheEndForOneDate) {
    TDateSpan span;
    StartDate = base::DayFromDate(QDate(2026, 6, 10));
    EndDate = StartDate;
    dialogs->onModal<TDateSpan>([](TDateSpan& w) {
        EXPECT_EQ(w.DateTimePicker1->date(), QDate(2026, 6, 10));
        w.DateTimePicker2->setDate(QDate(2026, 6, 9));
        w.BtnOK->click();
        EXPECT_TRUE(DateSpanCancelled);
        w.DateTimePicker2->setDate(QDate(2026, 6, 10));  // the same day is a span
        w.BtnOK->click();
    });
    ASSERT_TRUE(span.askSpan());
    EXPECT_EQ(dialogs->messages(),
              QStringList{QStringLiteral("Ending Date must be greater than or equal to Starting Date.")});
    EXPECT_EQ(EndDate, StartDate);

    // One date: the end is hidden and not checked; afterwards the dialog is a span again.
    EndDate = base::DayFromDate(QDate(2020, 1, 1));
    dialogs->onModal<TDateSpan>([](TDateSpan& w) {
        EXPECT_TRUE(w.DateTimePicker2->isHidden());
        EXPECT_EQ(w.Label1->text(), QStringLiteral("Inventory as Of:"));
        w.BtnOK->click();
    });
    EXPECT_TRUE(span.askSingleDate(QStringLiteral("Inventory as Of:")));
    EXPECT_EQ(span.Label1->text(), QStringLiteral("Print Beginning:"));
    EXPECT_FALSE(span.DateTimePicker2->isHidden());
    EXPECT_EQ(dialogs->messages().size(), 1);

    dialogs->onModal<TDateSpan>([](TDateSpan& w) { w.BtnCancel->click(); });
    EXPECT_FALSE(span.askSpan());
}

TEST_F(ReportWindowTest, MultGroupListsGroupsAndReadsTheirNumbersBack) {
    store::OpenGroups();
    TMultGroup groups;
    dialogs->onModal<TMultGroup>([](TMultGroup& w) {
        ASSERT_GE(w.ListBox1->count(), 2);
        EXPECT_EQ(w.ListBox1->item(0)->text().left(5), QStringLiteral(" 1 - "));
        w.BtnAll->click();
        w.BtnRun->click();
    });
    base::dialogs().showModal(&groups);
    EXPECT_EQ(SelectedGroups.size(), groups.ListBox1->count());
    EXPECT_EQ(SelectedGroups.value(0), 1);

    dialogs->onModal<TMultGroup>([](TMultGroup& w) { w.BtnCancel->click(); });
    base::dialogs().showModal(&groups);
    EXPECT_TRUE(SelectedGroups.isEmpty());
}

TEST_F(ReportWindowTest, StationerySavesTheLetterheadAndDropsAMissingLogo) {
    records::TStationary stationery;
    const QString logo = path(QStringLiteral("logo.png"));
    QImage(20, 10, QImage::Format_RGB32).save(logo);
    dialogs->answerOpenFile(logo);
    dialogs->onModal<records::TStationary>([](records::TStationary& w) {
        EXPECT_EQ(w.Edit2->text(), QStringLiteral("Bluegum Office Supplies"));
        w.BtnLogo->click();
        w.MaskEdit2->setValue(1.25);
        w.Edit2->setText(QStringLiteral("  New Name  "));
        w.RadioButton3->setChecked(true);
        w.BtnSave->click();
    });
    base::dialogs().showModal(&stationery);
    store::SettingsRec = store::SettingsBuffer{};
    store::ReadSettings();
    EXPECT_EQ(store::SettingsRec.LogoFile.trimmed(), logo);
    EXPECT_DOUBLE_EQ(store::SettingsRec.LogoHeight, 1.25);
    EXPECT_EQ(store::SettingsRec.Company.trimmed(), QStringLiteral("New Name"));
    EXPECT_EQ(store::SettingsRec.LHJustify, 3);

    // A logo that does not exist (typed, or cancelled to a vanished file) is stored empty.
    QFile::remove(logo);
    dialogs->onModal<records::TStationary>([](records::TStationary& w) { w.BtnSave->click(); });
    base::dialogs().showModal(&stationery);
    store::ReadSettings();
    EXPECT_TRUE(store::SettingsRec.LogoFile.trimmed().isEmpty());
}

TEST_F(ReportWindowTest, AMissingLogoIsSkippedWithAMessageAndTheInvoiceStillShows) {
    store::SettingsRec.LogoFile = path(QStringLiteral("gone.bmp"));
    store::SettingsRec.LogoHeight = 0.5;
    store::SettingsRec.LogoWidth = 1;
    TReportF window;
    window.resize(800, 600);
    store::OpenInvoiceTables();
    store::CurInvoiceRec = 1;
    store::LoadInvoice();
    SetupDocumentTable();
    AddInvoiceDocument(DocKind::Invoice);
    window.show();
    QApplication::processEvents();
    const QImage image = window.grab().toImage();
    QApplication::processEvents();
    EXPECT_EQ(dialogs->messages().value(0), QStringLiteral("Unable to load the picture ") + path("gone.bmp"));
    image.save(testing_support::artifactDir(QStringLiteral("samples")) + QStringLiteral("/report-window.png"));
    // Something was drawn below the picture line: the letterhead text is not lost.
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(dark, 500);
}

}  // namespace
