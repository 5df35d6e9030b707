// The main window: its first showing, menus and pop-ups, status bar, preferences, help and the
// file-maintenance commands driven through the window.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPrinterInfo>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "AppFixture.h"
#include "app/AboutU.h"
#include "app/Forms.h"
#include "app/MainU.h"
#include "app/Preferences.h"
#include "base/Format.h"
#include "base/ReportOutput.h"
#include "store/DbUtil.h"
#include "store/EngineContext.h"
#include "store/Selection.h"
#include "store/Settings.h"
#include "ui/DriveDirU.h"
#include "ui/HelpU.h"

namespace app_test {
namespace {

using app::TMain;

// A menu as text: items by caption, "-" for separators, submenus as "caption>[item, item]".
QString menuText(const QMenu* menu) {
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            items << QStringLiteral("-");
        else if (action->menu())
            items << action->text() + QStringLiteral(">[") + menuText(action->menu()) + QLatin1Char(']');
        else
            items << action->text();
    }
    return items.join(QStringLiteral(", "));
}

class MainWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app::CreateForms();
        main = app::Form<TMain>();
    }
    void TearDown() override {
        app::DestroyForms();
        AppTest::TearDown();
    }
    // The first showing, as the program does it.
    void start() {
        main->show();
        ASSERT_TRUE(main->started());
        QApplication::setActiveWindow(main);
    }
    store::SettingsBuffer storedSettings() {
        const store::SettingsBuffer held = store::SettingsRec;
        store::ReadSettings();
        const store::SettingsBuffer stored = store::SettingsRec;
        store::SettingsRec = held;
        return stored;
    }

    TMain* main = nullptr;
};

TEST_F(MainWindowTest, MenusAndPopupsHoldTheirItemsInOrder) {
    const std::pair<const QMenu*, QString> menus[] = {
        {main->File1, "&Convert Old Data…, -, E&xit"},
        {main->Help1, "About, -, Help &Contents"},
        {main->PopupMenu1, "&Invoices>[Selected &Date(s), Selected &Invoices], &Bills>[&With Balances Due, "
                           "Selected &Bills], &Statements>[With &Balances, Selected &Customers]"},
        {main->PopupMenu2, "&Sales Summary, &Product Summary, Product &Buyers, -, &Income Summary, "
                           "&Receivable Income, &Aged Receivables, -, &Tax Summary, GST/VAT Income and Collections"},
        {main->PopupMenu3, "&Inventory, &Cost of Goods Sold, &Stock On-Hand"},
        {main->PopupMenu4, "Selected &Customers, Selected &Groups"},
        {main->PopupMenu5, "&Selected Customers, &Invoices Dated, &Past Due Billing, &Balance Due Statement, "
                           "&Customer Group(s)"},
    };
    for (const auto& [menu, expected] : menus) EXPECT_EQ(menuText(menu), expected) << menu->objectName().toStdString();
    for (const char* name : {"SelectedDates2", "SelectedInvoices1", "WithBalancesDue2", "SelectedBills2", "WithBalances2",
                             "SelectedCustomers4", "GSTVATIncomeandCollections1", "StockOnHand1", "SelectedGroups1",
                             "CustomerGroups1", "HelpContents1", "AboutCorvane1", "ConvertOldData1", "Exit1"})
        EXPECT_NE(main->findChild<QAction*>(QLatin1String(name)), nullptr) << name;
}

