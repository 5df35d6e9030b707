#include "reports/ReportList.h"

#include "reports/CustomerRpt.h"
#include "reports/InventoryRpt.h"
#include "reports/SalesRpt.h"

namespace reports {

namespace {
constexpr const char* kNoInvoices = "No Invoices within selected dates.";
constexpr const char* kNoPayments = "No Payments within selected dates.";
constexpr const char* kNoBalances = "No invoice has a balance.";
constexpr const char* kNoStock = "No product is kept in stock.";
}  // namespace

const std::vector<ReportEntry>& Reports() {
    static const std::vector<ReportEntry> list = {
        {ReportId::SalesSummary, "sales-summary", "one line per invoice with its items, charges and total", true,
         &BuildSalesSummary, kNoInvoices},
        {ReportId::SalesByProduct, "sales-by-product", "quantity and sales per product", true, &BuildSalesByProduct, kNoInvoices},
        {ReportId::TaxSummary, "tax-summary", "net sales, taxable sales and the charges", true, &BuildTaxSummary, kNoInvoices},
        {ReportId::DailyIncome, "daily-income", "payments by day with a total per day", true, &BuildDailyIncome, kNoPayments},
        {ReportId::GstIncome, "gst-income", "payments with their GST/VAT part", true, &BuildGstIncome, kNoPayments},
        {ReportId::Receivables, "receivables", "every invoice with a balance and its age", false, &BuildReceivables, kNoBalances},
        {ReportId::AgedReceivables, "aged-receivables", "balances per customer by age", false,
         &BuildAgedReceivables, kNoBalances},
        {ReportId::Purchasing, "purchasing", "purchases by product with their cost", true, &BuildPurchasing, "No Purchases within selected dates."},
        {ReportId::ProductListing, "product-listing", "every product with its price and reorder level", false,
         &BuildProductListing, "No products."},
        {ReportId::StockOnHand, "stock-on-hand", "stock on hand today, on order, and what to reorder", false,
         &BuildStockOnHand, kNoStock},
        {ReportId::Inventory, "inventory", "quantity and cost of the stock as of a date", false, &BuildInventory, kNoStock,
         Asks::AsOfDate},
        {ReportId::CostOfGoods, "cost-of-goods", "stock at the start, purchases, stock at the end", true,
         &BuildCostOfGoods, kNoStock},
        {ReportId::CustomerProfile, "customer-profile", "each customer's address beside all they bought", false,
         &BuildCustomerProfile, "No customers in the chosen groups.", Asks::Customers},
        {ReportId::ProductBuyers, "product-buyers", "who bought a product, with their group", true,
         &BuildProductBuyers, "No sales of the product within selected dates.", Asks::Product},
    };
    return list;
}

const ReportEntry& Report(ReportId id) {
    for (const ReportEntry& e : Reports())
        if (e.id == id) return e;
    return Reports().front();  // unreachable: every id has its entry
}

const ReportEntry* FindReport(const QString& name) {
    for (const ReportEntry& e : Reports())
        if (name == QLatin1String(e.name)) return &e;
    return nullptr;
}

}  // namespace reports
