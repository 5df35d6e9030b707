#include "app/MainU.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "app/AboutU.h"
#include "app/MailMergeCommand.h"
#include "app/CommandArt.h"
#include "app/Forms.h"
#include "app/Preferences.h"
#include "mail/MailServerU.h"
#include "app/DefaultPrinter.h"
#include "app/Startup.h"
#include "base/Dialogs.h"
#include "base/ReportOutput.h"
#include "invoicing/ImportDirU.h"
#include "invoicing/InvoiceCommands.h"
#include "labels/LabelCommands.h"
#include "records/EditCommands.h"
#include "records/StationaryU.h"
#include "reports/ReportCommands.h"
#include "store/DataLocation.h"
#include "store/DbUtil.h"
#include "store/Upgrade.h"
#include "store/UserPreferences.h"
#include "ui/DriveDirU.h"
#include "ui/HelpU.h"

namespace app {
namespace {

// The window's own texts.
const QString kPageInvoices = QStringLiteral("Invoices");
const QString kPageCustomers = QStringLiteral("Customers and Products");
const QString kPageReports = QStringLiteral("Report Generation");
const QString kPagePreferences = QStringLiteral("Preferences");
const QString kPageMaintenance = QStringLiteral("File Maintenance");
const QString kHelpCaption = QStringLiteral("Help");
const QString kBackupChooserCaption = QStringLiteral("Choose Backup Drive & Directory");
const QString kBackupOkCaption = QStringLiteral("Backup");
const QString kRestoreChooserCaption = QStringLiteral("Choose Drive & Directory Containing BACKUP");
const QString kRestoreOkCaption = QStringLiteral("Restore");
const QString kUpgradeChooserCaption = QStringLiteral("Choose Drive & Directory Containing Old Velkin Data");
const QString kUpgradeOkCaption = QStringLiteral("Upgrade");
const QString kConvertOldData = QStringLiteral("&Convert Old Data…");
const QString kShowOrderCommands = QStringLiteral("Show the order import and export commands");
const QString kPreferenceNotSaved = QStringLiteral("The choice could not be saved in %1.");
// The upgrade of old data has no button or menu item: administrators reach it with this key.
constexpr QKeyCombination kUpgradeKey = Qt::CTRL | Qt::SHIFT | Qt::Key_U;

// The size of the client area as designed.
constexpr QSize kClientSize(539, 311);

bool isInside(const QWidget* widget, const QWidget* box) {
    return widget && (widget == box || box->isAncestorOf(widget));
}

// Shows the splash and lets it paint before the start-up work holds the thread: the display draws a
// window only once it has mapped it, and until then the splash was a black rectangle.
void showSplash(QWidget* splash) {
    constexpr qint64 kMapWaitMs = 500;
    splash->show();
    QElapsedTimer waited;
    waited.start();
    while (!(splash->windowHandle() && splash->windowHandle()->isExposed()) && waited.elapsed() < kMapWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    splash->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

// ---------------------------------------------------------------- status bar panel 0

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent) { setFixedWidth(110); }

void ProgressPanel::setPercent(int percent) {
    m_percent = qBound(0, percent, 100);
    repaint();  // long operations run without an event loop: paint now
}

namespace {

// How long an operation's outcome stays in the status bar.
constexpr int kResultMs = 5000;

// A long operation holds the thread: the window takes its paint and layout events between the steps,
// so what it shows reaches the screen; the user's clicks and keys wait until it ends.
void letThePanelsPaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

void ProgressPanel::paintEvent(QPaintEvent*) {
    // The bar: x from 5 to 5 + percent, y from 3 to the height less 1; silver over the whole
    // 100 pixels when cleared.
    QPainter painter(this);
    const int bottom = height() - 1;
    painter.fillRect(QRect(QPoint(5, 3), QPoint(105 - 1, bottom - 1)), QColor(0xc0, 0xc0, 0xc0));
    if (m_percent > 0)
        painter.fillRect(QRect(QPoint(5, 3), QPoint(5 + m_percent - 1, bottom - 1)), Qt::blue);
}

// ---------------------------------------------------------------- construction

namespace {

struct CommandEntry {
    const char* name;
    QString caption;  // empty: the hint is the caption
    QString hint;
    const char* theme;  // the freedesktop icon name; the program carries a picture for each
};

QToolButton* commandButton(QWidget* parent, const CommandEntry& desc) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(desc.name));
    QString caption = desc.caption;
    if (caption.isEmpty()) caption = QString(desc.hint).replace(QLatin1Char('&'), QStringLiteral("&&"));  // no mnemonic
    button->setText(caption);
    button->setToolTip(desc.hint);
    button->setIcon(CommandIcon(QLatin1String(desc.theme)));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

// Lays out command buttons in two columns, the page's Help button at the bottom right.
void layoutPage(QWidget* page, const std::vector<QWidget*>& commands, QPushButton* help) {
    auto* grid = new QGridLayout(page);
    int row = 0, column = 0;
    for (QWidget* command : commands) {
        grid->addWidget(command, row, column);
        if (++column == 2) {
            column = 0;
            ++row;
        }
    }
    grid->setRowStretch(row + 1, 1);
    grid->addWidget(help, row + 2, 1, Qt::AlignRight);
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu* popupMenu(QWidget* parent, const char* name) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QMenu* subMenu(QMenu* menu, const char* name, const QString& caption) {
    QMenu* sub = menu->addMenu(caption);
    sub->setObjectName(QLatin1String(name));
    return sub;
}

}  // namespace

TMain::TMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("TMain"));
    setWindowTitle(QApplication::applicationName());

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(PageControl1);
    TabSheet1 = buildInvoicesPage();
    TabSheet2 = buildCustomersPage();
    TabSheet3 = buildReportsPage();
    TabSheet4 = buildPreferencesPage();
    TabSheet5 = buildMaintenancePage();
    const QString pageCaptions[] = {kPageInvoices, kPageCustomers, kPageReports, kPagePreferences,
                                    kPageMaintenance};
    QWidget* pages[] = {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5};
    for (int i = 0; i < 5; ++i) {
        pages[i]->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        PageControl1->addTab(pages[i], pageCaptions[i]);
    }

    buildMenus();
    buildPopupMenus();
    buildStatusBar();

    auto* helpKey = new QShortcut(QKeySequence::HelpContents, this);
    connect(helpKey, &QShortcut::activated, this,
            [this] { ui::ShowHelp(kPageHelpContexts[qBound(0, PageControl1->currentIndex(), 4)]); });
    auto* upgradeKey = new QShortcut(QKeySequence(kUpgradeKey), this);
    upgradeKey->setObjectName(QStringLiteral("UpgradeKey"));
    connect(upgradeKey, &QShortcut::activated, this, &TMain::BtnUpgradeClick);

    connect(qApp, &QApplication::focusChanged, this, &TMain::focusChanged);
    base::setStatusSink(this);

    resize(kClientSize.width(), kClientSize.height() + menuBar()->sizeHint().height() +
                                    StatusBar1->sizeHint().height());
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMain::~TMain() {
    // The focus moves while the children go; the window must not hear of it half destroyed.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    if (base::statusSink() == this) base::setStatusSink(nullptr);
}

QPushButton* TMain::helpButton(int page) {
    auto* button = new QPushButton(kHelpCaption);
    button->setObjectName(QStringLiteral("BtnHelp%1").arg(page + 1));
    connect(button, &QPushButton::clicked, this, [page] { ui::ShowHelp(kPageHelpContexts[page]); });
    BtnHelp[page] = button;
    return button;
}

QWidget* TMain::buildInvoicesPage() {
    auto* page = new QWidget;
    BtnInvoice = commandButton(page, {"BtnInvoice", {}, QStringLiteral("Create & Edit Invoices"),
                                      "document-new"});
    BtnInvPrint = commandButton(page, {"BtnInvPrint", {}, QStringLiteral("Print Invoices for specified date(s)"),
                                       "document-print"});
    BtnInvLab = commandButton(page, {"BtnInvLab", {}, QStringLiteral("Print Mailing Labels for Invoice Date(s)"),
                                     "mail-send"});
    BtnPrintBatch = commandButton(page, {"BtnPrintBatch", {}, QStringLiteral("Print Batch Labels"),
                                         "mail-send"});
    Button1 = new QPushButton(QStringLiteral("Email"), page);
    Button1->setObjectName(QStringLiteral("Button1"));
    layoutPage(page, {BtnInvoice, BtnInvPrint, BtnInvLab, BtnPrintBatch, Button1}, helpButton(0));
    connect(BtnInvoice, &QToolButton::clicked, this, &TMain::BtnInvoiceClick);
    connect(BtnInvPrint, &QToolButton::clicked, this, &TMain::BtnInvPrintClick);
    connect(BtnInvLab, &QToolButton::clicked, this, &TMain::BtnInvLabClick);
    connect(BtnPrintBatch, &QToolButton::clicked, this, &TMain::BtnPrintBatchClick);
    // Present but never shown.
    BtnPrintBatch->hide();
    Button1->hide();
    return page;
}

QWidget* TMain::buildCustomersPage() {
    auto* page = new QWidget;
    BtnCust = commandButton(page, {"BtnCust", {}, QStringLiteral("Add & Edit Customers"),
                                   "contact-new"});
    BtnGroups = commandButton(page, {"BtnGroups", {}, QStringLiteral("Add & Edit Customer Groups"),
                                     "system-users"});
    BtnProd = commandButton(page, {"BtnProd", {}, QStringLiteral("Add & Edit Products / Services"),
                                   "package-x-generic"});
    BtnPurchase = commandButton(page, {"BtnPurchase", {}, QStringLiteral("Add & Edit Inventory Purchases"),
                                       "list-add"});
    Image4 = commandButton(page, {"Image4", {}, QStringLiteral("Print Product Listing"),
                                  "document-print"});
    Image5 = commandButton(page, {"Image5", {}, QStringLiteral("Print Purchasing Report"),
                                  "document-print-preview"});
    connect(BtnCust, &QToolButton::clicked, this, &TMain::BtnCustClick);
    connect(BtnGroups, &QToolButton::clicked, this, &TMain::BtnGroupsClick);
    connect(BtnProd, &QToolButton::clicked, this, &TMain::BtnProdClick);
    connect(BtnPurchase, &QToolButton::clicked, this, &TMain::BtnPurchaseClick);
    connect(Image4, &QToolButton::clicked, this, &TMain::Image4Click);
    connect(Image5, &QToolButton::clicked, this, &TMain::Image5Click);
    layoutPage(page, {BtnCust, BtnGroups, BtnProd, BtnPurchase, Image4, Image5}, helpButton(1));
    return page;
}

QWidget* TMain::buildReportsPage() {
    auto* page = new QWidget;
    BtnRInv = commandButton(page, {"BtnRInv", {}, QStringLiteral("Print Invoices, Bills or Customer Statements"),
                                   "document-print"});
    BtnRProf = commandButton(page, {"BtnRProf", {}, QStringLiteral("Print Customer's Purchasing Profile"),
                                    "x-office-address-book"});
    BtnRSales = commandButton(page, {"BtnRSales", {}, QStringLiteral("Print Sales & Tax Reports"),
                                     "x-office-spreadsheet"});
    BtnRLabels = commandButton(page, {"BtnRLabels", {}, QStringLiteral("Print Address Labels"),
                                      "mail-message"});
    BtnMMerge = commandButton(page, {"BtnMMerge", {}, QStringLiteral("Generate a Mail Merge File"),
                                     "document-save-as"});
    BtnInvRpts = commandButton(page, {"BtnInvRpts", {}, QStringLiteral("Print Inventory Reports"),
                                      "x-office-document"});
    connect(BtnRInv, &QToolButton::clicked, this, &TMain::BtnRInvClick);
    connect(BtnRProf, &QToolButton::clicked, this, &TMain::BtnRProfClick);
    connect(BtnRSales, &QToolButton::clicked, this, &TMain::BtnRSalesClick);
    connect(BtnRLabels, &QToolButton::clicked, this, &TMain::BtnRLabelsClick);
    connect(BtnInvRpts, &QToolButton::clicked, this, &TMain::BtnInvRptsClick);
    connect(BtnMMerge, &QToolButton::clicked, this, &TMain::BtnMMergeClick);
    layoutPage(page, {BtnRInv, BtnRProf, BtnRSales, BtnRLabels, BtnMMerge, BtnInvRpts}, helpButton(2));
    return page;
}

namespace {

QRadioButton* radio(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QLineEdit* readOnlyEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    return edit;
}

QGroupBox* radioBox(QWidget* parent, const char* name, const QString& caption, QRadioButton* first,
                    QRadioButton* second) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(box);
    first->setParent(box);
    second->setParent(box);
    layout->addWidget(first);
    layout->addWidget(second);
    return box;
}

}  // namespace

QWidget* TMain::buildPreferencesPage() {
    auto* page = new QWidget;
    BtnStationary = commandButton(page, {"BtnStationary", QStringLiteral("Stationery"),
                                         QStringLiteral("Set up custom stationary"), "x-office-document"});
    BtnSTax = commandButton(page, {"BtnSTax", QStringLiteral("Sales Tax"), QStringLiteral("Set up sales tax rates"),
                                   "accessories-calculator"});
    BtnLabForms = commandButton(page, {"BtnLabForms", QStringLiteral("Label Forms"),
                                       QStringLiteral("Define Address Label Stock"), "mail-message"});
    BtnMailServer = commandButton(page, {"BtnMailServer", QStringLiteral("Mail Server"),
                                         QStringLiteral("Set up the mail server e-mail is sent through"), "mail-send"});
    BtnFont = commandButton(page, {"BtnFont", QStringLiteral("Report Font"),
                                   QStringLiteral("Select a Font for printing reports"), "preferences-desktop-font"});
    BtnPSetup = commandButton(page, {"BtnPSetup", QStringLiteral("Printer Setup"),
                                     QStringLiteral("Select a printer for reports"), "printer"});
    Edit1 = readOnlyEdit(page, "Edit1");
    Edit2 = readOnlyEdit(page, "Edit2");
    RadioButton1 = radio(page, "RadioButton1", QStringLiteral("By Name"));
    RadioButton2 = radio(page, "RadioButton2", QStringLiteral("By Company Name"));
    GroupBox1 = radioBox(page, "GroupBox1", QStringLiteral(" Display - Sort Customers "), RadioButton1, RadioButton2);
    RadioButton3 = radio(page, "RadioButton3", QStringLiteral("First in - First out"));
    RadioButton4 = radio(page, "RadioButton4", QStringLiteral("Last in - First out"));
    GroupBox2 = radioBox(page, "GroupBox2", QStringLiteral(" Inventory Method "), RadioButton3, RadioButton4);
    BtnDirectories = new QPushButton(QStringLiteral("Import Dir's"), page);
    BtnDirectories->setObjectName(QStringLiteral("BtnDirectories"));
    CheckOrders = new QCheckBox(kShowOrderCommands, page);
    CheckOrders->setObjectName(QStringLiteral("CheckOrders"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(BtnStationary, 0, 0);
    grid->addWidget(BtnSTax, 1, 0);
    grid->addWidget(BtnLabForms, 2, 0);
    grid->addWidget(BtnDirectories, 3, 0);
    grid->addWidget(BtnFont, 0, 1);
    grid->addWidget(Edit1, 0, 2);
    grid->addWidget(BtnPSetup, 1, 1);
    grid->addWidget(Edit2, 1, 2);
    grid->addWidget(GroupBox1, 2, 1, 2, 1);
    grid->addWidget(GroupBox2, 2, 2, 2, 1);
    grid->addWidget(BtnMailServer, 4, 0);
    grid->addWidget(CheckOrders, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    grid->addWidget(helpButton(3), 7, 2, Qt::AlignRight);
    BtnDirectories->hide();  // shown with the order commands

    connect(BtnStationary, &QToolButton::clicked, this, &TMain::BtnStationaryClick);
    connect(BtnSTax, &QToolButton::clicked, this, &TMain::BtnSTaxClick);
    connect(BtnLabForms, &QToolButton::clicked, this, &TMain::BtnLabFormsClick);
    connect(BtnMailServer, &QToolButton::clicked, this, &TMain::BtnMailServerClick);
    connect(BtnFont, &QToolButton::clicked, this, &TMain::BtnFontClick);
    connect(BtnPSetup, &QToolButton::clicked, this, &TMain::BtnPSetupClick);
    connect(BtnDirectories, &QPushButton::clicked, this, &TMain::BtnDirectoriesClick);
    connect(CheckOrders, &QCheckBox::toggled, this, &TMain::CheckOrdersClick);
    return page;
}

QWidget* TMain::buildMaintenancePage() {
    auto* page = new QWidget;
    BtnBackup = commandButton(page, {"BtnBackup", QStringLiteral("Backup Data Files"),
                                     QStringLiteral("Backup Data Files"), "document-save"});
    BtnRestore = commandButton(page, {"BtnRestore", QStringLiteral("Restore Data Files"),
                                      QStringLiteral("Restore Data Files"), "document-revert"});
    BtnIndex = commandButton(page, {"BtnIndex", QStringLiteral("Reindex Data Files"),
                                    QStringLiteral("Reindex Data Files"), "view-sort-ascending"});
    BtnPack = commandButton(page, {"BtnPack", QStringLiteral("Pack Data Files"), QStringLiteral("Pack Data Files"),
                                   "package-x-generic"});
    BtnErase = commandButton(page, {"BtnErase", QStringLiteral("Erase all data and start over"),
                                    QStringLiteral("Erase all data and start over"), "edit-delete"});
    connect(BtnBackup, &QToolButton::clicked, this, &TMain::BtnBackupClick);
    connect(BtnRestore, &QToolButton::clicked, this, &TMain::BtnRestoreClick);
    connect(BtnIndex, &QToolButton::clicked, this, &TMain::BtnIndexClick);
    connect(BtnPack, &QToolButton::clicked, this, &TMain::BtnPackClick);
    connect(BtnErase, &QToolButton::clicked, this, &TMain::BtnEraseClick);
    layoutPage(page, {BtnBackup, BtnRestore, BtnIndex, BtnPack, BtnErase}, helpButton(4));
    return page;
}

void TMain::buildMenus() {
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    ConvertOldData1 = menuItem(File1, "ConvertOldData1", kConvertOldData);
    File1->addSeparator();
    Exit1 = menuItem(File1, "Exit1", QStringLiteral("E&xit"));
    connect(ConvertOldData1, &QAction::triggered, this, &TMain::BtnUpgradeClick);
    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    AboutCorvane1 = menuItem(Help1, "AboutCorvane1", QStringLiteral("About"));
    Help1->addSeparator();
    HelpContents1 = menuItem(Help1, "HelpContents1", QStringLiteral("Help &Contents"));
    connect(Exit1, &QAction::triggered, this, &TMain::Exit1Click);
    connect(AboutCorvane1, &QAction::triggered, this, &TMain::AboutCorvane1Click);
    connect(HelpContents1, &QAction::triggered, this, &TMain::HelpContents1Click);
}

void TMain::buildPopupMenus() {
    PopupMenu1 = popupMenu(this, "PopupMenu1");
    QMenu* invoices = subMenu(PopupMenu1, "Invoices1", QStringLiteral("&Invoices"));
    SelectedDates2 = menuItem(invoices, "SelectedDates2", QStringLiteral("Selected &Date(s)"));
    SelectedInvoices1 = menuItem(invoices, "SelectedInvoices1", QStringLiteral("Selected &Invoices"));
    QMenu* bills = subMenu(PopupMenu1, "Bills1", QStringLiteral("&Bills"));
    WithBalancesDue2 = menuItem(bills, "WithBalancesDue2", QStringLiteral("&With Balances Due"));
    SelectedBills2 = menuItem(bills, "SelectedBills2", QStringLiteral("Selected &Bills"));
    QMenu* statements = subMenu(PopupMenu1, "Statements1", QStringLiteral("&Statements"));
    WithBalances2 = menuItem(statements, "WithBalances2", QStringLiteral("With &Balances"));
    SelectedCustomers4 = menuItem(statements, "SelectedCustomers4", QStringLiteral("Selected &Customers"));
    connect(SelectedDates2, &QAction::triggered, this, &TMain::SelectedDates2Click);
    connect(SelectedInvoices1, &QAction::triggered, this, &TMain::SelectedInvoices1Click);
    connect(WithBalancesDue2, &QAction::triggered, this, &TMain::WithBalancesDue2Click);
    connect(SelectedBills2, &QAction::triggered, this, &TMain::SelectedBills2Click);
    connect(WithBalances2, &QAction::triggered, this, &TMain::WithBalances2Click);
    connect(SelectedCustomers4, &QAction::triggered, this, &TMain::SelectedCustomers4Click);

    PopupMenu2 = popupMenu(this, "PopupMenu2");
    SalesSummary1 = menuItem(PopupMenu2, "SalesSummary1", QStringLiteral("&Sales Summary"));
    ProductSummary1 = menuItem(PopupMenu2, "ProductSummary1", QStringLiteral("&Product Summary"));
    ProductBuyers1 = menuItem(PopupMenu2, "ProductBuyers1", QStringLiteral("Product &Buyers"));
    PopupMenu2->addSeparator();
    IncomeSummary1 = menuItem(PopupMenu2, "IncomeSummary1", QStringLiteral("&Income Summary"));
    ReceivableIncome1 = menuItem(PopupMenu2, "ReceivableIncome1", QStringLiteral("&Receivable Income"));
    AgedReceivables1 = menuItem(PopupMenu2, "AgedReceivables1", QStringLiteral("&Aged Receivables"));
    PopupMenu2->addSeparator();
    TaxSummary1 = menuItem(PopupMenu2, "TaxSummary1", QStringLiteral("&Tax Summary"));
    GSTVATIncomeandCollections1 = menuItem(PopupMenu2, "GSTVATIncomeandCollections1",
                                           QStringLiteral("GST/VAT Income and Collections"));
    const std::pair<QAction*, void (TMain::*)()> reportItems[] = {
        {SalesSummary1, &TMain::SalesSummary1Click},
        {ProductSummary1, &TMain::ProductSummary1Click},
        {IncomeSummary1, &TMain::IncomeSummary1Click},
        {ReceivableIncome1, &TMain::ReceivableIncome1Click},
        {AgedReceivables1, &TMain::AgedReceivables1Click},
        {TaxSummary1, &TMain::TaxSummary1Click},
        {GSTVATIncomeandCollections1, &TMain::GSTVATIncomeandCollections1Click},
        {ProductBuyers1, &TMain::ProductBuyers1Click},
    };
    for (const auto& [item, handler] : reportItems) connect(item, &QAction::triggered, this, handler);

    PopupMenu3 = popupMenu(this, "PopupMenu3");
    Inventory1 = menuItem(PopupMenu3, "Inventory1", QStringLiteral("&Inventory"));
    CostofGoodsSold1 = menuItem(PopupMenu3, "CostofGoodsSold1", QStringLiteral("&Cost of Goods Sold"));
    StockOnHand1 = menuItem(PopupMenu3, "StockOnHand1", QStringLiteral("&Stock On-Hand"));
    connect(Inventory1, &QAction::triggered, this, &TMain::Inventory1Click);
    connect(CostofGoodsSold1, &QAction::triggered, this, &TMain::CostofGoodsSold1Click);
    connect(StockOnHand1, &QAction::triggered, this, &TMain::StockOnHand1Click);

    PopupMenu4 = popupMenu(this, "PopupMenu4");
    SelectedCustomers2 = menuItem(PopupMenu4, "SelectedCustomers2", QStringLiteral("Selected &Customers"));
    SelectedGroups1 = menuItem(PopupMenu4, "SelectedGroups1", QStringLiteral("Selected &Groups"));
    connect(SelectedCustomers2, &QAction::triggered, this, &TMain::SelectedCustomers2Click);
    connect(SelectedGroups1, &QAction::triggered, this, &TMain::SelectedGroups1Click);

    PopupMenu5 = popupMenu(this, "PopupMenu5");
    SelectedCustomers3 = menuItem(PopupMenu5, "SelectedCustomers3", QStringLiteral("&Selected Customers"));
    InvoicesDated1 = menuItem(PopupMenu5, "InvoicesDated1", QStringLiteral("&Invoices Dated"));
    PastDueBilling1 = menuItem(PopupMenu5, "PastDueBilling1", QStringLiteral("&Past Due Billing"));
    BalanceDueStatement1 = menuItem(PopupMenu5, "BalanceDueStatement1", QStringLiteral("&Balance Due Statement"));
    CustomerGroups1 = menuItem(PopupMenu5, "CustomerGroups1", QStringLiteral("&Customer Group(s)"));
    const std::pair<QAction*, void (TMain::*)()> labelItems[] = {
        {SelectedCustomers3, &TMain::SelectedCustomers3Click},
        {InvoicesDated1, &TMain::InvoicesDated1Click},
        {PastDueBilling1, &TMain::PastDueBilling1Click},
        {BalanceDueStatement1, &TMain::BalanceDueStatement1Click},
        {CustomerGroups1, &TMain::CustomerGroups1Click},
    };
    for (const auto& [item, handler] : labelItems) connect(item, &QAction::triggered, this, handler);
}

void TMain::buildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new ProgressPanel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    setStatusBar(StatusBar1);
}

// ---------------------------------------------------------------- status sink

void TMain::showStatus(const QString& text) {
    StatusBar1->clearMessage();  // a result still shown would hide the panels
    StatusPanel1->setText(text);
    StatusPanel0->setPercent(0);
    repaint();
    letThePanelsPaint();
}

void TMain::showProgress(int percent) {
    StatusPanel0->setPercent(percent);
    letThePanelsPaint();
}

void TMain::showResult(const QString& text) { StatusBar1->showMessage(text, kResultMs); }

// ---------------------------------------------------------------- showing and closing

void TMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_started) FormShow();
}

void TMain::FormShow() {
    m_started = true;
    auto* splash = Form<TAboutForm>();
    SplashMode = true;
    if (splash) showSplash(splash);
    const SplashClock clock;
    if (StartUp() != StartupResult::Ready) {
        m_started = false;
        SplashMode = false;
        if (splash) splash->close();
        EndProgram(1);
        return;
    }
    setWindowTitle(MainCaption());
    ApplySettingsFont(font());
    showReportFont();
    base::ReportPrinter() = DefaultPrinterChoice();
    showPrinter();
    showPreferences();
    clock.waitForMinimum();
    if (splash) splash->close();
    SplashMode = false;
}

void TMain::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
    // The help browser and any other window left open close with the program: otherwise the run
    // would go on, without its data, until the user found and closed them too.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
}

void TMain::FormClose() {
    if (!m_started || m_closed) return;
    m_closed = true;
    CloseDown();
}

void TMain::Exit1Click() { close(); }

// ---------------------------------------------------------------- preferences

void TMain::showReportFont() { Edit1->setText(FontText(base::ReportFont)); }

void TMain::showPrinter() { Edit2->setText(PrinterText(base::ReportPrinter())); }

void TMain::showPreferences() {
    (SortByName() ? RadioButton1 : RadioButton2)->setChecked(true);
    (InventoryFifo() ? RadioButton3 : RadioButton4)->setChecked(true);
    const bool orders = store::OrderCommandsShown();
    const QSignalBlocker quiet(CheckOrders);
    CheckOrders->setChecked(orders);
    showOrderCommands(orders);
}

void TMain::BtnFontClick() {
    QFont chosen = base::ReportFont;
    base::dialogs().chooseFont(&chosen);  // a cancelled dialog hands back the font it was given
    StoreReportFont(chosen);
    showReportFont();
}

void TMain::BtnPSetupClick() {
    base::PrinterChoice choice = base::ReportPrinter();
    if (base::dialogs().printerSetup(&choice)) base::ReportPrinter() = choice;
    showPrinter();
}

void TMain::focusChanged(QWidget* old, QWidget* now) {
    if (!now) return;  // the application lost the focus; the box was not left for another control
    if (isInside(old, GroupBox1) && !isInside(now, GroupBox1)) GroupBox1Exit();
    if (isInside(old, GroupBox2) && !isInside(now, GroupBox2)) GroupBox2Exit();
}

// A choice that could not be stored shows the one in force again.
void TMain::GroupBox1Exit() {
    if (!SaveSortByName(RadioButton1->isChecked())) (SortByName() ? RadioButton1 : RadioButton2)->setChecked(true);
}

void TMain::GroupBox2Exit() {
    if (!SaveInventoryFifo(RadioButton3->isChecked())) (InventoryFifo() ? RadioButton3 : RadioButton4)->setChecked(true);
}

// ---------------------------------------------------------------- pop-up menus

void TMain::showPopup(QMenu* menu) { menu->popup(QCursor::pos()); }

void TMain::BtnRInvClick() { showPopup(PopupMenu1); }

void TMain::BtnInvPrintClick() { reports::PrintInvoices(false, reports::DocKind::Invoice); }
void TMain::SelectedDates2Click() { reports::PrintInvoices(false, reports::DocKind::Invoice); }
void TMain::SelectedInvoices1Click() { reports::PrintInvoices(true, reports::DocKind::Invoice); }
void TMain::WithBalancesDue2Click() { reports::PrintInvoices(false, reports::DocKind::Bill); }
void TMain::SelectedBills2Click() { reports::PrintInvoices(true, reports::DocKind::Bill); }
void TMain::WithBalances2Click() { reports::PrintStatements(false); }
void TMain::SelectedCustomers4Click() { reports::PrintStatements(true); }
void TMain::SalesSummary1Click() { reports::RunReport(reports::ReportId::SalesSummary); }
void TMain::ProductSummary1Click() { reports::RunReport(reports::ReportId::SalesByProduct); }
void TMain::TaxSummary1Click() { reports::RunReport(reports::ReportId::TaxSummary); }
void TMain::IncomeSummary1Click() { reports::RunReport(reports::ReportId::DailyIncome); }
void TMain::GSTVATIncomeandCollections1Click() { reports::RunReport(reports::ReportId::GstIncome); }
void TMain::ReceivableIncome1Click() { reports::RunReport(reports::ReportId::Receivables); }
void TMain::AgedReceivables1Click() { reports::RunReport(reports::ReportId::AgedReceivables); }
void TMain::ProductBuyers1Click() { reports::RunReport(reports::ReportId::ProductBuyers); }
void TMain::Image4Click() { reports::RunReport(reports::ReportId::ProductListing); }
void TMain::Image5Click() { reports::RunReport(reports::ReportId::Purchasing); }
void TMain::Inventory1Click() { reports::RunReport(reports::ReportId::Inventory); }
void TMain::CostofGoodsSold1Click() { reports::RunReport(reports::ReportId::CostOfGoods); }
void TMain::StockOnHand1Click() { reports::RunReport(reports::ReportId::StockOnHand); }
void TMain::SelectedCustomers2Click() { reports::PrintCustomerProfile(false); }
void TMain::SelectedGroups1Click() { reports::PrintCustomerProfile(true); }
void TMain::BtnStationaryClick() { base::dialogs().showModal(Form<records::TStationary>()); }
void TMain::BtnRProfClick() { showPopup(PopupMenu4); }
void TMain::BtnRSalesClick() { showPopup(PopupMenu2); }
void TMain::BtnRLabelsClick() { showPopup(PopupMenu5); }
void TMain::BtnInvRptsClick() { showPopup(PopupMenu3); }
void TMain::BtnMMergeClick() { MailMergeCommand(); }

// ---------------------------------------------------------------- labels

void TMain::BtnInvLabClick() { labels::PrintLabels(labels::LabelJob::InvoicesDated); }
void TMain::BtnPrintBatchClick() { labels::PrintBatchLabels(); }
void TMain::SelectedCustomers3Click() { labels::PrintLabels(labels::LabelJob::SelectedCustomers); }
void TMain::InvoicesDated1Click() { labels::PrintLabels(labels::LabelJob::InvoicesDated); }
void TMain::PastDueBilling1Click() { labels::PrintLabels(labels::LabelJob::PastDueBilling); }
void TMain::BalanceDueStatement1Click() { labels::PrintLabels(labels::LabelJob::BalanceDueStatement); }
void TMain::CustomerGroups1Click() { labels::PrintLabels(labels::LabelJob::CustomerGroups); }
void TMain::BtnLabFormsClick() { labels::LabelFormsCommand(); }

// ---------------------------------------------------------------- file maintenance

void TMain::BtnBackupClick() {
    const QString chosen = ui::ChooseDirectory(kBackupChooserCaption, kBackupOkCaption);
    repaint();
    store::BackupCommand(chosen, store::DataDir());
}

void TMain::BtnRestoreClick() {
    const QString chosen = ui::ChooseDirectory(kRestoreChooserCaption, kRestoreOkCaption);
    repaint();
    store::RestoreCommand(chosen, store::DataDir());
}

void TMain::BtnUpgradeClick() {
    const QString chosen = ui::ChooseDirectory(kUpgradeChooserCaption, kUpgradeOkCaption,
                                               store::UpgradeStartDirectory(QDir::homePath()));
    repaint();
    store::UpgradeCommand(chosen);
}

void TMain::BtnIndexClick() { store::ReindexCommand(); }
void TMain::BtnPackClick() { store::PackCommand(); }
void TMain::BtnInvoiceClick() { invoicing::InvoiceCommand(); }
void TMain::BtnCustClick() { records::CustomerCommand(); }
void TMain::BtnGroupsClick() { records::GroupCommand(); }
void TMain::BtnProdClick() { records::ProductCommand(); }
void TMain::BtnPurchaseClick() { records::PurchaseCommand(); }
void TMain::BtnSTaxClick() { invoicing::TaxDefinitionCommand(); }
void TMain::BtnMailServerClick() { base::dialogs().showModal(Form<mail::TMailServer>()); }

void TMain::CheckOrdersClick(bool shown) {
    if (!store::SetOrderCommandsShown(shown))
        base::ShowMessage(kPreferenceNotSaved.arg(QDir::toNativeSeparators(store::UserPreferencesFile)));
    showOrderCommands(shown);
}

void TMain::showOrderCommands(bool shown) {
    BtnDirectories->setVisible(shown);
    BtnPrintBatch->setVisible(shown);
}

void TMain::BtnDirectoriesClick() {
    auto* dirs = Form<invoicing::TImportdir>();
    dirs->show();
    dirs->raise();
    dirs->activateWindow();
}
void TMain::BtnEraseClick() { store::EraseAll(); }

// ---------------------------------------------------------------- help menu

void TMain::AboutCorvane1Click() { base::dialogs().showModal(Form<TAboutForm>()); }

void TMain::HelpContents1Click() { ui::ShowHelpContents(); }

}  // namespace app