TEST_F(MainWindowTest, PagesCommandsAndHintsAreInPlace) {
    const QStringList pages = {"Invoices", "Customers and Products", "Report Generation", "Preferences", "File Maintenance"};
    ASSERT_EQ(main->PageControl1->count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(main->PageControl1->tabText(i), pages[i]);
    const std::pair<const char*, const char*> hints[] = {
        {"BtnInvoice", "Create & Edit Invoices"},
        {"BtnInvPrint", "Print Invoices for specified date(s)"},
        {"BtnInvLab", "Print Mailing Labels for Invoice Date(s)"},
        {"BtnCust", "Add & Edit Customers"},
        {"BtnGroups", "Add & Edit Customer Groups"},
        {"BtnProd", "Add & Edit Products / Services"},
        {"BtnPurchase", "Add & Edit Inventory Purchases"},
        {"Image4", "Print Product Listing"},
        {"Image5", "Print Purchasing Report"},
        {"BtnRInv", "Print Invoices, Bills or Customer Statements"},
        {"BtnRProf", "Print Customer's Purchasing Profile"},
        {"BtnRSales", "Print Sales & Tax Reports"},
        {"BtnRLabels", "Print Address Labels"},
        {"BtnMMerge", "Generate a Mail Merge File"},
        {"BtnInvRpts", "Print Inventory Reports"},
        {"BtnStationary", "Set up custom stationary"},
        {"BtnSTax", "Set up sales tax rates"},
        {"BtnLabForms", "Define Address Label Stock"},
        {"BtnFont", "Select a Font for printing reports"},
        {"BtnPSetup", "Select a printer for reports"},
    };
    for (const auto& [name, hint] : hints) {
        auto* button = main->findChild<QToolButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        if (button->isEnabled()) { EXPECT_EQ(button->toolTip(), QLatin1String(hint)) << name; }
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
    EXPECT_EQ(main->BtnStationary->text(), QStringLiteral("Stationery"));
    EXPECT_EQ(main->BtnErase->text(), QStringLiteral("Erase all data and start over"));
    EXPECT_EQ(main->GroupBox1->title(), QStringLiteral(" Display - Sort Customers "));
    EXPECT_EQ(main->GroupBox2->title(), QStringLiteral(" Inventory Method "));

    start();
    for (int i = 0; i < 5; ++i) main->PageControl1->setCurrentIndex(i);
    EXPECT_FALSE(main->BtnPrintBatch->isVisible());
    EXPECT_FALSE(main->Button1->isVisible());
    EXPECT_FALSE(main->BtnDirectories->isVisible());
}

TEST_F(MainWindowTest, EveryCommandOfTheWindowIsAvailable) {
    // Every report, label, export and maintenance command is built: none may be left greyed out.
    for (const QMenu* menu : main->findChildren<QMenu*>())
        for (const QAction* item : menu->actions())
            EXPECT_TRUE(item->isSeparator() || item->isEnabled()) << item->objectName().toStdString();
    for (const QAbstractButton* button : main->findChildren<QAbstractButton*>())
        if (!qobject_cast<const QTabBar*>(button->parent())) {  // not the tab bar's own scroll arrows
            EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        }
}

TEST_F(MainWindowTest, FirstShowingAppliesTheSettings) {
    store::SettingsRec = store::DefaultSettings();
    store::SettingsRec.FontName = QStringLiteral("DejaVu Serif");
    store::SettingsRec.FontSize = 13;
    store::SettingsRec.ByCust = false;
    store::SettingsRec.fifo = false;
    store::EngineInit();
    EXPECT_TRUE(store::SaveSettings().ok());
    store::EngineEnd();

    start();
    EXPECT_EQ(main->windowTitle(), app::MainCaption());
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("DejaVu Serif@13"));
    EXPECT_EQ(base::ReportFont.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_TRUE(main->RadioButton2->isChecked());
    EXPECT_TRUE(main->RadioButton4->isChecked());
    if (QPrinterInfo::defaultPrinter().isNull()) { EXPECT_EQ(main->Edit2->text(), QStringLiteral("No printer")); }
    EXPECT_FALSE(app::Form<app::TAboutForm>()->isVisible()) << "the splash is closed";
    EXPECT_FALSE(app::SplashMode);
    EXPECT_TRUE(store::Engine().tables().empty());
}

TEST_F(MainWindowTest, BlankFontSettingsKeepTheWindowsFont) {
    start();
    EXPECT_EQ(base::ReportFont.family(), main->font().family());
    EXPECT_EQ(main->Edit1->text(), app::FontText(main->font()));
}

TEST_F(MainWindowTest, WithoutDataFilesTheProgramEndsAfterTheMessage) {
    QString error;
    ASSERT_TRUE(store::RemoveDataFiles(dataDir(), &error));
    main->show();
    EXPECT_FALSE(main->started());
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_EQ(dialogs->messages().size(), 1);
    EXPECT_FALSE(store::EngineActive());
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

TEST_F(MainWindowTest, TheSplashIsPaintedBeforeTheStartUpWorkAndWhileItWaits) {
    auto* splash = app::Form<app::TAboutForm>();
    PaintCounter picture(splash->Image1);
    // Missing data files end the start-up at its first step: the splash was drawn before it or never.
    QString error;
    ASSERT_TRUE(store::RemoveDataFiles(dataDir(), &error));
    main->show();
    EXPECT_GT(picture.paints, 0);

    app::SplashMinimumMs = 100;
    splash->show();
    const int before = picture.paints;
    const app::SplashClock clock;
    splash->Image1->update();
    clock.waitForMinimum();
    EXPECT_GT(picture.paints, before) << "the splash repaints while it waits";
    splash->hide();
}

TEST_F(MainWindowTest, AboutHidesItsOkButtonOnlyAsSplash) {
    auto* about = app::Form<app::TAboutForm>();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Corvane Invoicing ") + app::VersionText());
    app::SplashMode = true;
    about->show();
    EXPECT_FALSE(about->OKButton->isVisible());
    about->hide();
    app::SplashMode = false;
    dialogs->onModal<app::TAboutForm>([](app::TAboutForm& window) {
        EXPECT_TRUE(window.OKButton->isVisible());
        window.OKButton->click();
    });
    start();
    main->AboutCorvane1->trigger();
    EXPECT_EQ(dialogs->log(), QStringList{QStringLiteral("Modal app::TAboutForm")});
}

TEST_F(MainWindowTest, StatusBarShowsTextAndPaintsProgress) {
    start();
    base::ShowStatus(QStringLiteral("Copying Data Files"));
    base::ShowProgress(40);
    EXPECT_EQ(main->StatusPanel1->text(), QStringLiteral("Copying Data Files"));
    EXPECT_EQ(main->StatusPanel0->percent(), 40);
    EXPECT_EQ(main->StatusPanel0->width(), 110);
    const QImage image = main->StatusPanel0->grab().toImage();
    const int y = image.height() / 2;
    EXPECT_EQ(QColor(image.pixel(5 + 39, y)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image.pixel(5 + 41, y)), QColor(0xc0, 0xc0, 0xc0));
    EXPECT_EQ(QColor(image.pixel(5 + 99, y)), QColor(0xc0, 0xc0, 0xc0));
    base::ShowStatus(QString());
    EXPECT_EQ(main->StatusPanel0->percent(), 0) << "a new status clears the bar";
    EXPECT_TRUE(main->StatusPanel1->text().isEmpty());
}

TEST_F(MainWindowTest, ReportFontIsStoredWhetherTheDialogIsConfirmedOrCancelled) {
    start();
    base::ReportFont = QFont(QStringLiteral("DejaVu Sans"), 9);
    dialogs->cancelFont();
    main->BtnFont->click();
    EXPECT_EQ(storedSettings().FontName.trimmed(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(storedSettings().FontSize, 9);
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("DejaVu Sans@9"));

    dialogs->answerFont(QFont(QStringLiteral("DejaVu Serif"), 14));
    main->BtnFont->click();
    EXPECT_EQ(storedSettings().FontName.trimmed(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(storedSettings().FontSize, 14);
    EXPECT_EQ(base::ReportFont.pointSize(), 14);
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("DejaVu Serif@14"));
}

TEST_F(MainWindowTest, PrinterChoiceIsShownAndACancelledSetupChangesNothing) {
    start();
    const QString before = main->Edit2->text();
    dialogs->cancelPrinter();
    main->BtnPSetup->click();
    EXPECT_EQ(main->Edit2->text(), before);
    dialogs->answerPrinter({QStringLiteral("Office"), true});
    main->BtnPSetup->click();
    EXPECT_EQ(main->Edit2->text(), QStringLiteral("Office-Landscape"));
    dialogs->answerPrinter({QStringLiteral("Office"), false});
    main->BtnPSetup->click();
    EXPECT_EQ(main->Edit2->text(), QStringLiteral("Office-Portrait"));
}

TEST_F(MainWindowTest, LeavingAPreferenceBoxStoresTheChoice) {
    start();
    main->PageControl1->setCurrentWidget(main->TabSheet4);
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    main->RadioButton2->setFocus();
    QTest::mouseClick(main->RadioButton2, Qt::LeftButton);
    ASSERT_TRUE(main->RadioButton2->isChecked());
    EXPECT_TRUE(storedSettings().ByCust) << "clicking alone stores nothing";
    main->RadioButton4->setFocus();  // leaves GroupBox1 for GroupBox2
    EXPECT_FALSE(storedSettings().ByCust);
    EXPECT_FALSE(store::SettingsRec.ByCust);
    QTest::mouseClick(main->RadioButton4, Qt::LeftButton);
    main->Edit1->setFocus();  // leaves GroupBox2
    EXPECT_FALSE(storedSettings().fifo);
}

TEST_F(MainWindowTest, HelpOpensAtThePagesContext) {
    start();
    main->BtnHelp[3]->click();
    EXPECT_TRUE(ui::HelpWindow()->isVisible());
    EXPECT_EQ(ui::HelpWindow()->currentPage(), QStringLiteral("preferences.html"));
    main->HelpContents1->trigger();
    EXPECT_EQ(ui::HelpWindow()->currentPage(), QStringLiteral("index.html"));
    EXPECT_FALSE(ui::HelpWindow()->Browser->toPlainText().isEmpty());
}

TEST(HelpPages, EveryContextHasAWrittenPage) {
    for (int context : {TMain::kHelpContext, 300, 310, 400, 410, 420, 430, 450, 500, 600, 610, 620, 630, 640, 700, 1120}) {
        const QString page = ui::HelpPageFor(context);
        EXPECT_NE(page, QStringLiteral("index.html")) << context;
        EXPECT_TRUE(QFileInfo::exists(QDir(ui::HelpDirectory()).filePath(page))) << page.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(QDir(ui::HelpDirectory()).filePath(QStringLiteral("index.html"))));
}

TEST_F(MainWindowTest, BackupAndRestoreThroughTheChooser) {
    start();
    QTemporaryDir target(QDir::tempPath() + QStringLiteral("/corvane-backup-XXXXXX"));
    ASSERT_TRUE(target.isValid());
    dialogs->onModal<ui::TDriveDir>([&](ui::TDriveDir& chooser) {
        EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Choose Backup Drive & Directory"));
        EXPECT_EQ(chooser.BtnOK->text(), QStringLiteral("Backup"));
        EXPECT_FALSE(chooser.FileListBox1->isEnabled());
        ASSERT_TRUE(chooser.setDirectory(target.path()));
        chooser.BtnOK->click();
    });
    main->BtnBackup->click();
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files).size(), 12);
    EXPECT_EQ(QDir::currentPath(), dataDir());

    dialogs->onModal<ui::TDriveDir>([&](ui::TDriveDir& chooser) {
        EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Choose Drive & Directory Containing BACKUP"));
        EXPECT_EQ(chooser.BtnOK->text(), QStringLiteral("Restore"));
        EXPECT_EQ(chooser.directory(), QDir::cleanPath(target.path())) << "the chooser keeps its directory";
        chooser.BtnCancel->click();
    });
    main->BtnRestore->click();
    EXPECT_TRUE(ui::ChosenDir.isEmpty());
    EXPECT_EQ(dialogs->messages(), QStringList{}) << "a cancelled chooser shows nothing";
}

TEST_F(MainWindowTest, LongOperationsEndWithTheirOutcomeInTheStatusBar) {
    start();
    main->PageControl1->setCurrentWidget(main->TabSheet5);
    QTemporaryDir target(QDir::tempPath() + "/corvane-backup-XXXXXX");
    auto choose = [&] {
        dialogs->onModal<ui::TDriveDir>([&](ui::TDriveDir& chooser) {
            ASSERT_TRUE(chooser.setDirectory(target.path()));
            QTest::mouseClick(chooser.BtnOK, Qt::LeftButton);
        });
    };
    const QString groups = QDir(dataDir()).entryList({"GROUPS.dbf"}, QDir::Files).value(0);
    const QString replace = "Replace the data in " + dataDir() + " with the backup from " + target.path() +
                            " made on " + base::DateText(base::Today()) + "?";
    // The button, what comes before, the status bar's message after (none when a message told of a
    // failure) and the messages shown.
    const std::tuple<QToolButton*, std::function<void()>, QString, QStringList> cases[] = {
        {main->BtnIndex, [] {}, "Reindex of 9 tables completed.", {}},
        {main->BtnPack, [] {}, "Pack of 9 tables completed.", {}},
        {main->BtnBackup, choose, "Backup of 12 files to " + target.path() + " completed.", {}},
        {main->BtnRestore, [&] { choose(); dialogs->answer(base::Answer::Cancel); }, QString(), {replace}},
        {main->BtnRestore, [&] { choose(); dialogs->answer(base::Answer::Ok); },
         "Restore of 12 files from " + target.path() + " completed.", {replace}},
        {main->BtnPack, [&] { QFile::rename(path(groups), path("GROUPS.bak")); }, QString(),
         {"GROUPS.DBF could not be packed: the file is missing or cannot be opened (GROUPS.DBF)."}},
    };
    for (const auto& [button, before, outcome, messages] : cases) {
        SCOPED_TRACE(button->objectName().toStdString());
        before();
        main->StatusBar1->clearMessage();
        const qsizetype shown = dialogs->messages().size();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dialogs->messages().mid(shown), messages);
        EXPECT_EQ(main->StatusBar1->currentMessage(), outcome);
        EXPECT_TRUE(main->StatusPanel1->text().isEmpty());
    }
}

TEST_F(MainWindowTest, ExitPacksPendingDeletionsAndEndsTheContext) {
    start();
    store::PackPending = true;
    main->BtnHelp[3]->click();  // help stays open beside the program ...
    ASSERT_TRUE(ui::HelpWindow()->isVisible());
    main->Exit1->trigger();
    EXPECT_FALSE(store::EngineActive());
    EXPECT_FALSE(store::PackPending);
    EXPECT_FALSE(ui::HelpWindow()->isVisible());  // ... but not after it
    for (QWidget* window : QApplication::topLevelWidgets()) EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
}

TEST_F(MainWindowTest, ADriveThatCannotBeReadSendsTheChooserBack) {
    ui::TDriveDir chooser;
    dialogs->onModal<ui::TDriveDir>([&](ui::TDriveDir& window) {
        const int before = window.DriveComboBox1->currentIndex();
        const QString directory = window.directory();
        // A removable medium taken out after the list was made.
        window.DriveComboBox1->addItem(QStringLiteral("gone"), QStringLiteral("/nonexistent-medium"));
        window.DriveComboBox1Change(window.DriveComboBox1->count() - 1);
        EXPECT_EQ(window.DriveComboBox1->currentIndex(), before);
        EXPECT_EQ(window.directory(), QDir::cleanPath(window.DriveComboBox1->itemData(before).toString()));
        EXPECT_NE(window.directory(), QString()) << directory.toStdString();
        window.BtnOK->click();
    });
    base::dialogs().showModal(&chooser);
    EXPECT_EQ(dialogs->messages(), QStringList{QStringLiteral("Unable to read from drive /nonexistent-medium")});
    EXPECT_EQ(ui::ChosenDir, chooser.directory());
    EXPECT_EQ(QDir::currentPath(), dataDir()) << "the process's directory is set back";
}

TEST(DriveDir, OffersRootsAndHome) {
    QStringList paths;
    for (const ui::DriveEntry& drive : ui::AvailableDrives()) paths << drive.path;
    EXPECT_TRUE(paths.contains(QStringLiteral("/")));
    EXPECT_TRUE(paths.contains(QDir::homePath()));
}

}  // namespace
}  // namespace app_test
