#pragma once
// TMain: the main window. Five pages of command images and buttons, the menu, the five pop-up menus
// and the status bar. The first showing runs the start-up sequence; closing runs the close-down.
// Handlers only read and write controls and call the logic units.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QGroupBox>

#include "base/StatusSink.h"

namespace app {

// Panel 0 of the status bar: 110 pixels wide, paints the progress bar itself.
class ProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);
    void setPercent(int percent);
    int percent() const { return m_percent; }
    QSize sizeHint() const override { return {110, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_percent = 0;
};

class TMain : public QMainWindow, public base::StatusSink {
    Q_OBJECT
public:
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // base::StatusSink
    void showStatus(const QString& text) override;
    void showProgress(int percent) override;
    void showResult(const QString& text) override;

    // Help contexts: the window's own and each page's, in page order.
    static constexpr int kHelpContext = 10;
    static constexpr int kPageHelpContexts[5] = {300, 400, 500, 600, 700};

    QTabWidget* PageControl1;
    QWidget* TabSheet1;  // Invoices
    QWidget* TabSheet2;  // Customers and Products
    QWidget* TabSheet3;  // Report Generation
    QWidget* TabSheet4;  // Preferences
    QWidget* TabSheet5;  // File Maintenance

    // Invoices
    QToolButton* BtnInvoice;
    QToolButton* BtnInvPrint;
    QToolButton* BtnInvLab;
    QToolButton* BtnPrintBatch;  // never shown
    QPushButton* Button1;        // never shown
    // Customers and Products
    QToolButton* BtnCust;
    QToolButton* BtnGroups;
    QToolButton* BtnProd;
    QToolButton* BtnPurchase;
    QToolButton* Image4;
    QToolButton* Image5;
    // Report Generation
    QToolButton* BtnRInv;
    QToolButton* BtnRProf;
    QToolButton* BtnRSales;
    QToolButton* BtnRLabels;
    QToolButton* BtnMMerge;
    QToolButton* BtnInvRpts;
    // Preferences
    QToolButton* BtnStationary;
    QToolButton* BtnSTax;
    QToolButton* BtnMailServer;  // the mail server e-mail goes out through
    QToolButton* BtnLabForms;
    QToolButton* BtnFont;
    QToolButton* BtnPSetup;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QGroupBox* GroupBox1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QGroupBox* GroupBox2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    QPushButton* BtnDirectories;  // shown with the order commands
    QCheckBox* CheckOrders;
    // File Maintenance
    QToolButton* BtnBackup;
    QToolButton* BtnRestore;
    QToolButton* BtnIndex;
    QToolButton* BtnPack;
    QToolButton* BtnErase;
    // One Help button per page, in page order.
    QPushButton* BtnHelp[5];

    // Menu
    QMenu* File1;
    QAction* ConvertOldData1;
    QAction* Exit1;
    QMenu* Help1;
    QAction* AboutCorvane1;
    QAction* HelpContents1;

    // Pop-up menus
    QMenu* PopupMenu1;
    QAction* SelectedDates2;
    QAction* SelectedInvoices1;
    QAction* WithBalancesDue2;
    QAction* SelectedBills2;
    QAction* WithBalances2;
    QAction* SelectedCustomers4;
    QMenu* PopupMenu2;
    QAction* SalesSummary1;
    QAction* ProductSummary1;
    QAction* ProductBuyers1;
    QAction* IncomeSummary1;
    QAction* ReceivableIncome1;
    QAction* AgedReceivables1;
    QAction* TaxSummary1;
    QAction* GSTVATIncomeandCollections1;
    QMenu* PopupMenu3;
    QAction* Inventory1;
    QAction* CostofGoodsSold1;
    QAction* StockOnHand1;
    QMenu* PopupMenu4;
    QAction* SelectedCustomers2;
    QAction* SelectedGroups1;
    QMenu* PopupMenu5;
    QAction* SelectedCustomers3;
    QAction* InvoicesDated1;
    QAction* PastDueBilling1;
    QAction* BalanceDueStatement1;
    QAction* CustomerGroups1;

    QStatusBar* StatusBar1;
    ProgressPanel* StatusPanel0;
    QLabel* StatusPanel1;

    // True once the first showing has run the start-up sequence successfully.
    bool started() const { return m_started; }

public slots:
    void BtnInvoiceClick();
    void BtnCustClick();
    void BtnGroupsClick();
    void BtnProdClick();
    void BtnPurchaseClick();
    void BtnSTaxClick();
    void BtnMailServerClick();
    void BtnDirectoriesClick();  // the import directories, not modal
    void BtnRInvClick();
    void BtnInvPrintClick();
    void SelectedDates2Click();
    void SelectedInvoices1Click();
    void WithBalancesDue2Click();
    void SelectedBills2Click();
    void WithBalances2Click();
    void SelectedCustomers4Click();
    void SalesSummary1Click();
    void ProductSummary1Click();
    void TaxSummary1Click();
    void IncomeSummary1Click();
    void GSTVATIncomeandCollections1Click();
    void ReceivableIncome1Click();
    void AgedReceivables1Click();
    void ProductBuyers1Click();
    void Image4Click();
    void Image5Click();
    void Inventory1Click();
    void CostofGoodsSold1Click();
    void StockOnHand1Click();
    void SelectedCustomers2Click();
    void SelectedGroups1Click();
    void BtnStationaryClick();
    void BtnRProfClick();
    void BtnRSalesClick();
    void BtnRLabelsClick();
    void BtnInvRptsClick();
    void BtnMMergeClick();
    void BtnInvLabClick();
    void BtnPrintBatchClick();
    void SelectedCustomers3Click();
    void InvoicesDated1Click();
    void PastDueBilling1Click();
    void BalanceDueStatement1Click();
    void CustomerGroups1Click();
    void BtnLabFormsClick();
    void BtnFontClick();
    void BtnPSetupClick();
    void GroupBox1Exit();
    void GroupBox2Exit();
    void BtnBackupClick();
    void BtnRestoreClick();
    void BtnIndexClick();
    void BtnPackClick();
    void BtnEraseClick();
    void BtnUpgradeClick();  // File > Convert Old Data, and its own key (Ctrl+Shift+U)
    void CheckOrdersClick(bool shown);
    void Exit1Click();
    void AboutCorvane1Click();
    void HelpContents1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void buildMenus();
    void buildPopupMenus();
    void buildStatusBar();
    QWidget* buildInvoicesPage();
    QWidget* buildCustomersPage();
    QWidget* buildReportsPage();
    QWidget* buildPreferencesPage();
    QWidget* buildMaintenancePage();
    QPushButton* helpButton(int page);
    void showPopup(QMenu* menu);
    void focusChanged(QWidget* old, QWidget* now);
    void showReportFont();
    void showPrinter();
    void showPreferences();
    void showOrderCommands(bool shown);

    bool m_started = false;
    bool m_closed = false;
};

}  // namespace app
